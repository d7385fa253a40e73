#include "programs/basic/pin_code.h"

#include <cstring>

bool is_pin_code(const char* text)
{
    if (!text)
        return false;
    const std::size_t length = std::strlen(text);
    if (length < pin_min_digits || length > pin_max_digits)
        return false;
    for (const char* c = text; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}
