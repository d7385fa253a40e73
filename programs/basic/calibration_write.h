#pragma once

#include "base/my_string.h"

class Tcalyxo_master;

// The pressure sensor's calibration constants as a master script: variable
// 0x40 the span, 0x44 the offset, each an IEEE single, most significant byte
// first, in lower-case hex.
Tmy_string calibration_script(bool with_span, double span, bool with_offset, double offset);

// Hand the script to the master; a refusal is logged. True when refused.
bool calibration_write(Tcalyxo_master& master, double span, double offset);
bool calibration_write_span(Tcalyxo_master& master, double span);
bool calibration_write_offset(Tcalyxo_master& master, double offset);
