#include "programs/basic/calibration_write.h"

#include <cstdint>
#include <cstring>

#include "link/calyxo_master.h"
#include "programs/basic/start_refusal.h"

namespace {

constexpr unsigned span_variable = 0x40;
constexpr unsigned offset_variable = 0x44;

void append_record(Tmy_string& script, unsigned variable, double value)
{
    const float single = static_cast<float>(value);
    uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    script.appendf("01%02x%02x%02x%02x%02x", variable, bits >> 24 & 0xFF, bits >> 16 & 0xFF, bits >> 8 & 0xFF,
                   bits & 0xFF);
}

bool start(Tcalyxo_master& master, const Tmy_string& script)
{
    const bool refused = master.start_script(script.c_str());
    if (refused)
        log_start_refused(master, "calibration write");
    return refused;
}

}  // namespace

Tmy_string calibration_script(bool with_span, double span, bool with_offset, double offset)
{
    Tmy_string script;
    if (with_span)
        append_record(script, span_variable, span);
    if (with_offset)
        append_record(script, offset_variable, offset);
    return script;
}

bool calibration_write(Tcalyxo_master& master, double span, double offset)
{
    return start(master, calibration_script(true, span, true, offset));
}

bool calibration_write_span(Tcalyxo_master& master, double span)
{
    return start(master, calibration_script(true, span, false, 0));
}

bool calibration_write_offset(Tcalyxo_master& master, double offset)
{
    return start(master, calibration_script(false, 0, true, offset));
}
