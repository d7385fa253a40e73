// Calibration-constants files, read and used to convert a reading.
#include <cstdint>

#include "data/ruvo_fluo.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Truvo_fluo constants;
    constants.getcalibText(reinterpret_cast<const char*>(data), static_cast<unsigned>(size > 0xFFFFF ? 0xFFFFF : size));
    Tppb_sample sample;
    for (int lamp = 0; lamp < 3; ++lamp) {
        sample.lamp_mV[lamp] = 50.0 * (lamp + 1);
        sample.lamp_valid[lamp] = 1;
    }
    sample.turbidity_mV = 12.5;
    sample.turbidity_valid = 1;
    sample.temperature = 18.0;
    sample.conductivity_raw = 0.4;
    sample.conductivity_valid = 1;
    const bool selected[3] = {true, true, false};
    constants.convert(&sample, selected, 1.0);
    recorded::clear_log();
    return 0;
}
