// CALIBRATION files read into a run, written back and reduced to constants.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "calibration/master_fluo_cal.h"
#include "tests/support/recording_program.h"

namespace {

// One file name for the whole run; the file is removed after each input, so
// that none is left behind however the run ends.
const std::string& input_path()
{
    static const std::string path = [] {
        char pattern[] = "/tmp/calibration-fuzz-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd >= 0)
            close(fd);
        return std::string(pattern);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(input_path().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    Tmaster_fluo_cal run;
    run.readCalibrationXml(input_path().c_str());
    run.writeCalibrationXml(nullptr);
    Tmy_string constants;
    run.computeConstants(&constants);
    recorded::clear_log();
    recorded::clear_gui();
    std::remove(input_path().c_str());
    return 0;
}
