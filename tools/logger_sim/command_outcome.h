#pragma once

#include "tools/logger_sim/protocol.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace sim {

// What one CCP request did: the answer and what the logger does besides.
struct Outcome {
    uint8_t code = ccp::ok;
    std::vector<uint8_t> data;
    bool late = false;  // the command takes long: PENDING first, this answer later
    std::vector<std::vector<uint8_t>> dumps;  // BASICIO payloads sent after the answer
    bool restart = false;  // the program restarts: no answer (unless asked), CCP sessions lost
};

inline Outcome answer_ok(std::vector<uint8_t> data = {})
{
    Outcome outcome;
    outcome.data = std::move(data);
    return outcome;
}

inline Outcome answer_fail()
{
    Outcome outcome;
    outcome.code = ccp::fail;
    return outcome;
}

}  // namespace sim
