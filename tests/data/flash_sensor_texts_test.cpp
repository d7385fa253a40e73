// The attribute names of a sensor dump's element: a repeated item kind gets the
// first free numbered variant of its name, however many times it repeats.
#include "data/flash_sensor_texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/my_string.h"
#include "tests/support/recording_program.h"

namespace {

TEST(AttributeNames, ARepeatedNameTakesTheFirstFreeNumberedVariant)
{
    Tattribute_names names;
    names.use("snr");
    names.use("snr_3");
    struct Tcase {
        const char* asked;
        const char* given;
    };
    const Tcase cases[] = {
        {"snr", "snr_2"}, {"snr", "snr_4"}, {"x", "x"}, {"x", "x_2"}, {"snr_2", "snr_2_2"}, {"snr", "snr_5"},
    };
    for (const Tcase& c : cases)
        EXPECT_EQ(names.unique(c.asked), c.given) << c.asked;
}

// A pressure logger's dump nearly as long as a record can be, of nothing but
// serial number items: every one is decoded under its own name. Looking each
// numbered variant up among all the names before it made this dump take hours.
TEST(AttributeNames, ADumpOfNineThousandLikeItemsNamesEachOnce)
{
    constexpr unsigned items = 9000;
    std::vector<uint8_t> dump{1};  // a pressure logger
    for (unsigned i = 0; i < items; ++i) {
        const uint8_t item[7] = {1, 0, 4, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        dump.insert(dump.end(), item, item + sizeof item);
    }
    Tattribute_names names;
    names.use("s");
    Tmy_string text;
    flash_append_sensor_dump(&text, dump.data(), static_cast<unsigned>(dump.size()), &names, 0);
    recorded::clear_log();
    const std::string decoded = text.c_str();
    EXPECT_NE(decoded.find(" snr=\"0\""), std::string::npos);
    EXPECT_NE(decoded.find(" snr_2=\"1\""), std::string::npos);
    EXPECT_NE(decoded.find(" snr_9000=\"8999\""), std::string::npos);
    EXPECT_EQ(decoded.find("snr_9001"), std::string::npos);
}

}  // namespace
