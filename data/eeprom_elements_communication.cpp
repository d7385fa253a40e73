// Communication records: servers, keys, network settings and the radio.
#include "base/log.h"
#include "data/eeprom_attributes.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

constexpr unsigned host_max = 255;

// The record keeps one byte of port: a larger one would point the logger
// elsewhere, so it is refused. False when the port does not fit.
bool port_byte(Txml_element element, const char* record, unsigned char* out)
{
    const int port = attribute_int_or(element, "port", 0);
    if (port < 0 || port > 255) {
        log_printf("ERROR : Teeprom_configurer, %s port=\"%d\" does not fit one byte", record, port);
        return false;
    }
    *out = static_cast<unsigned char>(port);
    return true;
}

}  // namespace

int compile_http_host(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    unsigned char port = 0;
    if (!port_byte(element, "HTTP_HOST", &port))
        return eeprom_result_error;
    append_byte_and_text(image, tag, port, attribute_text(element, "host"), host_max);
    return 0;
}

int compile_gprs_tcp(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    unsigned char port = 0;
    if (!port_byte(element, "GPRS_TCP", &port))
        return eeprom_result_error;
    const unsigned length_offset = image.beginBlock(tag);
    append_dotted(image, attribute_text(element, "ip"));
    image.appendByte(port);
    append_chars(image, attribute_text(element, "server"), host_max);
    image.endBlock(length_offset);
    return 0;
}

int compile_server_ip(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned length_offset = image.beginBlock(tag);
    append_dotted(image, attribute_text(element, "value"));
    image.endBlock(length_offset);
    return 0;
}

int compile_com_key(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    unsigned char key[eeprom_key_size] = {};
    attribute_hex_bytes(element, "value_hex", key, eeprom_key_size);
    Trecord record(2 + eeprom_key_size);
    record.open(tag);
    record.addBytes(key, eeprom_key_size);
    record.closeLength();
    record.appendWhole(image);
    return 0;
}

int compile_task_configuration(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned length_offset = image.beginBlock(tag);
    image.appendByte(static_cast<unsigned char>(attribute_uint_or(element, "mode", 0)));
    image.appendU32(attribute_uint_or(element, "address", 0));
    append_be16(image, attribute_uint_or(element, "register", 0));
    image.endBlock(length_offset);
    return 0;
}

int compile_ethernet_ip(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned length_offset = image.beginBlock(tag);
    append_dotted(image, attribute_text(element, "fixed_ip"));
    append_dotted(image, attribute_text(element, "mask"));
    append_dotted(image, attribute_text(element, "gateway"));
    append_be16(image, attribute_uint_or(element, "mscp_port", 0));
    append_dotted(image, attribute_text(element, "dns"));
    append_be16(image, attribute_uint_or(element, "modbus_port", 0));
    image.endBlock(length_offset);
    return 0;
}

int compile_security_config(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    static const Tword_value authentications[] = {{"PIN", 0}, {"secret32", 1}, {"challenge32", 2}, {"none", 3}};
    static const Tword_value encryptions[] = {{"none", 0}, {"prng32", 1}};
    const unsigned length_offset = image.beginBlock(tag);
    image.appendByte(static_cast<unsigned char>(attribute_word(element, "authentication_mode", authentications, 4, 0)));
    image.appendByte(static_cast<unsigned char>(attribute_word(element, "encryption_mode", encryptions, 2, 0)));
    image.appendByte(static_cast<unsigned char>(attribute_int_or(element, "challenge_validity", 0)));
    append_be16(image, static_cast<unsigned>(attribute_int_or(element, "authentication_duration", 0)));
    image.endBlock(length_offset);
    return 0;
}

int compile_com_config(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    static const Tword_value authentications[] = {{"pap", 0x01}, {"chap", 0x02}};
    static const Tword_value radio_controls[] = {
        {"wmbust1", 0}, {"lrw12", 1}, {"lrw11", 2},  {"lrw10", 3},    {"lrw9", 4},    {"lrl12", 5}, {"lrl11", 6},
        {"lrl10", 7},   {"lrl9", 8},  {"kineis1", 9}, {"noradio", 13}, {"wbusl1", 14}, {"lrwadr", 15}};
    Tpositioned_bytes data;
    int value = 0;
    if (attribute_text(element, "authentication"))
        data.set(0, attribute_word(element, "authentication", authentications, 2, 0));
    if (attribute_text(element, "use_apn_in_4g"))
        data.setBits(0, (attribute_int_or(element, "use_apn_in_4g", 0) & 1) ? 0x04 : 0);
    static const char* const positioned[] = {nullptr, "gsm_interval_random", "dot", "media1", "media2"};
    for (unsigned position = 1; position < 5; ++position)
        if (attribute_int(element, positioned[position], &value))
            data.set(position, value);
    if (attribute_int(element, "option_freq", &value))
        data.setBits(5, value & 1);
    if (attribute_int(element, "option_gain", &value))
        data.setBits(5, (value & 3) << 1);
    if (attribute_int(element, "option_radio_OTAA", &value) || attribute_int(element, "option_radio_otaa", &value))
        data.setBits(5, (value & 1) << 3);
    const int control = attribute_word(element, "option_radio_control", radio_controls,
                                       sizeof radio_controls / sizeof radio_controls[0], -1);
    if (control >= 0)
        data.setBits(5, control << 4);
    if (attribute_int(element, "device_type", &value))
        data.set(6, value);
    if (attribute_int(element, "ext_config", &value))
        data.set(7, value);
    data.appendBlock(image, tag);
    return 0;
}

int compile_radio_config(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    static const Tword_value postpones[] = {{"day", 0x01}, {"acq", 0x02}};
    int flags = attribute_int_or(element, "config", 0);
    if (attribute_is(element, "send_confirmed", "1") || attribute_is(element, "send_confirmed", "on"))
        flags |= 0x10;
    if (attribute_is(element, "OTAA_safe", "1"))
        flags |= 0x20;
    if (attribute_is(element, "block_time_sync", "1") || attribute_is(element, "block_time_sync", "on"))
        flags |= 0x04;
    flags |= attribute_word(element, "ack_postpone", postpones, 2, 0);

    unsigned char data[9 + 2 * eeprom_key_size] = {};
    data[0] = static_cast<unsigned char>(flags);
    put_be32(data + 1, attribute_hex_number(element, "netID_hex", 4));
    put_be32(data + 5, attribute_hex_number(element, "devAddr_hex", 4));
    unsigned length = 10;
    if (attribute_text(element, "nwkSkey_hex")) {
        attribute_hex_bytes(element, "nwkSkey_hex", data + 9, eeprom_key_size);
        length = 25;
    }
    if (attribute_text(element, "AppEUI_hex")) {
        attribute_hex_bytes(element, "AppEUI_hex", data + 9, 8);
        length = length < 17 ? 17 : length;
    }
    if (attribute_text(element, "appSkey_hex")) {
        attribute_hex_bytes(element, "appSkey_hex", data + 9 + eeprom_key_size, eeprom_key_size);
        length = sizeof data;
    }
    Trecord record(2 + sizeof data);
    record.open(tag);
    record.addBytes(data, length);
    record.closeLength();
    record.appendWhole(image);
    return 0;
}

}  // namespace eeprom
