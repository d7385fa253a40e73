// Every field of a configuration takes only a text that is a value of its
// kind and fits it: anything else is refused with a line naming element,
// attribute and value, the element leaves no byte behind and the compile
// fails. A good spelling of a value still compiles to its bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/xml.h"
#include "data/eeprom_compile_errors.h"
#include "data/eeprom_configurer.h"
#include "tests/support/recording_program.h"

namespace {

using Tbytes = std::vector<unsigned char>;

struct Tcompiled {
    int result = 0;
    Tbytes page;
    std::string first_error;
};

Tcompiled compile_station(const std::string& station, unsigned page = 0)
{
    myXMLdocument doc;
    Teeprom_configurer image;
    Tcompiled compiled;
    compiled.result = image.parseStation(xml_ParseText(station.c_str(), &doc), 0, "", false);
    for (unsigned i = 0; i < image.getPageLength(page); ++i)
        compiled.page.push_back(image.byteAt(page, i));
    compiled.first_error = image.firstError();
    return compiled;
}

// The element between two good records on page 0.
Tcompiled compile_between(const std::string& element)
{
    return compile_station("<STATION><CONFIGURATION value=\"0\"><GSM_STEP value=\"5\"/>" + element +
                           "<GSM_DURATION value=\"7\"/></CONFIGURATION></STATION>");
}

const Tbytes around_only{0x9D, 0, 0, 0, 5, 0x87, 0, 0, 0, 7, 0xFF};

// A case of a table: the element, and either the line of its refusal (the
// bytes are then the two records around it) or the record it compiles to.
struct Tfield_case {
    std::string element;
    std::string refusal;  // after "ERROR : Teeprom_configurer, "; empty for a good value
    Tbytes record;
};

void check_table(const char* kind, const std::vector<Tfield_case>& cases)
{
    for (const Tfield_case& c : cases) {
        recorded::clear_log();
        const Tcompiled compiled = compile_between(c.element);
        if (c.refusal.empty()) {
            Tbytes expected{0x9D, 0, 0, 0, 5};
            expected.insert(expected.end(), c.record.begin(), c.record.end());
            expected.insert(expected.end(), {0x87, 0, 0, 0, 7, 0xFF});
            EXPECT_EQ(compiled.result, 0) << kind << ": " << c.element;
            EXPECT_EQ(compiled.page, expected) << kind << ": " << c.element;
            EXPECT_FALSE(recorded::log_contains("ERROR")) << kind << ": " << c.element;
        } else {
            EXPECT_EQ(compiled.result, eeprom_result_error) << kind << ": " << c.element;
            EXPECT_EQ(compiled.page, around_only) << kind << ": " << c.element;
            const std::string line = "ERROR : Teeprom_configurer, " + c.refusal;
            EXPECT_TRUE(recorded::log_contains(line)) << kind << ": " << line;
            EXPECT_EQ(compiled.first_error, line.substr(8)) << kind;
        }
    }
}

TEST(Eeprom_field_texts, EightBitFieldsTakeTheSignedAndUnsignedSpellingsOfAByte)
{
    check_table("8-bit", {
        {"<SYSCTRL time_zone=\"-129\"/>", "SYSCTRL time_zone=\"-129\" is out of range", {}},
        {"<SYSCTRL time_zone=\"-128\"/>", "", {0x84, 0, 0, 0, 0x80}},
        {"<SYSCTRL time_zone=\"255\"/>", "", {0x84, 0, 0, 0, 0xFF}},
        {"<SYSCTRL time_zone=\"-1\"/>", "", {0x84, 0, 0, 0, 0xFF}},
        {"<SYSCTRL time_zone=\"256\"/>", "SYSCTRL time_zone=\"256\" is out of range", {}},
        {"<SYSCTRL time_zone=\"300\"/>", "SYSCTRL time_zone=\"300\" is out of range", {}},
        {"<SYSCTRL time_zone=\" 101 \"/>", "", {0x84, 0, 0, 0, 0x65}},
        {"<SYSCTRL time_zone=\"1.5\"/>", "SYSCTRL time_zone=\"1.5\" is not a whole number", {}},
        {"<SYSCTRL time_zone=\"UTC+1\"/>", "SYSCTRL time_zone=\"UTC+1\" is not a whole number", {}},
        {"<SYSCTRL time_zone=\"0x10\"/>", "SYSCTRL time_zone=\"0x10\" is not a whole number", {}},
        {"<SYSCTRL address=\"999\"/>", "SYSCTRL address=\"999\" is out of range", {}},
        {"<SYSCTRL acq_enabled=\"ON\" address=\"-2\"/>", "", {0x84, 0x01, 0, 0xFE, 0}},
        {"<CONST index=\"300\" value=\"1\"/>", "CONST index=\"300\" is out of range", {}},
        {"<CONST index=\"-1\" value=\"1\"/>", "", {6, 5, 0xFF, 0, 0, 0, 1}},
        {"<CONST index=\"1\" byte0=\"256\"/>", "CONST byte0=\"256\" is out of range", {}},
        {"<SYSTEM_CONFIG acq_number=\"1000\"/>", "SYSTEM_CONFIG acq_number=\"1000\" is out of range", {}},
        {"<SYSTEM_CONFIG acq_number=\"3\"/>", "", {7, 2, 0, 3}},
        {"<SECURITY_CONFIG challenge_validity=\"300\"/>",
         "SECURITY_CONFIG challenge_validity=\"300\" is out of range", {}},
        {"<STRING index=\"256\" value=\"a\"/>", "STRING index=\"256\" is out of range", {}},
        {"<STRING index=\"255\" value=\"a\"/>", "", {106, 2, 0xFF, 'a'}},
        {"<SMS_TEXT_FORMAT index=\"16\" value=\"a\"/>", "SMS_TEXT_FORMAT index=\"16\" is out of range", {}},
        {"<SMS_TEXT_FORMAT index=\"15\" value=\"a\"/>", "", {105, 4, 15, 0, 0, 'a'}},
        {"<HTTP_HOST port=\"256\" host=\"h\"/>", "HTTP_HOST port=\"256\" is out of range", {}},
        {"<COM_CONFIG option_gain=\"4\"/>", "COM_CONFIG option_gain=\"4\" is out of range", {}},
        {"<COM_CONFIG option_gain=\"3\"/>", "", {15, 6, 0, 0, 0, 0, 0, 6}},
        {"<ALARM_INPUT timeout=\"64\"/>", "ALARM_INPUT timeout=\"64\" is out of range", {}},
    });
}

TEST(Eeprom_field_texts, SixteenBitFieldsTakeTheSignedAndUnsignedSpellingsOfTwoBytes)
{
    check_table("16-bit", {
        {"<SECURITY_CONFIG authentication_duration=\"-32769\"/>",
         "SECURITY_CONFIG authentication_duration=\"-32769\" is out of range", {}},
        {"<SECURITY_CONFIG authentication_duration=\"-32768\"/>", "", {126, 5, 0, 0, 0, 0x80, 0x00}},
        {"<SECURITY_CONFIG authentication_duration=\"65535\"/>", "", {126, 5, 0, 0, 0, 0xFF, 0xFF}},
        {"<SECURITY_CONFIG authentication_duration=\"-1\"/>", "", {126, 5, 0, 0, 0, 0xFF, 0xFF}},
        {"<SECURITY_CONFIG authentication_duration=\"65536\"/>",
         "SECURITY_CONFIG authentication_duration=\"65536\" is out of range", {}},
        {"<SECURITY_CONFIG authentication_duration=\"70000\"/>",
         "SECURITY_CONFIG authentication_duration=\"70000\" is out of range", {}},
        {"<ETHERNET_IP mscp_port=\"70000\"/>", "ETHERNET_IP mscp_port=\"70000\" is out of range", {}},
        {"<ETHERNET_IP mscp_port=\"502x\"/>", "ETHERNET_IP mscp_port=\"502x\" is not a whole number", {}},
        {"<ETHERNET_IP mscp_port=\"4464\"/>", "",
         {87, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x70, 0, 0, 0, 0, 0, 0}},
        {"<TASK_CONFIGURATION register=\"65536\"/>", "TASK_CONFIGURATION register=\"65536\" is out of range", {}},
    });
}

TEST(Eeprom_field_texts, ThirtyTwoBitFieldsTakeWholeNumbersOnly)
{
    check_table("32-bit", {
        {"<ACQ_INTERVAL0 value=\"9-00\"/>", "ACQ_INTERVAL0 value=\"9-00\" is not a whole number", {}},
        {"<ACQ_INTERVAL0 value=\" 9 0 0 \"/>", "ACQ_INTERVAL0 value=\" 9 0 0 \" is not a whole number", {}},
        {"<ACQ_INTERVAL0 value=\"--900\"/>", "ACQ_INTERVAL0 value=\"--900\" is not a whole number", {}},
        {"<ACQ_INTERVAL0 value=\"\"/>", "ACQ_INTERVAL0 value=\"\" is not a whole number", {}},
        {"<ACQ_INTERVAL0 value=\" 900 \"/>", "", {0x85, 0, 0, 0x03, 0x84}},
        {"<ACQ_INTERVAL0 value=\"+900\"/>", "", {0x85, 0, 0, 0x03, 0x84}},
        {"<ACQ_INTERVAL0 value=\"-2147483649\"/>", "ACQ_INTERVAL0 value=\"-2147483649\" is out of range", {}},
        {"<ACQ_INTERVAL0 value=\"-2147483648\"/>", "", {0x85, 0x80, 0, 0, 0}},
        {"<ACQ_INTERVAL0 value=\"2147483647\"/>", "", {0x85, 0x7F, 0xFF, 0xFF, 0xFF}},
        {"<ACQ_INTERVAL0 value=\"2147483648\"/>", "ACQ_INTERVAL0 value=\"2147483648\" is out of range", {}},
        {"<STATION_ID value=\"12abc\"/>", "STATION_ID value=\"12abc\" is not a whole number", {}},
        {"<STATION_ID value=\"0x1F3\"/>", "STATION_ID value=\"0x1F3\" is not a whole number", {}},
        {"<CONST index=\"1\" value=\"-1\"/>", "CONST value=\"-1\" is out of range", {}},
        {"<CONST index=\"1\" value=\"4294967295\"/>", "", {6, 5, 1, 0xFF, 0xFF, 0xFF, 0xFF}},
    });
}

TEST(Eeprom_field_texts, DottedAddressesAreFourNumbersOfAByte)
{
    check_table("dotted", {
        {"<SERVER_IP value=\"300.1.1.1\"/>",
         "SERVER_IP value=\"300.1.1.1\" is not an address of four numbers of 0 to 255", {}},
        {"<SERVER_IP value=\"a.b.c.d\"/>", "SERVER_IP value=\"a.b.c.d\" is not an address of four numbers of 0 to 255",
         {}},
        {"<SERVER_IP value=\"::1\"/>", "SERVER_IP value=\"::1\" is not an address of four numbers of 0 to 255", {}},
        {"<SERVER_IP value=\"1.2.3\"/>", "SERVER_IP value=\"1.2.3\" is not an address of four numbers of 0 to 255", {}},
        {"<SERVER_IP value=\"1.2.3.4.5\"/>",
         "SERVER_IP value=\"1.2.3.4.5\" is not an address of four numbers of 0 to 255", {}},
        {"<SERVER_IP value=\"1..2.3\"/>", "SERVER_IP value=\"1..2.3\" is not an address of four numbers of 0 to 255",
         {}},
        {"<SERVER_IP value=\"1.2.3.4.\"/>",
         "SERVER_IP value=\"1.2.3.4.\" is not an address of four numbers of 0 to 255", {}},
        {"<SERVER_IP value=\"192.168.1.2\"/>", "", {104, 4, 0xC0, 0xA8, 0x01, 0x02}},
        {"<SERVER_IP value=\" 10.0.0.255 \"/>", "", {104, 4, 10, 0, 0, 0xFF}},
        {"<GPRS_TCP ip=\"10.1.2.256\" port=\"1\" server=\"s\"/>",
         "GPRS_TCP ip=\"10.1.2.256\" is not an address of four numbers of 0 to 255", {}},
        {"<ETHERNET_IP dns=\"8.8.8\"/>", "ETHERNET_IP dns=\"8.8.8\" is not an address of four numbers of 0 to 255",
         {}},
        // OBIS codes keep their separators of any kind.
        {"<OBIS_FILTER><OBIS_ITEM code=\"1-8:0\"/></OBIS_FILTER>", "", {39, 8, 0, 0, 0, 2, 1, 8, 0, 0}},
        {"<OBIS_FILTER><OBIS_ITEM code=\"1.8.300\"/></OBIS_FILTER>",
         "OBIS_ITEM code=\"1.8.300\" is not a code of up to four numbers of 0 to 255", {}},
    });
}

TEST(Eeprom_field_texts, HexKeysArePairsOfDigitsAndHexNumbersDigitsOnly)
{
    const std::string key_bytes = "00112233445566778899AABBCCDDEEFF";
    Tbytes key_record{14, 16};
    for (int i = 0; i < 16; ++i)
        key_record.push_back(static_cast<unsigned char>(0x11 * i));
    Tbytes short_key{14, 16, 0x01, 0x02};
    short_key.resize(18, 0);
    const std::string refused_key = " is not a key of up to 16 bytes in pairs of hex digits";
    check_table("hex", {
        {"<COM_KEY value_hex=\"" + key_bytes + "\"/>", "", key_record},
        {"<COM_KEY value_hex=\"0102\"/>", "", short_key},
        {"<APPKEY value_hex=\"01 02\"/>", "", short_key},
        {"<COM_KEY value_hex=\"01G2\"/>", "COM_KEY value_hex=\"01G2\"" + refused_key, {}},
        {"<COM_KEY value_hex=\"0x0102\"/>", "COM_KEY value_hex=\"0x0102\"" + refused_key, {}},
        {"<COM_KEY value_hex=\"" + key_bytes.substr(0, 31) + "\"/>",
         "COM_KEY value_hex=\"" + key_bytes.substr(0, 31) + "\"" + refused_key, {}},
        {"<COM_KEY value_hex=\"" + key_bytes + "00\"/>", "COM_KEY value_hex=\"" + key_bytes + "00\"" + refused_key, {}},
        {"<COM_KEY value_hex=\"zz\"/>", "COM_KEY value_hex=\"zz\"" + refused_key, {}},
        {"<COM_KEY value_hex=\"0 102\"/>", "COM_KEY value_hex=\"0 102\"" + refused_key, {}},
        // A number: an odd count of digits is its value, right-aligned.
        {"<CONST index=\"1\" value_hex=\"13\"/>", "", {6, 5, 1, 0, 0, 0, 0x13}},
        {"<CONST index=\"1\" value_hex=\"123\"/>", "", {6, 5, 1, 0, 0, 0x01, 0x23}},
        {"<CONST index=\"1\" value_hex=\"123456789\"/>",
         "CONST value_hex=\"123456789\" is not a hex number of up to 8 digits", {}},
        {"<CONST index=\"1\" value_hex=\"0x13\"/>", "CONST value_hex=\"0x13\" is not a hex number of up to 8 digits",
         {}},
        {"<RADIO_CONFIG devAddr_hex=\"26011F2G\"/>",
         "RADIO_CONFIG devAddr_hex=\"26011F2G\" is not a hex number of up to 8 digits", {}},
    });
}

TEST(Eeprom_field_texts, WordFieldsTakeOnlyTheirWords)
{
    check_table("words", {
        {"<SECURITY_CONFIG encryption_mode=\"prng-32\"/>", "SECURITY_CONFIG encryption_mode=\"prng-32\" is none of its words",
         {}},
        {"<SECURITY_CONFIG encryption_mode=\"encrypted\"/>",
         "SECURITY_CONFIG encryption_mode=\"encrypted\" is none of its words", {}},
        {"<SECURITY_CONFIG encryption_mode=\"PRNG32\" authentication_mode=\"challenge32\"/>", "",
         {126, 5, 2, 1, 0, 0, 0}},
        {"<SMS_TEXT_FORMAT format=\"float\"/>", "SMS_TEXT_FORMAT format=\"float\" is none of its words", {}},
        {"<COM_CONFIG option_radio_control=\"lora\"/>", "COM_CONFIG option_radio_control=\"lora\" is none of its words",
         {}},
        {"<COM_CONFIG authentication=\"CHAP\"/>", "", {15, 1, 0x02}},
        {"<RADIO_CONFIG ack_postpone=\"week\"/>", "RADIO_CONFIG ack_postpone=\"week\" is none of its words", {}},
        {"<ALARM_INPUT timeout_unit=\"week\"/>", "ALARM_INPUT timeout_unit=\"week\" is none of its words", {}},
        {"<ALARM_INPUT trigger=\"ALARM_IF_RAIN\"/>", "ALARM_INPUT trigger=\"ALARM_IF_RAIN\" is none of its words", {}},
        {"<SYSCTRL flash_store=\"slow\"/>", "SYSCTRL flash_store=\"slow\" is none of its words", {}},
        {"<SYSCTRL flash_store=\"FAST\"/>", "", {0x84, 0x08, 0, 0, 0}},
        // The flags keep their reading: "on" in any case sets one, no other text does.
        {"<SYSCTRL acq_enabled=\"ON\" gsm_enabled=\"on\" gprs=\"yes\"/>", "", {0x84, 0x01, 0x01, 0, 0}},
    });
}

TEST(Eeprom_field_texts, TextsLongerThanTheirFieldAreRefused)
{
    const std::string text_250(250, 's');
    const std::string shown = std::string(80, 's') + "...";
    check_table("texts", {
        {"<STRING value=\"" + text_250 + "\"/>", "STRING value=\"" + shown + "\" is longer than 249 characters", {}},
        {"<HTTP_HOST host=\"" + std::string(256, 'h') + "\"/>",
         "HTTP_HOST host=\"" + std::string(80, 'h') + "...\" is longer than 255 characters", {}},
        {"<SMS_TEXT_1 value=\"" + std::string(256, 's') + "\"/>",
         "SMS_TEXT_1 value=\"" + shown + "\" is longer than 255 characters", {}},
    });
}

// A CONFIGURATION takes a page only from a whole number naming one.
TEST(Eeprom_field_texts, PagesAreWholeNumbersOfAnImagePage)
{
    const struct {
        const char* value;
        const char* line;  // empty: page 1 compiles
    } cases[] = {
        {"1.0", "CONFIGURATION value=\"1.0\" is not a whole number"},
        {"one", "CONFIGURATION value=\"one\" is not a whole number"},
        {"", "CONFIGURATION value=\"\" is not a whole number"},
        {"257", "erroneous CONFIGURATION value=\"257\""},
        {"-1", "erroneous CONFIGURATION value=\"-1\""},
        {"8", "erroneous CONFIGURATION value=\"8\""},
        {" 1 ", ""},
        {"+1", ""},
    };
    for (const auto& c : cases) {
        recorded::clear_log();
        const std::string station = std::string("<STATION><CONFIGURATION value=\"") + c.value +
                                    "\"><ACQ_INTERVAL0 value=\"600\"/></CONFIGURATION></STATION>";
        const Tcompiled page0 = compile_station(station, 0);
        const Tcompiled page1 = compile_station(station, 1);
        EXPECT_TRUE(page0.page.empty()) << c.value;
        if (*c.line) {
            EXPECT_EQ(page1.result, eeprom_result_error) << c.value;
            EXPECT_TRUE(page1.page.empty()) << c.value;
            EXPECT_TRUE(recorded::log_contains(std::string("ERROR : Teeprom_configurer, ") + c.line)) << c.line;
        } else {
            EXPECT_EQ(page1.result, 0) << c.value;
            EXPECT_EQ(page1.page, (Tbytes{0x85, 0, 0, 0x02, 0x58, 0xFF})) << c.value;
        }
    }
    // The page 250 still takes its blocks.
    EXPECT_EQ(compile_station("<STATION><CONFIGURATION value=\"250\"><GSM_STEP value=\"1\"/></CONFIGURATION>"
                              "</STATION>",
                              250)
                  .page,
              (Tbytes{0x9D, 0, 0, 0, 1, 0xFF}));
}

// A file wrong throughout logs a bounded number of lines and says how many
// more it held back; the first error is the one kept for the box.
TEST(Eeprom_field_texts, OneCompileLogsABoundedNumberOfErrors)
{
    std::string elements;
    const unsigned refused = eeprom::compile_error_lines_max + 30;
    for (unsigned i = 0; i < refused; ++i)
        elements += "<SYSCTRL time_zone=\"" + std::to_string(300 + i) + "\"/>";
    recorded::clear_log();
    const Tcompiled compiled =
        compile_station("<STATION><CONFIGURATION value=\"0\">" + elements + "</CONFIGURATION></STATION>");
    EXPECT_EQ(compiled.result, eeprom_result_error);
    EXPECT_EQ(compiled.page, Tbytes{0xFF});
    EXPECT_EQ(compiled.first_error, "Teeprom_configurer, SYSCTRL time_zone=\"300\" is out of range");
    unsigned error_lines = 0;
    for (const std::string& line : recorded::log_lines())
        error_lines += line.rfind("ERROR", 0) == 0 ? 1u : 0u;
    EXPECT_EQ(error_lines, eeprom::compile_error_lines_max);
    EXPECT_TRUE(recorded::log_contains("... and 30 more errors"));
    EXPECT_FALSE(recorded::log_contains("time_zone=\"" + std::to_string(300 + refused - 1)));

    // The next compile counts afresh and keeps its own first error.
    recorded::clear_log();
    const Tcompiled next = compile_between("<SYSCTRL address=\"999\"/>");
    EXPECT_EQ(next.first_error, "Teeprom_configurer, SYSCTRL address=\"999\" is out of range");
    EXPECT_FALSE(recorded::log_contains("more errors"));
}

}  // namespace
