#include "tools/logger_sim/logger_clock.h"

#include <ctime>

namespace sim {

LoggerClock::LoggerClock()
    : base(static_cast<uint32_t>(std::time(nullptr))), since(std::chrono::steady_clock::now())
{
}

uint32_t LoggerClock::now() const
{
    if (!runs)
        return base;
    auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - since);
    return base + static_cast<uint32_t>(elapsed.count());
}

void LoggerClock::set(uint32_t seconds)
{
    base = seconds;
    since = std::chrono::steady_clock::now();
}

void LoggerClock::setRunning(bool running)
{
    base = now();
    since = std::chrono::steady_clock::now();
    runs = running;
}

}  // namespace sim
