#pragma once

#include <cstdint>

#include "base/my_string.h"

// One modem line as the dump decoder explains it to the program's GSM display.
struct Tgsm_dump_info {
    Tmy_string text;    // the explanation, or the line itself
    uint8_t state = 0;  // 0 not recognised, 1-19 the modem states
    int32_t value = 0;  // the signal quality of a "+CSQ:" line
};

// The program's GSM display. The default shows nothing; a program installs its own.
class Tgsm_dump_display {
public:
    virtual ~Tgsm_dump_display() = default;
    virtual void show_gsm_dump_info(const Tgsm_dump_info* info);
};

// Null puts the empty default back.
void gsm_dump_display_install(Tgsm_dump_display* display);

// What the logger reports it is doing, kept by the module resource core: the
// acquisition runs, the modem is on, seconds to the next automatic ping.
struct Tlogger_activity {
    uint8_t acq_running = 0;
    uint8_t gsm_on = 0;
    int32_t ping_countdown = 0;
};

// Decodes the logger's reports on the BASICIO port: flash records it writes,
// lines of its modem, its radio receiver state and status flags. Keeps the
// activity flags and the module view's STATUS items 1 and 2 up to date.
class Tbasicio_dump_module {
public:
    // payload: the BASICIO payload from its dump code on, length bytes.
    void OnDump(Tlogger_activity& activity, const uint8_t* payload, unsigned length);
};

extern Tbasicio_dump_module basicio_dump_module;
