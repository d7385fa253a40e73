#pragma once

#include "data/flash_parser_hooks.h"

// The flash parser's live values into the module view, so that the readings a
// logger dumps reach the controller's measuring modes; downloads are converted
// without radio decoding.
class Tmodule_view_hooks : public Tflash_parser_hooks {
public:
    void setAcqValue(unsigned type, uint32_t value_bits) override;
    void clearAcqValues(unsigned type) override;
    void setAcqSubValue(unsigned type, int index, float value) override;
};
