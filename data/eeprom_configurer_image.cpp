#include <cstring>

#include "data/eeprom_configurer.h"

namespace {

constexpr unsigned image_address_limit = 8 * eeprom_page_size;  // pages 0 to 7
const char* const default_station_pin = "4729";

}  // namespace

Teeprom_configurer::Teeprom_configurer()
{
    clear();
}

int Teeprom_configurer::pageIndex(unsigned page)
{
    if (page < 8)
        return static_cast<int>(page);
    return page == eeprom_high_page ? 8 : -1;
}

void Teeprom_configurer::appendByte(unsigned char b)
{
    const int index = pageIndex(current_page);
    if (index < 0 || write_position >= usableSize()) {
        overflow = true;
        return;
    }
    values[index][write_position] = b;
    written[index][write_position] = true;
    ++write_position;
}

void Teeprom_configurer::appendU32(unsigned value)
{
    if (pageIndex(current_page) < 0 || write_position + 4 > usableSize()) {
        overflow = true;
        return;
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        appendByte(static_cast<unsigned char>(value >> shift));
}

void Teeprom_configurer::appendWhole(const unsigned char* record, unsigned size)
{
    if (!record || size >= roomLeft()) {
        overflow = true;
        return;
    }
    for (unsigned i = 0; i < size; ++i)
        appendByte(record[i]);
}

int Teeprom_configurer::putByteAt(unsigned offset, unsigned char b)
{
    const int index = pageIndex(current_page);
    if (index < 0 || offset >= usableSize())
        return 1;
    values[index][offset] = b;
    written[index][offset] = true;
    return 0;
}

void Teeprom_configurer::dropFrom(unsigned offset)
{
    const int index = pageIndex(current_page);
    for (unsigned i = offset; index >= 0 && i < write_position && i < eeprom_page_size; ++i) {
        values[index][i] = 0xFF;
        written[index][i] = false;
    }
    if (offset < write_position)
        write_position = offset;
}

unsigned Teeprom_configurer::beginBlock(unsigned char tag)
{
    appendByte(tag);
    const unsigned length_offset = write_position;
    appendByte(0);
    return length_offset;
}

void Teeprom_configurer::endBlock(unsigned length_offset)
{
    if (!overflow)
        putByteAt(length_offset, static_cast<unsigned char>(write_position - length_offset - 1));
}

unsigned Teeprom_configurer::roomLeft() const
{
    const unsigned usable = usableSize();
    return write_position < usable ? usable - write_position : 0;
}

unsigned Teeprom_configurer::usableSize() const
{
    return current_page == 7 ? eeprom_usable_size_page7 : eeprom_usable_size;
}

unsigned Teeprom_configurer::getPageLength(unsigned page) const
{
    const int index = pageIndex(page == 255 ? 0 : page);
    if (index < 0)
        return 0;
    unsigned count = 0;
    for (unsigned i = 0; i < eeprom_page_size; ++i)
        count += written[index][i] ? 1 : 0;
    return count;
}

unsigned Teeprom_configurer::setBytes(unsigned address, const unsigned char* bytes, unsigned count)
{
    for (unsigned i = 0; bytes && i < count && address + i < image_address_limit; ++i) {
        const unsigned a = address + i;
        values[a / eeprom_page_size][a % eeprom_page_size] = bytes[i];
        written[a / eeprom_page_size][a % eeprom_page_size] = true;
    }
    return count;
}

void Teeprom_configurer::clear()
{
    std::memset(values, 0xFF, sizeof values);
    std::memset(written, 0, sizeof written);
    overflow = false;
    write_position = 0;
}

void Teeprom_configurer::clearPage(unsigned page)
{
    const int index = pageIndex(page);
    if (index >= 0) {
        std::memset(values[index], 0xFF, sizeof values[index]);
        std::memset(written[index], 0, sizeof written[index]);
    }
    overflow = false;
    write_position = 0;
}

unsigned char Teeprom_configurer::byteAt(unsigned page, unsigned offset) const
{
    const int index = pageIndex(page);
    return index < 0 || offset >= eeprom_page_size ? 0xFF : values[index][offset];
}

bool Teeprom_configurer::isWritten(unsigned page, unsigned offset) const
{
    const int index = pageIndex(page);
    return index >= 0 && offset < eeprom_page_size && written[index][offset];
}

unsigned char Teeprom_configurer::findRecordWithin(unsigned page, unsigned char tag, unsigned limit) const
{
    unsigned offset = 0;
    for (;;) {
        const unsigned char t = byteAt(page, offset);
        if (t == tag)
            return static_cast<unsigned char>(offset);
        unsigned next = 0;
        if (t <= 0x7F)
            next = offset + 2 + byteAt(page, offset + 1);
        else if (t <= 0xBF)
            next = offset + 5;
        else
            return eeprom_absent;
        if (next >= limit)
            return eeprom_absent;
        offset = next;
    }
}

unsigned char Teeprom_configurer::findRecord(unsigned page, unsigned char tag) const
{
    return findRecordWithin(page, tag, 250);
}

unsigned char Teeprom_configurer::findRecordUsable(unsigned page, unsigned char tag) const
{
    return findRecordWithin(page, tag, usableSize());
}

unsigned Teeprom_configurer::recordDataLength(unsigned page, unsigned offset) const
{
    if (offset + 2 > eeprom_page_size)
        return 0;
    const unsigned length = byteAt(page, offset + 1);
    const unsigned available = eeprom_page_size - offset - 2;
    return length < available ? length : available;
}

unsigned char Teeprom_configurer::pageChecksum(unsigned page) const
{
    const unsigned n = getPageLength(page);
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i)
        sum += byteAt(page, i);
    return static_cast<unsigned char>(sum);
}

unsigned Teeprom_configurer::continuationOffset() const
{
    const unsigned length = getPageLength(current_page);
    unsigned offset = 0;
    while (offset < length) {
        const unsigned char t = byteAt(current_page, offset);
        if (t == eeprom_end_mark)
            return offset;
        if (t <= 0x7F)
            offset += 2 + byteAt(current_page, offset + 1);
        else if (t <= 0xBF)
            offset += 5;
        else
            break;
    }
    return length;
}

void Teeprom_configurer::reset()
{
    clear();
    current_page = 0;
    pin.assign(default_station_pin);
}

void Teeprom_configurer::copyTo(Teeprom_configurer* other) const
{
    if (!other || other == this)
        return;
    std::memcpy(other->values, values, sizeof values);
    std::memcpy(other->written, written, sizeof written);
    other->overflow = overflow;
    other->pin.assign(pin.c_str());
    other->write_position = write_position;
    other->current_page = current_page;
}

void Teeprom_configurer::loadPage(unsigned page, const unsigned char* bytes, unsigned n)
{
    const int index = pageIndex(page);
    if (index < 0 || !bytes)
        return;
    if (n > eeprom_page_size)
        n = eeprom_page_size;
    std::memcpy(values[index], bytes, n);
    for (unsigned i = 0; i < eeprom_page_size; ++i)
        written[index][i] = i < n;
}
