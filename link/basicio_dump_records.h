#pragma once

#include <cstdint>

// The log lines of the dumps that carry logger data: a flash record just
// written, and the state of the radio receiver with its last telegram.

// One flash record, decoded into its XML text.
void log_dump_record(const uint8_t* record, unsigned count);

// Status byte, frequency and deviation (big-endian floats), RSSI, telegram
// length, then the wireless M-Bus telegram.
void log_radio_status(const uint8_t* status, unsigned count);
