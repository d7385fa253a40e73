#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "base/my_string.h"
#include "base/xml.h"
#include "data/crc16_modbus.h"
#include "data/flash_parser.h"
#include "data/flash_parser_hooks.h"
#include "data/flash_radio_hooks.h"
#include "data/flash_parser_data.h"
#include "data/xml_parser.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One hour east of UTC with a summer-time rule, which the files must ignore.
class FlashParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        recorded::clear_log();
    }
    void TearDown() override { flash_parser_hooks_install(nullptr); }

    // Converts bytes written as a download file; the result and the output path.
    // reach_write_pointer: the data end where the logger writes its next record.
    int convert(const Bytes& download, std::string* output, bool reach_write_pointer = false)
    {
        const std::string input = dir.file("download.bin");
        write_file_bytes(input, std::string(download.begin(), download.end()));
        char path[512];
        Tflash_parser parser;
        parser.setDataReachWritePointer(reach_write_pointer);
        const int result = parser.convertToXml(dir.file("xml").c_str(), input.c_str(), path, sizeof path);
        *output = path;
        record_bytes = parser.recordBytes();
        return result;
    }
    bool noMeasurementFile() const
    {
        DIR* d = opendir(dir.file("xml").c_str());
        if (!d)
            return true;
        bool empty = true;
        while (const dirent* entry = readdir(d))
            if (entry->d_name[0] != '.')
                empty = false;
        closedir(d);
        return empty;
    }
    int convertFixture(const std::string& name, std::string* output)
    {
        const std::string bytes = read_file_bytes(source_path("tests/data/fixtures/flash/" + name));
        return convert(Bytes(bytes.begin(), bytes.end()), output);
    }

    Ttemp_dir dir;
    uint32_t record_bytes = 0;
};

std::string fixture(const std::string& name)
{
    return source_path("tests/data/fixtures/flash/" + name);
}

Bytes be32(uint32_t v)
{
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes value_record(uint8_t type, uint32_t v)
{
    return concat({{type}, be32(v)});
}

const std::string xml_head_without_header =
    "<?xml version='1.0' encoding='utf-8' ?>\r\n<FLASH_CONTENT>\r\n"
    "    <DOWNLOAD timestamp=\"0\" year=\"0000\" month=\"00\" day=\"00\" hour=\"00\" minute=\"00\" seconds=\"00\""
    " station_id=\"0\" download_address=\"0\" download_size=\"0\" next_download_address=\"0\"/>\r\n<DATA>\r\n";
const std::string xml_tail = "</DATA>\r\n</FLASH_CONTENT>\r\n";
const std::string time_1700000000 = "<time v=\"1700000000\" iso=\"2023-11-14T23:13:20+01:00\"  >\r\n";
const std::string unnamed_output = "measures_00000000_00000000000000.xml";

void expect_well_formed(const std::string& path)
{
    myXMLdocument document;
    EXPECT_NE(xml_LoadFile(path.c_str(), &document), nullptr) << path;
}

void expect_strictly_well_formed(const std::string& path)
{
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed";
    const std::string command = "xmllint --noout '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

struct Golden {
    const char* name;
    const char* output;  // the file name the header gives
};

const Golden goldens[] = {
    {"values", "measures_00001234_20231114231320.xml"},
    {"short", "measures_00000000_00000000000000.xml"},
    {"fluorometer", "measures_00000000_00000000000000.xml"},
    {"long", "measures_00000000_00000000000000.xml"},
    {"crc", "measures_00000000_00000000000000.xml"},
    {"gps", "measures_00000000_00000000000000.xml"},
    {"radio", "measures_00000000_00000000000000.xml"},
    {"sensor", "measures_00000000_00000000000000.xml"},
    {"end", "measures_00000000_00000000000000.xml"},
    {"erased", "measures_00000007_20240703104640.xml"},
};

TEST_F(FlashParserTest, GoldenDownloadsGiveTheirExactWellFormedXml)
{
    for (const Golden& golden : goldens) {
        SCOPED_TRACE(golden.name);
        const std::string out_dir = dir.file(golden.name);
        char path[512];
        Tflash_parser parser;
        ASSERT_EQ(parser.convertToXml(out_dir.c_str(), fixture(std::string(golden.name) + ".bin").c_str(), path,
                                      sizeof path),
                  0);
        EXPECT_EQ(std::string(path), out_dir + "/" + golden.output);
        golden_output("tests/data/fixtures/flash/" + std::string(golden.name) + ".xml", read_file_bytes(path));
        EXPECT_EQ(read_file_bytes(path), read_file_bytes(fixture(std::string(golden.name) + ".xml")));
        expect_well_formed(path);
        expect_strictly_well_formed(path);
    }
}

TEST_F(FlashParserTest, HeaderFieldsAndStatusTextFarBeyondTheOldLimit)
{
    std::string status(20000, '0');
    const std::string header = "<DOWNLOAD timestamp=\"1720000000\" station_id=\"42\" download_address=\"-16\""
                               " download_size=\"48\" status=\"" + status + "\" next_download_address=\"32\"/>";
    Bytes download(header.begin(), header.end());
    download.push_back(0xFF);
    std::string output;
    ASSERT_EQ(convert(download, &output), 0);
    EXPECT_EQ(output, dir.file("xml") + "/measures_00000042_20240703104640.xml");
    EXPECT_NE(read_file_bytes(output).find(" station_id=\"42\" download_address=\"-16\" download_size=\"48\""
                                           " next_download_address=\"32\"/>"),
              std::string::npos);
}

TEST_F(FlashParserTest, OneEndByteGivesTheFrameAndLogsItsPosition)
{
    std::string output;
    ASSERT_EQ(convert({0x00}, &output), 0);
    EXPECT_EQ(output, dir.file("xml") + "/" + unnamed_output);
    EXPECT_EQ(read_file_bytes(output), xml_head_without_header + xml_tail);
    EXPECT_TRUE(recorded::log_contains("END (00) element @pos 1"));
}

// A record cut off by the end of the data is no record yet: it is left out and
// named, and the records before it count as the bytes converted. Where the data
// end at the logger's write pointer no record can be cut: the bytes are not records.
TEST_F(FlashParserTest, CutOffRecordsAreLeftOutAndNamed)
{
    struct Case {
        const char* name;
        Bytes tail;
        const char* log;
    } cases[] = {
        {"value", {0x89, 0x00, 0x01}, "record 0x89 @pos 5 (flash address 5) is cut off by the end of the data, 3 of its 5"},
        {"short", {0x05, 0x04, 0xAB}, "record 0x05 @pos 5 (flash address 5) is cut off by the end of the data, 3 of its 6"},
        {"short length", {0x15}, "record 0x15 @pos 5 (flash address 5) is cut off by the end of the data, 1 of its 2"},
        {"long", {0xC2, 0x00, 0x03, 0x01}, "record 0xC2 @pos 5 (flash address 5) is cut off by the end of the data, 4 of its 6"},
        {"long length", {0xC2, 0x00}, "record 0xC2 @pos 5 (flash address 5) is cut off by the end of the data, 2 of its 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorded::clear_log();
        std::string output;
        ASSERT_EQ(convert(concat({value_record(0x80, 1700000000), c.tail}), &output), 0);
        EXPECT_EQ(read_file_bytes(output), xml_head_without_header + time_1700000000 + "</time>\r\n" + xml_tail);
        EXPECT_TRUE(recorded::log_contains(std::string("WARNING : ") + c.log));
        EXPECT_TRUE(recorded::log_contains("it is left out, a download from 5 fetches it whole"));
        EXPECT_EQ(record_bytes, 5u);
        std::remove(output.c_str());

        recorded::clear_log();
        EXPECT_EQ(convert(concat({value_record(0x80, 1700000000), c.tail}), &output, true), 1);
        EXPECT_EQ(output, "");
        EXPECT_TRUE(noMeasurementFile());
        EXPECT_TRUE(recorded::log_contains("the data up to the logger's write pointer hold"));
        EXPECT_EQ(record_bytes, 0u);
    }
    // The flash address counts from the header's download address.
    const std::string header = "<DOWNLOAD download_address=\"4096\" download_size=\"8\"/>";
    Bytes download(header.begin(), header.end());
    const Bytes records = concat({value_record(0x80, 1700000000), {0x05, 0x04, 0xAB}});
    download.insert(download.end(), records.begin(), records.end());
    recorded::clear_log();
    std::string output;
    ASSERT_EQ(convert(download, &output), 0);
    EXPECT_TRUE(recorded::log_contains("(flash address 4101) is cut off by the end of the data"));
    EXPECT_TRUE(recorded::log_contains("a download from 4101 fetches it whole"));
}

TEST_F(FlashParserTest, BytesThatAreNotRecordsFailAndPlaceNoFile)
{
    struct Case {
        const char* name;
        Bytes tail;
        const char* log;
    } cases[] = {
        {"unknown type", {0xE5, 0x01, 0x02}, "UNKNOWN element @pos 6"},
        {"data after an end marker", {0x00, 0x89, 0, 0, 0, 1}, "END (00) element @pos 6"},
        {"data after erased flash", {0xFF, 0xFF, 0x12}, "END (FF) element @pos 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorded::clear_log();
        std::string output = "not cleared";
        EXPECT_EQ(convert(concat({value_record(0x80, 1700000000), c.tail}), &output), 1);
        EXPECT_EQ(output, "");
        EXPECT_TRUE(noMeasurementFile());
        EXPECT_TRUE(recorded::log_contains(c.log));
        EXPECT_TRUE(recorded::log_contains("bytes left unparsed"));
        EXPECT_EQ(record_bytes, 0u);
    }
    // An end marker and erased flash after it end the records where the marker is.
    std::string output;
    ASSERT_EQ(convert(concat({value_record(0x80, 1700000000), {0xFF, 0xFF, 0xFF}}), &output), 0);
    EXPECT_EQ(record_bytes, 5u);
}

TEST_F(FlashParserTest, BrokenHeadersWriteNothing)
{
    const std::string too_long = "<DOWNLOAD status=\"" + std::string(2u << 20, '0') + "\"/>";
    const std::string cases[] = {"<DOWNLOAD station_id=\"1\"", "<>", too_long};
    for (const std::string& header : cases) {
        SCOPED_TRACE(header.substr(0, 30));
        std::string output = "not cleared";
        EXPECT_EQ(convert(Bytes(header.begin(), header.end()), &output), 1);
        EXPECT_EQ(output, "");
        struct stat info;
        EXPECT_NE(stat(dir.file("xml").c_str(), &info), 0);
    }
    char path[16] = "x";
    Tflash_parser parser;
    EXPECT_EQ(parser.convertToXml(dir.path().c_str(), dir.file("missing.bin").c_str(), path, sizeof path), 1);
    EXPECT_STREQ(path, "");
    // A folder given as the download file is refused, not read.
    EXPECT_EQ(parser.convertToXml(dir.path().c_str(), dir.path().c_str(), path, sizeof path), 1);
    EXPECT_STREQ(path, "");
    // Nor is a FIFO waited on.
    const std::string fifo = dir.file("fifo.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(parser.convertToXml(dir.path().c_str(), fifo.c_str(), path, sizeof path), 1);
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(recorded::log_contains("ERROR : cannot read download file \"" + fifo +
                                       "\": it is a FIFO, not a regular file"));
}

TEST_F(FlashParserTest, FailedOutputLeavesTheFileOnDiskAlone)
{
    const std::string out_dir = dir.file("xml");
    ASSERT_EQ(mkdir(out_dir.c_str(), 0700), 0);
    const std::string existing = out_dir + "/" + unnamed_output;
    ASSERT_TRUE(write_file_bytes(existing, "earlier conversion"));
    // The temporary file cannot be made where a directory of its name stands.
    ASSERT_EQ(mkdir((existing + ".part").c_str(), 0700), 0);
    std::string output;
    EXPECT_EQ(convert({0x89, 0, 0, 0, 1}, &output), 1);
    EXPECT_EQ(read_file_bytes(existing), "earlier conversion");
}

TEST_F(FlashParserTest, MissingOutputDirectoriesAreCreated)
{
    const std::string input = dir.file("download.bin");
    write_file_bytes(input, std::string(1, '\xFF'));
    char path[512];
    Tflash_parser parser;
    const std::string nested = dir.file("a/b/c");
    ASSERT_EQ(parser.convertToXml(nested.c_str(), input.c_str(), path, sizeof path), 0);
    EXPECT_EQ(read_file_bytes(path), xml_head_without_header + xml_tail);
    // A path that does not fit is not cut, and no file stands without its path.
    char small[8];
    EXPECT_EQ(parser.convertToXml(nested.c_str(), input.c_str(), small, sizeof small), 1);
    EXPECT_STREQ(small, "");
    struct stat info;
    EXPECT_NE(stat((nested + "/measures_00000000_00000000000000_2.xml").c_str(), &info), 0);
}

class RecordingHooks : public Tflash_parser_hooks {
public:
    void on_flash_value(unsigned type, uint32_t value) override { values.push_back({type, value}); }
    void wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                       bool c1) override
    {
        telegrams.push_back({last_time, Bytes(telegram, telegram + count), c1});
        text->append(" decoded=\"1\"");
    }
    void setAcqValue(unsigned type, uint32_t value_bits) override { acq.push_back({type, value_bits}); }
    void clearAcqValues(unsigned type) override { cleared.push_back(type); }
    void setAcqSubValue(unsigned type, int index, float value) override
    {
        sub_values.push_back({type, static_cast<uint32_t>(index)});
        sub_floats.push_back(value);
    }

    struct Telegram {
        uint32_t last_time;
        Bytes bytes;
        bool c1;
    };
    std::vector<std::pair<unsigned, uint32_t>> values, acq, sub_values;
    std::vector<float> sub_floats;
    std::vector<unsigned> cleared;
    std::vector<Telegram> telegrams;
};

TEST_F(FlashParserTest, ValueHooksSeeEveryValueAndTheLiveViewAllButHexOnes)
{
    RecordingHooks hooks;
    flash_parser_hooks_install(&hooks);
    std::string output;
    ASSERT_EQ(convert(concat({value_record(0x89, 5), value_record(0x80, 1700000000), value_record(0x83, 0xDEADBEEF),
                              value_record(0xA3, 0x1F)}),
                      &output),
              0);
    const std::vector<std::pair<unsigned, uint32_t>> all = {
        {137, 5}, {128, 1700000000}, {131, 0xDEADBEEF}, {163, 0x1F}};
    EXPECT_EQ(hooks.values, all);
    const std::vector<std::pair<unsigned, uint32_t>> live = {{137, 5}, {128, 1700000000}, {163, 0x1F}};
    EXPECT_EQ(hooks.acq, live);
}

TEST_F(FlashParserTest, FluorometerValuesReachTheLiveViewInAnyState)
{
    RecordingHooks hooks;
    flash_parser_hooks_install(&hooks);
    std::string output;
    ASSERT_EQ(convertFixture("fluorometer.bin", &output), 0);
    // Three records pass their CRC, the one before the time record too.
    EXPECT_EQ(hooks.cleared, (std::vector<unsigned>{21, 21, 21}));
    const std::vector<std::pair<unsigned, uint32_t>> indexes = {{21, 0}, {21, 1}, {21, 2}, {21, 3}, {21, 4},
                                                                {21, 0}, {21, 1}, {21, 2}, {21, 3}, {21, 4},
                                                                {21, 5}, {21, 6}, {21, 7}, {21, 8},
                                                                {21, 0}, {21, 2}, {21, 4}};
    EXPECT_EQ(hooks.sub_values, indexes);
    EXPECT_FLOAT_EQ(hooks.sub_floats.back(), 18.25f);
}

TEST_F(FlashParserTest, RadioTelegramsGoToTheHookWithTheLastTime)
{
    RecordingHooks hooks;
    flash_parser_hooks_install(&hooks);
    std::string output;
    ASSERT_EQ(convertFixture("radio.bin", &output), 0);
    ASSERT_EQ(hooks.telegrams.size(), 2u);
    const Bytes telegram = {0x1E, 0x44, 0x71, 0x61, 0x78, 0x56, 0x34, 0x12, 0x01, 0x07, 0x7A};
    EXPECT_EQ(hooks.telegrams[0].last_time, 1700000000u);
    EXPECT_EQ(hooks.telegrams[0].bytes, telegram);
    EXPECT_TRUE(hooks.telegrams[0].c1);
    EXPECT_FALSE(hooks.telegrams[1].c1);
    EXPECT_NE(read_file_bytes(output).find("mode=\"C1\" decoded=\"1\"          hexa=\"1E44"), std::string::npos);
}

// The decoders a program installs keep the file well-formed too.
TEST_F(FlashParserTest, RadioRecordsWithTheDecodersInstalledStayWellFormed)
{
    Tflash_radio_hooks hooks;
    flash_parser_hooks_install(&hooks);
    std::string output;
    ASSERT_EQ(convertFixture("radio.bin", &output), 0);
    expect_well_formed(output);
    expect_strictly_well_formed(output);
}

// A long stream of records of every kind with random contents, inside one time
// element: each record must come out as exactly one element of its own type,
// in order, in a well-formed file.
TEST_F(FlashParserTest, RandomRecordsAreNeitherLostNorInvented)
{
    std::mt19937 random(20240703);
    auto byte = [&random]() { return static_cast<uint8_t>(random() & 0xFF); };
    Bytes download = value_record(0x80, 1700000000);
    std::vector<unsigned> types;
    for (int i = 0; i < 3000; ++i) {
        unsigned type = 0x01 + random() % 0xDF;
        if (type == 64 || type == 128)
            continue;  // they close the time element
        unsigned count = 4;
        download.push_back(static_cast<uint8_t>(type));
        if (flash_is_short_record(type)) {
            count = 1 + random() % 256;
            download.push_back(static_cast<uint8_t>(count));
        } else if (flash_is_long_record(type)) {
            count = 1 + random() % 300;
            download.push_back(static_cast<uint8_t>(count >> 8));
            download.push_back(static_cast<uint8_t>(count));
        }
        Bytes payload(count);
        for (uint8_t& b : payload)
            b = byte();
        if (type == 0xC6 && count == 7 && flash_is_value_record(payload[0]) && payload[0] != 128)
            type = payload[0];  // the framed value comes out as its own element
        else if (type == 0xC6 && count == 7 && payload[0] == 128)
            payload[0] = 0x81;
        download.insert(download.end(), payload.begin(), payload.end());
        types.push_back(type == 0xC6 && count == 7 && flash_is_value_record(payload[0]) ? payload[0] : type);
    }
    std::string output;
    ASSERT_EQ(convert(download, &output), 0);
    myXMLdocument document;
    ASSERT_NE(xml_LoadFile(output.c_str(), &document), nullptr) << output;
    Txml_element time = xml_FindDocumentPath(&document, "/DATA/time");
    ASSERT_NE(time, nullptr);
    std::vector<unsigned> written;
    for (Txml_element e = xml_FirstChildEntity(time); e; e = xml_NextEntity(e))
        written.push_back(static_cast<unsigned>(std::atoi(xml_GetName(e) + 1)));
    EXPECT_EQ(written, types);
    expect_strictly_well_formed(output);
}

Bytes crc_framed(Bytes inner)
{
    const uint16_t crc = crc16_modbus(inner.data(), inner.size());
    inner.push_back(static_cast<uint8_t>(crc));
    inner.push_back(static_cast<uint8_t>(crc >> 8));
    return inner;
}

TEST_F(FlashParserTest, SingleRecordsInAndOutOfTheirFrames)
{
    const Bytes value = value_record(0x94, 0x3F000000);  // type 148, 0.5
    const Bytes c6 = concat({{0xC6, 0x00, 0x07}, crc_framed(value)});
    Bytes c6_bad = c6;
    c6_bad.back() ^= 1;
    Bytes ca = {0xCA, 0x00, 0x07, 0x11, 0x22, 0x33, 0x44};
    ca.insert(ca.end(), value.begin(), value.end());
    ca = crc_framed(ca);
    Bytes ca_bad = ca;
    ca_bad.back() ^= 1;
    struct Case {
        const char* name;
        Bytes record;
        const char* text;
    } cases[] = {
        {"plain value", value, "    <a148 v=\"0.50\" />"},
        {"0xC6 frame", c6, "    <a148 v=\"0.50\" crc=\"ok\"/>"},
        {"0xC6 frame with a wrong CRC", c6_bad, "    <a148 v=\"0.50\" crc=\"error\"/>"},
        {"0xCA frame", ca, "    <a148 v=\"0.50\" crc=\"ok\"/>"},
        {"0xCA frame with a wrong CRC", ca_bad, ""},
        {"time", value_record(0x80, 1700000000), "<time v=\"1700000000\" iso=\"2023-11-14T23:13:20+01:00\"  >"},
        {"short cut to its bytes", {0x05, 0x09, 0xAB}, "    <a5 s=\"1\" v=\"AB\"/>"},
        {"long cut to its bytes", {0xC2, 0x00, 0x09, 0xAB}, "    <a194 s=\"1\" hexa=\"AB\"/>"},
        {"sensor text of no bytes", {0x6A, 0x01, '0'}, "    <a106 s=\"0\" type=\"SDI-12 Id\" text=\"\"/>"},
        {"value too short", {0x89, 0x00, 0x01}, ""},
        {"one byte", {0x05}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tflash_parser parser;
        Tmy_string text("stale");
        parser.parseRecord(&text, c.record.data(), static_cast<unsigned>(c.record.size()));
        EXPECT_STREQ(text.c_str(), c.text);
    }
    Tflash_parser parser;
    parser.parseRecord(nullptr, value.data(), 5);
}


TEST_F(FlashParserTest, ALaterConversionOfTheSameNameKeepsTheEarlierFile)
{
    std::string first;
    ASSERT_EQ(convert({0x89, 0, 0, 0, 1}, &first), 0);
    EXPECT_EQ(first, dir.file("xml") + "/" + unnamed_output);
    const std::string earlier = read_file_bytes(first);
    ASSERT_TRUE(write_file_bytes(first, earlier + "<!-- opened since -->"));
    std::string second;
    ASSERT_EQ(convert({0x89, 0, 0, 0, 2}, &second), 0);
    EXPECT_EQ(second, dir.file("xml") + "/measures_00000000_00000000000000_2.xml");
    EXPECT_EQ(read_file_bytes(first), earlier + "<!-- opened since -->");
    expect_well_formed(second);
}

// Records of a download file whose header says it starts at address.
Bytes download_at(int address, const Bytes& records)
{
    const std::string header = "<DOWNLOAD download_address=\"" + std::to_string(address) + "\" download_size=\"" +
                                std::to_string(records.size()) + "\"/>";
    return concat({Bytes(header.begin(), header.end()), records});
}

Bytes float_bytes(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return be32(bits);
}

// Type 17: off and on.
Bytes a17(float off, float on)
{
    return concat({{17, 8}, float_bytes(off), float_bytes(on)});
}

class FlashParserSteps : public FlashParserTest {
protected:
    // Converts with the data said to end before the logger's end (or not) into
    // an out buffer of out_size.
    int convertSteps(const Bytes& download, std::string* output, bool end_early, int out_size = 512)
    {
        const std::string input = dir.file("download.bin");
        write_file_bytes(input, std::string(download.begin(), download.end()));
        std::vector<char> path(static_cast<std::size_t>(out_size), 'x');
        Tflash_parser parser;
        parser.setDataEndBeforeLoggerEnd(end_early);
        const int result = parser.convertToXml(dir.file("xml").c_str(), input.c_str(), path.data(), out_size);
        *output = path.data();
        record_bytes = parser.recordBytes();
        return result;
    }
    // The time values of the steps a reader finds in the file.
    static std::vector<int64_t> stepTimes(const std::string& path)
    {
        std::vector<int64_t> times;
        myXMLdocument document;
        Txml_element data = xml_LoadFile(path.c_str(), &document) ? xml_FindDocumentPath(&document, "/DATA") : nullptr;
        for (Txml_element e = data ? xml_FirstChildEntity(data) : nullptr; e; e = xml_NextEntity(e))
            if (std::strcmp(xml_GetName(e), "time") == 0)
                times.push_back(xml_GetAttributeInt(e, "v"));
        return times;
    }
};

// Where the data end before the logger's end, the last time step may go on in
// the flash: it is left out from its time record on, said with its time and
// address, and the bytes converted end where it starts.
TEST_F(FlashParserSteps, TheLastStepOfDataThatEndEarlyIsLeftOutWhole)
{
    const Bytes first = concat({value_record(0x80, 1700000000), value_record(137, 1), a17(1.0f, 2.0f)});
    const Bytes second_time = value_record(0x80, 1700000600);
    const Bytes second = concat({second_time, value_record(137, 2)});
    const uint32_t second_at = 1000 + static_cast<uint32_t>(first.size());
    const std::string step_left_out = "time step 1700000600 (2023-11-14T23:23:20+01:00) at flash address " +
                                      std::to_string(second_at) + " may lack records that follow it";
    const std::string fetched = "the next incremental download fetches it whole from " + std::to_string(second_at);
    struct Case {
        const char* name;
        Bytes records;
        bool end_early;
        std::vector<int64_t> steps;
        uint32_t bytes;
        std::string log;
    } cases[] = {
        {"at a record boundary inside the step", concat({first, second}), true, {1700000000},
         static_cast<uint32_t>(first.size()), step_left_out},
        {"inside a record", concat({first, second, {17, 8, 0x3F}}), true, {1700000000},
         static_cast<uint32_t>(first.size()), step_left_out},
        {"inside the time record", concat({first, {0x80, 0x65}}), true, {1700000000},
         static_cast<uint32_t>(first.size()),
         "the time record at flash address " + std::to_string(second_at) + " is cut off by the end of the data"},
        {"one step only", second, true, {}, 0, "time step 1700000600"},
        {"at an end marker", concat({first, second, {0xFF, 0xFF}}), true, {1700000000, 1700000600},
         static_cast<uint32_t>(first.size() + second.size()), ""},
        {"at the logger's end", concat({first, second}), false, {1700000000, 1700000600},
         static_cast<uint32_t>(first.size() + second.size()), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorded::clear_log();
        std::string output;
        ASSERT_EQ(convertSteps(download_at(1000, c.records), &output, c.end_early), 0);
        EXPECT_EQ(stepTimes(output), c.steps);
        EXPECT_EQ(record_bytes, c.bytes);
        if (c.log.empty()) {
            EXPECT_FALSE(recorded::log_contains("WARNING"));
        } else {
            EXPECT_TRUE(recorded::log_contains(c.log)) << c.log;
        }
        if (c.log == step_left_out) {
            EXPECT_TRUE(recorded::log_contains(fetched));
        }
        // The step before the one left out is whole and closed.
        const std::string text = read_file_bytes(output);
        EXPECT_EQ(text.find("<a137 v=\"2\" />") != std::string::npos, c.steps.size() == 2);
        expect_strictly_well_formed(output);
        std::remove(output.c_str());
    }
}

// A download that begins inside a time step: its first records belong to the
// step before it. They are kept, with their values, in an element that carries
// the download's start address and no time, and named in the log; a reader of
// time steps passes over it.
TEST_F(FlashParserSteps, RecordsBeforeTheFirstTimeRecordAreKeptAndNamed)
{
    const Bytes records = concat({value_record(137, 5), a17(1.25f, 2.5f), value_record(0x80, 1700000000),
                                  value_record(137, 6)});
    recorded::clear_log();
    std::string output;
    ASSERT_EQ(convertSteps(download_at(4010, records), &output, false), 0);
    const std::string text = read_file_bytes(output);
    const std::string continued = "<DATA>\r\n<continued_step download_address=\"4010\">\r\n"
                                  "    <a137 v=\"5\" />\r\n    <a17 off=\"1.25\" on=\"2.50\"/>\r\n</continued_step>\r\n"
                                  "<time v=\"1700000000\" iso=\"2023-11-14T23:13:20+01:00\"  >\r\n    <a137 v=\"6\" />\r\n"
                                  "</time>\r\n</DATA>\r\n";
    EXPECT_NE(text.find(continued), std::string::npos) << text;
    EXPECT_TRUE(recorded::log_contains("WARNING : 2 records of the download from 4010 stand before its first time "
                                       "record (a137 @4010, a17 @4015): they belong to the time step before this "
                                       "download and are kept in its continued_step element"));
    expect_strictly_well_formed(output);
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(output.c_str()), 0);
    ASSERT_EQ(reader.timeSteps()->count(), 1);
    EXPECT_EQ(reader.stepAt(0)->typeSlot(137).integer, 6);

    // Without a time record the element holds every record; a timestamp_info ends it too.
    std::remove(output.c_str());
    recorded::clear_log();
    ASSERT_EQ(convertSteps(download_at(20, concat({value_record(137, 5)})), &output, false), 0);
    EXPECT_NE(read_file_bytes(output).find("<continued_step download_address=\"20\">\r\n    <a137 v=\"5\" />\r\n"
                                           "</continued_step>\r\n</DATA>"),
              std::string::npos);
    EXPECT_TRUE(recorded::log_contains("1 records of the download from 20 stand before its first time record (a137 @20)"));
    expect_strictly_well_formed(output);
}

// A time record may come in a CRC frame (with a good CRC or not): it opens a
// step as a plain one does, both where it ends the records that stand before the
// first time and where it starts the step that data ending early leave out.
TEST_F(FlashParserSteps, AFramedTimeRecordOpensAStep)
{
    const Bytes framed_time = concat({{0xC6, 0x00, 0x07}, crc_framed(value_record(0x80, 1700000600))});
    Bytes framed_time_bad = framed_time;
    framed_time_bad.back() ^= 1;
    for (const Bytes& time : {framed_time, framed_time_bad}) {
        SCOPED_TRACE(time == framed_time ? "good CRC" : "wrong CRC");
        const Bytes records = concat({value_record(137, 5), time, value_record(137, 6),
                                      value_record(0x80, 1700001200), value_record(137, 7)});
        recorded::clear_log();
        std::string output;
        ASSERT_EQ(convertSteps(download_at(4010, records), &output, false), 0);
        EXPECT_NE(read_file_bytes(output).find("    <a137 v=\"5\" />\r\n</continued_step>\r\n<time v=\"1700000600\""),
                  std::string::npos);
        EXPECT_EQ(stepTimes(output), (std::vector<int64_t>{1700000600, 1700001200}));
        expect_strictly_well_formed(output);
        std::remove(output.c_str());

        const Bytes first = concat({value_record(0x80, 1700000000), value_record(137, 1)});
        recorded::clear_log();
        ASSERT_EQ(convertSteps(download_at(1000, concat({first, time, value_record(137, 2)})), &output, true), 0);
        EXPECT_EQ(stepTimes(output), std::vector<int64_t>{1700000000});
        EXPECT_EQ(record_bytes, first.size());
        EXPECT_TRUE(recorded::log_contains("time step 1700000600 (2023-11-14T23:23:20+01:00) at flash address " +
                                           std::to_string(1000 + first.size())));
        expect_strictly_well_formed(output);
        std::remove(output.c_str());
    }
}

// A caller that cannot be told the file's path gets no file and a failure.
TEST_F(FlashParserSteps, AnOutPathTooShortForTheFileFailsAndPlacesNoFile)
{
    recorded::clear_log();
    std::string output;
    const Bytes download = download_at(0, value_record(0x80, 1700000000));
    EXPECT_EQ(convertSteps(download, &output, false, 16), 1);
    EXPECT_EQ(output, "");
    EXPECT_EQ(record_bytes, 0u);
    EXPECT_TRUE(noMeasurementFile());
    EXPECT_TRUE(recorded::log_contains("longer than the 15 characters it may take"));
}

}  // namespace
