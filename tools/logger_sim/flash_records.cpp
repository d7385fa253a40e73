#include "tools/logger_sim/flash_records.h"

#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/crc16.h"

#include <cstring>

namespace sim {

namespace {

constexpr uint8_t type_time = 128;
constexpr uint8_t type_station = 130;
constexpr uint8_t type_temperature = 145;
constexpr uint8_t type_pulses = 163;
constexpr uint8_t type_timestamp_info = 64;
constexpr uint8_t type_fluorometer = 21;
constexpr uint8_t fluorometer_all_lamps = 0x20;

uint32_t float_bits(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

Bytes value_record(uint8_t type, uint32_t value)
{
    Bytes record{type};
    put_be32(record, value);
    return record;
}

Bytes float_record(uint8_t type, float value)
{
    return value_record(type, float_bits(value));
}

Bytes time_record(uint32_t seconds)
{
    return value_record(type_time, seconds);
}

Bytes timestamp_info_record(uint32_t seconds, uint8_t info)
{
    Bytes record{type_timestamp_info, 5};
    put_be32(record, seconds);
    record.push_back(info);
    return record;
}

Bytes fluorometer_record(const FluorometerReading& reading)
{
    const float values[] = {reading.lamp_a, reading.lamp_b, reading.lamp_c, reading.lamp_t, reading.temperature,
                            reading.base_a, reading.base_b, reading.base_c, reading.base_t};
    Bytes record{type_fluorometer, 0, fluorometer_all_lamps};
    for (float value : values)
        put_be32(record, float_bits(value));
    record[1] = static_cast<uint8_t>(record.size() - 2 + 2);  // payload with its CRC
    uint16_t crc = crc16_modbus(record.data(), record.size());
    record.push_back(static_cast<uint8_t>(crc));
    record.push_back(static_cast<uint8_t>(crc >> 8));
    return record;
}

Bytes acquisition_records(uint32_t seconds, uint32_t station_id)
{
    float wobble = static_cast<float>(seconds % 10) / 10.0f;
    Bytes records = time_record(seconds);
    for (const Bytes& record : {value_record(type_station, station_id),
                                float_record(type_temperature, 12.5f + wobble),
                                value_record(type_pulses, 0x1F),
                                fluorometer_record({812.0f + wobble, 640.5f, 455.25f, 120.0f + wobble, 12.5f + wobble,
                                                    15.0f, 14.5f, 13.75f, 9.5f})})
        records.insert(records.end(), record.begin(), record.end());
    return records;
}

Bytes acquisition_series(uint32_t first, uint32_t interval, unsigned count, uint32_t station_id)
{
    Bytes series;
    for (unsigned i = 0; i < count; ++i) {
        const Bytes records = acquisition_records(first + i * interval, station_id);
        series.insert(series.end(), records.begin(), records.end());
    }
    return series;
}

std::vector<Bytes> split_records(const Bytes& stream)
{
    std::vector<Bytes> records;
    std::size_t at = 0;
    while (at < stream.size()) {
        uint8_t type = stream[at];
        std::size_t size = 0;
        if (type >= 0x80 && type <= 0xBF) {
            size = 5;
        } else if (type >= 0x01 && type <= 0x7F && at + 1 < stream.size()) {
            std::size_t length = stream[at + 1];
            size = 2 + (length == 0 ? 256 : length);
        } else if (type >= 0xC0 && type <= 0xDF && at + 2 < stream.size()) {
            std::size_t length = (std::size_t{stream[at + 1]} << 8) | stream[at + 2];
            size = 3 + (length == 0 ? 65536 : length);
        }
        if (size == 0 || at + size > stream.size())
            break;
        records.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                             stream.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    return records;
}

}  // namespace sim
