// Communication records: servers, keys, network settings and the radio.
#include "data/eeprom_attributes.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

constexpr unsigned host_max = 255;
// The records keep one byte of port: a port is no signed number.
constexpr Tfield_range port_byte{0, 255};

unsigned char port_or_0(Txml_element element)
{
    return static_cast<unsigned char>(attribute_number_or(element, "port", port_byte, 0));
}

}  // namespace

int compile_http_host(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned char port = port_or_0(element);
    append_byte_and_text(image, tag, port, attribute_text_up_to(element, "host", host_max), host_max);
    return 0;
}

int compile_gprs_tcp(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned char port = port_or_0(element);
    const unsigned length_offset = image.beginBlock(tag);
    append_dotted(image, element, "ip");
    image.appendByte(port);
    append_chars(image, attribute_text_up_to(element, "server", host_max), host_max);
    image.endBlock(length_offset);
    return 0;
}

int compile_server_ip(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned length_offset = image.beginBlock(tag);
    append_dotted(image, element, "value");
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
    image.appendByte(attribute_byte_or(element, "mode", 0));
    image.appendU32(attribute_uint_or(element, "address", 0));
    append_be16(image, attribute_u16_or(element, "register", 0));
    image.endBlock(length_offset);
    return 0;
}

int compile_ethernet_ip(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned length_offset = image.beginBlock(tag);
    append_dotted(image, element, "fixed_ip");
    append_dotted(image, element, "mask");
    append_dotted(image, element, "gateway");
    append_be16(image, attribute_u16_or(element, "mscp_port", 0));
    append_dotted(image, element, "dns");
    append_be16(image, attribute_u16_or(element, "modbus_port", 0));
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
    image.appendByte(attribute_byte_or(element, "challenge_validity", 0));
    append_be16(image, attribute_u16_or(element, "authentication_duration", 0));
    image.endBlock(length_offset);
    return 0;
}

int compile_com_config(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    static const Tword_value authentications[] = {{"none", 0}, {"pap", 0x01}, {"chap", 0x02}};
    static const Tword_value radio_controls[] = {
        {"wmbust1", 0}, {"lrw12", 1}, {"lrw11", 2},  {"lrw10", 3},    {"lrw9", 4},    {"lrl12", 5}, {"lrl11", 6},
        {"lrl10", 7},   {"lrl9", 8},  {"kineis1", 9}, {"noradio", 13}, {"wbusl1", 14}, {"lrwadr", 15}};
    // Options that are bits of one byte take only what their bits hold.
    constexpr Tfield_range one_bit{0, 1};
    constexpr Tfield_range two_bits{0, 3};
    Tpositioned_bytes data;
    long long value = 0;
    if (attribute_text(element, "authentication"))
        data.set(0, attribute_word(element, "authentication", authentications, 3, 0));
    // Its bit 0 is the flag, as the byte is written.
    if (attribute_text(element, "use_apn_in_4g"))
        data.setBits(0, (attribute_byte_or(element, "use_apn_in_4g", 0) & 1) ? 0x04 : 0);
    static const char* const positioned[] = {nullptr, "gsm_interval_random", "dot", "media1", "media2"};
    for (unsigned position = 1; position < 5; ++position)
        if (attribute_number(element, positioned[position], field_8bit, &value))
            data.set(position, static_cast<int>(value));
    if (attribute_number(element, "option_freq", one_bit, &value))
        data.setBits(5, static_cast<int>(value));
    if (attribute_number(element, "option_gain", two_bits, &value))
        data.setBits(5, static_cast<int>(value) << 1);
    if (attribute_number(element, "option_radio_OTAA", one_bit, &value) ||
        attribute_number(element, "option_radio_otaa", one_bit, &value))
        data.setBits(5, static_cast<int>(value) << 3);
    const int control = attribute_word(element, "option_radio_control", radio_controls,
                                       sizeof radio_controls / sizeof radio_controls[0], -1);
    if (control >= 0)
        data.setBits(5, control << 4);
    if (attribute_number(element, "device_type", field_8bit, &value))
        data.set(6, static_cast<int>(value));
    if (attribute_number(element, "ext_config", field_8bit, &value))
        data.set(7, static_cast<int>(value));
    data.appendBlock(image, tag);
    return 0;
}

int compile_radio_config(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    static const Tword_value postpones[] = {{"none", 0}, {"day", 0x01}, {"acq", 0x02}};
    static const Tword_value switches[] = {{"1", 1}, {"on", 1}, {"0", 0}, {"off", 0}};
    static const Tword_value digits[] = {{"1", 1}, {"0", 0}};
    int flags = attribute_byte_or(element, "config", 0);
    if (attribute_word(element, "send_confirmed", switches, 4, 0))
        flags |= 0x10;
    if (attribute_word(element, "OTAA_safe", digits, 2, 0))
        flags |= 0x20;
    if (attribute_word(element, "block_time_sync", switches, 4, 0))
        flags |= 0x04;
    flags |= attribute_word(element, "ack_postpone", postpones, 3, 0);

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
