#pragma once

#include "base/my_string.h"

namespace eeprom {

// Setup elements of single EEPROM records, as the setup writer puts them inside
// a CONFIGURATION block. A record is written as its named element only where
// the compiler rebuilds exactly its bytes from that element; any other record
// comes out in the generic h form, which keeps every byte readable.

// A value record (tag 0x80 to 0xBF) with its 32-bit value.
void write_value_record(Tmy_string* text, unsigned char tag, unsigned value);
// A block record with its length data bytes; cut when its length byte pointed
// past the page and only the bytes the page holds are given.
void write_block_record(Tmy_string* text, unsigned char tag, const unsigned char* data, unsigned length,
                        bool cut);

}  // namespace eeprom
