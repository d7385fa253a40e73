#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

// What the simulated probe measures: per lamp the solution's levels, its noise
// and its drift, and the probe's battery and temperature. Lamps are A, B, C and
// T (turbidity), in that order everywhere.
namespace probe_sim {

constexpr int lamp_count = 4;
constexpr char lamp_letters[lamp_count + 1] = "ABCT";

struct LampScript {
    double base_mv = 0;    // level with the lamp off
    double signal_mv = 0;  // what the lamp adds when on
    double noise_mv = 0;   // each level read is off by up to this much, uniformly
    double drift_mv = 0;   // the signal grows by this much with every reading
};

struct Script {
    std::array<LampScript, lamp_count> lamps{};
    double battery_v = 3.6;
    double temperature_c = 18.0;
    // The answer carries the probe's clock (hh:mm:ss and two more words) after its first word.
    bool clock_words = false;
    bool hex_words = false;  // words as 0x.. instead of decimal
    uint32_t seed = 1;       // of the noise and of the garbage
};

// "A:base:signal[:noise[:drift]]" (letter in either case) into the script's
// lamp; false, leaving the script as it was, when the text is not of that form.
bool apply_lamp_text(const std::string& text, Script& script);

// One reading as the probe takes it: levels in mV.
struct Reading {
    std::array<double, lamp_count> base{};
    std::array<double, lamp_count> on{};
    double battery_v = 0;
    double temperature_c = 0;
};

// Takes readings by a script; the drift counts the readings since restart().
class ReadingSource {
public:
    explicit ReadingSource(uint32_t seed = 1) : random(seed) {}

    void restart(uint32_t seed);
    Reading take(const Script& script);
    // A byte for a garbage answer: anything but a line feed.
    uint8_t garbageByte();

private:
    std::mt19937 random;
    unsigned readings = 0;

    double noise(double amplitude);
};

// The answer line to the command byte (its low four bits choose the lamps):
// the command character, [clock words,] for each chosen lamp its base and on
// levels, then battery and temperature, each value two words; CR LF at the end.
std::string answer_line(uint8_t command, const Reading& reading, const Script& script, const std::string& clock);

// Bytes 0x40 to 0x4F ask for a reading.
bool is_measure_command(uint8_t byte);

}  // namespace probe_sim
