#pragma once

#include <cstdint>

#include "base/list.h"
#include "base/my_string.h"

// One value slot of a time step. Integers are 64 bits so that times after 2038
// and negative meter readings keep their value and sign.
struct Tflash_parser_value {
    double value = 0;
    int64_t integer = 0;
    bool valid = false;
    // The integer is the value as read (an integer text), not 0 for a value
    // that is no whole number.
    bool integral = false;
};

// The numbering of the slots that the displays index: 0-45 the fixed places of
// the record families, then one slot per value type 128-191.
constexpr unsigned flash_parser_slot_count = 110;
constexpr unsigned flash_parser_type_first = 128;
constexpr unsigned flash_parser_type_last = 191;
constexpr unsigned flash_parser_type_slot_base = 46;

// The slot of value type 128-191; flash_parser_slot_count for any other type.
constexpr unsigned flash_parser_type_slot(unsigned type)
{
    return type >= flash_parser_type_first && type <= flash_parser_type_last
               ? flash_parser_type_slot_base + (type - flash_parser_type_first)
               : flash_parser_slot_count;
}

// A raw text of a time step, kept as it was in the file.
struct Trawdata {
    Tmy_string text;
};

// One time step of a measurement file. A file holds hundreds of thousands of
// them, so only the valid slots are stored: a bit per slot says which are, and
// the values of those follow in slot order.
struct Tflash_parser_data {
    Tflash_parser_data() = default;
    Tflash_parser_data(const Tflash_parser_data&) = delete;
    Tflash_parser_data& operator=(const Tflash_parser_data&) = delete;
    ~Tflash_parser_data();

    // Takes the valid slots of a full array of flash_parser_slot_count slots
    // and clears them there; what the step held before is replaced. False when
    // out of memory (the step is then left empty).
    bool take(Tflash_parser_value* slots);

    // The slot, or a cleared one when it is not valid or out of range.
    Tflash_parser_value slot(unsigned index) const;
    Tflash_parser_value typeSlot(unsigned type) const { return slot(flash_parser_type_slot(type)); }
    bool isValid(unsigned index) const;
    unsigned validCount() const;

    // The raw texts, in file order.
    void appendRaw(const char* text);
    int rawCount() const;
    const Trawdata* rawAt(int index) const;

private:
    struct Tstored {
        double value;
        int64_t integer;
    };
    static constexpr unsigned mask_words = (flash_parser_slot_count + 63) / 64;

    // Position of a valid slot among the stored values.
    unsigned storedIndex(unsigned index) const;
    void clearRaw();

    uint64_t present[mask_words] = {};
    uint64_t integral[mask_words] = {};  // of the valid slots, those whose integer is their own
    Tstored* values = nullptr;
    Tlist* raw = nullptr;  // made on the first raw text; most steps have none
};
