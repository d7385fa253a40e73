#pragma once

// A download file as a logger with a full set of probes would hold it: an
// acquisition every ten minutes (time, status and sensor values, fluorometer,
// switches, conductivity, counters, volumes, flow, levels), every hour a radio
// meter telegram, a GPS fix and a CRC-framed value, every six hours a metering
// record and an SDI-12 answer, and a slow timestamp every day.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/crc16.h"
#include "tools/logger_sim/flash_records.h"

namespace bench {

using Bytes = std::vector<uint8_t>;

struct Tgenerated_download {
    Bytes bytes;  // header line and records
    std::size_t records = 0;
    std::size_t time_steps = 0;
};

class Tdownload_generator {
public:
    Tdownload_generator(uint32_t station, uint32_t first_time) : station_id(station), start(first_time) {}

    // Records up to total_size bytes of file, header included, and at most
    // max_steps acquisitions; stops before the acquisition that would not fit whole.
    Tgenerated_download generate(std::size_t total_size, std::size_t max_steps = SIZE_MAX)
    {
        Tgenerated_download out;
        Bytes records;
        records.reserve(total_size);
        std::size_t header_size = header(0).size();
        for (uint32_t step = 0; out.time_steps < max_steps; ++step) {
            pending.clear();
            pending_count = 0;
            acquisition(step);
            if (header_size + records.size() + pending.size() > total_size)
                break;
            records.insert(records.end(), pending.begin(), pending.end());
            out.records += pending_count;
            ++out.time_steps;
        }
        const std::string line = header(static_cast<uint32_t>(records.size()));
        out.bytes.reserve(line.size() + records.size());
        out.bytes.insert(out.bytes.end(), line.begin(), line.end());
        out.bytes.insert(out.bytes.end(), records.begin(), records.end());
        return out;
    }

private:
    static constexpr uint32_t cycle_seconds = 600;
    static constexpr uint32_t hourly = 6;
    static constexpr uint32_t six_hourly = 36;
    static constexpr uint32_t daily = 144;
    static constexpr uint32_t flash_start = 0x10000;

    // The header line that the download writes before the records; the status
    // text of a long-running logger makes it well over 255 bytes.
    std::string header(uint32_t size) const
    {
        std::string status;
        for (int i = 0; i < 12; ++i)
            status += "STATUS_ITEM_" + std::to_string(i) + "=" + std::to_string(1000 + 37 * i) + ";";
        char line[1024];
        std::snprintf(line, sizeof line,
                      "<DOWNLOAD timestamp=\"%u\" station_id=\"%u\" download_address=\"%u\" download_size=\"%u\""
                      " status=\"%s\" next_download_address=\"%u\"/>",
                      start, station_id, flash_start, size, status.c_str(), flash_start + size);
        return line;
    }

    void add(const Bytes& record)
    {
        pending.insert(pending.end(), record.begin(), record.end());
        ++pending_count;
    }

    static Bytes short_record(uint8_t type, const Bytes& payload)
    {
        Bytes record;
        record.reserve(2 + payload.size());
        record.push_back(type);
        record.push_back(static_cast<uint8_t>(payload.size()));
        record.insert(record.end(), payload.begin(), payload.end());
        return record;
    }

    static Bytes long_record(uint8_t type, const Bytes& payload)
    {
        Bytes record;
        record.reserve(3 + payload.size());
        record.push_back(type);
        sim::put_be16(record, static_cast<uint16_t>(payload.size()));
        record.insert(record.end(), payload.begin(), payload.end());
        return record;
    }

    static void put_float(Bytes& out, float value)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        sim::put_be32(out, bits);
    }

    static Bytes floats(std::initializer_list<float> values)
    {
        Bytes out;
        out.reserve(4 * values.size());
        for (float value : values)
            put_float(out, value);
        return out;
    }

    static void put_le16(Bytes& out, unsigned value)
    {
        out.push_back(static_cast<uint8_t>(value));
        out.push_back(static_cast<uint8_t>(value >> 8));
    }

    static void put_text(Bytes& out, const char* text)
    {
        out.insert(out.end(), text, text + std::strlen(text));
    }

    void acquisition(uint32_t step)
    {
        const uint32_t now = start + step * cycle_seconds;
        const float wave = static_cast<float>(step % 50) / 50.0f;
        if (step % daily == 0)
            add(sim::timestamp_info_record(now, 0));
        add(sim::time_record(now));
        add(sim::value_record(130, station_id));
        add(sim::value_record(131, 0x00A5F000u + step));
        add(sim::value_record(137, 3600u * step));
        add(sim::float_record(144, 12.125f + wave));
        for (uint8_t type = 145; type <= 148; ++type)
            add(sim::float_record(type, 3.5f * static_cast<float>(type - 144) + wave));
        add(sim::value_record(163, 0x10u | (step & 0x0Fu)));
        add(sim::float_record(164, 1013.25f - wave));
        add(sim::float_record(169, 0.00125f * static_cast<float>(step % 400)));
        add(sim::fluorometer_record({812.0f + wave, 640.5f, 455.25f, 120.0f + wave, 12.5f + wave, 15.0f, 14.5f,
                                     13.75f, 9.5f}));
        add(short_record(17, floats({1.25f + wave, 250.5f + wave})));
        add(short_record(22, floats({0.815f + wave, 12.5f})));
        Bytes counter;
        sim::put_be32(counter, 1200u + step);
        sim::put_be32(counter, 70010203u);
        counter.insert(counter.end(), {1, 3, 0, 7});
        add(short_record(32, counter));
        Bytes volume;
        for (uint32_t value : {452u + step / 10, step % 10000, 17u, 2500u})
            sim::put_be32(volume, value);
        add(short_record(48, volume));
        add(short_record(58, floats({12.5f + wave, 11.75f, 0.9975f, 14.25f, 1.0125f})));
        add(short_record(59, floats({1.5f, 2.25f + wave, 3.125f, 0.5f})));
        if (step % hourly == 0)
            hourlyRecords(step, now);
        if (step % six_hourly == 0)
            sixHourlyRecords(step);
    }

    void hourlyRecords(uint32_t step, uint32_t now)
    {
        add(long_record(0xC1, radio_telegram(step)));
        Bytes gps{2, 10};
        put_text(gps, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
        gps.push_back('F');
        add(long_record(0xC3, gps));
        Bytes framed{0x91};
        put_float(framed, 9.75f + static_cast<float>(now % 7));
        const uint16_t crc = sim::crc16_modbus(framed.data(), framed.size());
        put_le16(framed, crc);
        add(long_record(0xC6, framed));
    }

    void sixHourlyRecords(uint32_t step)
    {
        Bytes metering{7};
        put_le16(metering, 900);
        put_le16(metering, 2026);
        metering.insert(metering.end(), {12, 10, static_cast<uint8_t>(step / six_hourly % 24), 0, 0});
        put_le16(metering, 4);
        for (uint32_t value : {0x00001234u + step, 0x00000042u, 0x00010000u, 0x7FFFFFFFu})
            sim::put_be32(metering, value);
        put_text(metering, "KEMLO-0000001234");
        put_text(metering, "MTR00042");
        metering.push_back('F');
        add(long_record(0xC0, metering));
        Bytes sdi{'1'};
        put_text(sdi, "0+12.52+7.25-0.003");
        add(short_record(106, sdi));
    }

    // A T1 telegram in frame format A, from the L field: header block, then
    // the application data (CI 0x7A, short header, a volume and a flow record).
    static Bytes radio_telegram(uint32_t step)
    {
        Bytes telegram{0x40};  // wireless M-Bus channel
        const Bytes data{0x7A, static_cast<uint8_t>(step), 0x00, 0x00, 0x00, 0x04, 0x13,
                         static_cast<uint8_t>(step), static_cast<uint8_t>(step >> 8), 0x00, 0x00,
                         0x02, 0x3B, 0x10, 0x00};
        telegram.push_back(static_cast<uint8_t>(9 + data.size()));
        telegram.insert(telegram.end(), {0x44, 0x2D, 0x2C, 0x78, 0x56, 0x34, 0x12, 0x01, 0x07, 0xCC, 0xCC});
        telegram.insert(telegram.end(), data.begin(), data.end());
        telegram.insert(telegram.end(), {0xCC, 0xCC});
        return telegram;
    }

    uint32_t station_id;
    uint32_t start;
    Bytes pending;
    std::size_t pending_count = 0;
};

}  // namespace bench
