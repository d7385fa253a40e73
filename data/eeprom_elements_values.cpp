// Value records, text records and the small block records of a configuration.
#include <cstring>

#include "data/eeprom_attributes.h"
#include "data/eeprom_compile_errors.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

constexpr unsigned pin_length = 4;
constexpr unsigned text_record_max = 255;
constexpr unsigned indexed_text_max = 249;  // STRING and SMS_TEXT_FORMAT keep room for their heads
// SMS_TEXT_FORMAT keeps its index in four bits.
constexpr Tfield_range sms_text_format_index{0, 15};

void append_value_record(Teeprom_configurer& image, unsigned char tag, unsigned value)
{
    image.appendByte(tag);
    image.appendU32(value);
}

// Records whose bytes go in one by one, so that a page end can cut them.
void append_value_bytes(Teeprom_configurer& image, unsigned char tag, unsigned value)
{
    image.appendByte(tag);
    for (int shift = 24; shift >= 0; shift -= 8)
        image.appendByte(static_cast<unsigned char>(value >> shift));
}

// A flag is set by "on" and by no other text, as setup files have always
// been read ("yes" among them leaves it clear).
unsigned char flag_if_on(Txml_element element, const char* name, unsigned char bit)
{
    return attribute_is(element, name, "on") ? bit : 0;
}

}  // namespace

int compile_value(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    int value = 0;
    if (attribute_int(element, "value", &value))
        append_value_record(image, tag, static_cast<unsigned>(value));
    return 0;
}

int compile_value_five_bytes(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    append_value_bytes(image, tag, static_cast<unsigned>(attribute_int_or(element, "value", 0)));
    return 0;
}

int compile_station_id(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const int id = attribute_int_or(element, "value", static_cast<int>(image.stationId()));
    append_value_record(image, tag, static_cast<unsigned>(id));
    return 0;
}

int compile_pin_code(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const char* pin = attribute_text(element, "value");
    if (!pin)
        pin = image.pinText().c_str();
    // A cut or replaced PIN would lock the technician out of the logger.
    if (std::strlen(pin) > pin_length) {
        log_compile_error("Teeprom_configurer, PIN_CODE \"%s\" longer than %u characters", pin, pin_length);
        return eeprom_result_error;
    }
    unsigned value = 0;
    for (unsigned i = 0; i < pin_length; ++i)
        value = (value << 8) | static_cast<unsigned char>(i < std::strlen(pin) ? pin[i] : 0);
    append_value_record(image, tag, value);
    return 0;
}

int compile_sysctrl(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    unsigned char acq = flag_if_on(element, "acq_enabled", 0x01) | flag_if_on(element, "acq_automatic", 0x02) |
                        flag_if_on(element, "acq_dump", 0x04) | flag_if_on(element, "acq_on_ring", 0x10) |
                        flag_if_on(element, "acq_fast_interval", 0x20);
    // "on" is the plain store the setup writer names.
    static const Tword_value flash_stores[] = {{"on", 0}, {"fast", 0x08}, {"none", 0x40}, {"off", 0x40}};
    acq |= static_cast<unsigned char>(attribute_word(element, "flash_store", flash_stores, 4, 0));
    const unsigned char gsm = flag_if_on(element, "gsm_enabled", 0x01) | flag_if_on(element, "gsm_call", 0x02) |
                              flag_if_on(element, "gprs", 0x04) | flag_if_on(element, "gprs_server", 0x08) |
                              flag_if_on(element, "call_on_ring", 0x10) | flag_if_on(element, "acq_sync", 0x20);
    const unsigned address = attribute_byte_or(element, "address", 0);
    const unsigned time_zone = attribute_byte_or(element, "time_zone", 0);
    append_value_bytes(image, tag, (unsigned{acq} << 24) | (unsigned{gsm} << 16) | (address << 8) | time_zone);
    return 0;
}

int compile_text(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const char* text = attribute_text_up_to(element, "value", text_record_max);
    if (!text)
        return 0;
    const unsigned length_offset = image.beginBlock(tag);
    append_chars(image, text, text_record_max);
    image.endBlock(length_offset);
    return 0;
}

int compile_string(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const unsigned char index = attribute_byte_or(element, "index", 0);
    append_byte_and_text(image, tag, index, attribute_text_up_to(element, "value", indexed_text_max),
                         indexed_text_max);
    return 0;
}

int compile_sms_text_format(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    static const Tword_value formats[] = {{"float0_1", 0}, {"float0_1000", 1}, {"int_1", 2}};
    const char* text = attribute_text_up_to(element, "value", indexed_text_max);
    const unsigned length_offset = image.beginBlock(tag);
    image.appendByte(static_cast<unsigned char>(attribute_number_or(element, "index", sms_text_format_index, 0)));
    image.appendByte(static_cast<unsigned char>(attribute_word(element, "format", formats, 3, 0)));
    image.appendByte(0);
    append_chars(image, text, indexed_text_max);
    image.endBlock(length_offset);
    return 0;
}

int compile_const(Teeprom_configurer& image, Txml_element element, unsigned char default_index)
{
    constexpr unsigned char const_tag = 6;
    const unsigned length_offset = image.beginBlock(const_tag);
    image.appendByte(attribute_byte_or(element, "index", default_index));
    image.appendU32(attribute_const_value(element));
    image.endBlock(length_offset);
    return 0;
}

int compile_system_config(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    Tpositioned_bytes data;
    long long value = 0;
    if (attribute_number(element, "data0", field_8bit, &value) || attribute_number(element, "filter", field_8bit, &value))
        data.set(0, static_cast<int>(value));
    static const char* const positioned[] = {nullptr, "acq_number", "gsm_number", nullptr,
                                             "pulse_polarity", "pulse_pullup", "async_events"};
    for (unsigned position = 1; position < 7; ++position)
        if (positioned[position] && attribute_number(element, positioned[position], field_8bit, &value))
            data.set(position, static_cast<int>(value));
    // Both share one byte, each given with its bits in place.
    if (attribute_number(element, "gsm_credit_check", field_8bit, &value))
        data.setBits(3, static_cast<int>(value) & 0x01);
    if (attribute_number(element, "next_monitor", field_8bit, &value))
        data.setBits(3, static_cast<int>(value) & 0xF0);
    data.appendBlock(image, tag);
    return 0;
}

}  // namespace eeprom
