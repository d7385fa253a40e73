#include "tools/logger_sim/redp_commands.h"

#include "tools/logger_sim/byte_order.h"

namespace sim {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t id_init = 0xF0;
constexpr uint8_t id_clear = 0xF1;
constexpr uint8_t id_jump = 0xF2;
constexpr uint32_t key_init = 0x65B2;
constexpr uint32_t key_clear = 0x65BC;
constexpr uint32_t key_jump = 0x65C6;
constexpr uint8_t id_version = 10;
constexpr uint8_t updater_address = 1;
constexpr std::size_t crc_check_count = 4;
constexpr std::size_t max_read = max_payload - 2;

// The memory the running program writes (const or not, as the update is).
template <class Update>
auto& target_memory(Update& update)
{
    return update.running == Program::firmware ? update.updater : update.firmware;
}

Outcome jump(State& state)
{
    FirmwareUpdate& update = state.update;
    if (update.running == Program::firmware) {
        update.firmware_address = state.address;
        state.address = updater_address;
        update.running = Program::updater;
    } else {
        state.address = update.firmware_address;
        update.running = Program::firmware;
    }
    update.initialised = false;
    update.cleared = false;
    ++update.jumps;
    Outcome outcome = answer_ok();
    outcome.restart = true;
    return outcome;
}

Outcome set_variable(State& state, const Bytes& body)
{
    if (body.size() != 5)
        return answer_fail();
    uint32_t value = get_be32(body.data());
    uint8_t id = body[4];
    switch (id) {
    case id_init:
        if (value != key_init)
            return answer_fail();
        state.update.initialised = true;
        state.update.cleared = false;
        return answer_ok();
    case id_clear:
        if (value != key_clear || !state.update.initialised)
            return answer_fail();
        target_memory(state.update).clear();
        state.update.cleared = true;
        return answer_ok();
    case id_jump:
        if (value != key_jump)
            return answer_fail();
        return jump(state);
    default:
        state.update.variables[id] = value;
        return answer_ok();
    }
}

Outcome get_variable(const State& state, const Bytes& body)
{
    if (body.size() != 1)
        return answer_fail();
    const FirmwareUpdate& update = state.update;
    uint32_t value = 0;
    if (body[0] == id_version) {
        value = update.running == Program::firmware ? update.firmware_version : update.updater_version;
    } else {
        auto found = update.variables.find(body[0]);
        if (found == update.variables.end())
            return answer_fail();
        value = found->second;
    }
    Bytes data;
    put_be32(data, value);
    return answer_ok(data);
}

Outcome write_memory(State& state, const Bytes& body)
{
    if (body.size() < 4)
        return answer_fail();
    if (!state.update.initialised || !state.update.cleared)
        return answer_fail();
    target_memory(state.update).write(get_be32(body.data()), Bytes(body.begin() + 4, body.end()));
    return answer_ok();
}

Outcome read_memory(const State& state, const Bytes& body)
{
    if (body.size() != 5 || body[4] > max_read)
        return answer_fail();
    uint32_t address = get_be32(body.data());
    const FirmwareMemory& memory = target_memory(state.update);
    if (body[4] != crc_check_count)
        return answer_ok(memory.read(address, body[4]));
    Bytes data;
    put_be16(data, firmware_crc(memory, address));
    return answer_ok(data);
}

}  // namespace

Outcome run_redp_command(State& state, uint8_t command, const Bytes& body)
{
    switch (command) {
    case redp::set:
        return set_variable(state, body);
    case redp::get:
        return get_variable(state, body);
    case redp::mem_write:
        return write_memory(state, body);
    case redp::mem_read:
        return read_memory(state, body);
    case redp::control:
        return answer_ok();
    default:
        return answer_fail();
    }
}

}  // namespace sim
