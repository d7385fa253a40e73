#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/xml.h"
#include "data/eeprom_configurer.h"

namespace {

using Tbytes = std::vector<unsigned char>;

const std::string config_comment = "\t\t\t<!-- " + std::string(45, '+') + " --> \n";

// A page as a logger returns it: 256 bytes, erased behind the records.
void load(Teeprom_configurer& image, unsigned page, const Tbytes& records)
{
    Tbytes bytes(eeprom_page_size, 0xFF);
    std::copy(records.begin(), records.end(), bytes.begin());
    image.loadPage(page, bytes.data(), eeprom_page_size);
}

std::string setup_text(const Teeprom_configurer& image)
{
    Tmy_string text;
    image.writeSetupXml(&text);
    return text.c_str();
}

// The elements the writer put inside CONFIGURATION page.
std::string page_elements(const Teeprom_configurer& image, unsigned page)
{
    const std::string text = setup_text(image);
    const std::string open = "<CONFIGURATION value=\"" + std::to_string(page) + "\">\n";
    const size_t begin = text.find(open);
    if (begin == std::string::npos)
        return "(no block)";
    const size_t end = text.find("\t\t\t</CONFIGURATION>\n", begin);
    return text.substr(begin + open.size(), end - begin - open.size());
}

std::string page_with(const Tbytes& records, unsigned page = 1)
{
    Teeprom_configurer image;
    load(image, page, records);
    return page_elements(image, page);
}

// Records of page 1 and the elements the writer gives for them.
struct Tcase {
    Tbytes records;
    std::string elements;
};

template <size_t N>
void expect_elements(const Tcase (&cases)[N])
{
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.elements);
        EXPECT_EQ(c.elements, page_with(c.records));
    }
}

// The writer's text compiled again: the pages it names hold the same bytes
// as the page that was written out, up to its end mark.
void expect_round_trip(const Teeprom_configurer& image, unsigned page)
{
    Tmy_string text;
    image.writeSetupXml(&text);
    myXMLdocument document;
    Txml_element station = xml_FindPath(xml_ParseText(text.c_str(), &document), "STATIONS/STATION");
    ASSERT_NE(nullptr, station) << text.c_str();
    Teeprom_configurer compiled;
    EXPECT_EQ(0, compiled.parseStation(station, 499, "", true)) << text.c_str();
    const unsigned char end = image.findRecord(page, eeprom_end_mark);
    ASSERT_NE(eeprom_absent, end);
    for (unsigned i = 0; i <= end; ++i)
        EXPECT_EQ(image.byteAt(page, i), compiled.byteAt(page, i)) << "offset " << i << "\n" << text.c_str();
    EXPECT_EQ(end + 1u, compiled.getPageLength(page)) << text.c_str();
}

TEST(EepromSetupWriter, AnEmptyImageGivesTheFrameWithSevenEmptyBlocks)
{
    Teeprom_configurer image;
    image.reset();
    const std::string station_comment = "\t\t<!-- " + std::string(64, '+') + " -->\n";
    std::string expected =
        "<?xml version='1.0' encoding='utf-8' ?>\n<SETUP>\n"
        "\t<PATH_DATA_BIN   path=\"c:\\vornhal\\data_bin\"/>\n"
        "\t<PATH_DATA_XML   path=\"c:\\vornhal\\data_xml\"/>\n"
        "\t<PATH_STATUS_LOG path=\"c:\\vornhal\\calyxo_basicstatus_log\"/>\n"
        "\t<STATIONS>\n" +
        station_comment + "\t\t<STATION id=\"499\" version=\"klvr32\">\n";
    for (int page = 0; page < 7; ++page)
        expected += config_comment + "\t\t\t<CONFIGURATION value=\"" + std::to_string(page) + "\">\n\t\t\t</CONFIGURATION>\n";
    expected += "\t\t</STATION>\n" + station_comment + "\t</STATIONS>\n</SETUP>\n";
    EXPECT_EQ(expected, setup_text(image));

    // Pages 7 and 250 hold no setup, whatever they hold.
    load(image, 7, {0x85, 0, 0, 0, 1, 0xFF});
    load(image, eeprom_high_page, {0x85, 0, 0, 0, 1, 0xFF});
    EXPECT_EQ(expected, setup_text(image));
}

TEST(EepromSetupWriter, RecordsAsTheirElements)
{
    const Tcase cases[] = {
        {{0x85, 0x00, 0x00, 0x02, 0x58, 0xFF}, "\t\t\t\t<ACQ_INTERVAL0      value=\"600\"/>\n"},
        {{0x86, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF}, "\t\t\t\t<GSM_INTERVAL       value=\"-2\"/>\n"},
        {{0x82, 0x00, 0x00, 0x01, 0xF3, 0xFF}, "\t\t\t\t<h130          value=\"499\"/>\n"},
        {{0x83, '4', '7', 0x00, 0x00, 0xFF}, "\t\t\t\t<PIN_CODE           value=\"47\"/>\n"},
        {{0x83, '&', '1', '2', '3', 0xFF}, "\t\t\t\t<PIN_CODE           value=\"&amp;123\"/>\n"},
        {{0x83, 0x00, 0x00, 0x30, 0x39, 0xFF}, "\t\t\t\t<h131          value=\"12345\"/>\n"},  // a key, no text
        {{6, 5, 0, 0x3F, 0x80, 0x00, 0x00, 0xFF}, "\t\t\t\t<CONST_WEIGHT value_float=\"1.000000\"/>\n"},
        {{6, 5, 0, 0x00, 0x00, 0x00, 0x01, 0xFF}, "\t\t\t\t<CONST index=\"0\" value_int=\"1\"/>\n"},  // no %f for it
        {{6, 5, 1, 0x00, 0x00, 0x01, 0x00, 0xFF}, "\t\t\t\t<CONST_SNR value_int=\"256\"/>\n"},
        {{6, 5, 7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "\t\t\t\t<CONST index=\"7\" value_int=\"4294967295\"/>\n"},
        {{118, 9, 'a', '?', 'b', '&', 'c', '<', '"', 0xC3, 0xA9, 0xFF},
         "\t\t\t\t<HTTP_URL   value=\"a?b&amp;c&lt;&quot;&#233;\"/>\n"},
        {{123, 0, 0xFF}, "\t\t\t\t<GPRS_APN_NAME       value=\"\"/>\n"},
        {{124, 5, 80, 'h', 'o', 's', 't', 0xFF}, "\t\t\t\t<HTTP_HOST host=\"host\" port=\"80\"/>\n"},
        {{5, 3, 2, 0xAB, 0x01, 0xFF}, "\t\t\t\t <SNR_TEXT index=\"2\"  hexa=\"AB01\" />\n"},
        {{14, 7, 3, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0xFF},
         "\t\t\t\t<TASK_CONFIGURATION mode=\"3\" address=\"65536\" register=\"16\"/>\n"},
        {{39, 7, 2, 1, 0x10, 0x01, 0x3B, 0x01, 0x04, 0xFF},
         "\t\t\t\t <VIF_FILTER index=\"1\" >\n"
         "\t\t\t\t\t <FILTER_BLOCK_VIF header=\"16\" vif_hex=\"013b\" change_mode_on_change=\"1\" conversion_type=\"4\" />\n"
         "\t\t\t\t </VIF_FILTER>\n"},
    };
    expect_elements(cases);
}

// Records no element rebuilds come out in the generic form, bytes and all.
TEST(EepromSetupWriter, RecordsTheCompilerCannotRebuildAreWrittenGenerically)
{
    const Tcase cases[] = {
        // SYSCTRL with "fast" and "none" together
        {{0x84, 0x48, 0x01, 0x23, 0x00, 0xFF}, "\t\t\t\t<h132          value=\"1208034048\"/>\n"},
        {{118, 2, 'a', 0x01, 0xFF}, "\t\t\t\t<h118   size=\"2\"       hex=\"61 01 \"/>\n"},  // control byte
        {{118, 1, 0xE9, 0xFF}, "\t\t\t\t<h118   size=\"1\"       hex=\"E9 \"/>\n"},  // no UTF-8
        {{14, 4, 1, 2, 3, 4, 0xFF}, "\t\t\t\t<h14   size=\"4\"       hex=\"01 02 03 04 \"/>\n"},  // short key
        {{39, 2, 0, 5, 0xFF}, "\t\t\t\t<h39   size=\"2\"       hex=\"00 05 \"/>\n"},            // OBIS filter
        {{39, 7, 2, 1, 0x10, 0x01, 0x3B, 0x02, 0x04, 0xFF},
         "\t\t\t\t<h39   size=\"7\"       hex=\"02 01 10 01 3B 02 04 \"/>\n"},  // unknown VIF option
        {{39, 6, 1, 0, 1, 2, 0, 4, 0xFF}, "\t\t\t\t<h39   size=\"6\"       hex=\"01 00 01 02 00 04 \"/>\n"},
        {{8, 2, 0x05, 0x00, 0xFF}, "\t\t\t\t<h8   size=\"2\"       hex=\"05 00 \"/>\n"},  // LOOP without its operand
        {{15, 1, 0x03, 0xFF}, "\t\t\t\t<h15   size=\"1\"       hex=\"03 \"/>\n"},
        {{6, 4, 0, 1, 2, 3, 0xFF}, "\t\t\t\t<h6   size=\"4\"       hex=\"00 01 02 03 \"/>\n"},
        {{3, 2, 'o', 'k', 0xFF}, "\t\t\t\t<h3   size=\"2\"       hex=\"6F 6B \"/>\n"},
    };
    expect_elements(cases);
}

TEST(EepromSetupWriter, ALengthBytePastThePageEndsTheWalkWithTheBytesThere)
{
    // A filler record over 0 to 239, then a text whose length byte says 200
    // where 14 bytes are left.
    Tbytes records(240, 'f');
    records[0] = 3;
    records[1] = 238;
    records.push_back(118);
    records.push_back(200);
    for (int i = 0; i < 14; ++i)
        records.push_back('x');
    const std::string elements = page_with(records, 2);
    EXPECT_EQ(0u, elements.find("\t\t\t\t<h3   size=\"238\""));
    EXPECT_NE(std::string::npos,
              elements.find("\t\t\t\t<h118   size=\"14\"       hex=\"78 78 78 78 78 78 78 78 78 78 78 78 78 78 \"/>\n"));

    // A value record whose tag is the page's third-last byte.
    Tbytes value_at_end(253, 'f');
    value_at_end[0] = 3;
    value_at_end[1] = 251;
    value_at_end.push_back(0x85);
    value_at_end.push_back(1);
    value_at_end.push_back(2);
    EXPECT_NE(std::string::npos, page_with(value_at_end).find("\t\t\t\t<h133   size=\"2\"       hex=\"01 02 \"/>\n"));

    // A block record's tag in the page's last byte, without its length byte.
    Tbytes tag_at_end(255, 'f');
    tag_at_end[0] = 3;
    tag_at_end[1] = 253;
    tag_at_end.push_back(32);
    EXPECT_NE(std::string::npos, page_with(tag_at_end).find("\t\t\t\t<h32   size=\"0\"       hex=\"\"/>\n"));
}

TEST(EepromSetupWriter, CompiledPagesComeBackAsTheSameBytes)
{
    const char* const setup =
        "<SETUP><STATIONS><STATION id=\"3\" version=\"klvr32\">"
        "<CONFIGURATION value=\"0\">"
        "<SYSCTRL acq_enabled=\"on\" acq_sync=\"on\" flash_store=\"fast\" gprs=\"on\" address=\"7\" time_zone=\"101\"/>"
        "<ACQ_INTERVAL0 value=\"600\"/><GSM_STEP value=\"-5\"/><PIN_CODE value=\"12\"/>"
        "<CONST_WEIGHT value_float=\"0.1\"/><CONST_WEIGHT value_float=\"1e-20\"/><CONST index=\"9\" value_int=\"77\"/>"
        "<SNR_TEXT index=\"4\" hexa=\"0102\"/>"
        "<ACQUISITION_SEQUENCE value=\"1\"><TIMEOUT value=\"3\"/><ACQ32 module=\"40\" header=\"35\" channel=\"2\" "
        "threshold=\"1000\"/><WAIT timeout=\"5\"/></ACQUISITION_SEQUENCE>"
        "</CONFIGURATION>"
        "<CONFIGURATION value=\"6\">"
        "<HTTP_URL value=\"http://a.example/x?y=1&amp;z=&lt;2&gt;\"/><USERNAME value=\"&#233;t&#233;\"/>"
        "<HTTP_HOST host=\"h.example\" port=\"80\"/><GPRS_APN_NAME value=\"\"/>"
        "<TASK_CONFIGURATION mode=\"2\" address=\"70000\" register=\"3\"/><APPKEY value_hex=\"00112233445566778899AABBCCDDEEFF\"/>"
        "<COM_CONFIG authentication=\"chap\" dot=\"2\" option_gain=\"2\" option_radio_control=\"lrl10\" device_type=\"0\"/>"
        "<COM_CONFIG use_apn_in_4g=\"0\"/><COM_CONFIG/>"
        "<ETHERNET_IP fixed_ip=\"10.0.0.2\" mask=\"255.255.255.0\" mscp_port=\"5000\" modbus_port=\"502\"/>"
        "</CONFIGURATION>"
        "<CONFIGURATION value=\"5\">"
        "<RADIO_CONFIG config=\"8\" OTAA_safe=\"1\" ack_postpone=\"acq\" devAddr_hex=\"26011F2B\"/>"
        "<RADIO_CONFIG send_confirmed=\"on\" netID_hex=\"13\" AppEUI_hex=\"0102030405060708\"/>"
        "<RADIO_CONFIG nwkSkey_hex=\"000102030405060708090A0B0C0D0E0F\" appSkey_hex=\"F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF\"/>"
        "<M_BUS_FILTER index=\"2\"><FILTER_BLOCK header=\"1\" position=\"2\" length=\"3\" conversion_type=\"4\"/></M_BUS_FILTER>"
        "<VIF_FILTER><FILTER_BLOCK_VIF header=\"9\" vif_hex=\"FD17\"/>"
        "<FILTER_BLOCK_VIF vif_hex=\"13\" change_mode_on_change=\"1\" conversion_type=\"0\"/></VIF_FILTER>"
        "</CONFIGURATION>"
        "</STATION></STATIONS></SETUP>";
    myXMLdocument document;
    Txml_element station = xml_FindPath(xml_ParseText(setup, &document), "STATIONS/STATION");
    ASSERT_NE(nullptr, station);
    Teeprom_configurer image;
    ASSERT_EQ(0, image.parseStation(station, 3, "", true));
    for (unsigned page : {0u, 5u, 6u}) {
        SCOPED_TRACE(page);
        expect_round_trip(image, page);
    }
}

// A configuration read from a logger and uploaded again: the records written
// in the generic form (SMS numbers and texts, STATION_ID, the security keys
// and whatever no element rebuilds) compile back to their bytes.
TEST(EepromSetupWriter, LoggerPagesWithGenericRecordsComeBackAsTheSameBytes)
{
    Teeprom_configurer image;
    // SMS_NUMBER, PHONE_NUMBER, SMS_TEXT_ACQ, SMS_TEXT_EOL, STATION_ID, SECURITY_KEY_0
    load(image, 0,
         {1, 4, '+', '4', '1', '7', 2, 3, '0', '7', '9', 3, 5, 'a', 'c', 'q', ' ', '1', 4, 0,
          0x82, 0x00, 0x00, 0x01, 0xF3, 0xA6, 0x12, 0x34, 0x56, 0x78, 0xFF});
    // SMS_NUMBER_1 .. 7, SECURITY_KEY_2 with its top bit set
    Tbytes numbers;
    for (unsigned char tag = 97; tag <= 103; ++tag) {
        numbers.push_back(tag);
        numbers.push_back(2);
        numbers.push_back('0');
        numbers.push_back(static_cast<unsigned char>('0' + tag - 96));
    }
    for (unsigned char b : {0xA7, 0xFE, 0xDC, 0xBA, 0x98})
        numbers.push_back(b);
    numbers.push_back(0xFF);
    load(image, 1, numbers);
    // SMS_TEXT_1 .. 4, one with a control byte and one not UTF-8; a short key,
    // a SYSCTRL no element can say and SECURITY_KEY_1 (the PIN's tag, no text).
    load(image, 3,
         {113, 3, 'o', 'n', 0x0A, 114, 1, 0xE9, 115, 0, 116, 2, 'o', 'k', 14, 4, 1, 2, 3, 4,
          0x84, 0x48, 0x01, 0x23, 0x00, 0x83, 0x00, 0x00, 0x30, 0x39, 0xFF});
    for (unsigned page : {0u, 1u, 3u}) {
        SCOPED_TRACE(page);
        const std::string elements = page_elements(image, page);
        EXPECT_NE(std::string::npos, elements.find("<h")) << elements;
        expect_round_trip(image, page);
    }
}

TEST(EepromSetupWriter, LoggerPagesWithNamedRecordsComeBackAsTheSameBytes)
{
    Teeprom_configurer image;
    // Radio flags with bits that only config carries; a key record; a
    // sequence with integer and float thresholds.
    load(image, 2,
         {40, 10, 0xEB, 0, 0, 0, 1, 0, 0, 0, 2, 0,
          0x84, 0x20, 0x1F, 0x00, 0x01,
          8, 16, 0x11, 0x48, 0xA3, 0x82, 0x00, 0x00, 0x03, 0xE8, 0x51, 0xC1, 0x0D, 0x40, 0x20, 0x00, 0x00, 0x00,
          0xFF});
    expect_round_trip(image, 2);
}

}  // namespace
