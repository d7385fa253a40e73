#pragma once

#include <cstdint>

#include "base/my_string.h"
#include "programs/start/settings.h"

// The connection modes: a probe on the COM port itself, or a logger carrying it.
enum Tconnection_mode : uint8_t { MODE_UNDEFINED = 0, MODE_VEXL = 1, MODE_KLVR = 2 };

// "VEXL", "KLVR", or "XXXXXX_mode_undefined" for any other number.
const char* mode_name(int mode);
// MODE_KLVR or MODE_VEXL for those names in any case, else MODE_UNDEFINED.
uint8_t mode_from_name(const char* name);

constexpr const char* settings_file_name = "calyxo_start.cfg";
// The Windows folder as the settings file stores it; the platform's path rule
// gives the folder of this system where it is used.
constexpr const char* default_data_dir = "c:\\vornhal\\calyxo_start";

// calyxo_start's program-wide settings and the settings file behind them,
// in the working directory the program had when this object was built.
class Tglobals {
public:
    Tglobals();
    Tglobals(const Tglobals&) = delete;
    Tglobals& operator=(const Tglobals&) = delete;
    // Writes the settings file once more with the entries as they stand.
    ~Tglobals();

    // Reads the file; every key missing from it takes its default.
    void load(const char* file_name);
    // Puts the fields into the entries and writes the file; true when it
    // could not be written (the settings in memory stay), with the errno of
    // the step that failed in error.
    bool save(int* error = nullptr);
    // The data folder of this system (data_dir by the platform's path rule).
    void dataFolder(Tmy_string* out) const;

    int32_t last_connect_device_id = 0;  // COM number n of the port last chosen; 0 or less: none
    int32_t ttimezone = 0;               // time-zone code of every time display
    int32_t autonnect = 0;               // 1: connect at start-up
    uint8_t mode = MODE_UNDEFINED;
    Tmy_string display_mode;  // the standard configuration last uploaded
    Tmy_string data_dir;      // where the day log and the flow log go
    Tsettings settings;
};
