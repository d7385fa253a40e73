#pragma once

#include "tools/logger_sim/logger_state.h"

#include <cstdint>

// A logger as one is found in the field: a station id, an EEPROM holding a
// configuration on pages 0, 6 and 7 (the others erased) and a day of
// acquisitions in flash, every 600 s before the given time.
namespace sim {

void fill_demo_state(State& state, uint32_t station_id, uint32_t now);

}  // namespace sim
