#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/xml.h"
#include "data/eeprom_generator.h"
#include "data/eeprom_sequence_generator.h"
#include "tests/support/recording_program.h"

namespace {

using Tbytes = std::vector<unsigned char>;

Tbytes generated(const Teeprom_generator& generator)
{
    return Tbytes(generator.getBuffer(), generator.getBuffer() + generator.getLength());
}

// Page 0 of a station compiled from the elements of one CONFIGURATION block,
// up to and with its end mark.
Tbytes compiled(const std::string& elements)
{
    const std::string setup = "<STATION><CONFIGURATION value=\"0\">" + elements + "</CONFIGURATION></STATION>";
    myXMLdocument document;
    Teeprom_configurer image;
    EXPECT_EQ(0, image.parseStation(xml_ParseText(setup.c_str(), &document), 1, "", true));
    Tbytes bytes;
    for (unsigned i = 0; i < image.getPageLength(0); ++i)
        bytes.push_back(image.byteAt(0, i));
    return bytes;
}

Tbytes built(const Teeprom_sequence_generator& builder)
{
    return Tbytes(builder.getBuffer(), builder.getBuffer() + builder.getLength());
}

// A filler record (tag 1) that takes the generator to length.
void fill_to(Teeprom_generator& generator, unsigned length)
{
    const unsigned char filler[eeprom_page_size] = {};
    ASSERT_FALSE(generator.addRecord(1, filler, length - 2));
    ASSERT_EQ(length, generator.getLength());
}

TEST(EepromGenerator, Records)
{
    Teeprom_generator generator;
    EXPECT_FALSE(generator.addValue(134, 3600));
    EXPECT_EQ((Tbytes{0x86, 0x00, 0x00, 0x0E, 0x10}), generated(generator));
    EXPECT_EQ(0xFF, generator.getBuffer()[5]);

    generator.clear();
    EXPECT_FALSE(generator.addSystemConfig(1, 2, 3, 4, 5));
    EXPECT_FALSE(generator.addSysctrl(1, 2, 0, 0, 0, 1, 0, 1, "FAST"));
    EXPECT_FALSE(generator.addPinCode("47"));
    EXPECT_FALSE(generator.addByteAndString(124, 80, "host"));
    EXPECT_FALSE(generator.addString(118, "a"));
    EXPECT_FALSE(generator.addEnd());
    EXPECT_EQ((Tbytes{0x07, 0x07, 0x01, 0x02, 0x03, 0x00, 0x04, 0x00, 0x05,  // system config
                      0x84, 0x09, 0x04, 0x00, 0x01,                          // sysctrl
                      0x83, '4', '7', 0x00, 0x00,                            // PIN
                      124, 5, 80, 'h', 'o', 's', 't',                        // host and port
                      118, 1, 'a', 0xFF}),
              generated(generator));
}

TEST(EepromGenerator, RefusalsAreReportedAndWriteNothing)
{
    Teeprom_generator generator;
    recorded::clear_log();
    EXPECT_TRUE(generator.addPinCode("12345"));
    EXPECT_TRUE(generator.addRecord(118, nullptr, 0));
    EXPECT_EQ(0u, generator.getLength());
    EXPECT_EQ(2u, recorded::log_lines().size());

    // Too long a text becomes an empty one, and the log says so.
    recorded::clear_log();
    EXPECT_FALSE(generator.addString(118, std::string(300, 'u').c_str()));
    EXPECT_FALSE(generator.addByteAndString(124, 1, std::string(255, 'h').c_str()));
    EXPECT_EQ((Tbytes{118, 0, 124, 1, 1}), generated(generator));
    EXPECT_EQ(2u, recorded::log_lines().size());
}

// Every accepted record leaves room for the end mark within the 253 usable
// bytes, so a generated page always ends where a logger looks for its end.
TEST(EepromGenerator, TheEndMarkAlwaysFitsTheUsableSize)
{
    struct Tcase {
        unsigned length;
        bool value_refused;
        bool empty_record_refused;
    };
    const Tcase cases[] = {
        {247, false, true},  // the value ends at 251, the end mark goes to 252
        {248, true, false},
        {249, true, false},   // an empty block record still fits: 249, 250, end 251
        {250, true, true},    // records starting at 250 are never found
        {252, true, true},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.length);
        Teeprom_generator generator;
        fill_to(generator, c.length);
        EXPECT_EQ(c.value_refused, generator.addValue(133, 1));
        const unsigned after_value = generator.getLength();
        EXPECT_EQ(c.empty_record_refused, generator.addString(118, ""));  // after the value
        EXPECT_FALSE(generator.addEnd());
        EXPECT_LE(generator.getLength(), 253u);
        EXPECT_EQ(0xFF, generator.getBuffer()[generator.getLength() - 1]);
        EXPECT_EQ(c.value_refused ? c.length : c.length + 5, after_value);
    }
    Teeprom_generator full;
    fill_to(full, 252);
    EXPECT_FALSE(full.addEnd());
    EXPECT_TRUE(full.addEnd());
}

TEST(EepromGenerator, MergeKeepsTheRecordsNotGeneratedAnew)
{
    const Tbytes source = {0x86, 0, 0, 0, 60,          // 134, generated anew below
                           0xC8,                       // no record: skipped as one byte
                           118, 2, 'o', 'u',           // kept
                           0x9D, 0, 0, 0, 9,           // 157, kept
                           0xFF, 119, 1, 'x'};         // behind the end mark: not read
    Teeprom_generator generator;
    generator.addValue(134, 3600);
    EXPECT_FALSE(generator.mergePage(static_cast<unsigned>(source.size()), source.data(), 250));
    EXPECT_EQ((Tbytes{0x86, 0, 0, 0x0E, 0x10, 118, 2, 'o', 'u', 0x9D, 0, 0, 0, 9, 0xFF}), generated(generator));
}

TEST(EepromGenerator, MergeLeavesOutWhatDoesNotFitAndSaysSo)
{
    // A page from a logger whose second record's length points past the page.
    Tbytes source(256, 0xFF);
    const Tbytes records = {118, 3, 'a', 'b', 'c', 119, 250};
    std::copy(records.begin(), records.end(), source.begin());
    Teeprom_generator generator;
    recorded::clear_log();
    EXPECT_TRUE(generator.mergePage(256, source.data(), 250));
    EXPECT_EQ((Tbytes{118, 3, 'a', 'b', 'c', 0xFF}), generated(generator));
    EXPECT_FALSE(recorded::log_lines().empty());

    // Records that would leave no room for the end mark below the limit.
    const Tbytes big = {118, 8, 1, 2, 3, 4, 5, 6, 7, 8, 0x85, 0, 0, 0, 1, 0xFF};
    generator.clear();
    EXPECT_TRUE(generator.mergePage(static_cast<unsigned>(big.size()), big.data(), 10));
    EXPECT_EQ((Tbytes{0x85, 0, 0, 0, 1, 0xFF}), generated(generator));
}

// The communication page the master rebuilds, and a page filled to its last
// usable byte: the generator and the compiler give the same bytes.
TEST(EepromGenerator, BuildsThePagesTheCompilerBuilds)
{
    Teeprom_generator generator;
    generator.addValue(134, 3600);
    generator.addPinCode("12");
    generator.addString(118, "http://a.example/in");
    generator.addString(119, "user");
    generator.addString(120, "");
    generator.addString(123, "apn");
    generator.addByteAndString(124, 80, "h.example");
    generator.addValue(140, 4096);
    generator.addSysctrl(1, 1, 0, 1, 0, 1, 1, 101, "none");
    generator.addSystemConfig(1, 2, 3, 4, 5);
    generator.addEnd();
    EXPECT_EQ(compiled("<GSM_INTERVAL value=\"3600\"/><PIN_CODE value=\"12\"/>"
                       "<HTTP_URL value=\"http://a.example/in\"/><USERNAME value=\"user\"/>"
                       "<PASSWORD value=\"\"/><GPRS_APN_NAME value=\"apn\"/>"
                       "<HTTP_HOST host=\"h.example\" port=\"80\"/><GPRS_MAX_DATA_SIZE value=\"4096\"/>"
                       "<SYSCTRL acq_enabled=\"on\" acq_automatic=\"on\" gsm_enabled=\"on\" gprs=\"on\" "
                       "call_on_ring=\"on\" flash_store=\"none\" time_zone=\"101\"/>"
                       "<SYSTEM_CONFIG data0=\"1\" acq_number=\"2\" gsm_number=\"3\" pulse_polarity=\"4\" "
                       "async_events=\"5\"/>"),
              generated(generator));

    const std::string text(245, 't');
    generator.clear();
    EXPECT_FALSE(generator.addString(118, text.c_str()));
    EXPECT_FALSE(generator.addValue(133, 600));
    EXPECT_FALSE(generator.addEnd());
    EXPECT_EQ(253u, generator.getLength());
    EXPECT_EQ(compiled("<HTTP_URL value=\"" + text + "\"/><ACQ_INTERVAL0 value=\"600\"/>"), generated(generator));
}

TEST(EepromSequenceGenerator, BuildsTheSequenceTheCompilerBuilds)
{
    Teeprom_sequence_generator builder;
    builder.addTimeout(3);
    builder.addConfig32(40, 7, 0x00, 0x00, 0x01, 0x2C);
    builder.addLoop(300);
    builder.addAcq32(40, 35, 2);
    builder.addAction32(20, 5, 1);
    builder.addWait(10);
    builder.addLoopEnd();
    builder.addAction32(3, 7, 1);
    builder.addEnd();
    Teeprom_generator generator;
    generator.addRecord(9, builder.getBuffer(), builder.getLength());
    generator.addEnd();
    EXPECT_EQ(compiled("<ACQUISITION_SEQUENCE value=\"1\"><TIMEOUT value=\"3\"/>"
                       "<CONFIG32 module=\"40\" parameter_number=\"7\" value_int=\"300\"/>"
                       "<LOOP counter=\"300\"><ACQ32 module=\"40\" header=\"35\" channel=\"2\"/>"
                       "<ACTION32 module=\"20\" and=\"5\" or=\"1\"/><WAIT timeout=\"10\"/></LOOP>"
                       "<ACTION32 module=\"3\" and=\"7\" or=\"1\"/></ACQUISITION_SEQUENCE>"),
              generated(generator));
}

TEST(EepromSequenceGenerator, Instructions)
{
    Teeprom_sequence_generator builder;
    EXPECT_EQ(0, builder.getLength());
    EXPECT_EQ(0xFF, builder.getBuffer()[0]);
    builder.addTimeout(0x13);
    builder.addAcq32(17, 193, 13);
    builder.addAcq32(40, 2, 5);
    builder.addAction32(3, 7, 1);
    builder.addAction32(40, 5, 1);
    builder.addConfig32(65, 7, 1, 2, 3, 4);
    builder.addLoop(300);
    builder.addWait(0x2A);
    builder.addLoopEnd();
    builder.addEnd();
    EXPECT_EQ((Tbytes{0x13, 0x51, 0x01, 0x0D, 0x48, 0x02, 0x85, 0x63, 0x07, 0x01, 0x98, 0x85, 0x01, 0xC1, 0x07,
                      0x01, 0x02, 0x03, 0x04, 0x05, 0x01, 0x2C, 0xAA, 0x06, 0x00}),
              built(builder));
    builder.reset();
    EXPECT_EQ(0, builder.getLength());
}

TEST(EepromSequenceGenerator, AppendsStartedNearTheEndAreRefusedWhole)
{
    Teeprom_sequence_generator builder;
    for (int i = 0; i < 249; ++i)
        builder.addWait(1);
    recorded::clear_log();
    builder.addConfig32(1, 2, 3, 4, 5, 6);
    EXPECT_EQ(249, builder.getLength());
    EXPECT_EQ(1u, recorded::log_lines().size());
    builder.addAcq32(1, 2, 3);
    EXPECT_EQ(252, builder.getLength());
    builder.addEnd();
    EXPECT_EQ(252, builder.getLength());
    EXPECT_EQ(0xFF, builder.getBuffer()[252]);
}

}  // namespace
