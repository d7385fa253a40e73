#include "data/eeprom_record_writer.h"

#include <cstring>

#include "base/parse.h"
#include "base/xml.h"
#include "data/eeprom_attributes.h"
#include "data/eeprom_configurer.h"

namespace eeprom {

namespace {

constexpr unsigned snr_text_max = 32;  // index and parts
constexpr unsigned task_configuration_size = 7;
constexpr unsigned ethernet_ip_size = 20;
constexpr unsigned com_config_max = 8;

// Appends the XML-escaped bytes when the XML reader gives exactly them back
// (no zero or control byte XML cannot hold, no byte that is not UTF-8).
bool append_faithful_text(Tmy_string* text, const unsigned char* bytes, unsigned n)
{
    if (n == 0)
        return true;
    Tmy_string escaped;
    escaped.appendXmlEscaped(reinterpret_cast<const char*>(bytes), n);
    Tmy_string probe("<a v=\"");
    probe.appendString(&escaped);
    probe.append("\"/>");
    myXMLdocument document;
    const char* back = xml_FindAttributeValue(xml_ParseText(probe.c_str(), &document), "v");
    if (!back || std::strlen(back) != n || std::memcmp(back, bytes, n) != 0)
        return false;
    text->appendString(&escaped);
    return true;
}

// --- value records ---------------------------------------------------------------

struct Tnamed_value {
    unsigned char tag;
    const char* line;
};

const Tnamed_value named_values[] = {
    {133, "\t\t\t\t<ACQ_INTERVAL0      value=\"%d\"/>\n"},
    {134, "\t\t\t\t<GSM_INTERVAL       value=\"%d\"/>\n"},
    {135, "\t\t\t\t<GSM_DURATION       value=\"%d\"/>\n"},
    {136, "\t\t\t\t<ACQ_INTERVAL1      value=\"%d\"/>\n"},
    {138, "\t\t\t\t<GSM_SMS_DURATION   value=\"%d\"/>\n"},
    {140, "\t\t\t\t<GPRS_MAX_DATA_SIZE value=\"%d\"/>\n"},
    {157, "\t\t\t\t<GSM_STEP           value=\"%d\"/>\n"},
};

// A text of one to four characters followed by zero bytes.
bool write_pin_code(Tmy_string* text, unsigned value)
{
    unsigned char bytes[4];
    put_be32(bytes, value);
    unsigned n = 0;
    while (n < 4 && bytes[n] != 0)
        ++n;
    for (unsigned i = n; i < 4; ++i)
        if (bytes[i] != 0)
            return false;
    Tmy_string pin;
    if (n == 0 || !append_faithful_text(&pin, bytes, n))
        return false;
    text->appendf("\t\t\t\t<PIN_CODE           value=\"%s\"/>\n", pin.c_str());
    return true;
}

const char* on_off(unsigned bits, unsigned mask)
{
    return (bits & mask) ? "on" : "off";
}

bool write_sysctrl(Tmy_string* text, unsigned value)
{
    const unsigned acq = value >> 24;
    const unsigned gsm = (value >> 16) & 0xFF;
    // Bits no attribute sets, and "fast" with "none" together, do not come back.
    if ((acq & 0x80) || (gsm & 0xC0) || (acq & 0x48) == 0x48)
        return false;
    const char* flash_store = (acq & 0x40) ? "off" : (acq & 0x08) ? "fast" : "on";
    text->append("\t\t\t\t <SYSCTRL \n");
    text->appendf("\t\t\t\t\t acq_enabled=\"%s\" \n", on_off(acq, 0x01));
    text->appendf("\t\t\t\t\t acq_automatic=\"%s\" \n", on_off(acq, 0x02));
    text->appendf("\t\t\t\t\t acq_dump=\"%s\" \n", on_off(acq, 0x04));
    text->appendf("\t\t\t\t\t acq_on_ring=\"%s\" \n", on_off(acq, 0x10));
    text->appendf("\t\t\t\t\t acq_fast_interval=\"%s\" \n", on_off(acq, 0x20));
    text->appendf("\t\t\t\t\t acq_sync=\"%s\" \n", on_off(gsm, 0x20));
    text->appendf("\t\t\t\t\t flash_store=\"%s\" \n", flash_store);
    text->appendf("\t\t\t\t\t gsm_enabled=\"%s\" \n", on_off(gsm, 0x01));
    text->appendf("\t\t\t\t\t gsm_call=\"%s\" \n", on_off(gsm, 0x02));
    text->appendf("\t\t\t\t\t gprs=\"%s\" \n", on_off(gsm, 0x04));
    text->appendf("\t\t\t\t\t gprs_server=\"%s\" \n", on_off(gsm, 0x08));
    text->appendf("\t\t\t\t\t call_on_ring=\"%s\" \n", on_off(gsm, 0x10));
    text->appendf("\t\t\t\t\t address=\"%d\" \n", static_cast<int>((value >> 8) & 0xFF));
    text->appendf("\t\t\t\t\t time_zone=\"%d\" \n", static_cast<int>(value & 0xFF));
    text->append("\t\t\t\t\t />\n");
    return true;
}

// --- block records -----------------------------------------------------------------

struct Tblock {
    unsigned char tag;
    const unsigned char* data;
    unsigned length;
};

bool write_snr_text(Tmy_string* text, const Tblock& r)
{
    if (r.length == 0 || r.length > snr_text_max)
        return false;
    text->appendf("\t\t\t\t <SNR_TEXT index=\"%d\" ", r.data[0]);
    if (r.length == 1) {
        text->append(" />\n");
        return true;
    }
    text->append(" hexa=\"");
    text->appendHex(r.data + 1, r.length - 1);
    text->append("\" />\n");
    return true;
}

// The printed value when it reads back as the same single, else nothing.
bool float_text(Tmy_string* text, unsigned bits)
{
    Tmy_string printed;
    unsigned char bytes[4];
    put_be32(bytes, bits);
    printed.appendf("%f", static_cast<double>(read_be_float(bytes, 4)));
    double back = 0;
    if (parse_double(printed.c_str(), &back) || float_bits(back) != bits)
        return false;
    text->appendString(&printed);
    return true;
}

bool write_const(Tmy_string* text, const Tblock& r)
{
    if (r.length != 5)
        return false;
    const unsigned index = r.data[0];
    const unsigned value = read_be32(r.data + 1);
    Tmy_string weight;
    if (index == 0 && float_text(&weight, value))
        text->appendf("\t\t\t\t<CONST_WEIGHT value_float=\"%s\"/>\n", weight.c_str());
    else if (index == 1)
        text->appendf("\t\t\t\t<CONST_SNR value_int=\"%u\"/>\n", value);
    else if (index == 2)
        text->appendf("\t\t\t\t<CONST_CONFIG value_int=\"%u\"/>\n", value);
    else
        text->appendf("\t\t\t\t<CONST index=\"%d\" value_int=\"%u\"/>\n", index, value);
    return true;
}

bool write_sequence(Tmy_string* text, const Tblock& r)
{
    int type = 0;
    switch (r.tag) {
    case 9: type = 1; break;
    case 10: type = 2; break;
    case 25: type = 3; break;
    default: break;
    }
    Tmy_string lines;
    if (r.length == 0 || Teeprom_configurer::writeSequenceText(&lines, r.length, r.data))
        return false;
    text->appendf("\t\t\t\t <ACQUISITION_SEQUENCE value=\"%d\" > \n", type);
    text->appendString(&lines);
    text->append("\t\t\t\t </ACQUISITION_SEQUENCE> \n");
    return true;
}

// Tag 14 holds a key or, with its own length, a task configuration.
bool write_key_or_task(Tmy_string* text, const Tblock& r)
{
    if (r.length == task_configuration_size) {
        text->appendf("\t\t\t\t<TASK_CONFIGURATION mode=\"%d\" address=\"%u\" register=\"%d\"/>\n", r.data[0],
                      read_be32(r.data + 1), static_cast<int>(read_be16(r.data + 5)));
        return true;
    }
    if (r.length != eeprom_key_size)
        return false;
    text->append("\t\t\t\t <APPKEY  value_hex=\"");
    text->appendHex(r.data, eeprom_key_size);
    text->append("\" />\n");
    return true;
}

const char* const radio_controls[16] = {"wmbust1", "lrw12", "lrw11", "lrw10",  "lrw9",    "lrl12",
                                        "lrl11",   "lrl10", "lrl9",  "kineis1", nullptr,  nullptr,
                                        nullptr,   "noradio", "wbusl1", "lrwadr"};

void write_com_options(Tmy_string* text, unsigned char options)
{
    text->appendf("\t\t\t\t\t\t\t option_freq=\"%d\" \n", options & 1);
    text->appendf("\t\t\t\t\t\t\t option_gain=\"%d\" \n", (options >> 1) & 3);
    text->appendf("\t\t\t\t\t\t\t option_radio_otaa=\"%d\" \n", (options >> 3) & 1);
    text->appendf("\t\t\t\t\t\t\t option_radio_control=\"%s\" \n", radio_controls[options >> 4]);
}

// Each byte that is set is written, and the last one also when it is 0: the
// compiler's length runs to the last attribute present.
bool write_com_config(Tmy_string* text, const Tblock& r)
{
    static const char* const positioned[] = {nullptr, "gsm_interval_random", "dot", "media1", "media2"};
    if (r.length > com_config_max)
        return false;
    if (r.length > 0 && ((r.data[0] & 0xF8) || (r.data[0] & 3) == 3))
        return false;
    if (r.length > 5 && !radio_controls[r.data[5] >> 4])
        return false;
    static const char* const authentications[] = {"none", "PAP", "CHAP"};
    text->append("\t\t\t\t <COM_CONFIG \n");
    for (unsigned i = 0; i < r.length; ++i) {
        const unsigned char b = r.data[i];
        if (b == 0 && i + 1 != r.length)
            continue;
        if (i == 0) {
            text->appendf("\t\t\t\t\t\t\t authentication=\"%s\"\n", authentications[b & 3]);
            text->appendf("\t\t\t\t\t\t\t use_apn_in_4g=\"%d\"\n", (b >> 2) & 1);
        } else if (i < 5) {
            text->appendf("\t\t\t\t\t\t\t %s=\"%d\"\n", positioned[i], b);
        } else if (i == 5) {
            write_com_options(text, b);
        } else {
            text->appendf("\t\t\t\t\t\t\t %s=\"%d\"\n", i == 6 ? "device_type" : "ext_config", b);
        }
    }
    text->append("\t\t\t\t\t/>\n");
    return true;
}

void append_hex_attribute(Tmy_string* text, const char* name, const unsigned char* bytes, unsigned n)
{
    text->appendf("\t\t\t\t\t\t\t %s=\"", name);
    text->appendHex(bytes, n);
    text->append("\"\n");
}

bool write_radio_config(Tmy_string* text, const Tblock& r)
{
    const unsigned length = r.length;
    if (length != 10 && length != 17 && length != 25 && length != 41)
        return false;
    if (length == 10 && r.data[9] != 0)
        return false;
    static const char* const postpones[] = {"none", "day", "acq", nullptr};
    const unsigned flags = r.data[0];
    const char* postpone = postpones[flags & 3];
    // Flag bits without a word of their own travel in config, which the
    // compiler takes as the starting value.
    const unsigned rest = flags & ~(0x14u | (postpone ? 0x03u : 0u));
    text->append("\t\t\t\t <RADIO_CONFIG \n");
    if (rest)
        text->appendf("\t\t\t\t\t\t\t config=\"%d\" \n", rest);
    if (postpone)
        text->appendf("\t\t\t\t\t\t\t ack_postpone=\"%s\" \n", postpone);
    text->appendf("\t\t\t\t\t\t\t block_time_sync=\"%d\" \n", (flags >> 2) & 1);
    text->appendf("\t\t\t\t\t\t\t send_confirmed=\"%d\" \n", (flags >> 4) & 1);
    append_hex_attribute(text, "netID_hex", r.data + 1, 4);
    append_hex_attribute(text, "devAddr_hex", r.data + 5, 4);
    if (length > 24)
        append_hex_attribute(text, "nwkSkey_hex", r.data + 9, eeprom_key_size);
    else if (length > 16)
        append_hex_attribute(text, "AppEUI_hex", r.data + 9, 8);
    if (length > 40)
        append_hex_attribute(text, "appSkey_hex", r.data + 25, eeprom_key_size);
    text->append("\t\t\t\t\t/>\n");
    return true;
}

void append_dotted(Tmy_string* text, const char* name, const unsigned char* b)
{
    text->appendf("\t\t\t\t\t%s=\"%d.%d.%d.%d\"\n", name, b[0], b[1], b[2], b[3]);
}

bool write_ethernet_ip(Tmy_string* text, const Tblock& r)
{
    if (r.length != ethernet_ip_size)
        return false;
    text->append("\t\t\t\t<ETHERNET_IP\n");
    append_dotted(text, "fixed_ip", r.data);
    append_dotted(text, "mask", r.data + 4);
    append_dotted(text, "gateway", r.data + 8);
    text->appendf("\t\t\t\t\tmscp_port=\"%d\"\n", static_cast<int>(read_be16(r.data + 12)));
    append_dotted(text, "dns", r.data + 14);
    text->appendf("\t\t\t\t\tmodbus_port=\"%d\"\n", static_cast<int>(read_be16(r.data + 18)));
    text->append("\t\t\t\t/>\n");
    return true;
}

// The compiler leaves out an M-Bus block without length.
bool m_bus_block_ok(const unsigned char* e)
{
    return e[2] != 0;
}

void write_m_bus_block(Tmy_string* text, const unsigned char* e)
{
    text->appendf("\t\t\t\t\t <FILTER_BLOCK header=\"%d\" position=\"%d\" length=\"%d\"  conversion_type=\"%d\" />\n", e[0],
                  e[1], e[2], e[3]);
}

// Only the change-mode option of a VIF block has an attribute.
bool vif_block_ok(const unsigned char* e)
{
    return (e[3] & 0xFE) == 0;
}

void write_vif_block(Tmy_string* text, const unsigned char* e)
{
    text->appendf("\t\t\t\t\t <FILTER_BLOCK_VIF header=\"%d\" vif_hex=\"%04x\" change_mode_on_change=\"%d\" "
                  "conversion_type=\"%d\" />\n",
                  e[0], static_cast<int>(read_be16(e + 1)), e[3], e[4]);
}

struct Tfilter_kind {
    const char* element;
    unsigned block_size;
    unsigned blocks_max;  // what the compiler's work buffer holds
    bool (*block_ok)(const unsigned char* block);
    void (*write_block)(Tmy_string* text, const unsigned char* block);
};

const Tfilter_kind filter_kinds[] = {
    {nullptr, 0, 0, nullptr, nullptr},  // OBIS: no element writes its items back
    {"M_BUS_FILTER", 4, 59, m_bus_block_ok, write_m_bus_block},
    {"VIF_FILTER", 5, 47, vif_block_ok, write_vif_block},
};

// [type][index] and whole blocks of the type's size.
bool write_filter(Tmy_string* text, const Tblock& r)
{
    if (r.length < 2 || r.data[0] >= sizeof filter_kinds / sizeof filter_kinds[0])
        return false;
    const Tfilter_kind& kind = filter_kinds[r.data[0]];
    if (!kind.element)
        return false;
    const unsigned entries = (r.length - 2) / kind.block_size;
    if ((r.length - 2) % kind.block_size != 0 || entries > kind.blocks_max)
        return false;
    for (unsigned i = 0; i < entries; ++i)
        if (!kind.block_ok(r.data + 2 + i * kind.block_size))
            return false;
    text->appendf("\t\t\t\t <%s index=\"%d\" >\n", kind.element, r.data[1]);
    for (unsigned i = 0; i < entries; ++i)
        kind.write_block(text, r.data + 2 + i * kind.block_size);
    text->appendf("\t\t\t\t </%s>\n", kind.element);
    return true;
}

bool write_text_record(Tmy_string* text, const Tblock& r)
{
    static const char* const lines[] = {
        "\t\t\t\t<HTTP_URL   value=\"%s\"/>\n",          "\t\t\t\t<USERNAME   value=\"%s\"/>\n",
        "\t\t\t\t<PASSWORD   value=\"%s\"/>\n",          "\t\t\t\t<GPRS_APN_USERNAME   value=\"%s\"/>\n",
        "\t\t\t\t<GPRS_APN_PASSWORD   value=\"%s\"/>\n", "\t\t\t\t<GPRS_APN_NAME       value=\"%s\"/>\n",
    };
    Tmy_string value;
    if (!append_faithful_text(&value, r.data, r.length))
        return false;
    text->appendf(lines[r.tag - 118], value.c_str());
    return true;
}

bool write_http_host(Tmy_string* text, const Tblock& r)
{
    Tmy_string host;
    if (r.length == 0 || !append_faithful_text(&host, r.data + 1, r.length - 1))
        return false;
    text->appendf("\t\t\t\t<HTTP_HOST host=\"%s\" port=\"%d\"/>\n", host.c_str(), r.data[0]);
    return true;
}

bool write_named_block(Tmy_string* text, const Tblock& r)
{
    switch (r.tag) {
    case 5: return write_snr_text(text, r);
    case 6: return write_const(text, r);
    case 8:
    case 9:
    case 10:
    case 25: return write_sequence(text, r);
    case 14: return write_key_or_task(text, r);
    case 15: return write_com_config(text, r);
    case 39: return write_filter(text, r);
    case 40: return write_radio_config(text, r);
    case 87: return write_ethernet_ip(text, r);
    case 124: return write_http_host(text, r);
    default: break;
    }
    return r.tag >= 118 && r.tag <= 123 && write_text_record(text, r);
}

}  // namespace

void write_value_record(Tmy_string* text, unsigned char tag, unsigned value)
{
    if (!text)
        return;
    if ((tag == eeprom_pin_code_tag && write_pin_code(text, value)) || (tag == eeprom_sysctrl_tag && write_sysctrl(text, value)))
        return;
    for (const Tnamed_value& named : named_values) {
        if (named.tag == tag) {
            text->appendf(named.line, static_cast<int>(value));
            return;
        }
    }
    text->appendf("\t\t\t\t<h%d          value=\"%d\"/>\n", tag, static_cast<int>(value));
}

void write_block_record(Tmy_string* text, unsigned char tag, const unsigned char* data, unsigned length,
                        bool cut)
{
    if (!text || !data)
        return;
    if (length > eeprom_page_size)
        length = eeprom_page_size;
    // The named writers append only once they know the record comes back whole.
    if (!cut && write_named_block(text, Tblock{tag, data, length}))
        return;
    char hex[3 * eeprom_page_size + 1];
    bytes_to_hex_spaced(hex, data, length);
    text->appendf("\t\t\t\t<h%d   size=\"%d\"       hex=\"%s\"/>\n", tag, length, hex);
}

}  // namespace eeprom
