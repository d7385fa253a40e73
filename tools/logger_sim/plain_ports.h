#pragma once

#include "tools/logger_sim/logger_state.h"

#include <cstdint>
#include <optional>
#include <vector>

// PIPO and BASICIO: plain messages without sequence numbers.
//
// PIPO "PING" is answered with the status text ('P' ...): State::status_text,
// or "P;J<A|G|I>;S<station id>" (A acquisition running, G modem on, I neither).
// PIPO 'L' breaks the acquisition loop (acq_running off), unanswered.
// BASICIO 'C' + text goes to the modem (modem.h), and each line it prints comes
// back as an 'I' dump. Other messages are taken without an answer.
namespace sim {

std::optional<std::vector<uint8_t>> run_pipo(State& state, const std::vector<uint8_t>& payload);
std::vector<std::vector<uint8_t>> run_basicio(State& state, const std::vector<uint8_t>& payload);

}  // namespace sim
