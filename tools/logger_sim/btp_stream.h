#pragma once

#include "tools/logger_sim/logger_state.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// One BTP transfer: after 'A' address (4), length (4) the logger streams the
// flash range as data frames, payload = address (4 bytes) + up to
// State::btp_chunk data bytes, without acknowledgements, until the range is
// done or 'Z' stops it. The range is cut at the flash size; bytes in a hole
// taken at the start are left out (a frame never spans a hole).
namespace sim {

class BtpStream {
public:
    // Takes from the state's holes those that overlap the range (each counts one stream).
    BtpStream(State& state, uint32_t address, uint32_t length);

    // The payload of the next data frame; none when the range is done.
    std::optional<std::vector<uint8_t>> next(const State& state);

private:
    uint64_t at;
    uint64_t end;
    std::vector<std::pair<uint64_t, uint64_t>> skips;  // [begin, end) left out
};

}  // namespace sim
