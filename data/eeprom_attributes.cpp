#include "data/eeprom_attributes.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "base/log.h"
#include "base/params.h"
#include "base/parse.h"

namespace {

thread_local unsigned refused_count = 0;

// A number the field cannot hold would reach the logger as another value: it is
// refused. A text that is no number is read as absent, but said so, since the
// field is then left out. An empty text is absent.
bool read_number(Txml_element element, const char* name, int type, void* out)
{
    const char* text = xml_FindAttributeValue(element, name);
    if (!text || !*text || !out)
        return false;
    bool beyond = false;
    bool error = false;
    switch (type) {
    case VALUE_INT:
        error = parse_int_in_range(text, static_cast<int*>(out), &beyond);
        break;
    case VALUE_UINT:
        error = parse_uint_in_range(text, static_cast<unsigned*>(out), &beyond);
        break;
    case VALUE_DOUBLE: {
        // Every real number of a configuration is stored as an IEEE single.
        double* real = static_cast<double*>(out);
        error = parse_double(text, real);
        beyond = !error && !(std::fabs(*real) <= FLT_MAX);
        error = error || beyond;
        break;
    }
    default:
        return false;
    }
    if (!error)
        return true;
    if (beyond) {
        ++refused_count;
        log_printf("ERROR : Teeprom_configurer, %s %s=\"%s\" is out of range", xml_GetName(element), name, text);
    } else {
        log_printf("ERROR : Teeprom_configurer, %s %s=\"%s\" is not %s, left out", xml_GetName(element), name,
                   text, type == VALUE_DOUBLE ? "a number" : "a whole number");
    }
    return false;
}

}  // namespace

namespace eeprom {

unsigned refused_numbers()
{
    return refused_count;
}

bool attribute_int(Txml_element element, const char* name, int* out)
{
    return read_number(element, name, VALUE_INT, out);
}

bool attribute_uint(Txml_element element, const char* name, unsigned* out)
{
    return read_number(element, name, VALUE_UINT, out);
}

bool attribute_double(Txml_element element, const char* name, double* out)
{
    return read_number(element, name, VALUE_DOUBLE, out);
}

int attribute_int_or(Txml_element element, const char* name, int fallback)
{
    int value = 0;
    return attribute_int(element, name, &value) ? value : fallback;
}

unsigned attribute_uint_or(Txml_element element, const char* name, unsigned fallback)
{
    unsigned value = 0;
    return attribute_uint(element, name, &value) ? value : fallback;
}

const char* attribute_text(Txml_element element, const char* name)
{
    return xml_FindAttributeValue(element, name);
}

unsigned cut_length(const char* text, unsigned max)
{
    unsigned n = 0;
    while (text && n < max && text[n])
        ++n;
    return n;
}

const char* attribute_text_up_to(Txml_element element, const char* name, unsigned max)
{
    const char* text = attribute_text(element, name);
    return text && cut_length(text, max + 1) <= max ? text : nullptr;
}

bool attribute_is(Txml_element element, const char* name, const char* word)
{
    return xml_AttributeIs(element, name, word);
}

int attribute_word(Txml_element element, const char* name, const Tword_value* table, unsigned count,
                   int fallback)
{
    const char* text = attribute_text(element, name);
    if (!text)
        return fallback;
    for (unsigned i = 0; i < count; ++i)
        if (text_compare_nocase(text, table[i].word) == 0)
            return table[i].value;
    return fallback;
}

unsigned attribute_hex_bytes(Txml_element element, const char* name, unsigned char* out, unsigned max)
{
    const char* text = attribute_text(element, name);
    if (!text || max == 0)
        return 0;
    return static_cast<unsigned>(hex_decode(reinterpret_cast<char*>(out), text, static_cast<int>(max)));
}

unsigned attribute_hex_number(Txml_element element, const char* name, unsigned max_bytes)
{
    unsigned char bytes[4] = {};
    const unsigned n = attribute_hex_bytes(element, name, bytes, max_bytes < 4 ? max_bytes : 4);
    unsigned value = 0;
    for (unsigned i = 0; i < n; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

unsigned dotted_bytes(const char* text, unsigned char out[4])
{
    std::memset(out, 0, 4);
    unsigned count = 0;
    bool in_number = false;
    for (const char* p = text; p && *p && count <= 4; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (!in_number) {
                if (count == 4)
                    break;
                ++count;
                in_number = true;
            }
            out[count - 1] = static_cast<unsigned char>(out[count - 1] * 10u + static_cast<unsigned>(*p - '0'));
        } else {
            in_number = false;
        }
    }
    return count;
}

unsigned float_bits(double value)
{
    const float single = static_cast<float>(value);
    unsigned bits = 0;
    static_assert(sizeof bits == sizeof single, "IEEE single expected");
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
}

unsigned attribute_const_value(Txml_element element)
{
    unsigned value = 0;
    double real = 0;
    if (attribute_double(element, "value_float", &real))
        value = float_bits(real);
    attribute_uint(element, "value", &value);
    attribute_uint(element, "value_int", &value);
    static const char* const byte_names[4] = {"byte3", "byte2", "byte1", "byte0"};
    for (unsigned i = 0; i < 4; ++i) {
        unsigned byte = 0;
        if (attribute_uint(element, byte_names[i], &byte)) {
            const unsigned shift = 24 - 8 * i;
            value = (value & ~(0xFFu << shift)) | ((byte & 0xFFu) << shift);
        }
    }
    if (attribute_text(element, "value_hex"))
        value = attribute_hex_number(element, "value_hex", 4);
    return value;
}

void put_be32(unsigned char* out, unsigned value)
{
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

void put_be16(unsigned char* out, unsigned value)
{
    out[0] = static_cast<unsigned char>(value >> 8);
    out[1] = static_cast<unsigned char>(value);
}

}  // namespace eeprom
