#pragma once

#include <cstdint>

class Tmy_string;
struct mbus_data;

// What the flash parser hands to the program: radio telegrams to decode and the
// last values seen for the live view. Every operation does nothing by default;
// a program installs its own (calyxo_basic: the telegram decoders and the module
// view; calyxo_start: only the module view).
class Tflash_parser_hooks {
public:
    virtual ~Tflash_parser_hooks() = default;

    // After every value record, in or out of a time block.
    virtual void on_flash_value(unsigned type, uint32_t value);
    // Appends the attributes of a radio telegram (a 0xC1 record's bytes after its channel).
    virtual void wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                               bool c1);
    // Decode the data records of a meter message and append them.
    virtual void mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count);
    virtual void mbus_records_to_xml(Tmy_string* text, const mbus_data* set);
    // The live view's ACQ items.
    virtual void setAcqValue(unsigned type, uint32_t value_bits);
    virtual void clearAcqValues(unsigned type);
    virtual void setAcqSubValue(unsigned type, int index, float value);
};

// Null puts the empty default back.
void flash_parser_hooks_install(Tflash_parser_hooks* hooks);
// The installed hooks; never null.
Tflash_parser_hooks* flash_parser_hooks();
// The hooks for the live values (on_flash_value and the ACQ items): the
// installed ones on the GUI thread, which owns the live view; the empty
// default for a conversion on a worker thread, which must not write it.
Tflash_parser_hooks* flash_parser_live_hooks();
