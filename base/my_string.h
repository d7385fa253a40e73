#pragma once

#include <cstdarg>

struct Tfile_read_error;

// The suite's growable byte string: a heap buffer with a capacity and a length,
// always NUL-terminated after its length, with its own printf-style engine that
// adds three escaping conversions:
//   %a  backslash before ' " and backslash
//   %m  XML-escaped (entities, numeric references; bytes XML forbids are dropped)
//   %r  URL-encoded (A-Z a-z 0-9 - _ . ! * ' ( ) kept, all else %XX)
// Width, precision and flags apply to the integer and floating conversions only.
// Every operation tolerates null arguments.
class Tmy_string {
public:
    Tmy_string() = default;
    explicit Tmy_string(const char* text);
    Tmy_string(const Tmy_string& other);
    Tmy_string(Tmy_string&& other) noexcept;
    Tmy_string& operator=(const Tmy_string& other);
    Tmy_string& operator=(Tmy_string&& other) noexcept;
    ~Tmy_string();

    void clear();
    void assign(const char* text);
    void assignString(const Tmy_string* other);
    // length 0 means up to the NUL of data; else exactly length bytes.
    void append(const char* data, unsigned length = 0);
    void appendString(const Tmy_string* other);
    int appendUntil(const char* text, char stop);
    void printf(const char* format, ...);
    void appendf(const char* format, ...);
    void vappendf(const char* format, va_list args);

    unsigned length() const { return len; }
    unsigned capacity() const { return cap; }
    const char* c_str() const;
    bool startsWith(const char* prefix) const;
    int toInt(unsigned position) const;
    // 1 when the file cannot be read or is no regular file (the reason in
    // *error when given), else 0.
    int loadFile(const char* path, Tfile_read_error* error = nullptr);

    void appendHex(const void* data, unsigned length);
    void appendXmlEscaped(const char* text, unsigned length = 0);
    void appendBackslashHex(const char* data, unsigned length, int escape);
    void appendBackslashHexDecoded(const char* data, unsigned length = 0);
    void trim();
    bool equals(const char* text, int nocase) const;
    char charAt(unsigned position) const;

    // Make room for at least `total` bytes (text and NUL); false when out of memory.
    bool reserve(unsigned total);
    void swap(Tmy_string& other) noexcept;

    unsigned char flag = 0;

private:
    // Room for `extra` more bytes and the NUL, by the growth rule; false when out of memory.
    bool grow(unsigned extra);
    bool owns(const char* p) const;
    void appendFormatted(const char* format, va_list args);

    unsigned cap = 0;
    unsigned len = 0;
    char* text = nullptr;
};

// The shared empty string handed out for a bad index; callers must not change it.
extern const Tmy_string my_string_empty;

enum Tescape_kind { ESCAPE_BACKSLASH = 1, ESCAPE_XML = 2, ESCAPE_URL = 3 };

// Free-function forms; a null string makes each do nothing or give 0 / "".
void my_string_append(Tmy_string* s, const char* data, unsigned length);
void my_string_vappendf(Tmy_string* s, const char* format, va_list args);
void my_string_appendf(Tmy_string* s, const char* format, ...);
void my_string_printf(Tmy_string* s, const char* format, ...);
const char* my_string_text(const Tmy_string* s);
unsigned my_string_length(const Tmy_string* s);
bool my_string_reserve(Tmy_string* s, unsigned total);
int my_string_load_file(Tmy_string* s, const char* path);
void my_string_append_escaped(Tmy_string* s, const char* text, int kind);
void my_string_append_trimmed(Tmy_string* s, const char* text);
char my_string_char_at(const Tmy_string* s, unsigned position);
