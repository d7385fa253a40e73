// The LoRaWAN module's compact payload.
#include <cstdint>

#include "data/compact_payload.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    decode_tx_payload(data, static_cast<unsigned>(size > 0xFFFF ? 0xFFFF : size));
    recorded::clear_log();
    return 0;
}
