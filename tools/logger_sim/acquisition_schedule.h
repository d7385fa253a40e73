#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// The logger's own acquisitions, between the requests it answers: the regular
// ones when the clock reaches Next On (variable 2; Next On then moves on by
// the interval of the acquisition mode, variable 1 slow or 4 fast, and the
// counter, variable 7, counts it), and the flow program that control 65
// starts, a loop that takes a reading every flow interval until a break of
// the loop (PIPO) or its last pass. Each acquisition appends its records to
// the flash; with State::dump_records they are dumped too.
namespace sim {

struct State;
using SteadyTime = std::chrono::steady_clock::time_point;

struct Schedule {
    bool run = false;  // off: the logger acquires only when asked (the tests' plain logger)
    // One pass of the flow program's loop: the probe's reading under its time-out.
    std::chrono::milliseconds flow_interval{3000};
    unsigned flow_left = 0;              // passes the running flow loop still makes
    unsigned flow_taken = 0;             // readings of the running flow loop so far
    std::optional<SteadyTime> flow_next;  // none: the loop has not timed its first pass yet
};

// The passes of the flow program's loop.
constexpr unsigned flow_loop_passes = 3000;

// Control 65 ran: with the schedule on, the flow loop runs (the acquisition counts as running).
void start_flow_loop(State& state);
// The acquisitions due at now; the BASICIO dump payloads they give.
std::vector<std::vector<uint8_t>> run_due_acquisitions(State& state, SteadyTime now);
// When the next one is due; none when nothing is scheduled.
std::optional<SteadyTime> next_acquisition_due(const State& state, SteadyTime now);

}  // namespace sim
