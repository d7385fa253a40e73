#include "tools/logger_sim/firmware_memory.h"

#include "tools/logger_sim/crc16.h"

namespace sim {

void FirmwareMemory::write(uint32_t address, const std::vector<uint8_t>& data)
{
    for (std::size_t i = 0; i < data.size(); ++i)
        bytes[address + static_cast<uint32_t>(i)] = data[i];
}

std::vector<uint8_t> FirmwareMemory::read(uint32_t address, std::size_t count) const
{
    std::vector<uint8_t> out(count, 0xFF);
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t at = address + static_cast<uint32_t>(i);
        auto found = bytes.find(at);
        if (found != bytes.end())
            out[i] = found->second;
        else if (!erased)
            out[i] = old_byte(at);
    }
    return out;
}

uint16_t firmware_crc(const FirmwareMemory& memory, uint32_t address)
{
    std::vector<uint8_t> block = memory.read(address, FirmwareMemory::crc_block);
    return crc16_modbus(block.data(), block.size());
}

}  // namespace sim
