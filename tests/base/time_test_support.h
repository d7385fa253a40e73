#pragma once

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <string>

#include "base/time_calendar.h"

// UTC seconds of a date, by the C library (independent of the code under test).
inline unsigned utc_seconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    struct tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<unsigned>(timegm(&tm));
}

// Sets TZ for the object's lifetime and restores the previous setting.
class Tpinned_time_zone {
public:
    explicit Tpinned_time_zone(const char* zone)
    {
        const char* previous = std::getenv("TZ");
        had_zone = previous != nullptr;
        if (had_zone)
            saved = previous;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~Tpinned_time_zone()
    {
        if (had_zone)
            setenv("TZ", saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    Tpinned_time_zone(const Tpinned_time_zone&) = delete;
    Tpinned_time_zone& operator=(const Tpinned_time_zone&) = delete;

private:
    bool had_zone = false;
    std::string saved;
};

// Drives time_now() for the object's lifetime.
class Tfake_clock {
public:
    explicit Tfake_clock(unsigned start)
    {
        now().store(start);
        time_set_clock(&read);
    }
    ~Tfake_clock() { time_set_clock(nullptr); }
    Tfake_clock(const Tfake_clock&) = delete;
    Tfake_clock& operator=(const Tfake_clock&) = delete;

    void set(unsigned seconds) { now().store(seconds); }

private:
    static std::atomic<unsigned>& now()
    {
        static std::atomic<unsigned> seconds{0};
        return seconds;
    }
    static unsigned read() { return now().load(); }
};
