#pragma once

#include <cstdint>
#include <string>

// Number parsers, hex, bounded copies, ASCII case-insensitive matching and byte
// readers. Parsers return true on failure and store the value parsed so far.
// Integers accumulate as 32-bit unsigned and wrap, never overflow.
// Blanks and tabs are ignored anywhere in a number.

bool parse_int(const char* text, int* out, int max_chars = 0);
int text_to_int(const char* text);
bool parse_uint(const char* text, unsigned* out, int max_chars = 0);
// The same grammar with a range check: true also for a number the type cannot
// hold (the parsers above wrap it modulo 2^32); out_of_range tells that case
// from a foreign character.
bool parse_int_in_range(const char* text, int* out, bool* out_of_range);
bool parse_uint_in_range(const char* text, unsigned* out, bool* out_of_range);
// A whole number written as such: blanks and tabs around it at most, one
// optional sign, then decimal digits and nothing else. True on failure: a text
// of another form, or a number outside min..max (out_of_range then true; out
// is set only on success).
bool parse_whole_number(const char* text, long long min, long long max, long long* out, bool* out_of_range);
// Hex digits only, blanks and tabs around them at most, at least one; the
// count of digits, or -1 for a text of another form. digits gets the text's
// first digit.
int hex_digit_run(const char* text, const char** digits);
bool parse_hex(const char* text, int* out, int length = 0);
bool parse_hex_unsigned(const char* text, unsigned* out, int length = 0);
int hex_text_to_int(const char* text);
bool parse_double(const char* text, double* out);
// Strict forms for the values of files, which no person typed and so must be
// one number of their kind whole: blanks only around it, one sign only before
// its first digit. A decimal: digits with at most one point, at least one
// digit, an optional exponent (e or E, a sign, digits); its value is
// parse_double's. An integer: digits that fit 64 bits signed. True on failure,
// with out 0.
bool parse_decimal_number(const char* text, double* out);
bool parse_int64_number(const char* text, int64_t* out);
double text_to_double(const char* text);
unsigned ipv4_from_text(const char* text);

char hex_char(unsigned value);
int hex_value(char c, bool* error);
bool is_hex_digit(char c);
void hex_encode(char* buf, const void* data, unsigned count);
int hex_decode(char* buf, const char* text, int max);
char* bytes_to_hex_spaced(char* buf, const void* data, unsigned len);
char* bytes_to_printable(char* buf, const void* data, unsigned len);

// Copies only what fits whole: a text that does not fit leaves dst empty, result 0.
int text_copy_bounded(char* dst, const char* src, int size);
void text_replace_char(char* text, char from, char to);
bool text_starts_with_nocase(const char* text, const char* prefix);
int text_compare_nocase(const char* a, const char* b);
bool is_printable_char(unsigned char c);
bool is_char_in_set(char c, const char* set);
void text_to_lower(char* text);

unsigned bcd_le_to_uint(const void* bytes);
unsigned bcd_be_to_uint(const void* bytes);
unsigned read_be32(const void* bytes);
// Four bytes, most significant first.
void write_be32(void* bytes, unsigned value);
unsigned read_be16(const void* bytes);
int read_le32_at(const void* bytes, unsigned position);
unsigned read_le16_at(const void* bytes, unsigned position);
// The IEEE single of the first four big-endian bytes; 0 when length < 4.
float read_be_float(const void* bytes, unsigned length);
double uint_to_double(unsigned value);
unsigned char byte_value(unsigned char value);

// No-value markers: a float >= 3.4e38, a double >= 1.7e308.
bool float_is_undefined(float value);
float float_undefined();
bool double_is_undefined(double value);
double double_undefined();
double double_min_defined(double a, double b);
// A value as the user reads it: printf format (one double conversion) of the
// value, or "undefined" for a no-value marker (never the marker's digits).
std::string shown_double(const char* format, double value);
std::string shown_float(const char* format, float value);
