#pragma once

#include <chrono>
#include <cstdint>

// The logger's clock in seconds since 1970. It runs from the value it was set
// to; a stopped clock keeps its value, so tests can compare exact times.
namespace sim {

class LoggerClock {
public:
    LoggerClock();  // set to the computer's time, running
    uint32_t now() const;
    void set(uint32_t seconds);
    void setRunning(bool running);

private:
    uint32_t base;
    std::chrono::steady_clock::time_point since;
    bool runs = true;
};

}  // namespace sim
