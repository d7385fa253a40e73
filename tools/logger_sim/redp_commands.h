#pragma once

#include "tools/logger_sim/command_outcome.h"
#include "tools/logger_sim/logger_state.h"

#include <cstdint>
#include <vector>

// The logger's REDP requests, as the running program (State::update.running)
// answers them. Body = the bytes after the sequence number; a wrong size or an
// unknown command is answered FAIL.
//
// 0x90 value (4), id: set. Id 0xF0 with 0x65B2 initialises the update, 0xF1 with
//      0x65BC clears the memory the running program writes (FAIL before the
//      init), 0xF2 with 0x65C6
//      jumps (firmware -> update program, which listens on address 1; update
//      program -> the new firmware, back on the firmware's own address). A jump
//      restarts the program: no answer unless update.answer_jumps, and the CCP
//      sessions start over. These ids with another value: FAIL. Other ids are
//      stored in update.variables.
// 0x91 id: get. Id 10 gives the running program's version, other ids what was
//      set; an id never set: FAIL.
// 0x6C address (4), data: writes the memory of the running program's target
//      (the firmware writes `updater`, the update program writes `firmware`);
//      FAIL unless the running program had its init and then its clear.
// 0x6E address (4), count: count 4 is a CRC check (firmware_crc, 2 bytes), any
//      other count (at most 248) reads the bytes.
// 0x83: taken, OK.
namespace sim {

Outcome run_redp_command(State& state, uint8_t command, const std::vector<uint8_t>& body);

}  // namespace sim
