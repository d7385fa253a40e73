#include "tools/logger_sim/logger_state.h"

#include <algorithm>

namespace sim {

namespace {
constexpr uint32_t acq_interval = 600;
constexpr uint32_t gsm_interval = 7200;
constexpr uint32_t gsm_duration = 300;
// acq_number 1 (bits 28-31), gsm_number 1 (bits 20-23), acquisition enabled (bit 2).
constexpr uint32_t system_info = 0x10100004;
constexpr char default_mac[] = "70-B3-D5-12-34-56";
// COM debug record: cycle count 16384, data rate SF12 for TX, a time stamp.
const std::vector<uint8_t> default_com_debug = {3, 3, 0x00, 0x40, 0x00, 5, 2, 0, 0, 0x80, 4, 0x5F, 0x5E, 0x10, 0x00};
}  // namespace

State::State()
{
    uint32_t now = clock.now();
    uint32_t next_acq = now - now % acq_interval + acq_interval;
    uint32_t next_gsm = now - now % gsm_interval + gsm_interval;
    variables = {
        {var::acq_interval0, acq_interval},
        {var::acq_next, next_acq},
        {var::acq_enable, 1},
        {var::acq_interval1, 60},
        {var::acq_counter, 0},
        {var::gsm_counter, 0},
        {var::gsm_interval, gsm_interval},
        {var::gsm_next, next_gsm},
        {var::gsm_duration, gsm_duration},
        {var::gsm_enable, 1},
        {var::gsm_next_off, next_gsm + gsm_duration},
        {var::acq_last_block, 0},
        {var::station_id, 1234},
        {var::system_info, system_info},
        {var::next_download_address, 0},
        {var::pulse_counter0, 0},
        {var::pulse_counter1, 0},
        {130, 0},
        {135, 0},
    };
    parameters[162] = std::vector<uint8_t>(default_mac, default_mac + sizeof default_mac - 1);
    parameters[169] = default_com_debug;
}

uint32_t State::stationId() const
{
    auto found = variables.find(var::station_id);
    return found == variables.end() ? 0 : found->second;
}

std::vector<uint8_t> State::flashBytes(uint32_t start, std::size_t count) const
{
    if (start >= flash_size)
        return {};
    count = std::min<std::size_t>(count, flash_size - start);
    std::vector<uint8_t> bytes(count, 0xFF);
    for (std::size_t i = 0; i < count && start + i < flash.size(); ++i)
        bytes[i] = flash[start + i];
    return bytes;
}

}  // namespace sim
