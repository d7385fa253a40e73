#pragma once

#include "tools/logger_sim/protocol.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// A message the logger received, as it was decoded (also one it dropped).
struct Received {
    std::vector<uint8_t> raw;  // the unframed bytes
    bool valid = false;        // length and checksum right
    uint8_t dest = 0;
    uint8_t src = 0;
    uint8_t port = 0;
    std::vector<uint8_t> payload;

    uint8_t command() const { return payload.empty() ? 0 : payload[0]; }
    // The sequence number on the CCP ports (GTP, REDP).
    std::optional<uint8_t> sequence() const;
    // The bytes after the command (and after the sequence number on CCP ports).
    std::vector<uint8_t> body() const;
};

// Which received messages a wait looks for; an empty field matches anything.
// Only valid messages match.
struct Match {
    std::optional<uint8_t> port;
    std::optional<uint8_t> command;
    bool matches(const Received& frame) const;
};

}  // namespace sim
