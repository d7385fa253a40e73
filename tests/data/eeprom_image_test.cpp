#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/xml.h"
#include "data/eeprom_configurer.h"

namespace {

using Tbytes = std::vector<unsigned char>;

// Makes page the current one with an empty write position.
void select_page(Teeprom_configurer& image, unsigned page)
{
    myXMLdocument doc;
    const std::string text = "<STATION><CONFIGURATION value=\"" + std::to_string(page) + "\"/></STATION>";
    image.parseStation(xml_ParseText(text.c_str(), &doc), 0, "", false);
    image.clearPage(page);
}

Tbytes page_of(std::initializer_list<Tbytes> parts)
{
    Tbytes page;
    for (const Tbytes& part : parts)
        page.insert(page.end(), part.begin(), part.end());
    return page;
}

TEST(Eeprom_image, FindRecordWalksTheRecordsUpToTheEnd)
{
    struct Tcase {
        const char* what;
        Tbytes page;
        unsigned char tag;
        unsigned char offset;
    };
    const Tcase cases[] = {
        {"an empty page has no record", {}, 0x85, eeprom_absent},
        {"an empty page has its end mark at 0", {}, 0xFF, 0},
        {"a value record first", {0x85, 0, 0, 0, 1, 0xFF}, 0x85, 0},
        {"the end mark stops the search", {0x85, 0, 0, 0, 1, 0xFF, 0x86, 0, 0, 0, 1}, 0x86, eeprom_absent},
        {"the end mark is found after the value", {0x85, 0, 0, 0, 1, 0xFF}, 0xFF, 5},
        {"a block record is stepped over", {0x01, 2, 0x86, 0x86, 0x86, 0, 0, 0, 1}, 0x86, 4},
        {"0x00 is walked like a block record", {0x00, 1, 0x86, 0x86, 0, 0, 0, 1}, 0x86, 3},
        {"a tag of 0xC0 or more ends the walk", {0xC0, 0x85}, 0x85, eeprom_absent},
        {"a record at 240 of length 20 ends the walk",
         page_of({{0x01, 238}, Tbytes(238, 0), {0x02, 20}, Tbytes(14, 0x03)}), 0x03, eeprom_absent},
        {"that record itself is found", page_of({{0x01, 238}, Tbytes(238, 0), {0x02, 20}}), 0x02, 240},
        {"a length beyond the page ends the walk", {0x01, 0xFF, 0x85}, 0x85, eeprom_absent},
        {"a record at 250 is not found", page_of({{0x01, 248}, Tbytes(248, 0), {0x85, 0, 0, 0}}), 0x85,
         eeprom_absent},
    };
    for (const Tcase& c : cases) {
        Teeprom_configurer image;
        image.loadPage(2, c.page.data(), static_cast<unsigned>(c.page.size()));
        EXPECT_EQ(image.findRecord(2, c.tag), c.offset) << c.what;
    }
}

TEST(Eeprom_image, TheUsableSearchReachesTheLastRecordsOfAPage)
{
    const Tbytes page = page_of({{0x01, 248}, Tbytes(248, 0), {0x85, 0, 0, 0}});
    Teeprom_configurer image;
    select_page(image, 0);
    image.loadPage(0, page.data(), static_cast<unsigned>(page.size()));
    EXPECT_EQ(image.findRecord(0, 0x85), eeprom_absent);
    EXPECT_EQ(image.findRecordUsable(0, 0x85), 250);
    select_page(image, 7);
    image.loadPage(0, page.data(), static_cast<unsigned>(page.size()));
    EXPECT_EQ(image.findRecordUsable(0, 0x85), eeprom_absent);
}

TEST(Eeprom_image, PagesOutsideTheImageReadAsErased)
{
    Teeprom_configurer image;
    const unsigned char bytes[] = {0x85, 0, 0, 0, 1};
    image.loadPage(9, bytes, sizeof bytes);
    EXPECT_EQ(image.byteAt(9, 0), 0xFF);
    EXPECT_EQ(image.byteAt(0, 256), 0xFF);
    EXPECT_EQ(image.findRecord(9, 0x85), eeprom_absent);
    EXPECT_EQ(image.findRecord(9, 0xFF), 0);
    EXPECT_EQ(image.getPageLength(9), 0u);
    EXPECT_FALSE(image.isWritten(9, 0));
}

TEST(Eeprom_image, WritesStopAtTheUsableSizeOfThePage)
{
    struct Tcase {
        unsigned page;
        unsigned usable;
    };
    for (const Tcase c : {Tcase{0, 253}, Tcase{6, 253}, Tcase{7, 236}, Tcase{250, 253}}) {
        Teeprom_configurer image;
        select_page(image, c.page);
        EXPECT_EQ(image.usableSize(), c.usable);
        for (unsigned i = 0; i < c.usable; ++i)
            image.appendByte(static_cast<unsigned char>(i));
        EXPECT_FALSE(image.overflowed()) << c.page;
        EXPECT_EQ(image.roomLeft(), 0u);
        image.appendByte(0x55);
        EXPECT_TRUE(image.overflowed()) << c.page;
        EXPECT_EQ(image.writePosition(), c.usable);
        EXPECT_EQ(image.getPageLength(c.page), c.usable);
        EXPECT_EQ(image.byteAt(c.page, c.usable), 0xFF);
        EXPECT_EQ(image.putByteAt(c.usable - 1, 0xAA), 0);
        EXPECT_EQ(image.putByteAt(c.usable, 0xAA), 1);
        EXPECT_EQ(image.byteAt(c.page, c.usable - 1), 0xAA);
    }
}

TEST(Eeprom_image, AValueThatDoesNotFitWritesNoneOfItsBytes)
{
    Teeprom_configurer image;
    select_page(image, 0);
    const Tbytes filler(250, 0x11);
    for (unsigned char b : filler)
        image.appendByte(b);
    image.appendU32(0x01020304);
    EXPECT_TRUE(image.overflowed());
    EXPECT_EQ(image.writePosition(), 250u);
    EXPECT_EQ(image.byteAt(0, 250), 0xFF);

    image.clearPage(0);
    EXPECT_FALSE(image.overflowed());
    for (unsigned i = 0; i < 249; ++i)
        image.appendByte(0x11);
    image.appendU32(0x01020304);
    EXPECT_FALSE(image.overflowed());
    EXPECT_EQ(image.byteAt(0, 249), 0x01);
    EXPECT_EQ(image.byteAt(0, 252), 0x04);
}

TEST(Eeprom_image, AWholeRecordNeedsAByteLeftBehindIt)
{
    const unsigned char record[4] = {0x0E, 2, 0xAB, 0xCD};
    Teeprom_configurer image;
    select_page(image, 7);
    for (unsigned i = 0; i < 231; ++i)
        image.appendByte(0);
    image.appendWhole(record, sizeof record);  // 5 left: fits with one to spare
    EXPECT_FALSE(image.overflowed());
    EXPECT_EQ(image.byteAt(7, 234), 0xCD);
    image.clearPage(7);
    for (unsigned i = 0; i < 232; ++i)
        image.appendByte(0);
    image.appendWhole(record, sizeof record);  // 4 left: the end mark would not fit
    EXPECT_TRUE(image.overflowed());
    EXPECT_EQ(image.getPageLength(7), 232u);
}

TEST(Eeprom_image, BlockLengthsAreBackFilledUnlessThePageOverflowed)
{
    Teeprom_configurer image;
    select_page(image, 1);
    const unsigned length_offset = image.beginBlock(0x01);
    image.appendByte('a');
    image.appendByte('b');
    image.endBlock(length_offset);
    EXPECT_EQ(image.byteAt(1, 0), 0x01);
    EXPECT_EQ(image.byteAt(1, 1), 2);

    while (image.writePosition() < 250)
        image.appendByte(0);
    const unsigned cut = image.beginBlock(0x02);
    for (int i = 0; i < 5; ++i)
        image.appendByte('c');
    image.endBlock(cut);
    EXPECT_TRUE(image.overflowed());
    EXPECT_EQ(image.byteAt(1, cut), 0);
}

TEST(Eeprom_image, SetBytesAddressesPagesZeroToSeven)
{
    const unsigned char config[] = {0x84, 0x00, 0x00, 0x00, 0x01, 0xFF};
    Teeprom_configurer image;
    EXPECT_EQ(image.setBytes(3 * 256, config, sizeof config), sizeof config);
    EXPECT_EQ(image.pageChecksum(3), 0x84);
    EXPECT_EQ(image.getPageLength(3), 6u);
    EXPECT_EQ(image.setBytes(2046, config, sizeof config), sizeof config);
    EXPECT_EQ(image.byteAt(7, 255), 0x00);
    EXPECT_EQ(image.getPageLength(7), 2u);
    EXPECT_EQ(image.getPageLength(250), 0u);

    image.setBytes(0, config, 2);
    EXPECT_EQ(image.getPageLength(255), 2u);
    image.clearPage(0);
    EXPECT_EQ(image.getPageLength(0), 0u);
    EXPECT_EQ(image.getPageLength(3), 6u);
    image.clear();
    EXPECT_EQ(image.getPageLength(3), 0u);
    EXPECT_EQ(image.byteAt(3, 0), 0xFF);
}

TEST(Eeprom_image, CopyToCarriesPagesAndPinButNotTheStation)
{
    Teeprom_configurer source;
    myXMLdocument doc;
    source.parseStation(xml_ParseText("<STATION><CONFIGURATION value=\"250\"><GSM_STEP value=\"1\"/>"
                                      "</CONFIGURATION></STATION>",
                                      &doc),
                        42, "9876", true);
    Teeprom_configurer copy;
    copy.set32bitLayout(false);
    source.copyTo(&copy);
    EXPECT_EQ(copy.getPageLength(250), 6u);
    EXPECT_EQ(copy.byteAt(250, 0), 0x9D);
    EXPECT_STREQ(copy.pinText().c_str(), "9876");
    EXPECT_EQ(copy.currentPage(), 250u);
    EXPECT_EQ(copy.writePosition(), source.writePosition());
    EXPECT_FALSE(copy.is32bitLayout());
    EXPECT_EQ(copy.stationId(), 0u);
}

}  // namespace
