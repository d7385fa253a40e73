// The flash parser uses the hooks its caller gives it, whatever the thread:
// the installed ones by default, and for a conversion on a worker the
// installed decoders without the live values, which belong to the GUI thread.
#include "data/flash_parser_hooks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "base/my_string.h"
#include "data/flash_parser.h"
#include "tests/support/temp_dir.h"

namespace {

class Trecorded_hooks : public Tflash_parser_hooks {
public:
    void on_flash_value(unsigned, uint32_t) override { ++live; }
    void wm_bus_to_xml(Tmy_string* text, uint32_t, const uint8_t*, unsigned, bool) override
    {
        ++telegrams;
        text->append(" decoded=\"1\"");
    }
    void setAcqValue(unsigned, uint32_t) override { ++live; }
    void clearAcqValues(unsigned) override { ++live; }
    void setAcqSubValue(unsigned, int, float) override { ++live; }

    int telegrams = 0;
    int live = 0;
};

class FlashParserHooks : public ::testing::Test {
protected:
    void TearDown() override { flash_parser_hooks_install(nullptr); }

    // Converts the fixtures radio.bin and fluorometer.bin (telegrams, values and
    // fluorometer records); true when both were converted.
    bool convertBoth(Tflash_parser_hooks* given, bool give)
    {
        bool converted = true;
        for (const char* name : {"radio.bin", "fluorometer.bin"}) {
            Tflash_parser parser;
            if (give)
                parser.setHooks(given);
            char path[512];
            const std::string input = source_path(std::string("tests/data/fixtures/flash/") + name);
            converted = parser.convertToXml(dir.file("xml").c_str(), input.c_str(), path, sizeof path) == 0 &&
                        converted;
        }
        return converted;
    }

    Ttemp_dir dir;
    Trecorded_hooks installed;
};

}  // namespace

TEST_F(FlashParserHooks, TheCallersHooksAreUsedOnAnyThread)
{
    flash_parser_hooks_install(&installed);
    // By default the installed hooks, also on another thread.
    bool converted = false;
    std::thread worker([&] { converted = convertBoth(nullptr, false); });
    worker.join();
    ASSERT_TRUE(converted);
    EXPECT_EQ(installed.telegrams, 2);
    EXPECT_GT(installed.live, 0);

    // A worker's conversion: the decoders, no live values.
    installed = Trecorded_hooks();
    Tflash_decoding_hooks decoding(flash_parser_hooks());
    std::thread converter([&] { converted = convertBoth(&decoding, true); });
    converter.join();
    ASSERT_TRUE(converted);
    EXPECT_EQ(installed.telegrams, 2);
    EXPECT_EQ(installed.live, 0);

    // None given: nothing is decoded or shown.
    installed = Trecorded_hooks();
    ASSERT_TRUE(convertBoth(nullptr, true));
    EXPECT_EQ(installed.telegrams, 0);
    EXPECT_EQ(installed.live, 0);
}
