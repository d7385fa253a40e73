#include "tools/logger_sim/plain_ports.h"

#include "tools/logger_sim/dump_messages.h"
#include "tools/logger_sim/protocol.h"

#include <string>

namespace sim {

namespace {

std::vector<uint8_t> status_text(const State& state)
{
    std::string text = state.status_text;
    if (text.empty()) {
        char activity = state.acq_running ? 'A' : (state.gsm_on ? 'G' : 'I');
        text = std::string("P;J") + activity + ";S" + std::to_string(state.stationId());
    }
    if (text.size() > max_payload)
        text.resize(max_payload);
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

std::optional<std::vector<uint8_t>> run_pipo(State& state, const std::vector<uint8_t>& payload)
{
    static const std::vector<uint8_t> ping = {'P', 'I', 'N', 'G'};
    if (payload == ping)
        return status_text(state);
    if (!payload.empty() && payload[0] == pipo::break_loop)
        state.acq_running = false;
    return std::nullopt;
}

std::vector<std::vector<uint8_t>> run_basicio(State& state, const std::vector<uint8_t>& payload)
{
    std::vector<std::vector<uint8_t>> dumps;
    if (payload.empty() || payload[0] != basicio::modem_command)
        return dumps;
    for (const std::string& printed : state.modem.hear(std::string(payload.begin() + 1, payload.end()))) {
        std::vector<uint8_t> line(printed.begin(), printed.end());
        if (line.size() + 2 > max_payload)
            line.resize(max_payload - 2);
        dumps.push_back(make_dump(state, dump::flagged_modem_line, line));
    }
    return dumps;
}

}  // namespace sim
