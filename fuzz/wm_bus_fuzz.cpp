// Radio telegram headers and the maker's descrambler. The first byte chooses C1.
#include <cstdint>

#include "base/my_string.h"
#include "data/wm_bus.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool c1 = data[0] & 1;
    const unsigned char* telegram = data + 1;
    unsigned count = static_cast<unsigned>(size - 1);
    if (count > WM_BUS_MAX_TELEGRAM)
        count = WM_BUS_MAX_TELEGRAM;
    T_wm_bus_message message;
    message.decode(telegram, count, c1);
    unsigned char descrambled[WM_BUS_MAX_TELEGRAM];
    wmbus_descramble(descrambled, telegram, count);
    Tmy_string text;
    wm_bus_to_xml(&text, 0, telegram, count, c1);
    recorded::clear_log();
    return 0;
}
