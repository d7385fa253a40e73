// Probe answer lines, parsed into a sample and handed to a calibration run as
// the controller hands them over, then shown and written as XML.
#include <cstdint>
#include <string>

#include "calibration/master_fluo_cal.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size > 4096 ? 4096 : size);
    Tfluo_sample sample;
    sample.parseProbeAnswer(line.c_str());
    Tmy_string xml;
    sample.toXml(&xml, 0);
    sample.toXml(&xml, 1);
    Tmaster_fluo_cal run;
    run.onProbeText(line.data(), static_cast<unsigned>(line.size()));
    run.storeSample();
    run.writeCalibrationXml(nullptr);
    recorded::clear_log();
    recorded::clear_gui();
    return 0;
}
