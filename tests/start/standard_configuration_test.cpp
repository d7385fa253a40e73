// The four standard configurations page by page against their golden bytes,
// which were put together from the record and byte-code tables apart from the
// generators (fixtures/make_standard_configurations.py).

#include <gtest/gtest.h>

#include <string>

#include "data/eeprom_configurer.h"
#include "programs/start/standard_configuration.h"
#include "tests/start/standard_configuration_golden.h"
#include "tests/support/recording_program.h"

namespace {

using start_test::golden_pages;

constexpr unsigned image_pages[] = {0, 1, 2, 3, 4, 5, 6, 7, eeprom_high_page};

TEST(StandardConfiguration, EveryPageHoldsItsGoldenBytesAndTheRestStaysErased)
{
    for (int type = STANDARD_KLVR_VEXL; type <= STANDARD_FLOW; ++type) {
        const auto golden = golden_pages(type);
        ASSERT_EQ(golden.size(), 4u) << "golden file of type " << type;
        Teeprom_configurer image;
        // What an earlier configuration left must not survive.
        const unsigned char old_record[] = {133, 0, 0, 0, 60, 0xFF};
        image.loadPage(3, old_record, sizeof old_record);
        image.loadPage(0, old_record, sizeof old_record);
        recorded::clear_log();
        ASSERT_TRUE(build_standard_configuration(type, &image));
        for (unsigned page : image_pages) {
            const auto found = golden.find(page);
            const std::vector<uint8_t> expected = found == golden.end() ? std::vector<uint8_t>() : found->second;
            ASSERT_EQ(image.getPageLength(page), expected.size()) << "type " << type << " page " << page;
            for (unsigned i = 0; i < eeprom_page_size; ++i) {
                const bool written = i < expected.size();
                EXPECT_EQ(image.isWritten(page, i), written) << "type " << type << " page " << page << " byte " << i;
                EXPECT_EQ(image.byteAt(page, i), written ? expected[i] : 0xFF)
                    << "type " << type << " page " << page << " byte " << i;
            }
        }
        EXPECT_FALSE(image.overflowed());
        // The four pages went to the log as they were built.
        EXPECT_FALSE(recorded::log_lines().empty());
        EXPECT_FALSE(recorded::log_contains("ERROR"));
    }
}

TEST(StandardConfiguration, TheImageReadsBackTheValuesItWasBuiltWith)
{
    struct {
        int type;
        unsigned acq_interval0, gsm_interval, gsm_step;
    } const cases[] = {
        {STANDARD_KLVR_VEXL, 900, 86400, 86400},
        {STANDARD_KLVR_VEXL_COM, 900, 3600, 3000},
        {STANDARD_CALIBRATION, 86400, 86400, 86400},
        {STANDARD_FLOW, 86400, 86400, 86400},
    };
    for (const auto& c : cases) {
        Teeprom_configurer image;
        ASSERT_TRUE(build_standard_configuration(c.type, &image));
        unsigned number = 0;
        ASSERT_TRUE(image.getValue(&number, 0, 133));
        EXPECT_EQ(number, c.acq_interval0) << c.type;
        ASSERT_TRUE(image.getValue(&number, 6, 134));
        EXPECT_EQ(number, c.gsm_interval) << c.type;
        ASSERT_TRUE(image.getValue(&number, 6, 157));
        EXPECT_EQ(number, c.gsm_step) << c.type;
        Tmy_string text;
        image.getString(&text, 6, 118);
        EXPECT_STREQ(text.c_str(), "/gprs/default.php");
        int timeout = 0;
        EXPECT_TRUE(image.getSequenceTimeout(1, 0, &timeout)) << c.type;
        EXPECT_EQ(timeout, 3) << c.type;
        // Every program is byte code that the setup writer turns back into instructions.
        for (unsigned page : {1u, 2u}) {
            for (unsigned char tag : {8, 9, 10}) {
                unsigned char program[eeprom_page_size];
                const unsigned length = image.getBytes(program, sizeof program, page, tag);
                if (length == 0)
                    continue;
                Tmy_string instructions;
                EXPECT_FALSE(Teeprom_configurer::writeSequenceText(&instructions, length, program))
                    << "type " << c.type << " page " << page << " tag " << int(tag);
                EXPECT_NE(std::string(instructions.c_str()).find("ACTION32 module=\"0\""), std::string::npos)
                    << instructions.c_str();
            }
        }
    }
}

TEST(StandardConfiguration, OnlyTheFieldTypesNameADisplayModeAndOtherTypesBuildNothing)
{
    EXPECT_STREQ(standard_configuration_display_mode(STANDARD_KLVR_VEXL), "KLVR_VEXL");
    EXPECT_STREQ(standard_configuration_display_mode(STANDARD_KLVR_VEXL_COM), "KLVR_VEXL_COM");
    EXPECT_EQ(standard_configuration_display_mode(STANDARD_CALIBRATION), nullptr);
    EXPECT_EQ(standard_configuration_display_mode(STANDARD_FLOW), nullptr);
    EXPECT_EQ(standard_configuration_display_mode(0), nullptr);

    for (int type : {0, 5, -1}) {
        Teeprom_configurer image;
        const unsigned char page[] = {133, 0, 0, 0, 60, 0xFF};
        image.loadPage(0, page, sizeof page);
        EXPECT_FALSE(build_standard_configuration(type, &image)) << type;
        EXPECT_EQ(image.getPageLength(0), sizeof page) << type;
        EXPECT_EQ(image.getPageLength(1), 0u) << type;
    }
    EXPECT_FALSE(build_standard_configuration(STANDARD_KLVR_VEXL, nullptr));
}

}  // namespace
