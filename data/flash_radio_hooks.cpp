#include "data/flash_radio_hooks.h"

#include "data/mbus_records.h"
#include "data/wm_bus.h"

void Tflash_radio_hooks::wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                                       bool c1)
{
    ::wm_bus_to_xml(text, last_time, telegram, count, c1);
}

void Tflash_radio_hooks::mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count)
{
    ::mbus_decode_records(set, bytes, count);
}

void Tflash_radio_hooks::mbus_records_to_xml(Tmy_string* text, const mbus_data* set)
{
    ::mbus_records_to_xml(text, set);
}
