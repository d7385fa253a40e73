#include "data/flash_parser_data.h"

#include <new>

Tflash_parser_data::~Tflash_parser_data()
{
    delete[] values;
    clearRaw();
}

bool Tflash_parser_data::take(Tflash_parser_value* slots)
{
    delete[] values;
    values = nullptr;
    for (uint64_t& word : present)
        word = 0;
    for (uint64_t& word : integral)
        word = 0;
    if (!slots)
        return true;

    unsigned count = 0;
    for (unsigned i = 0; i < flash_parser_slot_count; ++i)
        count += slots[i].valid ? 1u : 0u;
    if (count > 0) {
        values = new (std::nothrow) Tstored[count];
        if (!values) {
            for (unsigned i = 0; i < flash_parser_slot_count; ++i)
                slots[i] = Tflash_parser_value();
            return false;
        }
    }
    unsigned stored = 0;
    for (unsigned i = 0; i < flash_parser_slot_count; ++i) {
        if (!slots[i].valid)
            continue;
        present[i / 64] |= uint64_t{1} << (i % 64);
        if (slots[i].integral)
            integral[i / 64] |= uint64_t{1} << (i % 64);
        values[stored++] = Tstored{slots[i].value, slots[i].integer};
        slots[i] = Tflash_parser_value();
    }
    return true;
}

bool Tflash_parser_data::isValid(unsigned index) const
{
    return index < flash_parser_slot_count && (present[index / 64] >> (index % 64) & 1u) != 0;
}

unsigned Tflash_parser_data::storedIndex(unsigned index) const
{
    unsigned before = 0;
    for (unsigned w = 0; w < index / 64; ++w)
        before += static_cast<unsigned>(__builtin_popcountll(present[w]));
    const uint64_t below = (uint64_t{1} << (index % 64)) - 1;
    return before + static_cast<unsigned>(__builtin_popcountll(present[index / 64] & below));
}

Tflash_parser_value Tflash_parser_data::slot(unsigned index) const
{
    Tflash_parser_value out;
    if (!isValid(index))
        return out;
    const Tstored& stored = values[storedIndex(index)];
    out.value = stored.value;
    out.integer = stored.integer;
    out.valid = true;
    out.integral = (integral[index / 64] >> (index % 64) & 1u) != 0;
    return out;
}

unsigned Tflash_parser_data::validCount() const
{
    unsigned count = 0;
    for (uint64_t word : present)
        count += static_cast<unsigned>(__builtin_popcountll(word));
    return count;
}

void Tflash_parser_data::appendRaw(const char* text)
{
    if (!text)
        return;
    if (!raw) {
        raw = new (std::nothrow) Tlist;
        if (!raw)
            return;
    }
    Trawdata* item = new (std::nothrow) Trawdata;
    if (!item)
        return;
    item->text.assign(text);
    raw->append(item);
}

int Tflash_parser_data::rawCount() const
{
    return raw ? raw->count() : 0;
}

const Trawdata* Tflash_parser_data::rawAt(int index) const
{
    return raw ? static_cast<const Trawdata*>(raw->itemAt(index)) : nullptr;
}

void Tflash_parser_data::clearRaw()
{
    if (!raw)
        return;
    for (const Tlist::Tnode* node = raw->nodeAt(0); node; node = node->next)
        delete static_cast<Trawdata*>(node->item);
    delete raw;
    raw = nullptr;
}
