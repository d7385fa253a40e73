#include "tools/logger_sim/gtp_commands.h"

#include "tools/logger_sim/acquisition_schedule.h"
#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/dump_messages.h"
#include "tools/logger_sim/flash_records.h"

#include <algorithm>

namespace sim {

namespace {

using Bytes = std::vector<uint8_t>;

namespace control {
constexpr uint8_t slow_mode = 0;
constexpr uint8_t fast_mode = 1;
constexpr uint8_t query_mode = 2;
constexpr uint8_t acquire_now = 3;
constexpr uint8_t clear_flash = 6;
constexpr uint8_t acquire_now_1 = 65;
constexpr uint8_t acquire_health = 66;
const Bytes clear_flash_key = {202, 73};
}  // namespace control

// An answer carries at most this many data bytes after code and sequence number.
constexpr std::size_t max_answer_data = max_payload - 2;

Outcome get_variable(const State& state, const Bytes& body)
{
    if (body.size() != 1)
        return answer_fail();
    uint8_t id = body[0];
    uint32_t value = 0;
    if (id == var::time) {
        value = state.clock.now();
    } else if (id == var::mms_pt) {
        value = static_cast<uint32_t>(state.flash.size());
    } else {
        auto found = state.variables.find(id);
        if (found == state.variables.end())
            return answer_fail();
        value = found->second;
    }
    Bytes data;
    put_be32(data, value);
    return answer_ok(data);
}

Outcome set_variable(State& state, const Bytes& body)
{
    if (body.size() != 6)
        return answer_fail();
    uint8_t id = body[0];
    uint32_t value = get_be32(&body[2]);
    if (id == var::time) {
        state.clock.set(value);
        return answer_ok();
    }
    auto found = state.variables.find(id);
    if (found == state.variables.end())
        return answer_fail();
    found->second = value;
    return answer_ok();
}

Outcome get_parameter(const State& state, const Bytes& body)
{
    if (body.size() != 1)
        return answer_fail();
    auto found = state.parameters.find(body[0]);
    if (found == state.parameters.end() || found->second.size() > max_answer_data)
        return answer_fail();
    return answer_ok(found->second);
}

Outcome acquire(State& state)
{
    Bytes records = state.acquisition_records.empty()
                        ? acquisition_records(state.clock.now(), state.stationId())
                        : state.acquisition_records;
    if (state.flash.size() + records.size() > state.flash_size)
        return answer_fail();
    state.flash.insert(state.flash.end(), records.begin(), records.end());
    ++state.variables[var::acq_counter];
    Outcome outcome = answer_ok();
    outcome.late = true;
    if (state.dump_records) {
        bool was_running = state.acq_running;
        state.acq_running = true;
        for (const Bytes& record : split_records(records))
            if (record.size() + 2 <= max_payload)
                outcome.dumps.push_back(make_dump(state, dump::flagged_record, record));
        state.acq_running = was_running;
        outcome.dumps.push_back(make_dump(state, dump::acquisition_done, {}));
    }
    return outcome;
}

Outcome run_control(State& state, const Bytes& body)
{
    if (body.empty())
        return answer_fail();
    Bytes data(body.begin() + 1, body.end());
    switch (body[0]) {
    case control::slow_mode:
        state.acq_mode = 0;
        return answer_ok();
    case control::fast_mode:
        state.acq_mode = 1;
        return answer_ok();
    case control::query_mode:
        return answer_ok({state.acq_mode});
    case control::acquire_now_1: {
        // The flow program: its loop goes on taking readings.
        Outcome outcome = acquire(state);
        if (outcome.code == ccp::ok)
            start_flow_loop(state);
        return outcome;
    }
    case control::acquire_now:
    case control::acquire_health:
        return acquire(state);
    case control::clear_flash:
        if (data != control::clear_flash_key)
            return answer_fail();
        state.flash.clear();
        state.variables[var::next_download_address] = 0;
        return answer_ok();
    default:
        return answer_ok();
    }
}

// Address (4 bytes) and count; false when the body is too short.
bool address_and_count(const Bytes& body, uint32_t& address, std::size_t& count)
{
    if (body.size() < 5)
        return false;
    address = get_be32(body.data());
    count = body[4];
    return true;
}

Outcome read_flash(const State& state, const Bytes& body)
{
    uint32_t address = 0;
    std::size_t count = 0;
    if (body.size() != 5 || !address_and_count(body, address, count) || count > max_answer_data ||
        address >= state.flash_size)
        return answer_fail();
    return answer_ok(state.flashBytes(address, count));
}

Outcome write_eeprom(State& state, const Bytes& body)
{
    uint32_t address = 0;
    std::size_t count = 0;
    if (!address_and_count(body, address, count) || body.size() != 5 + count)
        return answer_fail();
    if (!state.eeprom.write(address, Bytes(body.begin() + 5, body.end())))
        return answer_fail();
    return answer_ok();
}

Outcome read_eeprom(const State& state, const Bytes& body)
{
    uint32_t address = 0;
    std::size_t count = 0;
    Bytes data;
    if (body.size() != 5 || !address_and_count(body, address, count) || count > max_answer_data ||
        !state.eeprom.read(address, count, data))
        return answer_fail();
    return answer_ok(data);
}

Outcome set_outputs(State& state, const Bytes& body)
{
    if (body.size() != 3)
        return answer_fail();
    state.outputs[body[0]] = {body[1], body[2]};
    return answer_ok();
}

}  // namespace

Outcome run_gtp_command(State& state, uint8_t command, const Bytes& body)
{
    switch (command) {
    case gtp::var_get:
        return get_variable(state, body);
    case gtp::var_set:
        return set_variable(state, body);
    case gtp::parameter_get:
        return get_parameter(state, body);
    case gtp::control:
        return run_control(state, body);
    case gtp::mms_range:
        return read_flash(state, body);
    case gtp::mem_write:
        return write_eeprom(state, body);
    case gtp::eeprom_read:
        return read_eeprom(state, body);
    case gtp::out_set:
        return set_outputs(state, body);
    default:
        return answer_fail();
    }
}

}  // namespace sim
