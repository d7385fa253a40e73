#include "data/eeprom_attributes.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "base/parse.h"
#include "data/eeprom_compile_errors.h"

namespace {

thread_local unsigned refused_count = 0;

// A value is named in its line, but a value of megabytes is not logged whole.
constexpr unsigned shown_value_max = 80;

std::string shown_value(const char* text)
{
    const size_t length = std::strlen(text);
    if (length <= shown_value_max)
        return text;
    return std::string(text, shown_value_max) + "...";
}

}  // namespace

namespace eeprom {

unsigned refused_attributes()
{
    return refused_count;
}

void refuse_attribute(Txml_element element, const char* name, const char* text, const char* reason)
{
    ++refused_count;
    log_compile_error("Teeprom_configurer, %s %s=\"%s\" %s", xml_GetName(element), name,
                      shown_value(text ? text : "").c_str(), reason);
}

bool attribute_number(Txml_element element, const char* name, Tfield_range range, long long* out)
{
    const char* text = xml_FindAttributeValue(element, name);
    if (!text)
        return false;
    bool beyond = false;
    long long value = 0;
    if (parse_whole_number(text, range.min, range.max, &value, &beyond)) {
        refuse_attribute(element, name, text, beyond ? "is out of range" : "is not a whole number");
        return false;
    }
    if (out)
        *out = value;
    return true;
}

long long attribute_number_or(Txml_element element, const char* name, Tfield_range range, long long fallback)
{
    long long value = 0;
    return attribute_number(element, name, range, &value) ? value : fallback;
}

unsigned char attribute_byte_or(Txml_element element, const char* name, int fallback)
{
    return static_cast<unsigned char>(attribute_number_or(element, name, field_8bit, fallback));
}

unsigned attribute_u16_or(Txml_element element, const char* name, int fallback)
{
    return static_cast<unsigned>(attribute_number_or(element, name, field_16bit, fallback)) & 0xFFFFu;
}

bool attribute_int(Txml_element element, const char* name, int* out)
{
    long long value = 0;
    if (!attribute_number(element, name, field_int32, &value))
        return false;
    if (out)
        *out = static_cast<int>(value);
    return true;
}

bool attribute_uint(Txml_element element, const char* name, unsigned* out)
{
    long long value = 0;
    if (!attribute_number(element, name, field_uint32, &value))
        return false;
    if (out)
        *out = static_cast<unsigned>(value);
    return true;
}

bool attribute_double(Txml_element element, const char* name, double* out)
{
    const char* text = xml_FindAttributeValue(element, name);
    if (!text || !out)
        return false;
    double real = 0;
    if (!*text || parse_double(text, &real)) {
        refuse_attribute(element, name, text, "is not a number");
        return false;
    }
    // Every real number of a configuration is stored as an IEEE single.
    if (!(std::fabs(real) <= FLT_MAX)) {
        refuse_attribute(element, name, text, "is out of range");
        return false;
    }
    *out = real;
    return true;
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
    if (!text || cut_length(text, max + 1) <= max)
        return text;
    std::string reason = "is longer than " + std::to_string(max) + " characters";
    refuse_attribute(element, name, text, reason.c_str());
    return nullptr;
}

bool attribute_is(Txml_element element, const char* name, const char* word)
{
    return xml_AttributeIs(element, name, word);
}

bool word_value(const char* text, const Tword_value* table, unsigned count, int* out)
{
    for (unsigned i = 0; text && i < count; ++i) {
        if (text_compare_nocase(text, table[i].word) == 0) {
            if (out)
                *out = table[i].value;
            return true;
        }
    }
    return false;
}

int attribute_word(Txml_element element, const char* name, const Tword_value* table, unsigned count,
                   int fallback)
{
    const char* text = attribute_text(element, name);
    if (!text)
        return fallback;
    int value = fallback;
    if (!word_value(text, table, count, &value))
        refuse_attribute(element, name, text, "is none of its words");
    return value;
}

unsigned attribute_hex_bytes(Txml_element element, const char* name, unsigned char* out, unsigned max)
{
    const char* text = attribute_text(element, name);
    if (!text || max == 0)
        return 0;
    // Pairs of hex digits, blanks between the pairs (as the setup writer
    // spaces the bytes of a record) and around them at most.
    unsigned char bytes[256];
    unsigned count = 0;
    bool whole = true;
    for (const char* p = text; whole && *p;) {
        if (*p == ' ' || *p == '\t') {
            ++p;
            continue;
        }
        whole = is_hex_digit(p[0]) && is_hex_digit(p[1]) && count < max && count < sizeof bytes;
        if (whole)
            bytes[count++] = static_cast<unsigned char>((hex_value(p[0], nullptr) << 4) | hex_value(p[1], nullptr));
        p += 2;
    }
    if (!whole) {
        const std::string reason = "is not a key of up to " + std::to_string(max) + " bytes in pairs of hex digits";
        refuse_attribute(element, name, text, reason.c_str());
        return 0;
    }
    std::memcpy(out, bytes, count);
    return count;
}

unsigned attribute_hex_number(Txml_element element, const char* name, unsigned max_bytes)
{
    const char* text = attribute_text(element, name);
    if (!text)
        return 0;
    const unsigned max_digits = 2 * (max_bytes < 4 ? max_bytes : 4);
    const char* digits = nullptr;
    const int count = hex_digit_run(text, &digits);
    if (count < 0 || static_cast<unsigned>(count) > max_digits) {
        const std::string reason = "is not a hex number of up to " + std::to_string(max_digits) + " digits";
        refuse_attribute(element, name, text, reason.c_str());
        return 0;
    }
    unsigned value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 4) | static_cast<unsigned>(hex_value(digits[i], nullptr));
    return value;
}

namespace {

// Numbers of 0 to 255 separated by anything else; false for a number beyond a
// byte, more than four numbers, or none.
bool split_numbers(const char* text, unsigned char out[4], unsigned* count, bool dots_only)
{
    std::memset(out, 0, 4);
    *count = 0;
    unsigned value = 0;
    bool in_number = false;
    bool separated = true;  // a dotted address: a dot before every number but the first
    for (const char* p = text;; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (!in_number) {
                if (*count == 4 || !separated)
                    return false;
                in_number = true;
                value = 0;
            }
            value = value * 10u + static_cast<unsigned>(*p - '0');
            if (value > 255)
                return false;
            continue;
        }
        if (in_number) {
            out[(*count)++] = static_cast<unsigned char>(value);
            in_number = false;
            separated = !dots_only;
        }
        if (!*p)
            break;
        if (dots_only && *p == '.') {
            if (separated || *count == 0)
                return false;
            separated = true;
        } else if (dots_only) {
            return false;
        }
    }
    return *count > 0 && (!dots_only || (*count == 4 && !separated));
}

}  // namespace

void attribute_dotted(Txml_element element, const char* name, unsigned char out[4])
{
    std::memset(out, 0, 4);
    const char* text = attribute_text(element, name);
    if (!text)
        return;
    // Blanks around the address at most.
    std::string trimmed(text);
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    unsigned count = 0;
    if (!split_numbers(trimmed.c_str(), out, &count, true)) {
        std::memset(out, 0, 4);
        refuse_attribute(element, name, text, "is not an address of four numbers of 0 to 255");
    }
}

unsigned attribute_code_bytes(Txml_element element, const char* name, unsigned char out[4])
{
    std::memset(out, 0, 4);
    const char* text = attribute_text(element, name);
    if (!text)
        return 0;
    unsigned count = 0;
    if (!split_numbers(text, out, &count, false)) {
        std::memset(out, 0, 4);
        refuse_attribute(element, name, text, "is not a code of up to four numbers of 0 to 255");
        return 0;
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
        long long byte = 0;
        if (attribute_number(element, byte_names[i], field_8bit, &byte)) {
            const unsigned shift = 24 - 8 * i;
            value = (value & ~(0xFFu << shift)) | ((static_cast<unsigned>(byte) & 0xFFu) << shift);
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
