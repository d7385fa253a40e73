#include "data/flash_parser_hooks.h"

namespace {

Tflash_parser_hooks default_hooks;
Tflash_parser_hooks* installed_hooks = &default_hooks;

}  // namespace

void Tflash_parser_hooks::on_flash_value(unsigned, uint32_t) {}

void Tflash_parser_hooks::wm_bus_to_xml(Tmy_string*, uint32_t, const uint8_t*, unsigned, bool) {}

void Tflash_parser_hooks::mbus_decode_records(mbus_data*, const uint8_t*, unsigned) {}

void Tflash_parser_hooks::mbus_records_to_xml(Tmy_string*, const mbus_data*) {}

void Tflash_parser_hooks::setAcqValue(unsigned, uint32_t) {}

void Tflash_parser_hooks::clearAcqValues(unsigned) {}

void Tflash_parser_hooks::setAcqSubValue(unsigned, int, float) {}

void flash_parser_hooks_install(Tflash_parser_hooks* hooks)
{
    installed_hooks = hooks ? hooks : &default_hooks;
}

Tflash_parser_hooks* flash_parser_hooks()
{
    return installed_hooks;
}

Tflash_parser_hooks* flash_parser_empty_hooks()
{
    return &default_hooks;
}

Tflash_decoding_hooks::Tflash_decoding_hooks(Tflash_parser_hooks* decoders_given)
    : decoders(decoders_given ? decoders_given : &default_hooks)
{
}

void Tflash_decoding_hooks::wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram,
                                          unsigned count, bool c1)
{
    decoders->wm_bus_to_xml(text, last_time, telegram, count, c1);
}

void Tflash_decoding_hooks::mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count)
{
    decoders->mbus_decode_records(set, bytes, count);
}

void Tflash_decoding_hooks::mbus_records_to_xml(Tmy_string* text, const mbus_data* set)
{
    decoders->mbus_records_to_xml(text, set);
}
