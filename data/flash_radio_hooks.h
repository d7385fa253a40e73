#pragma once

#include "data/flash_parser_hooks.h"

// Flash parser hooks that decode radio telegrams and M-Bus meter messages with
// the suite's decoders (data/wm_bus.h, data/mbus_records.h) and leave the live
// view alone. A program with a live view derives from it.
class Tflash_radio_hooks : public Tflash_parser_hooks {
public:
    void wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                       bool c1) override;
    void mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count) override;
    void mbus_records_to_xml(Tmy_string* text, const mbus_data* set) override;
};
