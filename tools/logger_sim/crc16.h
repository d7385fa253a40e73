#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

// CRC-16 with the reflected polynomial 0xA001, initial value 0xFFFF and no final
// XOR (the Modbus CRC). Flash records store it low byte first.
uint16_t crc16_modbus(const uint8_t* bytes, std::size_t count);

}  // namespace sim
