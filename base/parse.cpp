#include "base/parse.h"

#include <cmath>
#include <cstring>

#include "base/my_string.h"

namespace {

bool is_blank_or_tab(char c)
{
    return c == ' ' || c == '\t';
}

char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool within(int count, int max_chars)
{
    return max_chars <= 0 || count < max_chars;
}

bool parse_hex_bits(const char* text, unsigned* out, int length)
{
    unsigned value = 0;
    bool error = false;
    if (text) {
        for (int i = 0; text[i] && (length <= 0 || i < length); ++i) {
            bool bad = false;
            value = (value << 4) | static_cast<unsigned>(hex_value(text[i], &bad));
            error = error || bad;
        }
    } else {
        error = true;
    }
    if (out)
        *out = value;
    return error;
}

}  // namespace

namespace {

// A decimal number of the parsers' grammar: blanks and tabs skipped, "+" (and
// for signed numbers "-", the last sign wins) wherever they stand.
struct Tdecimal {
    unsigned value = 0;  // modulo 2^32, as the plain parsers give it
    bool negative = false;
    bool error = false;  // a foreign character ended the number
    unsigned long long magnitude = 0;  // the true magnitude, held at 2^32 + 1 and beyond
};

constexpr unsigned long long beyond_32_bits = 0x100000001ULL;

Tdecimal scan_decimal(const char* text, int max_chars, bool signs)
{
    Tdecimal number;
    for (int i = 0; text[i] && within(i, max_chars); ++i) {
        const char c = text[i];
        if (is_blank_or_tab(c))
            continue;
        if (c == '+') {
            number.negative = false;
        } else if (c == '-' && signs) {
            number.negative = true;
        } else if (c >= '0' && c <= '9') {
            const unsigned digit = static_cast<unsigned>(c - '0');
            number.value = number.value * 10u + digit;
            if (number.magnitude < beyond_32_bits)
                number.magnitude = number.magnitude * 10u + digit;
            if (number.magnitude > beyond_32_bits)
                number.magnitude = beyond_32_bits;
        } else {
            number.error = true;
            break;
        }
    }
    if (number.negative)
        number.value = 0u - number.value;
    return number;
}

bool int_in_range(const Tdecimal& number)
{
    return number.magnitude <= (number.negative ? 0x80000000ULL : 0x7FFFFFFFULL);
}

}  // namespace

bool parse_int(const char* text, int* out, int max_chars)
{
    const Tdecimal number = text ? scan_decimal(text, max_chars, true) : Tdecimal{};
    if (out)
        *out = static_cast<int>(number.value);
    return !text || number.error;
}

int text_to_int(const char* text)
{
    int value = 0;
    parse_int(text, &value, 0);
    return value;
}

bool parse_uint(const char* text, unsigned* out, int max_chars)
{
    const Tdecimal number = text ? scan_decimal(text, max_chars, false) : Tdecimal{};
    if (out)
        *out = number.value;
    return !text || number.error;
}

bool parse_int_in_range(const char* text, int* out, bool* out_of_range)
{
    const Tdecimal number = text ? scan_decimal(text, 0, true) : Tdecimal{};
    const bool beyond = !int_in_range(number);
    if (out)
        *out = static_cast<int>(number.value);
    if (out_of_range)
        *out_of_range = beyond;
    return !text || number.error || beyond;
}

bool parse_uint_in_range(const char* text, unsigned* out, bool* out_of_range)
{
    const Tdecimal number = text ? scan_decimal(text, 0, false) : Tdecimal{};
    const bool beyond = number.magnitude > 0xFFFFFFFFULL;
    if (out)
        *out = number.value;
    if (out_of_range)
        *out_of_range = beyond;
    return !text || number.error || beyond;
}

bool parse_whole_number(const char* text, long long min, long long max, long long* out, bool* out_of_range)
{
    if (out_of_range)
        *out_of_range = false;
    if (!text)
        return true;
    const char* p = text;
    while (is_blank_or_tab(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (*p < '0' || *p > '9')
        return true;
    // The digits are read whole whatever their count; beyond 64 bits the
    // number lies outside every range, and nothing wraps.
    const unsigned long long limit = negative ? 1ULL << 63 : (1ULL << 63) - 1;
    unsigned long long magnitude = 0;
    bool beyond = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (limit - digit) / 10)
            beyond = true;
        else
            magnitude = magnitude * 10 + digit;
    }
    while (is_blank_or_tab(*p))
        ++p;
    if (*p)
        return true;
    const long long value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    if (beyond || value < min || value > max) {
        if (out_of_range)
            *out_of_range = true;
        return true;
    }
    if (out)
        *out = value;
    return false;
}

int hex_digit_run(const char* text, const char** digits)
{
    if (!text)
        return -1;
    const char* p = text;
    while (is_blank_or_tab(*p))
        ++p;
    const char* first = p;
    while (is_hex_digit(*p))
        ++p;
    const int count = static_cast<int>(p - first);
    while (is_blank_or_tab(*p))
        ++p;
    if (*p || count == 0)
        return -1;
    if (digits)
        *digits = first;
    return count;
}

bool parse_hex(const char* text, int* out, int length)
{
    unsigned value = 0;
    const bool error = parse_hex_bits(text, &value, length);
    if (out)
        *out = static_cast<int>(value);
    return error;
}

bool parse_hex_unsigned(const char* text, unsigned* out, int length)
{
    return parse_hex_bits(text, out, length);
}

int hex_text_to_int(const char* text)
{
    int value = 0;
    parse_hex(text, &value, 0);
    return value;
}

bool parse_double(const char* text, double* out)
{
    if (!text) {
        if (out)
            *out = 0;
        return true;
    }
    double mantissa = 0;
    double exponent = 0;
    bool mantissa_negative = false;
    bool exponent_negative = false;
    bool in_exponent = false;
    bool in_fraction = false;
    double scale = 0.1;
    bool error = false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        double& part = in_exponent ? exponent : mantissa;
        if (is_blank_or_tab(c))
            continue;
        if (c >= '0' && c <= '9') {
            if (in_fraction) {
                part += (c - '0') * scale;
                scale /= 10;
            } else {
                part = part * 10 + (c - '0');
            }
        } else if (c == '.') {
            in_fraction = true;
        } else if (c == 'e' || c == 'E') {
            in_exponent = true;
            in_fraction = false;
            scale = 0.1;
        } else if (c == '+' || c == '-') {
            (in_exponent ? exponent_negative : mantissa_negative) = c == '-';
        } else {
            error = true;
            break;
        }
    }
    const double signed_mantissa = mantissa_negative ? -mantissa : mantissa;
    const double signed_exponent = exponent_negative ? -exponent : exponent;
    if (out)
        *out = signed_exponent == 0 ? signed_mantissa : signed_mantissa * std::pow(10.0, signed_exponent);
    return error;
}

double text_to_double(const char* text)
{
    double value = 0;
    parse_double(text, &value);
    return value;
}

unsigned ipv4_from_text(const char* text)
{
    if (!text)
        return 0;
    unsigned value = 0;
    unsigned part = 0;
    for (const char* p = text;; ++p) {
        if (*p >= '0' && *p <= '9') {
            part = (part * 10u + static_cast<unsigned>(*p - '0')) & 0xFFu;
        } else if (*p == '.' || *p == '\0') {
            value = (value << 8) | part;
            part = 0;
            if (*p == '\0')
                break;
        }
    }
    return value;
}

char hex_char(unsigned value)
{
    return "0123456789ABCDEF"[value & 0xFu];
}

int hex_value(char c, bool* error)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    if (error)
        *error = value < 0;
    return value < 0 ? 0 : value;
}

bool is_hex_digit(char c)
{
    bool error = false;
    hex_value(c, &error);
    return !error;
}

void hex_encode(char* buf, const void* data, unsigned count)
{
    if (!buf)
        return;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    unsigned k = 0;
    for (unsigned i = 0; bytes && i < count; ++i) {
        buf[k++] = hex_char(bytes[i] >> 4);
        buf[k++] = hex_char(bytes[i]);
    }
    buf[k] = '\0';
}

int hex_decode(char* buf, const char* text, int max)
{
    if (!buf || !text || max <= 0)
        return 0;
    int written = 0;
    int high = -1;
    for (const char* p = text; *p && written < max; ++p) {
        bool error = false;
        const int nibble = hex_value(*p, &error);
        if (error)
            continue;
        if (high < 0) {
            high = nibble;
        } else {
            buf[written++] = static_cast<char>((high << 4) | nibble);
            high = -1;
        }
    }
    return written;
}

char* bytes_to_hex_spaced(char* buf, const void* data, unsigned len)
{
    if (!buf)
        return nullptr;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    char* p = buf;
    for (unsigned i = 0; bytes && i < len; ++i) {
        *p++ = hex_char(bytes[i] >> 4);
        *p++ = hex_char(bytes[i]);
        *p++ = ' ';
    }
    *p = '\0';
    return p;
}

char* bytes_to_printable(char* buf, const void* data, unsigned len)
{
    if (!buf)
        return nullptr;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    char* p = buf;
    for (unsigned i = 0; bytes && i < len; ++i)
        *p++ = bytes[i] >= 32 && bytes[i] <= 126 ? static_cast<char>(bytes[i]) : '.';
    *p = '\0';
    return p;
}

int text_copy_bounded(char* dst, const char* src, int size)
{
    if (!dst || size <= 0)
        return 0;
    dst[0] = '\0';
    if (!src)
        return 0;
    const size_t length = std::strlen(src);
    if (length >= static_cast<size_t>(size))
        return 0;
    std::memcpy(dst, src, length + 1);
    return static_cast<int>(length);
}

void text_replace_char(char* text, char from, char to)
{
    if (!text || from == '\0')
        return;
    for (char* p = text; *p; ++p)
        if (*p == from)
            *p = to;
}

bool text_starts_with_nocase(const char* text, const char* prefix)
{
    if (!text || !prefix)
        return false;
    const size_t n = std::strlen(prefix);
    if (n == 0)
        return text[0] == '\0';
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '\0' || ascii_lower(text[i]) != ascii_lower(prefix[i]))
            return false;
    }
    return true;
}

int text_compare_nocase(const char* a, const char* b)
{
    if (!a || !b)
        return 1;
    for (; *a && *b; ++a, ++b)
        if (ascii_lower(*a) != ascii_lower(*b))
            return 1;
    return *a == *b ? 0 : 1;
}

bool is_printable_char(unsigned char c)
{
    return c >= 32 && c <= 127;
}

bool is_char_in_set(char c, const char* set)
{
    return set && c != '\0' && std::strchr(set, c) != nullptr;
}

void text_to_lower(char* text)
{
    if (!text)
        return;
    for (char* p = text; *p; ++p)
        *p = ascii_lower(*p);
}

namespace {

unsigned bcd_digit(unsigned nibble)
{
    return nibble > 9 ? 9 : nibble;
}

unsigned bcd_byte(unsigned char byte)
{
    return bcd_digit(byte >> 4) * 10 + bcd_digit(byte & 0xFu);
}

}  // namespace

unsigned bcd_le_to_uint(const void* bytes)
{
    if (!bytes)
        return 0;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    unsigned value = 0;
    for (int i = 3; i >= 0; --i)
        value = value * 100 + bcd_byte(b[i]);
    return value;
}

unsigned bcd_be_to_uint(const void* bytes)
{
    if (!bytes)
        return 0;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    unsigned value = 0;
    for (int i = 0; i < 4; ++i)
        value = value * 100 + bcd_byte(b[i]);
    return value;
}

unsigned read_be32(const void* bytes)
{
    if (!bytes)
        return 0;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    return (static_cast<unsigned>(b[0]) << 24) | (static_cast<unsigned>(b[1]) << 16) | (static_cast<unsigned>(b[2]) << 8) | b[3];
}

void write_be32(void* bytes, unsigned value)
{
    unsigned char* b = static_cast<unsigned char*>(bytes);
    b[0] = static_cast<unsigned char>(value >> 24);
    b[1] = static_cast<unsigned char>(value >> 16);
    b[2] = static_cast<unsigned char>(value >> 8);
    b[3] = static_cast<unsigned char>(value);
}

unsigned read_be16(const void* bytes)
{
    if (!bytes)
        return 0;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    return (static_cast<unsigned>(b[0]) << 8) | b[1];
}

int read_le32_at(const void* bytes, unsigned position)
{
    if (!bytes)
        return 0;
    const unsigned char* b = static_cast<const unsigned char*>(bytes) + position;
    return static_cast<int>((static_cast<unsigned>(b[3]) << 24) | (static_cast<unsigned>(b[2]) << 16) | (static_cast<unsigned>(b[1]) << 8) | b[0]);
}

unsigned read_le16_at(const void* bytes, unsigned position)
{
    if (!bytes)
        return 0;
    const unsigned char* b = static_cast<const unsigned char*>(bytes) + position;
    return (static_cast<unsigned>(b[1]) << 8) | b[0];
}

float read_be_float(const void* bytes, unsigned length)
{
    if (!bytes || length < 4)
        return 0;
    const unsigned bits = read_be32(bytes);
    float value;
    static_assert(sizeof value == sizeof bits, "IEEE single expected");
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double uint_to_double(unsigned value)
{
    return static_cast<double>(value);
}

unsigned char byte_value(unsigned char value)
{
    return value;
}

bool float_is_undefined(float value)
{
    return value >= 3.4e38f;
}

float float_undefined()
{
    return 3.402e38f;
}

bool double_is_undefined(double value)
{
    return value >= 1.7e308;
}

double double_undefined()
{
    return 1.797e308;
}

namespace {
const char* const undefined_text = "undefined";

std::string formatted_double(const char* format, double value)
{
    Tmy_string text;
    text.printf(format, value);
    return std::string(text.c_str(), text.length());
}
}  // namespace

std::string shown_double(const char* format, double value)
{
    return double_is_undefined(value) ? undefined_text : formatted_double(format, value);
}

std::string shown_float(const char* format, float value)
{
    return float_is_undefined(value) ? undefined_text : formatted_double(format, static_cast<double>(value));
}

double double_min_defined(double a, double b)
{
    if (double_is_undefined(a))
        return b;
    if (double_is_undefined(b))
        return a;
    return a < b ? a : b;
}

namespace {

// The text past blanks and tabs at p.
const char* skip_blanks(const char* p)
{
    while (is_blank_or_tab(*p))
        ++p;
    return p;
}

const char* skip_digits(const char* p, int* count)
{
    *count = 0;
    while (*p >= '0' && *p <= '9') {
        ++p;
        ++*count;
    }
    return p;
}

}  // namespace

bool parse_decimal_number(const char* text, double* out)
{
    double value = 0;
    bool whole = false;
    if (text) {
        const char* p = skip_blanks(text);
        if (*p == '+' || *p == '-')
            ++p;
        int integer_digits = 0;
        int fraction_digits = 0;
        p = skip_digits(p, &integer_digits);
        if (*p == '.')
            p = skip_digits(p + 1, &fraction_digits);
        whole = integer_digits + fraction_digits > 0;
        if (whole && (*p == 'e' || *p == 'E')) {
            ++p;
            if (*p == '+' || *p == '-')
                ++p;
            int exponent_digits = 0;
            p = skip_digits(p, &exponent_digits);
            whole = exponent_digits > 0;
        }
        whole = whole && *skip_blanks(p) == '\0' && !parse_double(text, &value);
    }
    if (out)
        *out = whole ? value : 0;
    return !whole;
}

bool parse_int64_number(const char* text, int64_t* out)
{
    long long value = 0;
    const bool failed = parse_whole_number(text, INT64_MIN, INT64_MAX, &value, nullptr);
    if (out)
        *out = failed ? 0 : value;
    return failed;
}
