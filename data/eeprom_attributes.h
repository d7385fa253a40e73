#pragma once

#include "base/xml.h"

namespace eeprom {

// Attribute readers of the configuration compiler. Numbers are decimal; a text
// that is not a number of the kind asked for is logged and counts as absent; a
// number beyond the range of its type is logged, counted as refused and read as
// absent. Words are compared without regard to ASCII case.

// Numbers refused on this thread so far: the compiler compares the count
// around an element to refuse the element.
unsigned refused_numbers();

bool attribute_int(Txml_element element, const char* name, int* out);
bool attribute_uint(Txml_element element, const char* name, unsigned* out);
bool attribute_double(Txml_element element, const char* name, double* out);
int attribute_int_or(Txml_element element, const char* name, int fallback);
unsigned attribute_uint_or(Txml_element element, const char* name, unsigned fallback);
// The text, or null when the attribute is missing.
const char* attribute_text(Txml_element element, const char* name);
// The length of the text cut to max characters (0 for null).
unsigned cut_length(const char* text, unsigned max);
// The text when it is present and has at most max characters, else null.
const char* attribute_text_up_to(Txml_element element, const char* name, unsigned max);
bool attribute_is(Txml_element element, const char* name, const char* word);

struct Tword_value {
    const char* word;
    int value;
};
// The value of the word the attribute holds; fallback for a missing attribute
// or a word not in the table (count entries).
int attribute_word(Txml_element element, const char* name, const Tword_value* table,
                   unsigned count, int fallback);

// Pairs of hex digits into bytes, other characters skipped; the count decoded.
unsigned attribute_hex_bytes(Txml_element element, const char* name, unsigned char* out,
                             unsigned max);
// Up to max_bytes hex bytes taken as one big-endian number (0 when missing).
unsigned attribute_hex_number(Txml_element element, const char* name, unsigned max_bytes);
// Up to four decimal numbers separated by non-digits, one byte each (missing
// ones 0); returns how many numbers the text held.
unsigned dotted_bytes(const char* text, unsigned char out[4]);

// The bits of the IEEE single nearest to value.
unsigned float_bits(double value);
// The value of CONST and CONFIG32: value_float, value, value_int, byte3 to
// byte0, value_hex, each present one overriding what came before.
unsigned attribute_const_value(Txml_element element);

void put_be32(unsigned char* out, unsigned value);
void put_be16(unsigned char* out, unsigned value);

}  // namespace eeprom
