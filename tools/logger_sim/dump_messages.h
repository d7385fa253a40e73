#pragma once

#include "tools/logger_sim/logger_state.h"

#include <cstdint>
#include <vector>

// The reports a logger sends on BASICIO (its dumps). Payload byte 0 is the dump code:
// '@' text, 'A' a flash record, 'B' a modem line, 'F' the radio status,
// 'H' flag byte + flash record, 'I' flag byte + modem line, 'J' 0x01 acquisition finished.
// The flag byte has bit 4 set while the acquisition runs and bit 5 while the modem is on.
namespace sim {

namespace dump {
constexpr uint8_t text = '@';
constexpr uint8_t record = 'A';
constexpr uint8_t modem_line = 'B';
constexpr uint8_t radio_status = 'F';
constexpr uint8_t flagged_record = 'H';
constexpr uint8_t flagged_modem_line = 'I';
constexpr uint8_t acquisition_done = 'J';
}  // namespace dump

uint8_t dump_flags(const State& state);

// The dump payload of this code: 'H' and 'I' get the flag byte from the state
// before the content, 'J' ignores the content; other codes carry it as it is.
std::vector<uint8_t> make_dump(const State& state, uint8_t code, const std::vector<uint8_t>& content);

}  // namespace sim
