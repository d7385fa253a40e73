#include "tools/logger_sim/demo_state.h"

#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/flash_records.h"

#include <string>
#include <vector>

namespace sim {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t end_mark = 0xFF;
constexpr uint32_t acquisitions = 144;
constexpr uint32_t acq_interval = 600;
constexpr uint8_t nvflags = 0x01;
constexpr uint32_t nvflags_address = 255;

void append(Bytes& page, const Bytes& record)
{
    page.insert(page.end(), record.begin(), record.end());
}

Bytes text_record(uint8_t tag, const std::string& text)
{
    Bytes record;
    record.reserve(2 + text.size());
    record.push_back(tag);
    record.push_back(static_cast<uint8_t>(text.size()));
    record.insert(record.end(), text.begin(), text.end());
    return record;
}

Bytes configuration_page0(uint32_t station_id)
{
    Bytes page;
    append(page, value_record(0x82, station_id));   // STATION_ID
    append(page, value_record(0x84, 0x07010000));   // SYSCTRL: acquisition on, automatic, dump; GSM on
    append(page, value_record(0x85, acq_interval));  // ACQ_INTERVAL0
    append(page, value_record(0x88, 60));            // ACQ_INTERVAL1
    page.push_back(end_mark);
    return page;
}

Bytes configuration_page6()
{
    Bytes page;
    append(page, value_record(0x86, 7200));  // GSM_INTERVAL
    append(page, value_record(0x87, 300));   // GSM_DURATION
    append(page, text_record(118, "/gprs/blocks.php"));
    append(page, text_record(123, "internet"));
    page.push_back(end_mark);
    return page;
}

Bytes configuration_page7(uint32_t station_id)
{
    Bytes page;
    append(page, value_record(0x82, station_id));
    Bytes key{14, 16};
    for (uint8_t i = 0; i < 16; ++i)
        key.push_back(static_cast<uint8_t>(0x10 + i));
    append(page, key);  // COM_KEY
    page.push_back(end_mark);
    return page;
}

}  // namespace

void fill_demo_state(State& state, uint32_t station_id, uint32_t now)
{
    state.variables[var::station_id] = station_id;
    state.eeprom.erase();
    state.eeprom.setPage(0, configuration_page0(station_id));
    state.eeprom.setPage(6, configuration_page6());
    state.eeprom.setPage(7, configuration_page7(station_id));
    state.eeprom.write(nvflags_address, {nvflags});

    uint32_t first = now - now % acq_interval - (acquisitions - 1) * acq_interval;
    state.flash = timestamp_info_record(first, 0);
    append(state.flash, acquisition_series(first, acq_interval, acquisitions, station_id));
    state.variables[var::next_download_address] = 0;
}

}  // namespace sim
