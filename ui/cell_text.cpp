#include "ui/cell_text.h"

#include <cstdarg>
#include <cstdio>

void append_printf(std::string& out, const char* format, ...)
{
    // Nearly every cell fits the stack buffer; a huge double does not.
    char buffer[64];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length > 0 && static_cast<unsigned>(length) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(length));
    } else if (length > 0) {
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&out[start], static_cast<std::size_t>(length) + 1, format, again);
        out.resize(start + static_cast<std::size_t>(length));
    }
    va_end(again);
}
