#include "data/eeprom_generator.h"

#include <cstring>

#include "base/log.h"
#include "base/parse.h"

namespace {

// Records starting here or beyond are never found by the record search.
constexpr unsigned last_record_start = 249;
constexpr unsigned char system_config_tag = 7;
constexpr unsigned max_string_length = 255;

}  // namespace

Teeprom_generator::Teeprom_generator()
{
    clear();
}

void Teeprom_generator::clear()
{
    std::memset(buffer, 0xFF, sizeof buffer);
    length = 0;
    for (bool& flag : not_generated)
        flag = true;
}

bool Teeprom_generator::refuses(unsigned char tag, unsigned size, unsigned limit) const
{
    if (length <= last_record_start && length + size < limit)
        return false;
    log_printf("ERROR : Teeprom_generator, record %d of %u bytes does not fit at %u (limit %u)", tag, size,
               length, limit);
    return true;
}

void Teeprom_generator::put(const unsigned char* bytes, unsigned n)
{
    std::memcpy(buffer + length, bytes, n);
    length += n;
}

bool Teeprom_generator::addValue(unsigned char tag, unsigned value)
{
    if (refuses(tag, 5, eeprom_usable_size))
        return true;
    const unsigned char record[5] = {tag, static_cast<unsigned char>(value >> 24),
                                     static_cast<unsigned char>(value >> 16),
                                     static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    put(record, sizeof record);
    not_generated[tag] = false;
    return false;
}

bool Teeprom_generator::addRecord(unsigned char tag, const unsigned char* data, unsigned n)
{
    if (!data) {
        log_printf("ERROR : Teeprom_generator, record %d without data", tag);
        return true;
    }
    // A length byte holds 255 at most; anything longer cannot fit a page either.
    if (refuses(tag, n < eeprom_page_size ? n + 2 : eeprom_page_size, eeprom_usable_size))
        return true;
    const unsigned char head[2] = {tag, static_cast<unsigned char>(n)};
    put(head, sizeof head);
    put(data, n);
    not_generated[tag] = false;
    return false;
}

bool Teeprom_generator::addString(unsigned char tag, const char* text)
{
    unsigned n = text ? static_cast<unsigned>(std::strlen(text)) : 0;
    if (n > max_string_length) {
        log_printf("ERROR : Teeprom_generator, text of record %d too long (%u characters), written empty", tag, n);
        n = 0;
    }
    return addRecord(tag, reinterpret_cast<const unsigned char*>(text ? text : ""), n);
}

bool Teeprom_generator::addByteAndString(unsigned char tag, unsigned char byte, const char* text)
{
    unsigned n = text ? static_cast<unsigned>(std::strlen(text)) : 0;
    if (n >= max_string_length) {
        log_printf("ERROR : Teeprom_generator, text of record %d too long (%u characters), written empty", tag, n);
        n = 0;
    }
    unsigned char data[max_string_length];
    data[0] = byte;
    if (n > 0)
        std::memcpy(data + 1, text, n);
    return addRecord(tag, data, n + 1);
}

bool Teeprom_generator::addPinCode(const char* text)
{
    const unsigned n = text ? static_cast<unsigned>(std::strlen(text)) : 0;
    if (n > 4) {
        log_printf("ERROR : Teeprom_generator, PIN code of %u characters (at most 4)", n);
        return true;
    }
    unsigned value = 0;
    for (unsigned i = 0; i < 4; ++i)
        value = (value << 8) | (i < n ? static_cast<unsigned char>(text[i]) : 0u);
    return addValue(eeprom_pin_code_tag, value);
}

bool Teeprom_generator::addSysctrl(int acq_enabled, int acq_automatic, int acq_dump, int gsm_enabled,
                                   int gsm_call, int gprs, int call_on_ring, int time_zone,
                                   const char* flash_word)
{
    unsigned flags = 0;
    flags |= acq_enabled == 1 ? 0x01u : 0u;
    flags |= acq_automatic == 1 ? 0x02u : 0u;
    flags |= acq_dump == 1 ? 0x04u : 0u;
    if (flash_word && text_compare_nocase(flash_word, "fast") == 0)
        flags |= 0x08u;
    else if (flash_word && text_compare_nocase(flash_word, "none") == 0)
        flags |= 0x40u;
    unsigned gsm = 0;
    gsm |= gsm_enabled == 1 ? 0x01u : 0u;
    gsm |= gsm_call == 1 ? 0x02u : 0u;
    gsm |= gprs == 1 ? 0x04u : 0u;
    gsm |= call_on_ring == 1 ? 0x10u : 0u;
    return addValue(eeprom_sysctrl_tag, (flags << 24) | (gsm << 16) | (static_cast<unsigned>(time_zone) & 0xFFu));
}

bool Teeprom_generator::addSystemConfig(unsigned char a, unsigned char b, unsigned char c, unsigned char d,
                                        unsigned char e)
{
    const unsigned char data[7] = {a, b, c, 0, d, 0, e};
    return addRecord(system_config_tag, data, sizeof data);
}

bool Teeprom_generator::addEnd()
{
    if (length >= eeprom_usable_size) {
        log_printf("ERROR : Teeprom_generator, no room for the end mark at %u", length);
        return true;
    }
    buffer[length++] = eeprom_end_mark;
    return false;
}

bool Teeprom_generator::mergePage(unsigned source_length, const unsigned char* source, unsigned limit)
{
    bool left_out = false;
    if (source_length > eeprom_page_size)
        source_length = eeprom_page_size;
    if (limit > eeprom_usable_size)
        limit = eeprom_usable_size;
    unsigned position = 0;
    while (source && position < source_length && source[position] != eeprom_end_mark) {
        const unsigned char tag = source[position];
        if (tag > 0xBF) {
            ++position;  // no record starts with it
            continue;
        }
        unsigned size = 5;
        if (tag <= 0x7F)
            size = position + 1 < source_length ? source[position + 1] + 2u : 2u;
        if (position + size > source_length) {
            log_printf("ERROR : Teeprom_generator, record %d at %u runs past the page", tag, position);
            left_out = true;
            break;
        }
        if (not_generated[tag]) {
            if (refuses(tag, size, limit))
                left_out = true;
            else
                put(source + position, size);
        }
        position += size;
    }
    return addEnd() || left_out;
}

void Teeprom_generator::dump() const
{
    log_hex_dump(buffer, length, 16);
}
