// M-Bus long frames with their data records, decoded and written as XML.
#include <cstdint>

#include "base/my_string.h"
#include "data/mbus_records.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mbus_data set;
    mbus_decode_records(&set, data, static_cast<unsigned>(size > 0xFFFF ? 0xFFFF : size));
    Tmy_string text;
    mbus_records_to_xml(&text, &set);
    recorded::clear_log();
    return 0;
}
