#pragma once

#include <cstdio>
#include <mutex>

#include "base/my_string.h"

// The one log function: callers put the level into the text ("INFO  : ",
// "ERROR : ", ...). Lines reach log_output (base/program_interface.h); lines
// logged on a worker thread are handed to the GUI thread in order.
void log_printf(const char* format, ...);
void log_hex_dump(const void* data, unsigned length, unsigned per_line);
void log_hex_dump_labelled(const char* label, const void* data, unsigned length, unsigned per_line);

// Deliver worker-thread lines that wait for the GUI thread (the event queue does
// this when it dispatches; tests may call it directly).
void log_flush_worker_lines();

// The day log: one file per weekday under <directory>/log, continued on the same
// day and truncated when first written on a later date. Thread-safe.
class Tlogf_day {
public:
    Tlogf_day() = default;
    Tlogf_day(const Tlogf_day&) = delete;
    Tlogf_day& operator=(const Tlogf_day&) = delete;
    ~Tlogf_day();

    int useCurrentDirectory();
    int initDirectory();
    int setDirectory(const char* dir);
    void write(const char* text);
    void close();

private:
    void closeLocked();

    std::mutex lock;
    Tmy_string directory;
    FILE* file = nullptr;
    int weekday = -1;
};
