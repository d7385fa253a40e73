#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "base/my_string.h"

// The one log function: callers put the level into the text ("INFO  : ",
// "ERROR : ", ...). Lines reach log_output (base/program_interface.h); lines
// logged on a worker thread are handed to the GUI thread in order.
void log_printf(const char* format, ...);
// One line per per_line bytes (0 counts as 1, more than 4096 as 4096): hex, then
// the printable characters. The labelled form starts its first line with the label
// and indents the following ones by its length, at most 40 blanks.
void log_hex_dump(const void* data, unsigned length, unsigned per_line);
void log_hex_dump_labelled(const char* label, const void* data, unsigned length, unsigned per_line);
// The bytes a line that the suite's hex dumps show.
constexpr unsigned dump_bytes_per_line = 16;

class Tlogf_day;

// Deliver worker-thread lines that wait for the GUI thread (an event of the log
// does this when the queue dispatches it; on another thread it does nothing).
void log_flush_worker_lines();
// Where lines logged off the GUI thread go. At first, and again after
// log_worker_lines_to_windows, they wait in the locked queue for the GUI
// thread, which hands them to log_output. A program whose windows are going
// calls log_worker_lines_to_day_log first: the lines still waiting and every
// later one go to that day log only (null: nowhere), never to a window.
void log_worker_lines_to_windows();
void log_worker_lines_to_day_log(Tlogf_day* day_log);
// True while a worker thread's line is being handed to log_output: it was logged
// outside whatever the GUI thread has selected since (its output channel).
bool log_delivering_worker_line();

// Takes the lines logged on the GUI thread while it lives, in place of
// log_output, so that a window can show what one call logged (a compile's
// error lines, an XML dump) as a value of its own. Captures nest: the
// innermost one takes the lines. Worker-thread lines still go to log_output.
class Tlog_capture {
public:
    Tlog_capture();
    ~Tlog_capture();
    Tlog_capture(const Tlog_capture&) = delete;
    Tlog_capture& operator=(const Tlog_capture&) = delete;

    const std::vector<std::string>& lines() const { return captured; }

    // The log's own: hands a GUI-thread line to the innermost capture; false
    // when none lives.
    static bool takeLine(const char* line);

private:
    Tlog_capture* outer;
    std::vector<std::string> captured;
};

// The day log: one file per weekday under <directory>/log, continued on the same
// day and truncated when first written on a later date; the weekday and "today"
// are taken in local standard time from time_now(). Until a directory is set,
// nothing is written. Thread-safe.
class Tlogf_day {
public:
    Tlogf_day() = default;
    Tlogf_day(const Tlogf_day&) = delete;
    Tlogf_day& operator=(const Tlogf_day&) = delete;
    ~Tlogf_day();

    int useCurrentDirectory();
    int initDirectory();
    // A folder whose "log" cannot be made falls back to the working folder,
    // which the next warning says.
    int setDirectory(const char* dir);
    void write(const char* text);
    void close();
    // A day log that cannot be opened or written, or a directory that could
    // not be used, is said once: true with the line to show in the window's
    // log (it cannot go to the day log), until the day log writes again.
    bool takeWarning(Tmy_string* line);

private:
    // The callers hold the lock.
    int initDirectoryLocked();
    void closeLocked();

    // The callers hold the lock: a warning unless one was given since the
    // day log last wrote.
    void warnLocked(const Tmy_string& text);

    std::mutex lock;
    Tmy_string directory;
    FILE* file = nullptr;
    int weekday = -1;
    bool warned = false;
    Tmy_string warning;  // waiting to be taken; empty when none
};
