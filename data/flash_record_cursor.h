#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint8_t flash_erased_byte = 0xFF;

// A bounds-checked walk over the records. A record's bytes past the end of the
// file read as erased flash, and the record is reported cut off.
class Tflash_record_cursor {
public:
    Tflash_record_cursor(const uint8_t* bytes, std::size_t count, std::size_t start) : data(bytes), size(count), position(start)
    {
    }

    bool atEnd() const { return position >= size; }
    std::size_t offset() const { return position; }
    std::size_t left() const { return size - position; }
    uint8_t byte() { return data[position++]; }
    // count bytes from here, padded with 0xFF beyond the end; true when cut off.
    bool take(std::size_t count, const uint8_t** out)
    {
        if (count <= left()) {
            *out = data + position;
            position += count;
            return false;
        }
        padded.assign(data + position, data + size);
        padded.resize(count, flash_erased_byte);
        position = size;
        *out = padded.data();
        return true;
    }

private:
    const uint8_t* data;
    std::size_t size;
    std::size_t position;
    std::vector<uint8_t> padded;
};
