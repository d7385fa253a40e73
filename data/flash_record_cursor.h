#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint8_t flash_erased_byte = 0xFF;

// A bounds-checked walk over the records: a read never goes past the end.
class Tflash_record_cursor {
public:
    Tflash_record_cursor(const uint8_t* bytes, std::size_t count, std::size_t start) : data(bytes), size(count), position(start)
    {
    }

    bool atEnd() const { return position >= size; }
    std::size_t offset() const { return position; }
    std::size_t left() const { return size - position; }
    uint8_t byte() { return data[position++]; }
    // count bytes from here; true (nothing taken) when fewer are left.
    bool take(std::size_t count, const uint8_t** out)
    {
        if (count > left())
            return true;
        *out = data + position;
        position += count;
        return false;
    }

private:
    const uint8_t* data;
    std::size_t size;
    std::size_t position;
};
