#include "base/typed_number.h"

#include <cmath>
#include <cstring>

#include "base/my_string.h"
#include "base/parse.h"

namespace {

// The parsers give 0 without error for a text of blanks and signs only.
bool has_digit(const char* text)
{
    return std::strpbrk(text, "0123456789") != nullptr;
}

}  // namespace

bool read_typed_whole_number(const char* text, const char* field, long long low, long long high, long long* value,
                             Tmy_string* why, Twindow_language language)
{
    const char* typed = text ? text : "";
    long long number = 0;
    bool refused = !has_digit(typed);
    if (!refused && low < 0) {
        int parsed = 0;
        refused = parse_int_in_range(typed, &parsed, nullptr);
        number = parsed;
    } else if (!refused) {
        unsigned parsed = 0;
        refused = parse_uint_in_range(typed, &parsed, nullptr);
        number = parsed;
    }
    refused = refused || number < low || number > high;
    if (refused) {
        if (why)
            why->printf(language == Twindow_language::french ? "%s : \"%s\" n'est pas un nombre entier de %lld \xC3\xA0 %lld"
                                                             : "%s: \"%s\" is no whole number from %lld to %lld",
                        field, typed, low, high);
        return false;
    }
    if (value)
        *value = number;
    return true;
}

bool read_typed_decimal(const char* text, const char* field, double low, double high, double* value,
                        Tmy_string* why, Twindow_language language)
{
    const char* typed = text ? text : "";
    double number = 0;
    const bool refused = !has_digit(typed) || parse_double(typed, &number) || !std::isfinite(number) ||
                         number < low || number > high;
    if (refused) {
        if (why)
            why->printf(language == Twindow_language::french
                            ? "%s : \"%s\" n'est pas un nombre de %.15g \xC3\xA0 %.15g (d\xC3\xA9" "cimales apr\xC3\xA8s un point)"
                            : "%s: \"%s\" is no number from %.15g to %.15g (decimals after a point)",
                        field, typed, low, high);
        return false;
    }
    if (value)
        *value = number;
    return true;
}
