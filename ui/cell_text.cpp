#include "ui/cell_text.h"

#include <cstdarg>
#include <charconv>
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

void append_fixed(std::string& out, double value, int decimals)
{
    char buffer[64];
    const std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (written.ec == std::errc())
        out.append(buffer, written.ptr);
    else
        append_printf(out, "%.*f", decimals, value);  // longer than the buffer: a huge value
}

void append_integer(std::string& out, long long value)
{
    char buffer[24];
    const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, written.ptr);
}
