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
// The empty default: decodes nothing, shows nothing.
Tflash_parser_hooks* flash_parser_empty_hooks();

// The telegram decoding of other hooks without their live values: what a
// conversion on a worker thread is given, since the live view it would write
// belongs to the GUI thread. The decoders must be safe on any thread.
class Tflash_decoding_hooks : public Tflash_parser_hooks {
public:
    explicit Tflash_decoding_hooks(Tflash_parser_hooks* decoders);

    void wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                       bool c1) override;
    void mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count) override;
    void mbus_records_to_xml(Tmy_string* text, const mbus_data* set) override;

private:
    Tflash_parser_hooks* decoders;
};
