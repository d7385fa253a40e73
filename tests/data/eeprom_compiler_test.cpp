#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/xml.h"
#include "data/eeprom_configurer.h"
#include "data/setup.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

const unsigned image_pages[] = {0, 1, 2, 3, 4, 5, 6, 7, 250};

// What a fixture's .hex file says the compile must give: the result bits, the
// log lines, the written bytes of each page (pages not named stay erased) and,
// where given, a checksum. Bytes are hex pairs; "XX*N" is N copies of XX.
struct Texpected {
    int result = -1;
    std::vector<std::string> log_lines;
    std::map<unsigned, std::vector<unsigned char>> pages;
    std::map<unsigned, unsigned> checksums;
};

Texpected read_expected(const std::string& path)
{
    Texpected expected;
    std::istringstream in(read_file_bytes(path));
    std::string line;
    std::vector<unsigned char>* page = nullptr;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "result") {
            words >> expected.result;
        } else if (word == "log") {
            expected.log_lines.push_back(line.substr(4));
        } else if (word == "page") {
            unsigned number = 0;
            words >> number;
            page = &expected.pages[number];
        } else if (word == "checksum") {
            unsigned number = 0;
            std::string value;
            words >> number >> value;
            expected.checksums[number] = std::stoul(value, nullptr, 16);
        } else {
            EXPECT_NE(page, nullptr) << "bytes before a page line in " << path;
            if (!page)
                break;
            std::istringstream bytes(line);
            while (bytes >> word) {
                const size_t star = word.find('*');
                const unsigned value = std::stoul(word.substr(0, star), nullptr, 16);
                const unsigned count = star == std::string::npos ? 1 : std::stoul(word.substr(star + 1));
                page->insert(page->end(), count, static_cast<unsigned char>(value));
            }
        }
    }
    return expected;
}

std::string fixture(const std::string& name)
{
    return source_path("tests/data/fixtures/config/" + name);
}

class Golden_configuration : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden_configuration, CompilesToThePageBytes)
{
    const std::string name = GetParam();
    const Texpected expected = read_expected(fixture(name + ".hex"));
    ASSERT_GE(expected.result, 0) << "no result line in " << name << ".hex";
    recorded::clear_log();
    Tsetup setup;
    EXPECT_EQ(setup.readFile(fixture(name + ".xml").c_str()), expected.result);
    for (const std::string& line : expected.log_lines)
        EXPECT_TRUE(recorded::log_contains(line)) << line;
    const Tstation* station = setup.stations.getFirst();
    ASSERT_NE(station, nullptr);
    const Teeprom_configurer& image = station->configuration;
    for (unsigned page : image_pages) {
        const auto found = expected.pages.find(page);
        const std::vector<unsigned char> none;
        const std::vector<unsigned char>& bytes = found == expected.pages.end() ? none : found->second;
        ASSERT_EQ(image.getPageLength(page), bytes.size()) << "page " << page;
        unsigned sum = 0;
        for (unsigned i = 0; i < bytes.size(); ++i) {
            EXPECT_TRUE(image.isWritten(page, i)) << "page " << page << " offset " << i;
            EXPECT_EQ(image.byteAt(page, i), bytes[i]) << "page " << page << " offset " << i;
            sum += bytes[i];
        }
        for (unsigned i = static_cast<unsigned>(bytes.size()); i < eeprom_page_size; ++i)
            EXPECT_EQ(image.byteAt(page, i), 0xFF) << "page " << page << " offset " << i;
        EXPECT_EQ(image.pageChecksum(page), sum & 0xFF) << "page " << page;
        const auto checksum = expected.checksums.find(page);
        if (checksum != expected.checksums.end()) {
            EXPECT_EQ(image.pageChecksum(page), checksum->second) << "page " << page;
        }
    }
}

std::string fixture_name(const ::testing::TestParamInfo<const char*>& param)
{
    return param.param;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Golden_configuration,
                         ::testing::Values("values", "texts", "communication", "config_records", "radio", "filters",
                                           "alarms_sequences", "serial_numbers", "overflow", "appended_whole",
                                           "two_blocks", "errors"),
                         fixture_name);

// One CONFIGURATION of page 0 compiled for a station.
struct Tcompiled {
    int result = 0;
    std::vector<unsigned char> page;
};

Tcompiled compile(const std::string& elements, const char* pin = "", unsigned id = 0)
{
    myXMLdocument doc;
    const std::string text = "<STATION><CONFIGURATION value=\"0\">" + elements + "</CONFIGURATION></STATION>";
    Txml_element station = xml_ParseText(text.c_str(), &doc);
    Teeprom_configurer image;
    Tcompiled compiled;
    compiled.result = image.parseStation(station, id, pin, false);
    for (unsigned i = 0; i < image.getPageLength(0); ++i)
        compiled.page.push_back(image.byteAt(0, i));
    return compiled;
}

using Tbytes = std::vector<unsigned char>;

struct Tcase {
    const char* what;
    std::string elements;
    const char* pin;
    int result;
    Tbytes page;
};

TEST(Eeprom_compiler, ElementCases)
{
    const std::string text_250(250, 'a');
    const std::string text_256(256, 'a');
    const Tcase cases[] = {
        {"no pin gives four zero bytes", "<PIN_CODE/>", "", 0, {0x83, 0, 0, 0, 0, 0xFF}},
        {"a station pin too long for the record is refused", "<PIN_CODE/>", "12345", 1, {0xFF}},
        {"a PIN_CODE value too long is refused", "<PIN_CODE value=\"12345\"/>", "1234", 1, {0xFF}},
        {"a value that is no number is refused", "<GSM_STEP value=\"1.5\"/><GSM_STEP value=\"\"/>", "", 1,
         {0xFF}},
        {"a text of more than 255 characters is refused", "<SMS_NUMBER value=\"" + text_256 + "\"/>", "", 1, {0xFF}},
        {"an SMS_TEXT_FORMAT text longer than 249 characters is refused",
         "<SMS_TEXT_FORMAT index=\"1\" value=\"" + text_250 + "\"/>", "", 1, {0xFF}},
        {"HTTP_HOST port 255 fits its byte", "<HTTP_HOST port=\"255\" host=\"h\"/>", "", 0,
         {0x7C, 2, 0xFF, 'h', 0xFF}},
        {"a negative HTTP_HOST port is refused", "<HTTP_HOST port=\"-1\"/>", "", 1, {0xFF}},
        {"an HTTP_HOST port above 255 is refused", "<HTTP_HOST port=\"8080\" host=\"h\"/>", "", 1, {0xFF}},
        {"GPRS_TCP port 255 fits its byte", "<GPRS_TCP ip=\"10.1.2.3\" port=\"255\" server=\"s\"/>", "", 0,
         {0x75, 6, 10, 1, 2, 3, 0xFF, 's', 0xFF}},
        {"a GPRS_TCP port above 255 is refused", "<GPRS_TCP ip=\"10.1.2.3\" port=\"8080\" server=\"s\"/>", "", 1,
         {0xFF}},
        {"a negative GPRS_TCP port is refused", "<GPRS_TCP port=\"-1\"/>", "", 1, {0xFF}},
        {"a generic value record", "<h166 value=\"-2\"/>", "", 0, {0xA6, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF}},
        {"a generic block record", "<h113   size=\"3\"  hex=\"6F 6E 0A \"/>", "", 0, {113, 3, 'o', 'n', 0x0A, 0xFF}},
        {"an empty generic block record", "<h115 size=\"0\" hex=\"\"/>", "", 0, {115, 0, 0xFF}},
        {"a generic record whose size is not its bytes", "<h1 size=\"3\" hex=\"01 02\"/>", "", 1, {0xFF}},
        {"a generic record without its size", "<h1 hex=\"01\"/>", "", 1, {0xFF}},
        {"a generic value record without a value number", "<h130 value=\"x\"/>", "", 1, {0xFF}},
        {"a value form on a block tag", "<h3 value=\"1\"/>", "", 1, {0xFF}},
        {"a block form on a value tag", "<h130 size=\"1\" hex=\"01\"/>", "", 1, {0xFF}},
        {"tags beyond the value records are no generic records",
         "<h192 value=\"1\"/><h0 size=\"0\" hex=\"\"/><h1x size=\"0\" hex=\"\"/><h/>", "", 1, {0xFF}},
        {"TASK_CONFIGURATION without attributes is zeros", "<TASK_CONFIGURATION/>", "", 0,
         {0x0E, 7, 0, 0, 0, 0, 0, 0, 0, 0xFF}},
    };
    for (const Tcase& c : cases) {
        const Tcompiled compiled = compile(c.elements, c.pin);
        EXPECT_EQ(compiled.result, c.result) << c.what;
        EXPECT_EQ(compiled.page, c.page) << c.what;
    }
}

// A number its field cannot hold is refused, never wrapped: the element writes
// no byte (the records before it stay), the result has its error bit and the
// log names the element and the value.
TEST(Eeprom_compiler, NumbersBeyondTheirRangeRefuseTheirElement)
{
    const std::string forty_nines(40, '9');
    const struct {
        std::string element;
        std::string line;
    } cases[] = {
        {"<ACQ_INTERVAL0 value=\"4294967296\"/>", "ACQ_INTERVAL0 value=\"4294967296\""},
        {"<ACQ_INTERVAL0 value=\"99999999999999999999\"/>", "ACQ_INTERVAL0 value=\"99999999999999999999\""},
        {"<GSM_INTERVAL value=\"-2147483649\"/>", "GSM_INTERVAL value=\"-2147483649\""},
        {"<ACQ_INTERVAL1 value=\"2147483648\"/>", "ACQ_INTERVAL1 value=\"2147483648\""},
        {"<SECURITY_KEY_0 value=\"4294967296\"/>", "SECURITY_KEY_0 value=\"4294967296\""},
        {"<STATION_ID value=\"-99999999999\"/>", "STATION_ID value=\"-99999999999\""},
        {"<h166 value=\"2147483648\"/>", "h166 value=\"2147483648\""},
        {"<HTTP_HOST port=\"" + forty_nines + "\" host=\"h\"/>", "HTTP_HOST port=\"" + forty_nines + "\""},
        {"<CONST index=\"1\" value=\"4294967296\"/>", "CONST value=\"4294967296\""},
        {"<CONST index=\"1\" value_float=\"1e39\"/>", "CONST value_float=\"1e39\""},
        {"<SYSTEM_CONFIG acq_number=\"3\" gsm_number=\"4294967297\"/>", "SYSTEM_CONFIG gsm_number=\"4294967297\""},
        {"<TASK_CONFIGURATION mode=\"1\" address=\"4294967296\"/>", "TASK_CONFIGURATION address=\"4294967296\""},
        {"<ACQUISITION_SEQUENCE value=\"0\"><WAIT timeout=\"10\"/><LOOP counter=\"99999999999\"/>"
         "</ACQUISITION_SEQUENCE>",
         "LOOP counter=\"99999999999\""},
    };
    for (const auto& c : cases) {
        recorded::clear_log();
        const Tcompiled compiled = compile("<GSM_STEP value=\"5\"/>" + c.element + "<GSM_DURATION value=\"7\"/>");
        EXPECT_EQ(compiled.result, eeprom_result_error) << c.element;
        EXPECT_EQ(compiled.page, (Tbytes{0x9D, 0, 0, 0, 5, 0x87, 0, 0, 0, 7, 0xFF})) << c.element;
        const std::string line = "ERROR : Teeprom_configurer, " + c.line + " is out of range";
        EXPECT_TRUE(recorded::log_contains(line)) << line;
    }

    // The edges of the ranges still fit.
    const Tcompiled edges = compile("<ACQ_INTERVAL0 value=\"2147483647\"/><GSM_INTERVAL value=\"-2147483648\"/>"
                                    "<CONST index=\"2\" value=\"4294967295\"/>");
    EXPECT_EQ(edges.result, 0);
    EXPECT_EQ(edges.page, (Tbytes{0x85, 0x7F, 0xFF, 0xFF, 0xFF, 0x86, 0x80, 0, 0, 0, 6, 5, 2, 0xFF, 0xFF, 0xFF, 0xFF,
                                  0xFF}));

    // A page number beyond the range selects no page.
    recorded::clear_log();
    const std::string beyond_page = "<STATION><CONFIGURATION value=\"4294967296\"><GSM_STEP value=\"5\"/>"
                                    "</CONFIGURATION></STATION>";
    myXMLdocument doc;
    Teeprom_configurer image;
    EXPECT_EQ(image.parseStation(xml_ParseText(beyond_page.c_str(), &doc), 0, "", false), eeprom_result_error);
    EXPECT_EQ(image.getPageLength(0), 0u);
    EXPECT_TRUE(recorded::log_contains("ERROR : Teeprom_configurer, CONFIGURATION value=\"4294967296\" is out of range"));
}

// A text that is no number is refused like a number beyond its field: the
// element is left out, the line says why and the compile fails.
TEST(Eeprom_compiler, TextsThatAreNoNumbersAreRefused)
{
    const struct {
        const char* element;
        const char* line;
    } cases[] = {
        {"<ACQ_INTERVAL0 value=\"1e3\"/>", "ACQ_INTERVAL0 value=\"1e3\" is not a whole number"},
        {"<GSM_STEP value=\"12abc\"/>", "GSM_STEP value=\"12abc\" is not a whole number"},
        {"<GSM_STEP value=\"1.5\"/>", "GSM_STEP value=\"1.5\" is not a whole number"},
        {"<ACQ_INTERVAL0 value=\"0x384\"/>", "ACQ_INTERVAL0 value=\"0x384\" is not a whole number"},
        {"<ACQ_INTERVAL0 value=\"900,5\"/>", "ACQ_INTERVAL0 value=\"900,5\" is not a whole number"},
        {"<ACQ_INTERVAL0 value=\"nan\"/>", "ACQ_INTERVAL0 value=\"nan\" is not a whole number"},
    };
    for (const auto& c : cases) {
        recorded::clear_log();
        const Tcompiled compiled = compile(c.element);
        EXPECT_EQ(compiled.result, eeprom_result_error) << c.element;
        EXPECT_EQ(compiled.page, Tbytes{0xFF}) << c.element;
        EXPECT_TRUE(recorded::log_contains(std::string("ERROR : Teeprom_configurer, ") + c.line)) << c.line;
    }
    // A word of an instruction is no malformed number.
    recorded::clear_log();
    compile("<ACQUISITION_SEQUENCE value=\"0\"><EXEC value=\"always\"/></ACQUISITION_SEQUENCE>");
    EXPECT_FALSE(recorded::log_contains("is not a whole number"));
}

TEST(Eeprom_compiler, ListsLongerThanAPageFillItAndOverflow)
{
    std::string words;
    for (int i = 0; i < 62; ++i)
        words += "<WORD integer=\"1\"/>";
    Tcompiled fits = compile("<SNR_LIST>" + words + "</SNR_LIST>");
    EXPECT_EQ(fits.result, 0);
    ASSERT_EQ(fits.page.size(), 2u + 62 * 4 + 1);
    EXPECT_EQ(fits.page[1], 248);

    recorded::clear_log();
    Tcompiled full = compile("<SNR_LIST>" + words + "<WORD/><WORD/></SNR_LIST>");
    EXPECT_EQ(full.result, eeprom_result_overflow);
    EXPECT_EQ(full.page.size(), eeprom_usable_size);
    EXPECT_TRUE(recorded::log_contains("ERROR : EEPROM configuration Overflow (configuration trop longue)"));

    std::string thresholds;
    for (int i = 0; i < 26; ++i)
        thresholds += "<SNR_VALUE_THRESHOLD snr=\"1\"/>";
    Tcompiled too_many = compile("<SNR_VALUE_THRESHOLD_LIST>" + thresholds + "</SNR_VALUE_THRESHOLD_LIST>");
    EXPECT_EQ(too_many.result, eeprom_result_overflow);
    EXPECT_EQ(too_many.page.size(), eeprom_usable_size);
}

TEST(Eeprom_compiler, AFilterLongerThanItsBufferIsRefusedAsAnOverflow)
{
    std::string blocks;
    for (int i = 0; i < 59; ++i)
        blocks += "<FILTER_BLOCK length=\"1\"/>";
    const Tcompiled fits = compile("<M_BUS_FILTER>" + blocks + "</M_BUS_FILTER>");
    EXPECT_EQ(fits.result, 0);
    ASSERT_EQ(fits.page.size(), 4u + 59 * 4 + 1);
    EXPECT_EQ(fits.page[1], 238);

    const Tcompiled refused = compile("<M_BUS_FILTER>" + blocks + "<FILTER_BLOCK length=\"1\"/></M_BUS_FILTER>");
    EXPECT_EQ(refused.result, eeprom_result_overflow);
    EXPECT_EQ(refused.page, Tbytes{0xFF});
}

TEST(Eeprom_compiler, ANullStationIsAnError)
{
    Teeprom_configurer image;
    EXPECT_EQ(image.parseStation(nullptr, 1, "1", false), eeprom_result_error);
    EXPECT_EQ(image.stationId(), 1u);
}

// A locale whose decimal separator is a comma: an installed one, or else one
// built into dir; null when neither works.
const char* select_comma_locale(const Ttemp_dir& dir)
{
    static const char* const installed[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "fr_FR.utf8"};
    for (const char* name : installed)
        if (std::setlocale(LC_ALL, name))
            return name;
    const std::string command = "localedef -i de_DE -f UTF-8 " + dir.file("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return nullptr;
    setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") ? "de_DE.UTF-8" : nullptr;
}

// Numbers never follow the user's locale: under a decimal comma the compiler
// reads the same float as in the C locale.
TEST(Eeprom_compiler, NumbersAreReadInTheCLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    Ttemp_dir dir;
    const char* chosen = select_comma_locale(dir);
    if (!chosen)
        GTEST_SKIP() << "no locale with a decimal comma is available";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    const Tcompiled compiled = compile("<CONST_WEIGHT value_float=\"1.5\"/><CONST value_float=\"-0.25e1\"/>");
    std::setlocale(LC_ALL, previous.c_str());
    unsetenv("LOCPATH");
    EXPECT_EQ(compiled.page, (Tbytes{6, 5, 0, 0x3F, 0xC0, 0, 0, 6, 5, 0xFF, 0xC0, 0x20, 0, 0, 0xFF})) << chosen;
}

}  // namespace
