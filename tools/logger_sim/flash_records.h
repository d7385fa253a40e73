#pragma once

#include <cstdint>
#include <vector>

// Builders of the binary records a logger writes into its flash memory.
// Value records are a type byte 0x80-0xBF and a big-endian 32-bit value; short
// records a type byte 0x01-0x7F, a length byte and the payload.
namespace sim {

using Bytes = std::vector<uint8_t>;

Bytes value_record(uint8_t type, uint32_t value);
Bytes float_record(uint8_t type, float value);
Bytes time_record(uint32_t seconds);                      // type 128
Bytes timestamp_info_record(uint32_t seconds, uint8_t info);  // type 64 (0 slow, 1 fast)

// Type 21 with code 0x20: lamps A, B, C, T, the temperature, then the four base
// values, all in millivolts (temperature in degrees), closed by the Modbus CRC
// of type, length and payload, low byte first.
struct FluorometerReading {
    float lamp_a, lamp_b, lamp_c, lamp_t, temperature;
    float base_a, base_b, base_c, base_t;
};
Bytes fluorometer_record(const FluorometerReading& reading);

// The records of one acquisition at the given time: the time, the station id
// (type 130), a temperature (type 145), the pulse inputs (type 163) and a
// fluorometer reading, with values that vary with the time.
Bytes acquisition_records(uint32_t seconds, uint32_t station_id);
// count acquisitions, the first at first and then every interval seconds.
Bytes acquisition_series(uint32_t first, uint32_t interval, unsigned count, uint32_t station_id);

// Cuts a record stream into its records: value records are 5 bytes, short ones
// 2 + their length byte (0 means 256), long ones (0xC0-0xDF) 3 + their
// big-endian 16-bit length (0 means 65536). Stops at an end mark (0x00, 0xFF),
// an unknown type or a record cut off.
std::vector<Bytes> split_records(const Bytes& stream);

}  // namespace sim
