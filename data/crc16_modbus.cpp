#include "data/crc16_modbus.h"

uint16_t crc16_modbus_update(uint16_t crc, const uint8_t* bytes, std::size_t count)
{
    if (!bytes)
        return crc;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001u) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

uint16_t crc16_modbus(const uint8_t* bytes, std::size_t count)
{
    return crc16_modbus_update(crc16_modbus_initial, bytes, count);
}
