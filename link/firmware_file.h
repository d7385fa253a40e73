#pragma once

#include <cstdint>

#include "base/xml.h"

class Tmy_string;

// The firmware XML file of a firmware update: below the root, /RFU/DATA and
// /FIRMWARE/DATA hold memory lines ("address", "data" of 16 bytes as 32 hex
// digits), /RFU/CRC and /FIRMWARE/CRC the checks ("address", "value" of the
// expected 16-bit CRC), each list's entries in file order.

// Bytes of one memory line.
constexpr unsigned firmware_line_bytes = 16;

// Checks a loaded file before anything is programmed: all four lists present
// and not empty, every entry with a decimal "address", every "data" exactly 32
// hex digits, every "value" a 16-bit number. False when sound; otherwise true
// and error says what is wrong.
bool firmware_file_check(myXMLdocument* doc, Tmy_string* error);

// The 16 bytes of a checked memory line.
void firmware_line_data(Txml_element entry, uint8_t out[firmware_line_bytes]);
