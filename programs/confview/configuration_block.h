#pragma once

#include "base/my_string.h"
#include "data/eeprom_configurer.h"

// One page of the image as the technician sees it: the bytes the compiler
// wrote, framed as a command text ("7F", count, block number, hex bytes), the
// count shown as the size and the byte sum shown as the checksum.
struct Tconfiguration_block {
    unsigned length = 0;           // written bytes of the page
    unsigned count = 0;            // length + 1, at most 255; 0 for an empty page
    unsigned char checksum = 255;  // sum of the bytes modulo 256; 255 for an empty page
    Tmy_string command;            // "" for an empty page
    Tmy_string size_text;          // "%d bytes"
    Tmy_string checksum_text;      // "%d (x%02x)"
};

Tconfiguration_block configuration_block(const Teeprom_configurer& image, unsigned page);
