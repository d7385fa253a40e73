// The setup writer's generic form of a record it has no element for, read
// back so that a configuration read from a logger compiles to the same bytes.
#include <cctype>

#include "data/eeprom_attributes.h"
#include "data/eeprom_compile_errors.h"
#include "data/eeprom_configurer.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

constexpr unsigned block_tag_last = 0x7F;
constexpr unsigned value_tag_first = 0x80;
constexpr unsigned value_tag_last = 0xBF;
constexpr unsigned block_data_max = 255;  // what the length byte can say

int compile_generic_value(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    int value = 0;
    // The value form has its value: a text that is no number has its line.
    if (!attribute_int(element, "value", &value))
        return eeprom_result_error;
    image.appendByte(tag);
    image.appendU32(static_cast<unsigned>(value));
    return 0;
}

int compile_generic_block(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    unsigned char data[block_data_max + 1];
    const unsigned count = attribute_hex_bytes(element, "hex", data, sizeof data);
    unsigned size = 0;
    if (!attribute_uint(element, "size", &size) || size != count || count > block_data_max) {
        log_compile_error("Teeprom_configurer, h%d size=\"%s\" does not match its %u hex bytes", tag,
                   attribute_text(element, "size") ? attribute_text(element, "size") : "", count);
        return eeprom_result_error;
    }
    Trecord record(2 + count);
    record.open(tag);
    record.addBytes(data, count);
    record.closeLength();
    record.appendWhole(image);
    return 0;
}

}  // namespace

bool generic_record_tag(const char* name, unsigned char* tag)
{
    if (!name || name[0] != 'h' || !name[1])
        return false;
    unsigned number = 0;
    for (const char* p = name + 1; *p; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)) || number > value_tag_last)
            return false;
        number = number * 10 + static_cast<unsigned>(*p - '0');
    }
    if (number == 0 || number > value_tag_last)
        return false;
    *tag = static_cast<unsigned char>(number);
    return true;
}

int compile_generic_record(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    const bool value_form = xml_FindAttributeValue(element, "value") != nullptr;
    const bool value_tag = tag >= value_tag_first && tag <= value_tag_last;
    if (value_form != value_tag) {
        log_compile_error("Teeprom_configurer, h%d in the form of a %s record", tag,
                   value_form ? "value" : "block");
        return eeprom_result_error;
    }
    static_assert(block_tag_last + 1 == value_tag_first, "block and value tags meet");
    return value_tag ? compile_generic_value(image, element, tag) : compile_generic_block(image, element, tag);
}

}  // namespace eeprom
