#pragma once

#include "tools/logger_sim/acquisition_schedule.h"
#include "tools/logger_sim/eeprom.h"
#include "tools/logger_sim/firmware_update.h"
#include "tools/logger_sim/logger_clock.h"
#include "tools/logger_sim/misbehaviour.h"
#include "tools/logger_sim/modem.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Everything the simulated logger holds. Tests read and change it through
// Logger::read and Logger::update, under the logger's lock.
namespace sim {

namespace var {
constexpr uint8_t time = 0;
constexpr uint8_t acq_interval0 = 1;
constexpr uint8_t acq_next = 2;
constexpr uint8_t acq_enable = 3;
constexpr uint8_t acq_interval1 = 4;
constexpr uint8_t acq_counter = 7;
constexpr uint8_t gsm_counter = 10;
constexpr uint8_t mms_pt = 16;
constexpr uint8_t gsm_interval = 32;
constexpr uint8_t gsm_next = 33;
constexpr uint8_t gsm_duration = 34;
constexpr uint8_t gsm_enable = 35;
constexpr uint8_t gsm_next_off = 36;
constexpr uint8_t acq_last_block = 37;
constexpr uint8_t station_id = 38;
constexpr uint8_t system_info = 39;
constexpr uint8_t next_download_address = 40;
constexpr uint8_t pulse_counter0 = 41;
constexpr uint8_t pulse_counter1 = 42;
}  // namespace var

// Bytes left out of BTP streams: the next `streams` streams that cover them skip them.
struct BtpHole {
    uint32_t address = 0;
    uint32_t length = 0;
    unsigned streams = 1;
};

struct State {
    State();  // a plain logger: the standard variables, erased EEPROM, empty flash

    uint8_t address = 1;
    LoggerClock clock;  // variable 0
    // Every other variable the logger has; 16 (MMS_PT) is flash.size() and not kept here.
    std::map<uint8_t, uint32_t> variables;
    std::vector<uint8_t> flash;  // written flash from address 0; the rest reads 0xFF
    uint32_t flash_size = 0x100000;
    Eeprom eeprom;
    std::map<uint8_t, std::vector<uint8_t>> parameters;  // GTP ']' answers; 162 is the MAC text

    std::string status_text;  // PIPO answer to PING; empty: "P;J<A|G|I>;S<station id>"
    bool acq_running = false;
    bool gsm_on = false;
    uint8_t acq_mode = 0;  // 1 fast, 0 slow (controls 1 and 0; control 2 reads it)
    std::map<uint8_t, std::pair<uint8_t, uint8_t>> outputs;  // '\' kind -> (mask, value) last set
    Modem modem;  // what BASICIO 'C' commands reach

    // Acquisition controls (3, 65, 66): the records appended to flash (empty: one
    // acquisition_records() set at the clock's time), PENDING, then the late OK.
    std::vector<uint8_t> acquisition_records;
    std::chrono::milliseconds acquisition_time{1000};
    bool hold_acquisitions = false;  // the late OK waits for releaseLate()
    bool dump_records = true;        // each appended record is also dumped on BASICIO ('H')
    Schedule schedule;               // the logger's own acquisitions (acquisition_schedule.h)

    std::size_t btp_chunk = 128;  // data bytes per BTP frame (1 to 246)
    std::vector<BtpHole> btp_holes;

    // A late final answer not yet acknowledged is sent again every late_repeat, late_repeats times.
    std::chrono::milliseconds late_repeat{1000};
    unsigned late_repeats = 5;

    bool pace_output = false;  // write at the line's baud rate, 10 bits a byte

    FirmwareUpdate update;
    Misbehaviour misbehaviour;

    uint32_t stationId() const;
    // The flash bytes at start .. start + count - 1, 0xFF where nothing was
    // written, cut at flash_size.
    std::vector<uint8_t> flashBytes(uint32_t start, std::size_t count) const;
};

}  // namespace sim
