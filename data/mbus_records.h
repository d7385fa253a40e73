#pragma once

#include <cstdint>

#include "base/list.h"
#include "base/my_string.h"

// Data records (EN 13757-3) of a wired M-Bus long frame (EN 13757-2) as a meter
// message record carries it.

constexpr unsigned MBUS_MAX_FRAME = 270;

// The record set of one meter message; owns its text lines.
struct mbus_data {
    mbus_data() = default;
    mbus_data(const mbus_data&) = delete;
    mbus_data& operator=(const mbus_data&) = delete;
    ~mbus_data();

    unsigned char frame[MBUS_MAX_FRAME] = {};
    unsigned count = 0;
    bool error = true;
    uint32_t serial = 0;
    Tlist lines;  // Tmy_string per decoded data record
};

// Fills set from the frame bytes (0x68 L L 0x68 C A CI ...).
void mbus_decode_records(mbus_data* set, const unsigned char* bytes, unsigned count);

// Appends the serial, the frame as text and hex, and the decoded lines.
void mbus_records_to_xml(Tmy_string* text, const mbus_data* set);
