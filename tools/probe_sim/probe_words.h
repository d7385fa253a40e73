#pragma once

#include <cstdint>
#include <string>

// How the probe writes a reading on the line: every value is a 32-bit count in
// two words, the high and the low 16 bits, with one count worth 625 / 2^22 mV.
// The battery voltage and the temperature travel in the same unit, scaled so
// that the reader gets volts as value x 6.53 / 1076.8 and degrees as value x 0.1.
namespace probe_sim {

constexpr double mv_per_count = 625.0 / 4194304.0;
constexpr double battery_volts_per_unit = 6.53 / 1076.8;
constexpr double degrees_per_unit = 0.1;

struct WordPair {
    uint16_t high = 0;
    uint16_t low = 0;
};

// The nearest count; a negative value is sent as its 32-bit two's complement,
// a value beyond 32 bits as the nearest count that fits.
WordPair words_of_millivolts(double millivolts);
WordPair words_of_battery(double volts);
WordPair words_of_temperature(double degrees);

// "h l" in decimal, or "0xH 0xL" in upper-case hexadecimal.
std::string pair_text(WordPair pair, bool hex);

}  // namespace probe_sim
