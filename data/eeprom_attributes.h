#pragma once

#include "base/xml.h"

namespace eeprom {

// Attribute readers of the configuration compiler. A text that cannot go into
// its field as it stands (a number beyond the field, a text that is no number
// of the field's kind, a word the field does not know, a text longer than its
// field) is refused: the reader logs a line naming the element, the attribute
// and the value, counts the refusal and reads the attribute as absent. The
// compiler compares the count around an element to leave the whole element
// out, so that no part of a refused value reaches the logger as another one.
// Words are compared without regard to ASCII case.

// Attributes refused on this thread so far.
unsigned refused_attributes();
// Logs "<ELEMENT> <name>="<text>" <reason>" as a compile error and counts it.
void refuse_attribute(Txml_element element, const char* name, const char* text, const char* reason);

// The whole numbers a field takes. A field of one or two bytes takes the
// signed and the unsigned spelling of its bytes (-1 and 255 are both 0xFF).
struct Tfield_range {
    long long min;
    long long max;
};
constexpr Tfield_range field_8bit{-128, 255};
constexpr Tfield_range field_16bit{-32768, 65535};
constexpr Tfield_range field_int32{-2147483648LL, 2147483647LL};
constexpr Tfield_range field_uint32{0, 4294967295LL};

// A whole number (optional sign, decimal digits, blanks around at most) within
// range; false when the attribute is missing or refused.
bool attribute_number(Txml_element element, const char* name, Tfield_range range, long long* out);
long long attribute_number_or(Txml_element element, const char* name, Tfield_range range, long long fallback);
// The byte of an 8-bit field, the two bytes of a 16-bit field.
unsigned char attribute_byte_or(Txml_element element, const char* name, int fallback);
unsigned attribute_u16_or(Txml_element element, const char* name, int fallback);

bool attribute_int(Txml_element element, const char* name, int* out);
bool attribute_uint(Txml_element element, const char* name, unsigned* out);
bool attribute_double(Txml_element element, const char* name, double* out);
int attribute_int_or(Txml_element element, const char* name, int fallback);
unsigned attribute_uint_or(Txml_element element, const char* name, unsigned fallback);
// The text, or null when the attribute is missing.
const char* attribute_text(Txml_element element, const char* name);
// The length of the text cut to max characters (0 for null).
unsigned cut_length(const char* text, unsigned max);
// The text when it is present and has at most max characters; null when it is
// missing, and refused (null) when it is longer.
const char* attribute_text_up_to(Txml_element element, const char* name, unsigned max);
bool attribute_is(Txml_element element, const char* name, const char* word);

struct Tword_value {
    const char* word;
    int value;
};
// The value of the word text is (table of count entries); false when it is none.
bool word_value(const char* text, const Tword_value* table, unsigned count, int* out);
// The value of the word the attribute holds; fallback for a missing attribute,
// and for a text that is none of the words, which is refused.
int attribute_word(Txml_element element, const char* name, const Tword_value* table,
                   unsigned count, int fallback);

// A key of bytes: pairs of hex digits only, at most max bytes; the bytes not
// given stay as they are (0 in a cleared buffer). The count decoded; 0 for a
// missing attribute or a refused text.
unsigned attribute_hex_bytes(Txml_element element, const char* name, unsigned char* out,
                             unsigned max);
// A hex number of at most max_bytes bytes (an odd count of digits too); 0
// when missing or refused.
unsigned attribute_hex_number(Txml_element element, const char* name, unsigned max_bytes);
// An address of four decimal numbers of 0 to 255 separated by dots, blanks
// around at most; 0.0.0.0 when missing or refused.
void attribute_dotted(Txml_element element, const char* name, unsigned char out[4]);
// A code of up to four decimal numbers of 0 to 255 separated by any other
// characters (1.8.0, 1-0:1.8.0): the separators of such codes vary. Missing
// numbers 0; the count of numbers, 0 when missing or refused.
unsigned attribute_code_bytes(Txml_element element, const char* name, unsigned char out[4]);

// The bits of the IEEE single nearest to value.
unsigned float_bits(double value);
// The value of CONST and CONFIG32: value_float, value, value_int, byte3 to
// byte0, value_hex, each present one overriding what came before.
unsigned attribute_const_value(Txml_element element);

void put_be32(unsigned char* out, unsigned value);
void put_be16(unsigned char* out, unsigned value);

}  // namespace eeprom
