#include <cstring>

#include "data/eeprom_attributes.h"
#include "data/eeprom_compile_errors.h"
#include "data/eeprom_configurer.h"
#include "data/eeprom_elements.h"

using namespace eeprom;

namespace {

// Selected after a CONFIGURATION with a value that is no page: the blocks that
// follow it without a value of their own are refused rather than written into
// the page before.
constexpr unsigned no_page = 254;

struct Telement {
    const char* name;
    unsigned char tag;
    Telement_compiler compile;
};

const Telement elements[] = {
    {"STATION_ID", 130, compile_station_id},
    {"PIN_CODE", eeprom_pin_code_tag, compile_pin_code},
    {"SYSCTRL", eeprom_sysctrl_tag, compile_sysctrl},
    {"ACQ_INTERVAL0", 133, compile_value},
    {"ACQ_INTERVAL", 133, compile_value},
    {"GSM_INTERVAL", 134, compile_value},
    {"GSM_DURATION", 135, compile_value},
    {"ACQ_INTERVAL1", 136, compile_value},
    {"ACQ_STEP", 136, compile_value},
    {"GSM_SMS_DURATION", 138, compile_value},
    {"GPRS_MAX_DATA_SIZE", 140, compile_value},
    {"GSM_STEP", 157, compile_value},
    {"SECURITY_KEY_0", 166, compile_value_five_bytes},
    {"SECURITY_KEY_1", 131, compile_value_five_bytes},
    {"SECURITY_KEY_2", 167, compile_value_five_bytes},
    {"SMS_NUMBER", 1, compile_text},
    {"PHONE_NUMBER", 2, compile_text},
    {"SMS_TEXT_ACQ", 3, compile_text},
    {"SMS_TEXT_EOL", 4, compile_text},
    {"SMS_NUMBER_1", 97, compile_text},
    {"SMS_NUMBER_2", 98, compile_text},
    {"SMS_NUMBER_3", 99, compile_text},
    {"SMS_NUMBER_4", 100, compile_text},
    {"SMS_NUMBER_5", 101, compile_text},
    {"SMS_NUMBER_6", 102, compile_text},
    {"SMS_NUMBER_7", 103, compile_text},
    {"SMS_TEXT_1", 113, compile_text},
    {"SMS_TEXT_2", 114, compile_text},
    {"SMS_TEXT_3", 115, compile_text},
    {"SMS_TEXT_4", 116, compile_text},
    {"GPRS_URL", 118, compile_text},
    {"HTTP_URL", 118, compile_text},
    {"USERNAME", 119, compile_text},
    {"PASSWORD", 120, compile_text},
    {"GPRS_APN_USERNAME", 121, compile_text},
    {"GPRS_APN_PASSWORD", 122, compile_text},
    {"GPRS_APN_NAME", 123, compile_text},
    {"STRING", 106, compile_string},
    {"SMS_TEXT_FORMAT", 105, compile_sms_text_format},
    {"HTTP_HOST", 124, compile_http_host},
    {"GPRS_TCP", 117, compile_gprs_tcp},
    {"SERVER_IP", 104, compile_server_ip},
    {"COM_KEY", 14, compile_com_key},
    {"APPKEY", 14, compile_com_key},
    {"TASK_CONFIGURATION", 14, compile_task_configuration},
    {"CONST", 255, compile_const},
    {"CONST_WEIGHT", 0, compile_const},
    {"CONST_SNR", 1, compile_const},
    {"CONST_CONFIG", 2, compile_const},
    {"ETHERNET_IP", 87, compile_ethernet_ip},
    {"SECURITY_CONFIG", 126, compile_security_config},
    {"SYSTEM_CONFIG", 7, compile_system_config},
    {"COM_CONFIG", 15, compile_com_config},
    {"GSM_CONFIG", 15, compile_com_config},
    {"RADIO_CONFIG", 40, compile_radio_config},
    {"OBIS_FILTER", 39, compile_obis_filter},
    {"M_BUS_FILTER", 39, compile_m_bus_filter},
    {"VIF_FILTER", 39, compile_vif_filter},
    {"ALARM_INPUT", 0x50, compile_alarm_input},
    {"ACQUISITION_SEQUENCE", 8, compile_acquisition_sequence},
    {"SNR_TEXT", 5, compile_snr_text},
    {"SNR_LIST", 125, compile_snr_list},
    {"SNR_VALUE_THRESHOLD_LIST", 13, compile_snr_value_threshold_list},
};

const Telement* find_element(const char* name)
{
    for (const Telement& element : elements)
        if (std::strcmp(element.name, name) == 0)
            return &element;
    return nullptr;
}

bool is_image_page(int page)
{
    return (page >= 0 && page <= 7) || page == static_cast<int>(eeprom_high_page);
}

}  // namespace

int Teeprom_configurer::parseStation(Txml_element station, unsigned id, const char* pin_text, bool layout_32)
{
    station_id = id;
    pin.assign(pin_text);
    layout_32bit = layout_32;
    clear();
    first_error.clear();
    if (!station)
        return eeprom_result_error;
    Tcompile_errors errors;
    const int result = compileStation(station);
    first_error.assign(errors.first().c_str());
    return result;
}

int Teeprom_configurer::compileStation(Txml_element station)
{
    int result = 0;
    for (Txml_element child = xml_FirstChildEntity(station); child; child = xml_NextEntity(child)) {
        if (!xml_IsEntity(child, "CONFIGURATION"))
            continue;
        long long page = 0;
        const unsigned refused_before = refused_attributes();
        const bool has_page = attribute_number(child, "value", field_int32, &page);
        if (refused_attributes() != refused_before) {
            current_page = no_page;
            result |= eeprom_result_error;
            continue;
        }
        if (has_page) {
            if (!is_image_page(static_cast<int>(page))) {
                log_compile_error("Teeprom_configurer, erroneous CONFIGURATION value=\"%d\"", static_cast<int>(page));
                current_page = no_page;
                result |= eeprom_result_error;
                continue;
            }
            current_page = static_cast<unsigned>(page);
        }
        write_position = continuationOffset();
        // An overflow of an earlier block is in the result already; this block
        // gets its lengths back-filled.
        overflow = false;
        result |= compileConfiguration(child);
    }
    return result;
}

int Teeprom_configurer::compileConfiguration(Txml_element configuration)
{
    int result = 0;
    for (Txml_element child = xml_FirstChildEntity(configuration);
         child && write_position < usableSize() && !overflow; child = xml_NextEntity(child)) {
        const Telement* element = find_element(xml_GetName(child));
        Telement_compiler compile = element ? element->compile : nullptr;
        unsigned char tag = element ? element->tag : 0;
        if (!element && generic_record_tag(xml_GetName(child), &tag))
            compile = compile_generic_record;
        if (!compile) {
            log_compile_error("Teeprom_configurer, unknown element \"%s\"", xml_GetName(child));
            result |= eeprom_result_error;
            continue;
        }
        const unsigned start = write_position;
        const unsigned refused_before = refused_attributes();
        result |= compile(*this, child, tag);
        // A refused value leaves no part of its element's record behind.
        if (refused_attributes() != refused_before) {
            dropFrom(start);
            result |= eeprom_result_error;
        }
    }
    appendByte(eeprom_end_mark);
    if (write_position > usableSize()) {
        write_position = usableSize();
        overflow = true;
    }
    if (overflow) {
        log_compile_error("EEPROM configuration Overflow (configuration trop longue)");
        result |= eeprom_result_overflow;
    }
    return result;
}
