#include "link/firmware_file.h"

#include "base/my_string.h"
#include "base/parse.h"
#include "base/xml.h"

namespace {

// Longest decimal text of a 32-bit number.
constexpr unsigned max_decimal_digits = 10;

struct Tlist_rule {
    const char* path;
    bool data;  // memory lines; else CRC checks
};

const Tlist_rule list_rules[] = {
    {"/RFU/DATA", true},
    {"/RFU/CRC", false},
    {"/FIRMWARE/DATA", true},
    {"/FIRMWARE/CRC", false},
};

// A decimal number that fits 32 bits (or max when given), and nothing else.
bool read_decimal(Txml_element entry, const char* attribute, unsigned long long max, unsigned* out)
{
    const char* text = xml_FindAttributeValue(entry, attribute);
    if (!text || !*text)
        return true;
    unsigned long long value = 0;
    unsigned digits = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || ++digits > max_decimal_digits)
            return true;
        value = value * 10 + static_cast<unsigned>(*p - '0');
    }
    if (value > max)
        return true;
    *out = static_cast<unsigned>(value);
    return false;
}

bool is_line_data(const char* text)
{
    unsigned digits = 0;
    for (const char* p = text; *p; ++p) {
        if (!is_hex_digit(*p))
            return false;
        ++digits;
    }
    return digits == 2 * firmware_line_bytes;
}

bool check_entry(Txml_element entry, bool data, Tmy_string* error)
{
    unsigned number = 0;
    if (read_decimal(entry, "address", 0xFFFFFFFFull, &number)) {
        error->appendf("an entry without a valid \"address\"");
        return true;
    }
    if (data && !is_line_data(xml_GetAttributeString(entry, "data"))) {
        error->appendf("address %u: \"data\" is not 32 hex digits", number);
        return true;
    }
    if (!data && read_decimal(entry, "value", 0xFFFF, &number)) {
        error->appendf("address %u: \"value\" is not a 16-bit number", number);
        return true;
    }
    return false;
}

}  // namespace

bool firmware_file_check(myXMLdocument* doc, Tmy_string* error)
{
    Tmy_string scratch;
    Tmy_string* out = error ? error : &scratch;
    out->clear();
    for (const Tlist_rule& rule : list_rules) {
        Txml_element list = xml_FindDocumentPath(doc, rule.path);
        Txml_element entry = xml_FirstChildEntity(list);
        if (!entry) {
            out->printf("%s is missing or empty", rule.path);
            return true;
        }
        for (; entry; entry = xml_NextEntity(entry)) {
            out->printf("%s: ", rule.path);
            if (check_entry(entry, rule.data, out))
                return true;
        }
    }
    out->clear();
    return false;
}

void firmware_line_data(Txml_element entry, uint8_t out[firmware_line_bytes])
{
    const char* text = xml_GetAttributeString(entry, "data");
    unsigned count = 0;
    int high = -1;
    for (const char* p = text; *p && count < firmware_line_bytes; ++p) {
        if (!is_hex_digit(*p))
            continue;
        bool bad = false;
        const int digit = hex_value(*p, &bad);
        if (high < 0) {
            high = digit;
        } else {
            out[count++] = static_cast<uint8_t>(high * 16 + digit);
            high = -1;
        }
    }
    while (count < firmware_line_bytes)
        out[count++] = 0;
}
