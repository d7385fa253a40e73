#include "base/my_string.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/parse.h"
#include "base/regular_file.h"

const Tmy_string my_string_empty;

namespace {

const char empty_text[1] = {0};

// Longest conversion directive the engine collects, conversion character included.
constexpr unsigned max_spec = 31;

bool is_spec_char(char c)
{
    return std::strchr("-+ #0123456789.lhLqjzt", c) != nullptr && c != '\0';
}

// Decodes one well-formed UTF-8 sequence of 2 to 4 bytes at p (at most `left`
// bytes); returns its length and the code point, 0 when the bytes are no such
// sequence or name a character XML cannot hold.
unsigned utf8_sequence(const unsigned char* p, unsigned left, unsigned* code_point)
{
    unsigned need;
    unsigned cp;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        need = 2;
        cp = p[0] & 0x1Fu;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        need = 3;
        cp = p[0] & 0x0Fu;
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        need = 4;
        cp = p[0] & 0x07u;
    } else {
        return 0;
    }
    if (left < need)
        return 0;
    for (unsigned i = 1; i < need; ++i) {
        if ((p[i] & 0xC0u) != 0x80u)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    const unsigned smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[need] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
        return 0;
    *code_point = cp;
    return need;
}

void append_xml_escaped(Tmy_string* s, const unsigned char* p, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        switch (c) {
        case '<': s->append("&lt;"); continue;
        case '>': s->append("&gt;"); continue;
        case '&': s->append("&amp;"); continue;
        case '"': s->append("&quot;"); continue;
        case '\'': s->append("&apos;"); continue;
        default: break;
        }
        if (c < 32) {
            // XML has no way to hold the other control characters, not even as references.
            if (c == '\t' || c == '\n' || c == '\r')
                s->appendf("&#%d;", c);
        } else if (c >= 128) {
            unsigned cp = 0;
            const unsigned used = utf8_sequence(p + i, n - i, &cp);
            if (used) {
                s->appendf("&#%d;", static_cast<int>(cp));
                i += used - 1;
            } else {
                s->appendf("&#%d;", c);  // not UTF-8: taken as Latin-1
            }
        } else {
            s->append(reinterpret_cast<const char*>(p + i), 1);
        }
    }
}

void append_url_encoded(Tmy_string* s, const unsigned char* p, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            std::strchr("-_.!*'()", c) != nullptr) {
            if (c != 0)
                s->append(reinterpret_cast<const char*>(p + i), 1);
        } else {
            s->appendf("%%%02X", c);
        }
    }
}

void append_backslash_escaped(Tmy_string* s, const char* p, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        if (p[i] == '\'' || p[i] == '"' || p[i] == '\\')
            s->append("\\", 1);
        s->append(p + i, 1);
    }
}

void append_escaped_bytes(Tmy_string* s, const char* text, unsigned n, int kind)
{
    switch (kind) {
    case ESCAPE_BACKSLASH: append_backslash_escaped(s, text, n); break;
    case ESCAPE_XML: append_xml_escaped(s, reinterpret_cast<const unsigned char*>(text), n); break;
    case ESCAPE_URL: append_url_encoded(s, reinterpret_cast<const unsigned char*>(text), n); break;
    default: break;
    }
}

bool is_blank(char c)
{
    return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// The collected directive without its length modifiers, for the runtime's
// formatter: every integer argument is read as 32 bits ("ll" as 64), every
// floating one as a double.
bool runtime_spec(const char* spec, unsigned n, char* out)
{
    unsigned k = 0;
    unsigned ells = 0;
    for (unsigned i = 0; i + 1 < n; ++i) {
        if (spec[i] == 'l')
            ++ells;
        if (!std::strchr("lhLqjzt", spec[i]))
            out[k++] = spec[i];
    }
    const bool wide = ells >= 2 && std::strchr("diuxX", spec[n - 1]);
    if (wide) {
        out[k++] = 'l';
        out[k++] = 'l';
    }
    out[k++] = spec[n - 1];
    out[k] = '\0';
    return wide;
}

}  // namespace

Tmy_string::Tmy_string(const char* initial)
{
    append(initial);
}

Tmy_string::Tmy_string(const Tmy_string& other)
{
    if (other.len)
        append(other.text, other.len);
}

Tmy_string::Tmy_string(Tmy_string&& other) noexcept
{
    swap(other);
}

Tmy_string& Tmy_string::operator=(const Tmy_string& other)
{
    if (this != &other) {
        Tmy_string copy(other);
        swap(copy);
    }
    return *this;
}

Tmy_string& Tmy_string::operator=(Tmy_string&& other) noexcept
{
    if (this != &other) {
        clear();
        swap(other);
    }
    return *this;
}

Tmy_string::~Tmy_string()
{
    std::free(text);
}

void Tmy_string::swap(Tmy_string& other) noexcept
{
    std::swap(cap, other.cap);
    std::swap(len, other.len);
    std::swap(text, other.text);
    std::swap(flag, other.flag);
}

void Tmy_string::clear()
{
    std::free(text);
    text = nullptr;
    cap = 0;
    len = 0;
}

bool Tmy_string::grow(unsigned extra)
{
    const unsigned long long need = static_cast<unsigned long long>(len) + extra + 1;
    if (need < cap)
        return true;
    // Steps of 128 bytes for short texts; half the capacity once that is more,
    // so that a text of megabytes built byte by byte (an escaped XML value)
    // is not copied once per 128 bytes.
    const unsigned long long step = cap / 2 > 128 ? cap / 2 : 128;
    const unsigned long long bigger = std::min(static_cast<unsigned long long>(cap) + step, 0xFFFFFFFFull);
    const unsigned long long wanted = need > bigger ? need : bigger;
    if (wanted > 0xFFFFFFFFull)
        return false;
    char* fresh = static_cast<char*>(std::realloc(text, wanted));
    if (!fresh)
        return false;
    fresh[len] = '\0';
    text = fresh;
    cap = static_cast<unsigned>(wanted);
    return true;
}

bool Tmy_string::reserve(unsigned total)
{
    return total <= cap || grow(total - len - 1);
}

bool Tmy_string::owns(const char* p) const
{
    return text && p >= text && p < text + cap;
}

void Tmy_string::append(const char* data, unsigned n)
{
    if (!data)
        return;
    if (n == 0)
        n = static_cast<unsigned>(std::strlen(data));
    if (n == 0)
        return;
    if (owns(data)) {
        // Growing would move the bytes being appended: take a copy first.
        Tmy_string copy;
        copy.append(data, n);
        append(copy.text, n);
        return;
    }
    if (!grow(n))
        return;
    std::memcpy(text + len, data, n);
    len += n;
    text[len] = '\0';
}

void Tmy_string::assign(const char* value)
{
    if (!value)
        return;
    Tmy_string fresh(value);
    swap(fresh);
}

void Tmy_string::assignString(const Tmy_string* other)
{
    if (other == this)
        return;
    clear();
    appendString(other);
}

void Tmy_string::appendString(const Tmy_string* other)
{
    if (other && other->text)
        append(other->text, static_cast<unsigned>(std::strlen(other->text)));
}

int Tmy_string::appendUntil(const char* source, char stop)
{
    if (!source)
        return 0;
    unsigned n = 0;
    while (source[n] && source[n] != stop)
        ++n;
    if (n)
        append(source, n);
    return static_cast<int>(n);
}

const char* Tmy_string::c_str() const
{
    return text ? text : empty_text;
}

bool Tmy_string::startsWith(const char* prefix) const
{
    return text && text_starts_with_nocase(text, prefix);
}

int Tmy_string::toInt(unsigned position) const
{
    if (position >= len)
        return 0;
    const char* at = text + position;
    if (len >= position + 3 && at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) {
        unsigned value = 0;
        parse_hex_unsigned(at + 2, &value, 0);
        return static_cast<int>(value);
    }
    unsigned value = 0;
    parse_uint(at, &value, 0);
    return static_cast<int>(value);
}

int Tmy_string::loadFile(const char* path, Tfile_read_error* error)
{
    clear();
    FILE* file = open_regular_file(path, error);
    if (!file)
        return 1;
    errno = 0;  // what follows sets it when it fails
    int result = 1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size >= 0 && static_cast<unsigned long long>(size) < 0xFFFFFFFFull && std::fseek(file, 0, SEEK_SET) == 0) {
            char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
            if (buffer) {
                const size_t got = std::fread(buffer, 1, static_cast<size_t>(size), file);
                buffer[got] = '\0';
                text = buffer;
                cap = static_cast<unsigned>(size) + 1;
                len = static_cast<unsigned>(got);
                result = 0;
            }
        }
    }
    const int error_number = errno;
    std::fclose(file);
    if (result != 0 && error) {
        *error = Tfile_read_error();
        error->fault = Tfile_fault::unreadable;
        error->error_number = error_number ? error_number : EIO;
    }
    return result;
}

void Tmy_string::printf(const char* format, ...)
{
    if (!format)
        return;
    // Formatted apart and swapped in, so an argument may point into this string.
    Tmy_string result;
    va_list args;
    va_start(args, format);
    result.appendFormatted(format, args);
    va_end(args);
    result.flag = flag;
    swap(result);
}

void Tmy_string::appendf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vappendf(format, args);
    va_end(args);
}

void Tmy_string::vappendf(const char* format, va_list args)
{
    if (!format)
        return;
    // Formatted apart: an argument may point into this string, whose buffer moves
    // when it grows.
    Tmy_string piece;
    piece.appendFormatted(format, args);
    if (piece.len)
        append(piece.text, piece.len);
}

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif

void Tmy_string::appendFormatted(const char* format, va_list args)
{
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* run = p;
            while (*p && *p != '%')
                ++p;
            append(run, static_cast<unsigned>(p - run));
            continue;
        }
        char spec[max_spec + 1];
        unsigned n = 0;
        spec[n++] = *p++;
        while (*p && is_spec_char(*p) && n < max_spec - 1)
            spec[n++] = *p++;
        if (!*p) {
            append(spec, n);  // the format ends inside a directive: kept as text
            break;
        }
        const char conversion = *p++;
        spec[n++] = conversion;
        spec[n] = '\0';
        switch (conversion) {
        case '%':
            append("%", 1);
            break;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            if (c)
                append(&c, 1);
            break;
        }
        case 's':
        case 'a':
        case 'm':
        case 'r': {
            const char* arg = va_arg(args, const char*);
            if (!arg)
                break;
            const unsigned arg_len = static_cast<unsigned>(std::strlen(arg));
            if (conversion == 's')
                append(arg, arg_len);
            else
                append_escaped_bytes(this, arg, arg_len, conversion == 'a' ? ESCAPE_BACKSLASH : conversion == 'm' ? ESCAPE_XML : ESCAPE_URL);
            break;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'e':
        case 'f':
        case 'g':
        case 'E':
        case 'G': {
            char plain[max_spec + 2];
            const bool wide = runtime_spec(spec, n, plain);
            const bool floating = std::strchr("efgEG", conversion) != nullptr;
            const bool is_signed = conversion == 'd' || conversion == 'i';
            double d = 0;
            long long ll = 0;
            unsigned long long ull = 0;
            int i32 = 0;
            unsigned u32 = 0;
            if (floating)
                d = va_arg(args, double);
            else if (wide && is_signed)
                ll = va_arg(args, long long);
            else if (wide)
                ull = va_arg(args, unsigned long long);
            else if (is_signed)
                i32 = va_arg(args, int);
            else
                u32 = va_arg(args, unsigned);
            auto format_into = [&](char* out, size_t room) {
                if (floating)
                    return std::snprintf(out, room, plain, d);
                if (wide && is_signed)
                    return std::snprintf(out, room, plain, ll);
                if (wide)
                    return std::snprintf(out, room, plain, ull);
                if (is_signed)
                    return std::snprintf(out, room, plain, i32);
                return std::snprintf(out, room, plain, u32);
            };
            const int need = format_into(nullptr, 0);
            if (need <= 0 || !grow(static_cast<unsigned>(need)))
                break;
            format_into(text + len, static_cast<size_t>(need) + 1);
            len += static_cast<unsigned>(need);
            break;
        }
        default:
            append(spec, n);  // not a conversion of this engine: kept as text
            break;
        }
    }
}

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

void Tmy_string::appendHex(const void* data, unsigned n)
{
    if (!data || n == 0)
        return;
    if (!grow(n * 2))
        return;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (unsigned i = 0; i < n; ++i) {
        text[len++] = hex_char(bytes[i] >> 4);
        text[len++] = hex_char(bytes[i]);
    }
    text[len] = '\0';
}

void Tmy_string::appendXmlEscaped(const char* source, unsigned n)
{
    if (!source)
        return;
    if (n == 0)
        n = static_cast<unsigned>(std::strlen(source));
    Tmy_string escaped;
    append_xml_escaped(&escaped, reinterpret_cast<const unsigned char*>(source), n);
    appendString(&escaped);
}

void Tmy_string::appendBackslashHex(const char* data, unsigned n, int escape)
{
    if (!data)
        return;
    if (n == 0)
        n = static_cast<unsigned>(std::strlen(data));
    Tmy_string out;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            out.append(data + i, 1);
        else if (escape == 1)
            out.appendf("\\%02X", c);
    }
    appendString(&out);
}

void Tmy_string::appendBackslashHexDecoded(const char* data, unsigned n)
{
    if (!data)
        return;
    if (n == 0)
        n = static_cast<unsigned>(std::strlen(data));
    Tmy_string out;
    for (unsigned i = 0; i < n; ++i) {
        if (data[i] != '\\') {
            out.append(data + i, 1);
            continue;
        }
        if (i + 2 >= n)
            break;  // an escape cut short by the end is dropped
        const char byte = static_cast<char>((hex_value(data[i + 1], nullptr) << 4) | hex_value(data[i + 2], nullptr));
        out.append(&byte, 1);
        i += 2;
    }
    // Decoded bytes may hold NUL: append with the explicit length.
    if (out.length())
        append(out.c_str(), out.length());
}

void Tmy_string::trim()
{
    Tmy_string trimmed;
    my_string_append_trimmed(&trimmed, c_str());
    trimmed.flag = flag;
    swap(trimmed);
}

bool Tmy_string::equals(const char* other, int nocase) const
{
    if (!other)
        return false;
    if (nocase == 1)
        return text_compare_nocase(c_str(), other) == 0;
    return std::strcmp(c_str(), other) == 0;
}

char Tmy_string::charAt(unsigned position) const
{
    return text && position < len ? text[position] : '\0';
}

void my_string_append(Tmy_string* s, const char* data, unsigned length)
{
    if (s)
        s->append(data, length);
}

void my_string_vappendf(Tmy_string* s, const char* format, va_list args)
{
    if (s)
        s->vappendf(format, args);
}

void my_string_appendf(Tmy_string* s, const char* format, ...)
{
    if (!s || !format)
        return;
    va_list args;
    va_start(args, format);
    s->vappendf(format, args);
    va_end(args);
}

void my_string_printf(Tmy_string* s, const char* format, ...)
{
    if (!s || !format)
        return;
    Tmy_string result;
    va_list args;
    va_start(args, format);
    result.vappendf(format, args);
    va_end(args);
    s->swap(result);
}

const char* my_string_text(const Tmy_string* s)
{
    return s ? s->c_str() : empty_text;
}

unsigned my_string_length(const Tmy_string* s)
{
    return s ? s->length() : 0;
}

bool my_string_reserve(Tmy_string* s, unsigned total)
{
    return s && s->reserve(total);
}

int my_string_load_file(Tmy_string* s, const char* path)
{
    return s ? s->loadFile(path) : 1;
}

void my_string_append_escaped(Tmy_string* s, const char* text, int kind)
{
    if (!s || !text)
        return;
    Tmy_string escaped;
    append_escaped_bytes(&escaped, text, static_cast<unsigned>(std::strlen(text)), kind);
    s->appendString(&escaped);
}

void my_string_append_trimmed(Tmy_string* s, const char* text)
{
    if (!s || !text)
        return;
    const char* begin = text;
    while (*begin && is_blank(*begin))
        ++begin;
    const char* end = begin + std::strlen(begin);
    while (end > begin && is_blank(end[-1]))
        --end;
    if (end > begin)
        s->append(begin, static_cast<unsigned>(end - begin));
}

char my_string_char_at(const Tmy_string* s, unsigned position)
{
    return s ? s->charAt(position) : '\0';
}
