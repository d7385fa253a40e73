#include "base/params.h"

#include <cstring>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"

namespace {

bool matches(const char* key, const char* name, const char* value)
{
    return key && name && value && text_compare_nocase(key, name) == 0;
}

}  // namespace

int param_match_bool(const char* key, const char* name, const char* value, bool* out)
{
    if (!out || !matches(key, name, value))
        return 0;
    *out = text_compare_nocase(value, "true") == 0;
    return 1;
}

int param_match_string(const char* key, const char* name, const char* value, char* out, int size)
{
    if (!out || size <= 0 || !matches(key, name, value))
        return 0;
    if (std::strlen(value) >= static_cast<size_t>(size)) {
        // Dropping the value silently would leave the resource unconfigured.
        log_printf("ERROR : parameter %s : value too long (at most %d characters)", name, size - 1);
        return 0;
    }
    text_copy_bounded(out, value, size);
    return 1;
}

int param_match_my_string(const char* key, const char* name, const char* value, Tmy_string* out)
{
    if (!out || !matches(key, name, value))
        return 0;
    out->assign(value);
    return 1;
}

int param_match_uint(const char* key, const char* name, const char* value, unsigned* out)
{
    if (!out || !matches(key, name, value))
        return 0;
    parse_uint(value, out, 0);
    return 1;
}

bool convert_value(const char* text, void* out, int type, int size)
{
    if (!text || !out)
        return true;
    switch (type) {
    case VALUE_TEXT: {
        char* buffer = static_cast<char*>(out);
        if (size <= 0)
            return true;
        const size_t length = std::strlen(text);
        const size_t kept = length < static_cast<size_t>(size) ? length : static_cast<size_t>(size) - 1;
        std::memcpy(buffer, text, kept);
        buffer[kept] = '\0';
        return kept < length;
    }
    case VALUE_INT:
        return parse_int(text, static_cast<int*>(out), 0);
    case VALUE_UINT:
        return parse_uint(text, static_cast<unsigned*>(out), 0);
    case VALUE_DOUBLE:
        return parse_double(text, static_cast<double*>(out));
    case VALUE_MY_STRING:
        static_cast<Tmy_string*>(out)->assign(text);
        return false;
    default:
        return true;
    }
}
