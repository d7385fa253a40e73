#include "tools/logger_sim/acquisition_schedule.h"

#include "tools/logger_sim/dump_messages.h"
#include "tools/logger_sim/flash_records.h"
#include "tools/logger_sim/logger_state.h"

#include <cmath>

namespace sim {

namespace {

constexpr uint8_t type_station = 130;
constexpr uint8_t type_temperature = 145;

// The interval of the acquisition mode, s; 0 when none is set.
uint32_t mode_interval(const State& state)
{
    auto found = state.variables.find(state.acq_mode == 1 ? var::acq_interval1 : var::acq_interval0);
    return found == state.variables.end() ? 0 : found->second;
}

bool regular_scheduled(const State& state)
{
    if (!state.schedule.run || state.schedule.flow_left > 0 || mode_interval(state) == 0)
        return false;
    auto enabled = state.variables.find(var::acq_enable);
    return enabled != state.variables.end() && enabled->second != 0;
}

uint32_t next_on(const State& state)
{
    auto found = state.variables.find(var::acq_next);
    return found == state.variables.end() ? 0 : found->second;
}

// A reading of the flow loop: a tracer passing the probe, its peak on lamp C
// (the lamp the flow follows) a minute of passes into the loop.
Bytes flow_records(uint32_t seconds, uint32_t station_id, unsigned pass)
{
    const double from_peak = (static_cast<double>(pass) - 20.0) / 8.0;
    const float passage = static_cast<float>(600.0 * std::exp(-from_peak * from_peak));
    Bytes records = time_record(seconds);
    for (const Bytes& record :
         {value_record(type_station, station_id), float_record(type_temperature, 12.5f),
          fluorometer_record({812.0f + passage * 0.1f, 640.5f, 455.25f + passage, 120.0f, 12.5f, 15.0f, 14.5f,
                              13.75f, 9.5f})})
        records.insert(records.end(), record.begin(), record.end());
    return records;
}

// Stores one acquisition's records; the dumps it gives.
void acquire(State& state, const Bytes& records, std::vector<Bytes>& dumps)
{
    if (state.flash.size() + records.size() > state.flash_size)
        return;  // a full flash takes nothing more
    state.flash.insert(state.flash.end(), records.begin(), records.end());
    ++state.variables[var::acq_counter];
    if (!state.dump_records)
        return;
    const bool was_running = state.acq_running;
    state.acq_running = true;
    for (const Bytes& record : split_records(records))
        if (record.size() + 2 <= max_payload)
            dumps.push_back(make_dump(state, dump::flagged_record, record));
    state.acq_running = was_running;
    dumps.push_back(make_dump(state, dump::acquisition_done, {}));
}

}  // namespace

void start_flow_loop(State& state)
{
    if (!state.schedule.run)
        return;
    // The loop's first pass was the control's own acquisition.
    state.schedule.flow_left = flow_loop_passes - 1;
    state.schedule.flow_taken = 1;
    state.schedule.flow_next.reset();
    state.acq_running = true;
}

std::vector<Bytes> run_due_acquisitions(State& state, SteadyTime now)
{
    std::vector<Bytes> dumps;
    Schedule& schedule = state.schedule;
    if (!schedule.run)
        return dumps;
    if (schedule.flow_left > 0 && !state.acq_running) {
        // A break ended the loop.
        schedule.flow_left = 0;
        schedule.flow_next.reset();
    }
    if (schedule.flow_left > 0) {
        if (!schedule.flow_next)
            schedule.flow_next = now + schedule.flow_interval;
        if (now >= *schedule.flow_next) {
            acquire(state, flow_records(state.clock.now(), state.stationId(), schedule.flow_taken), dumps);
            ++schedule.flow_taken;
            *schedule.flow_next += schedule.flow_interval;
            if (--schedule.flow_left == 0) {
                schedule.flow_next.reset();
                state.acq_running = false;
            }
        }
        return dumps;
    }
    if (!regular_scheduled(state))
        return dumps;
    const uint32_t seconds = state.clock.now();
    uint32_t next = next_on(state);
    if (seconds < next)
        return dumps;
    acquire(state, acquisition_records(seconds, state.stationId()), dumps);
    // Missed acquisitions are not made up for: Next On is the first one after now.
    const uint32_t interval = mode_interval(state);
    next += ((seconds - next) / interval + 1) * interval;
    state.variables[var::acq_next] = next;
    return dumps;
}

std::optional<SteadyTime> next_acquisition_due(const State& state, SteadyTime now)
{
    const Schedule& schedule = state.schedule;
    if (schedule.flow_left > 0)
        return schedule.flow_next ? *schedule.flow_next : now;
    if (!regular_scheduled(state))
        return std::nullopt;
    const uint32_t seconds = state.clock.now();
    const uint32_t next = next_on(state);
    return next <= seconds ? now : now + std::chrono::seconds(next - seconds);
}

}  // namespace sim
