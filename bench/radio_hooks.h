#pragma once

#include "data/flash_parser_hooks.h"
#include "data/mbus_records.h"
#include "data/wm_bus.h"

namespace bench {

// The radio decoders that calyxo_basic installs, so that radio records cost
// what they cost in the program.
class Tradio_hooks : public Tflash_parser_hooks {
public:
    void wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                       bool c1) override
    {
        ::wm_bus_to_xml(text, last_time, telegram, count, c1);
    }
    void mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count) override
    {
        ::mbus_decode_records(set, bytes, count);
    }
    void mbus_records_to_xml(Tmy_string* text, const mbus_data* set) override
    {
        ::mbus_records_to_xml(text, set);
    }
};

}  // namespace bench
