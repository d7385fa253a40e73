#include "tools/logger_sim/dump_messages.h"

namespace sim {

uint8_t dump_flags(const State& state)
{
    return static_cast<uint8_t>((state.acq_running ? 0x10 : 0) | (state.gsm_on ? 0x20 : 0));
}

std::vector<uint8_t> make_dump(const State& state, uint8_t code, const std::vector<uint8_t>& content)
{
    if (code == dump::acquisition_done)
        return {code, 0x01};
    std::vector<uint8_t> payload{code};
    if (code == dump::flagged_record || code == dump::flagged_modem_line)
        payload.push_back(dump_flags(state));
    payload.insert(payload.end(), content.begin(), content.end());
    return payload;
}

}  // namespace sim
