#pragma once

#include "tools/logger_sim/command_outcome.h"
#include "tools/logger_sim/logger_state.h"

#include <cstdint>
#include <vector>

// The logger's GTP requests. Body = the request's bytes after the sequence
// number. A body of the wrong size, an unknown variable, parameter, command or
// address is answered FAIL and changes nothing.
//
// 'T' id: OK + the value (4 bytes). Variable 0 is the clock, 16 (MMS_PT) the
//     written flash size; others as State::variables holds them.
// 'S' id, flag, value (4): sets the variable (0 sets the clock); 16 is read-only.
// ']' id: OK + the parameter's bytes (162: the MAC as text, no NUL).
// '[' command, data: controls. 0 slow mode, 1 fast mode, 2 OK + the mode byte,
//     3 / 65 / 66 one acquisition (records appended to flash and dumped, the
//     acquisition counter 7 counts up; answered PENDING, then late OK),
//     6 with 202, 73 clears the flash and NEXT_DOWNLOAD_ADDRESS (without them
//     FAIL); every other control is taken and answered OK.
// 'Q' address (4), count: OK + the flash bytes (0xFF beyond the written part,
//     cut at the flash size); address beyond the flash FAIL.
// 'X' address (4), count, data: EEPROM write; 'Z' address (4), count: OK + the
//     EEPROM bytes. Both refuse any address outside the pages.
// '\' kind, mask, value: recorded in State::outputs, OK.
namespace sim {

Outcome run_gtp_command(State& state, uint8_t command, const std::vector<uint8_t>& body);

}  // namespace sim
