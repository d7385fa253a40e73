#pragma once

#include "tools/logger_sim/port_registry.h"
#include "tools/logger_sim/pty_line.h"

#include <chrono>
#include <string>

// A simulated device's end of its serial line: the pty registered as a COM port
// in the ports folder, and a wake-up pipe through which other threads end the
// device thread's wait. Shared by the simulated logger and the simulated probe.
namespace sim {

// Milliseconds from now to deadline for poll(), 0 when it is past, at most 60 s.
int milliseconds_until(std::chrono::steady_clock::time_point deadline, std::chrono::steady_clock::time_point now);

// What went over the line since the device last saw a program open it.
struct LineCounts {
    bool listening = false;     // the device has seen the program open the line
    unsigned long read = 0;     // bytes read from the program
    unsigned long written = 0;  // bytes written to it
};

class DeviceLine {
public:
    DeviceLine() = default;
    ~DeviceLine();
    DeviceLine(const DeviceLine&) = delete;
    DeviceLine& operator=(const DeviceLine&) = delete;

    // Makes the pty, links it as com<com> (0: the lowest free number) in
    // ports_dir ("" the default folder) and makes the wake-up pipe. False with
    // error() set, nothing left behind, when one of them fails.
    bool open(const std::string& ports_dir, int com);
    // Removes the link, closes the pty and the pipe.
    void close();
    // Ends a wait in progress; from any thread while the line is open.
    void wake();

    // What one wait saw of the line.
    struct Seen {
        bool readable = false;  // bytes from the program are waiting
        bool listener = false;  // a program has the line open
    };
    // Waits for bytes (or room to write, when want_write), a wake-up or
    // timeout_ms (-1: none). The master reports a hang-up while no program has
    // the slave open: then only the wake-up pipe is watched, and the line looked
    // at again every 20 ms. Takes the wake-ups it was woken by.
    Seen wait(bool want_write, int timeout_ms);
    // A program has the line open now (without waiting).
    bool present() const;

    PtyLine& pty() { return line; }
    const PtyLine& pty() const { return line; }
    PortRegistry& ports() { return registry; }
    const PortRegistry& ports() const { return registry; }
    const std::string& error() const { return failure; }

private:
    PtyLine line;
    PortRegistry registry;
    int wake_pipe[2] = {-1, -1};
    std::string failure;

    void closePipe();
};

}  // namespace sim
