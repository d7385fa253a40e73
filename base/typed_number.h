#pragma once

class Tmy_string;

// The language of the window that shows a refusal.
enum class Twindow_language { english, french };

// A number that a person typed into a field. All of the text must be the
// number, in the parsers' grammar (blanks and tabs ignored, a sign), and lie
// within its field's range: a text with no digit, a foreign character after
// the digits ("12ab", "1,5", "1e6") or a value outside the range is refused,
// never read in part, wrapped or clamped. A refusal names the field, the text
// and the range in why: «ACQ counter: "-5" is no whole number from 0 to
// 2147483647».

// A whole number from low to high; the range lies within that of a 32-bit
// int (low below 0) or of a 32-bit unsigned (low 0 or more).
bool read_typed_whole_number(const char* text, const char* field, long long low, long long high, long long* value,
                             Tmy_string* why, Twindow_language language = Twindow_language::english);

// A decimal number (a fraction and an exponent allowed) from low to high; a
// result beyond what a double holds is refused as well.
bool read_typed_decimal(const char* text, const char* field, double low, double high, double* value,
                        Tmy_string* why, Twindow_language language = Twindow_language::english);
