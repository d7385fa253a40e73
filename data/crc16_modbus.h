#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
// Records store it low byte first.
constexpr uint16_t crc16_modbus_initial = 0xFFFF;

uint16_t crc16_modbus(const uint8_t* bytes, std::size_t count);
// Continues a CRC over more bytes, for a sum over pieces that are not contiguous.
uint16_t crc16_modbus_update(uint16_t crc, const uint8_t* bytes, std::size_t count);
