// Single records as the dump decoder hands them over, framed or not.
#include <cstdint>

#include "base/my_string.h"
#include "data/flash_parser.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Tflash_parser parser;
    Tmy_string text;
    parser.parseRecord(&text, data, static_cast<unsigned>(size > 0xFFFF ? 0xFFFF : size));
    recorded::clear_log();
    return 0;
}
