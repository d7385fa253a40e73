// Filter records (tag 39): OBIS codes, M-Bus data blocks and VIF blocks.
#include "data/eeprom_attributes.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

// The logger reads a filter into a buffer of this size.
constexpr unsigned filter_buffer_size = 240;

enum { FILTER_OBIS = 0, FILTER_M_BUS = 1, FILTER_VIF = 2 };

using Tentry_writer = void (*)(Trecord& record, Txml_element entry);

void add_byte(Trecord& record, Txml_element entry, const char* name, int fallback)
{
    record.add(attribute_byte_or(entry, name, fallback));
}

void add_obis_item(Trecord& record, Txml_element entry)
{
    const unsigned char reg = attribute_text(entry, "header") ? attribute_byte_or(entry, "header", 0)
                                                              : attribute_byte_or(entry, "GPR", 0);
    unsigned char code[4];
    const unsigned numbers = attribute_code_bytes(entry, "code", code);
    unsigned char flags = static_cast<unsigned char>((numbers - 1) & 3u);
    if (attribute_is(entry, "type", "integer"))
        flags |= 0x40;
    record.add(reg);
    record.add(flags);
    record.addBytes(code, 4);
}

void add_filter_block(Trecord& record, Txml_element entry)
{
    const unsigned char length = attribute_byte_or(entry, "length", 0);
    if (length == 0)
        return;
    add_byte(record, entry, "header", 0);
    add_byte(record, entry, "position", 0);
    record.add(length);
    add_byte(record, entry, "conversion_type", 0);
}

void add_filter_block_vif(Trecord& record, Txml_element entry)
{
    const unsigned vif = attribute_text(entry, "vif_hex") ? attribute_hex_number(entry, "vif_hex", 2) : 0;
    add_byte(record, entry, "header", 0);
    record.add(static_cast<unsigned char>(vif >> 8));
    record.add(static_cast<unsigned char>(vif));
    record.add(attribute_is(entry, "change_mode_on_change", "1") ? 0x01 : 0x00);
    add_byte(record, entry, "conversion_type", 255);
}

// [tag][L][type][index][entries]: the whole record or nothing (overflow).
int compile_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag, unsigned char type,
                   const char* entry_name, Tentry_writer add_entry)
{
    Trecord record(filter_buffer_size);
    record.open(tag);
    record.add(type);
    record.add(attribute_byte_or(element, "index", 0));
    for (Txml_element entry = xml_FirstChildEntity(element); entry; entry = xml_NextEntity(entry))
        if (xml_IsEntity(entry, entry_name))
            add_entry(record, entry);
    record.closeLength();
    record.appendWhole(image);
    return 0;
}

}  // namespace

int compile_obis_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    return compile_filter(image, element, tag, FILTER_OBIS, "OBIS_ITEM", add_obis_item);
}

int compile_m_bus_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    return compile_filter(image, element, tag, FILTER_M_BUS, "FILTER_BLOCK", add_filter_block);
}

int compile_vif_filter(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    return compile_filter(image, element, tag, FILTER_VIF, "FILTER_BLOCK_VIF", add_filter_block_vif);
}

}  // namespace eeprom
