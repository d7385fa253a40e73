#pragma once

#include <cstdint>

#include "base/my_string.h"

// Wireless M-Bus (EN 13757-4, modes T1 and C1, frame format A) telegram header
// as the logger stores it, from the L field on.

constexpr unsigned WM_BUS_MAX_TELEGRAM = 255;
// M field of the logger maker's own radio meters.
constexpr uint16_t WM_BUS_MAKER_CODE = 24945;

// The decoded header. A field whose bytes lie beyond the kept telegram is not
// decoded; its has_ flag says so and the XML leaves its attribute out.
struct T_wm_bus_message {
    uint16_t length = 0;
    unsigned char raw[WM_BUS_MAX_TELEGRAM] = {};
    unsigned char descrambled[WM_BUS_MAX_TELEGRAM] = {};
    uint16_t manufacturer = 0;
    Tmy_string manufacturer_name;
    unsigned char ci = 0;
    uint32_t serial = 0;
    unsigned char oms = 0;
    unsigned char hop_counter = 0;
    unsigned char media1 = 0;
    unsigned char media2 = 0;
    double value1 = 0;
    double value2 = 0;

    bool has_manufacturer = false;
    bool has_ci = false;
    bool has_serial = false;
    bool has_hop_counter = false;
    bool has_values = false;

    // count: bytes given; c1: a C1 telegram, whose last byte is the receiver's RSSI.
    void decode(const unsigned char* telegram, unsigned count, bool c1);
};

// The maker's name of an M field value, "" when it is not in the table.
const char* wm_bus_manufacturer_name(uint16_t code);

// Frame length of a T1 telegram from its L field: L byte, blocks and their CRCs.
unsigned wm_bus_t1_frame_length(unsigned l_field);

// Copies length bytes (at most 255) of the telegram to destination and undoes the
// maker's scrambling of the payload; reads and writes no byte at or past length.
void wmbus_descramble(unsigned char* destination, const unsigned char* telegram, unsigned length);

// The flash parser's hook for a radio-telegram record: appends the header's
// attributes to text. time is not used.
void wm_bus_to_xml(Tmy_string* text, uint32_t time, const unsigned char* telegram, unsigned count, bool c1);
