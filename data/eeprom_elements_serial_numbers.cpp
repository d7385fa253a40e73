// Serial-number records: the serial-number text, the list and the threshold list.
#include <cstring>

#include "data/eeprom_attributes.h"
#include "data/eeprom_elements.h"
#include "data/eeprom_record.h"

namespace eeprom {

namespace {

constexpr unsigned snr_text_size = 32;  // index and parts
constexpr unsigned bcd_digits = 8;
// What eight BCD digits hold.
constexpr Tfield_range bcd_snr{0, 99999999};
// The manufacturer's bits of a threshold entry's head.
constexpr Tfield_range manufacturer_bits{0, 0x7F};

unsigned char kemlo_byte(unsigned char b)
{
    unsigned char swapped = static_cast<unsigned char>((b << 4) | (b >> 4));
    if ((swapped & 0xF0) == 0)
        swapped |= 0xC0;
    if ((swapped & 0x0F) == 0)
        swapped |= 0x0C;
    return swapped;
}

// Eight decimal digits as packed BCD, least significant byte first, then the
// manufacturer code low byte first (0xFFFF when it is not given).
void add_snr(Trecord& text, Txml_element element, unsigned snr)
{
    const char* manufacturer = attribute_text(element, "manufacturer");
    unsigned char bytes[bcd_digits / 2 + 2];
    for (unsigned i = 0; i < bcd_digits / 2; ++i) {
        const unsigned low = snr % 10;
        snr /= 10;
        bytes[i] = static_cast<unsigned char>(((snr % 10) << 4) | low);
        snr /= 10;
    }
    unsigned code = 0xFFFF;
    if (manufacturer && std::strlen(manufacturer) >= 2)
        code = attribute_hex_number(element, "manufacturer", 2);
    bytes[bcd_digits / 2] = static_cast<unsigned char>(code);
    bytes[bcd_digits / 2 + 1] = static_cast<unsigned char>(code >> 8);
    text.addCut(bytes, sizeof bytes);
}

// The word of a WORD entry; previous when it gives none.
unsigned snr_list_word(Txml_element entry, unsigned previous)
{
    unsigned value = 0;
    if (attribute_uint(entry, "integer", &value) || attribute_uint(entry, "snr", &value))
        return value;
    const char* digits = attribute_text(entry, "int2bcd");
    if (!digits)
        return previous;
    // The word holds eight digits: more would push the first ones out.
    const unsigned count = cut_length(digits, bcd_digits + 1);
    bool decimal = count > 0 && count <= bcd_digits;
    for (unsigned i = 0; decimal && i < count; ++i)
        decimal = digits[i] >= '0' && digits[i] <= '9';
    if (!decimal) {
        refuse_attribute(entry, "int2bcd", digits, "is not a decimal number of up to 8 digits");
        return previous;
    }
    for (unsigned i = 0; i < count; ++i)
        value = (value << 4) | static_cast<unsigned>(digits[i] - '0');
    return value;
}

void add_threshold_entry(Trecord& record, Txml_element entry)
{
    unsigned char head = static_cast<unsigned char>(attribute_number_or(entry, "manufacturer", manufacturer_bits, 0));
    if (attribute_is(entry, "compare", "lt"))
        head |= 0x80;
    double threshold = 0;
    attribute_double(entry, "threshold", &threshold);
    record.add(head);
    record.addBe32(attribute_uint_or(entry, "snr", 0));
    record.add(attribute_byte_or(entry, "media", 0));
    record.addBe32(float_bits(threshold));
}

}  // namespace

int compile_snr_text(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    Trecord text(snr_text_size);
    text.add(attribute_byte_or(element, "index", 0));
    unsigned char bytes[snr_text_size];
    int integer = 0;
    if (attribute_int(element, "integer", &integer)) {
        put_be32(bytes, static_cast<unsigned>(integer));
        text.addCut(bytes, 4);
    }
    // The parts share the record's 32 bytes: each is cut to the room the ones
    // before it leave, as serial-number texts have always been laid out.
    const char* characters = attribute_text(element, "text");
    if (characters)
        text.addCut(reinterpret_cast<const unsigned char*>(characters), cut_length(characters, text.room()));
    text.addCut(bytes, attribute_hex_bytes(element, "hexa", bytes, snr_text_size));
    long long snr = 0;
    if (attribute_number(element, "snr", bcd_snr, &snr))
        add_snr(text, element, static_cast<unsigned>(snr));
    const unsigned kemlo = attribute_hex_bytes(element, "kemlo", bytes, snr_text_size);
    for (unsigned i = 0; i < kemlo && text.room() > 0; ++i)
        text.add(kemlo_byte(bytes[i]));
    text.appendBlock(image, tag);
    return 0;
}

int compile_snr_list(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    Trecord record(eeprom_page_size);
    record.open(tag);
    unsigned word = 0;
    for (Txml_element entry = xml_FirstChildEntity(element); entry; entry = xml_NextEntity(entry)) {
        if (!xml_IsEntity(entry, "WORD"))
            continue;
        word = snr_list_word(entry, word);
        record.addBe32(word);
    }
    record.closeLength();
    record.appendBytes(image);
    return 0;
}

int compile_snr_value_threshold_list(Teeprom_configurer& image, Txml_element element, unsigned char tag)
{
    Trecord record(eeprom_page_size);
    record.open(tag);
    for (Txml_element entry = xml_FirstChildEntity(element); entry; entry = xml_NextEntity(entry))
        if (xml_IsEntity(entry, "SNR_VALUE_THRESHOLD"))
            add_threshold_entry(record, entry);
    record.closeLength();
    record.appendBytes(image);
    return 0;
}

}  // namespace eeprom
