#include "tools/probe_sim/probe_words.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace probe_sim {

WordPair words_of_millivolts(double millivolts)
{
    double counts = std::nearbyint(millivolts / mv_per_count);
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    if (!(counts >= lowest))  // NaN too
        counts = counts > 0 ? highest : lowest;
    else if (counts > highest)
        counts = highest;
    const auto bits = static_cast<uint32_t>(static_cast<int32_t>(counts));
    return WordPair{static_cast<uint16_t>(bits >> 16), static_cast<uint16_t>(bits & 0xFFFFu)};
}

WordPair words_of_battery(double volts)
{
    return words_of_millivolts(volts / battery_volts_per_unit);
}

WordPair words_of_temperature(double degrees)
{
    return words_of_millivolts(degrees / degrees_per_unit);
}

std::string pair_text(WordPair pair, bool hex)
{
    char text[32];
    std::snprintf(text, sizeof text, hex ? "0x%X 0x%X" : "%u %u", static_cast<unsigned>(pair.high),
                  static_cast<unsigned>(pair.low));
    return text;
}

}  // namespace probe_sim
