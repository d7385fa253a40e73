#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/eeprom_configurer.h"
#include "tests/support/recording_program.h"

namespace {

using Tbytes = std::vector<unsigned char>;

// Loads pages as a logger returns them: 256 bytes, erased behind the records.
class EepromReaders : public ::testing::Test {
protected:
    void load(unsigned page, const Tbytes& records, unsigned char fill = 0xFF)
    {
        Tbytes bytes(eeprom_page_size, fill);
        for (size_t i = 0; i < records.size() && i < bytes.size(); ++i)
            bytes[i] = records[i];
        image.loadPage(page, bytes.data(), eeprom_page_size);
    }

    // A page whose only record is a block at offset 240 (behind a filler
    // record) with the length byte given.
    void loadBlockAt240(unsigned page, unsigned char tag, unsigned char length, const Tbytes& data)
    {
        Tbytes bytes(240, 0x00);
        bytes[0] = 0x7F;  // a filler block record over offsets 0 to 239
        bytes[1] = 238;
        bytes.push_back(tag);
        bytes.push_back(length);
        bytes.insert(bytes.end(), data.begin(), data.end());
        load(page, bytes);
    }

    Teeprom_configurer image;
};

TEST_F(EepromReaders, ValueRecords)
{
    load(6, {0x86, 0x00, 0x00, 0x0E, 0x10, 0x83, '4', '7', 0x00, 0x00, 0xFF});
    unsigned value = 99;
    EXPECT_TRUE(image.getValue(&value, 6, 134));
    EXPECT_EQ(3600u, value);
    EXPECT_FALSE(image.getValue(&value, 6, 140));
    EXPECT_EQ(0u, value);
    // A page that is no page of the image reads as erased.
    EXPECT_FALSE(image.getValue(&value, 9, 134));

    Tmy_string pin("old");
    EXPECT_TRUE(image.getValueAsText(&pin, 6, 131));
    EXPECT_STREQ("47", pin.c_str());
    EXPECT_FALSE(image.getValueAsText(&pin, 5, 131));
    EXPECT_STREQ("", pin.c_str());
}

TEST_F(EepromReaders, TextAndByteRecords)
{
    load(6, {118, 4, 'a', '&', 0x00, 'b', 124, 1, 80, 123, 0, 0xFF});
    Tmy_string text;
    EXPECT_EQ(1, image.getString(&text, 6, 118));
    EXPECT_STREQ("a&", text.c_str());  // ends at the zero byte
    EXPECT_EQ(1, image.getString(&text, 6, 123));
    EXPECT_STREQ("", text.c_str());
    EXPECT_EQ(0, image.getString(&text, 6, 119));

    unsigned char port = 0;
    EXPECT_TRUE(image.getByteAndString(&text, &port, 6, 124));
    EXPECT_EQ(80, port);
    EXPECT_STREQ("", text.c_str());
    EXPECT_FALSE(image.getByteAndString(&text, &port, 6, 117));

    unsigned char buffer[8] = {};
    EXPECT_EQ(2u, image.getBytes(buffer, 2, 6, 118));
    EXPECT_EQ('&', buffer[1]);
    EXPECT_EQ(4u, image.getBytes(buffer, sizeof buffer, 6, 118));
    EXPECT_EQ('b', buffer[3]);
    EXPECT_EQ(0u, image.getBytes(nullptr, 8, 6, 118));
    EXPECT_EQ(0u, image.getBytes(buffer, 8, 6, 119));
}

TEST_F(EepromReaders, SnrListEntriesArePackedBcd)
{
    load(5, {125, 8, 0x20, 0x23, 0x11, 0x05, 0x12, 0x34, 0x5F, 0xA0, 0xFF});
    unsigned entry = 1;
    EXPECT_TRUE(image.getSnrListEntry(&entry, 5, 0));
    EXPECT_EQ(20231105u, entry);
    EXPECT_TRUE(image.getSnrListEntry(&entry, 5, 1));
    EXPECT_EQ(12345990u, entry);  // nibbles above 9 count as 9
    EXPECT_TRUE(image.getSnrListEntry(&entry, 5, 2));
    EXPECT_EQ(0u, entry);
    EXPECT_FALSE(image.getSnrListEntry(&entry, 4, 0));
}

// A length byte that points past the page: every reader stops at the page's
// end instead of reading the next page's bytes (loaded with 0xAA here).
TEST_F(EepromReaders, LengthBytesBeyondThePageAreCut)
{
    load(7, {}, 0xAA);

    loadBlockAt240(6, 118, 200, Tbytes(14, 'x'));
    Tmy_string text;
    EXPECT_EQ(1, image.getString(&text, 6, 118));
    EXPECT_EQ(std::string(14, 'x'), text.c_str());

    unsigned char buffer[256] = {};
    EXPECT_EQ(14u, image.getBytes(buffer, sizeof buffer, 6, 118));

    loadBlockAt240(6, 124, 255, Tbytes(14, 'h'));
    unsigned char port = 0;
    EXPECT_TRUE(image.getByteAndString(&text, &port, 6, 124));
    EXPECT_EQ('h', port);
    EXPECT_EQ(std::string(13, 'h'), text.c_str());

    loadBlockAt240(6, 125, 40, {0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22, 0x33, 0x33, 0x33});
    unsigned entry = 1;
    EXPECT_TRUE(image.getSnrListEntry(&entry, 6, 1));
    EXPECT_EQ(22222222u, entry);
    EXPECT_TRUE(image.getSnrListEntry(&entry, 6, 3));  // would lie on page 7
    EXPECT_EQ(0u, entry);
}

TEST_F(EepromReaders, FindValueTakesTheFirstPageThatHoldsTheTag)
{
    load(0, {0x85, 0x00, 0x00, 0x02, 0x58, 0xFF});
    load(3, {0x8C, 0x00, 0x00, 0x10, 0x00, 0xFF});
    load(4, {0x8C, 0x00, 0x00, 0x20, 0x00, 0xFF});
    unsigned value = 5;
    EXPECT_TRUE(image.findValue(0x8C, &value));
    EXPECT_EQ(0x1000u, value);
    EXPECT_FALSE(image.findValue(0x9D, &value));
    EXPECT_EQ(0u, value);
}

TEST_F(EepromReaders, FindValueSkipsAValueThatWouldRunPastThePage)
{
    // A block over offsets 0 to 251 puts the value record's tag at 252: inside
    // the usable size, but its four bytes would lie beyond the page.
    Tbytes page0(252, 0x00);
    page0[0] = 0x7F;
    page0[1] = 250;
    page0.push_back(0x9D);
    load(0, page0);
    load(1, {0x9D, 0x00, 0x00, 0x00, 0x07, 0xFF});
    unsigned value = 0;
    EXPECT_TRUE(image.findValue(0x9D, &value));
    EXPECT_EQ(7u, value);
}

TEST_F(EepromReaders, DumpShowsEveryPageWithItsChecksum)
{
    image.reset();
    recorded::clear_log();
    image.dump();
    std::vector<std::string> lines = recorded::log_lines();
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("EEPROM dump - Page 0 : 0 bytes --------", lines.front());
    EXPECT_EQ("EEPROM dump - Page 250 : 0 bytes --------", lines.back());

    const unsigned char page1[] = {0x85, 0x00, 0x00, 0x02, 0x58, 0xFF};
    image.loadPage(1, page1, sizeof page1);
    recorded::clear_log();
    image.dump();
    lines = recorded::log_lines();
    ASSERT_EQ(11u, lines.size());
    EXPECT_EQ("EEPROM dump - Page 1 : 6 bytes --------", lines[1]);
    EXPECT_EQ(0u, lines[2].find("85 00 00 02 58 FF"));
    EXPECT_EQ("Checksum = 222 (xde)", lines[3]);
}

}  // namespace
