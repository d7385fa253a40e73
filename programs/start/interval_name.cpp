#include "programs/start/interval_name.h"

#include <cstdio>

namespace {

struct Tinterval_text {
    int seconds;
    const char* text;
};

// The names as the logger's users know them, slips included.
const Tinterval_text interval_texts[] = {
    {30, "30 secondes"},
    {60, "1 minute (60 sec)"},
    {120, "2 minutes (60 sec)"},
    {300, "5 minutes (300 sec)"},
    {600, "10 minutes (600 sec)"},
    {900, "15 minutes (900 sec)"},
    {1800, "30 minutes (1800 sec)"},
    {3600, "1 hour (3600 sec)"},
    {7200, "2 hours (7200 sec)"},
    {14400, "4 hours (1440 sec)"},
    {21600, "6 hours (21600 sec)"},
    {43200, "12 hours (43200 sec)"},
    {86400, "1 day (86400 sec)"},
};

}  // namespace

std::string interval_name(int seconds)
{
    for (const Tinterval_text& entry : interval_texts)
        if (entry.seconds == seconds)
            return entry.text;
    char text[32];
    std::snprintf(text, sizeof text, "%d seconds", seconds);
    return text;
}
