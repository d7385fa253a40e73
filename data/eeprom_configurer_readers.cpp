#include "base/parse.h"
#include "data/eeprom_configurer.h"

namespace {

constexpr unsigned char snr_list_tag = 125;
constexpr unsigned value_record_size = 5;

// The 32-bit value of the value record at offset, most significant byte first.
unsigned value_at(const Teeprom_configurer& image, unsigned page, unsigned offset)
{
    unsigned value = 0;
    for (unsigned i = 1; i < value_record_size; ++i)
        value = (value << 8) | image.byteAt(page, offset + i);
    return value;
}

}  // namespace

// Pages come from loggers, so a record's length byte may point anywhere: every
// reader takes the data length cut to the page (recordDataLength) and reads
// bytes through byteAt, which answers 0xFF beyond the page.

bool Teeprom_configurer::getValue(unsigned* out, unsigned page, unsigned char tag) const
{
    if (!out)
        return false;
    *out = 0;
    const unsigned char offset = findRecord(page, tag);
    if (offset == eeprom_absent)
        return false;
    *out = value_at(*this, page, offset);
    return true;
}

bool Teeprom_configurer::getValueAsText(Tmy_string* text, unsigned page, unsigned char tag) const
{
    if (!text)
        return false;
    text->clear();
    const unsigned char offset = findRecord(page, tag);
    if (offset == eeprom_absent)
        return false;
    for (unsigned i = 1; i < value_record_size; ++i) {
        const char c = static_cast<char>(byteAt(page, offset + i));
        if (c == '\0')
            break;
        text->append(&c, 1);
    }
    return true;
}

unsigned Teeprom_configurer::getBytes(unsigned char* buffer, unsigned max_count, unsigned page,
                                      unsigned char tag) const
{
    if (!buffer)
        return 0;
    const unsigned char offset = findRecord(page, tag);
    if (offset == eeprom_absent)
        return 0;
    const unsigned length = recordDataLength(page, offset);
    const unsigned count = length < max_count ? length : max_count;
    for (unsigned i = 0; i < count; ++i)
        buffer[i] = byteAt(page, offset + 2 + i);
    return count;
}

int Teeprom_configurer::getString(Tmy_string* text, unsigned page, unsigned char tag) const
{
    if (!text)
        return 0;
    text->clear();
    const unsigned char offset = findRecord(page, tag);
    if (offset == eeprom_absent)
        return 0;
    const unsigned length = recordDataLength(page, offset);
    for (unsigned i = 0; i < length; ++i) {
        const char c = static_cast<char>(byteAt(page, offset + 2 + i));
        if (c == '\0')
            break;
        text->append(&c, 1);
    }
    return 1;
}

bool Teeprom_configurer::getByteAndString(Tmy_string* text, unsigned char* out, unsigned page,
                                          unsigned char tag) const
{
    if (text)
        text->clear();
    const unsigned char offset = findRecord(page, tag);
    if (offset == eeprom_absent)
        return false;
    const unsigned length = recordDataLength(page, offset);
    if (out)
        *out = length > 0 ? byteAt(page, offset + 2) : 0;
    for (unsigned i = 1; text && i < length; ++i) {
        const char c = static_cast<char>(byteAt(page, offset + 2 + i));
        text->append(&c, 1);
    }
    return true;
}

bool Teeprom_configurer::getSnrListEntry(unsigned* out, unsigned page, unsigned n) const
{
    if (!out)
        return false;
    *out = 0;
    const unsigned char offset = findRecord(page, snr_list_tag);
    if (offset == eeprom_absent)
        return false;
    const unsigned length = recordDataLength(page, offset);
    if (n >= length / 4)
        return true;
    unsigned char entry[4];
    for (unsigned i = 0; i < 4; ++i)
        entry[i] = byteAt(page, offset + 2 + 4 * n + i);
    *out = bcd_be_to_uint(entry);
    return true;
}

bool Teeprom_configurer::findValue(unsigned char tag, unsigned* out) const
{
    if (!out)
        return false;
    *out = 0;
    for (unsigned page = 0; page < 8; ++page) {
        const unsigned char offset = findRecordUsable(page, tag);
        // A value whose bytes would run past the page is no value.
        if (offset == eeprom_absent || offset + value_record_size > eeprom_page_size)
            continue;
        *out = value_at(*this, page, offset);
        return true;
    }
    return false;
}
