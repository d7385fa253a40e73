#pragma once

#include "data/eeprom_attributes.h"
#include "data/eeprom_configurer.h"

namespace eeprom {

// A record assembled before it goes into the image: the records that are
// appended whole or as a finished list. Bytes beyond the capacity are counted
// but not kept, so a record too long for its buffer is known and never fits.
class Trecord {
public:
    explicit Trecord(unsigned buffer_capacity)
        : capacity(buffer_capacity < eeprom_page_size ? buffer_capacity : eeprom_page_size)
    {
    }

    void add(unsigned char b)
    {
        if (count < capacity)
            bytes[count] = b;
        ++count;
    }
    void addBe32(unsigned value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            add(static_cast<unsigned char>(value >> shift));
    }
    void addBytes(const unsigned char* data, unsigned n)
    {
        for (unsigned i = 0; i < n; ++i)
            add(data[i]);
    }
    // As many of the bytes as the buffer still holds.
    void addCut(const unsigned char* data, unsigned n)
    {
        addBytes(data, n < room() ? n : room());
    }
    unsigned room() const { return count < capacity ? capacity - count : 0; }
    // The tag and a length byte counting what follows (set by closeLength).
    void open(unsigned char tag)
    {
        add(tag);
        add(0);
    }
    void closeLength()
    {
        if (capacity >= 2)
            bytes[1] = static_cast<unsigned char>(count - 2 > 255 ? 255 : count - 2);
    }
    bool fitsBuffer() const { return count <= capacity; }

    // All or nothing; a record longer than its buffer is refused like one that
    // does not fit the page (overflow).
    void appendWhole(Teeprom_configurer& image) const
    {
        image.appendWhole(bytes, fitsBuffer() ? count : eeprom_page_size);
    }
    // The bytes as the data of a back-filled block record.
    void appendBlock(Teeprom_configurer& image, unsigned char tag) const
    {
        const unsigned length_offset = image.beginBlock(tag);
        for (unsigned i = 0; i < count && i < capacity; ++i)
            image.appendByte(bytes[i]);
        image.endBlock(length_offset);
    }
    // Byte by byte: what does not fit the page sets the overflow flag.
    void appendBytes(Teeprom_configurer& image) const
    {
        const unsigned kept = fitsBuffer() ? count : capacity;
        for (unsigned i = 0; i < kept; ++i)
            image.appendByte(bytes[i]);
        if (!fitsBuffer())
            image.appendWhole(bytes, eeprom_page_size);
    }

private:
    unsigned char bytes[eeprom_page_size] = {};
    unsigned capacity;
    unsigned count = 0;
};

// Data bytes set by position; the length runs to the highest one set, the
// positions below it not set are 0.
class Tpositioned_bytes {
public:
    static constexpr unsigned capacity = 8;

    void set(unsigned position, int value)
    {
        if (position >= capacity)
            return;
        data[position] = static_cast<unsigned char>(value);
        if (position + 1 > length)
            length = position + 1;
    }
    void setBits(unsigned position, int bits)
    {
        if (position < capacity)
            set(position, data[position] | bits);
    }
    // A back-filled block record of the bytes set.
    void appendBlock(Teeprom_configurer& image, unsigned char tag) const
    {
        const unsigned length_offset = image.beginBlock(tag);
        for (unsigned i = 0; i < length; ++i)
            image.appendByte(data[i]);
        image.endBlock(length_offset);
    }

private:
    unsigned char data[capacity] = {};
    unsigned length = 0;
};

// The characters of a text cut to max, no terminating NUL.
inline void append_chars(Teeprom_configurer& image, const char* text, unsigned max)
{
    const unsigned n = cut_length(text, max);
    for (unsigned i = 0; i < n; ++i)
        image.appendByte(static_cast<unsigned char>(text[i]));
}

// [tag][L][head][text cut to max characters], back-filled.
inline void append_byte_and_text(Teeprom_configurer& image, unsigned char tag, unsigned char head,
                                 const char* text, unsigned max)
{
    const unsigned length_offset = image.beginBlock(tag);
    image.appendByte(head);
    append_chars(image, text, max);
    image.endBlock(length_offset);
}

inline void append_be16(Teeprom_configurer& image, unsigned value)
{
    image.appendByte(static_cast<unsigned char>(value >> 8));
    image.appendByte(static_cast<unsigned char>(value));
}

// The bytes of a dotted address attribute (a.b.c.d), 0.0.0.0 when missing.
inline void append_dotted(Teeprom_configurer& image, Txml_element element, const char* name)
{
    unsigned char bytes[4];
    attribute_dotted(element, name, bytes);
    for (unsigned char b : bytes)
        image.appendByte(b);
}

}  // namespace eeprom
