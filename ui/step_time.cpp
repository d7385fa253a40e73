#include "ui/step_time.h"

#include <cstdint>

#include "data/flash_parser_data.h"

bool step_time(const Tflash_parser_data& step, unsigned* seconds)
{
    const Tflash_parser_value time = step.typeSlot(flash_parser_type_first);
    if (!time.valid || time.integer < 0 || time.integer > UINT32_MAX)
        return false;
    *seconds = static_cast<unsigned>(time.integer);
    return true;
}
