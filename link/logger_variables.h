#pragma once

#include <cstdint>

// Ids of the logger's variables that the operations read and write.
constexpr uint8_t VAR_TIME = 0;
constexpr uint8_t VAR_ACQ_NEXT = 2;
constexpr uint8_t VAR_ACQ_ENABLE = 3;
constexpr uint8_t VAR_MMS_PT = 16;
constexpr uint8_t VAR_GSM_NEXT = 33;
constexpr uint8_t VAR_STATION_ID = 38;
constexpr uint8_t VAR_NEXT_DOWNLOAD_ADDRESS = 40;
constexpr uint8_t VAR_PULSE_INDEX = 41;
