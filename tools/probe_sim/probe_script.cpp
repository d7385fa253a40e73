#include "tools/probe_sim/probe_script.h"

#include "tools/probe_sim/probe_words.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace probe_sim {

namespace {

constexpr uint8_t measure_command_base = 0x40;
constexpr uint8_t lamp_mask_bits = 0x0F;
constexpr uint8_t line_feed = 0x0A;

int lamp_index(char letter)
{
    const char* found = letter ? std::strchr(lamp_letters, letter & ~0x20) : nullptr;
    return found ? static_cast<int>(found - lamp_letters) : -1;
}

bool parse_double(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

std::vector<std::string> split_fields(const std::string& text, char separator)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

}  // namespace

bool apply_lamp_text(const std::string& text, Script& script)
{
    const std::vector<std::string> fields = split_fields(text, ':');
    if (fields.size() < 3 || fields.size() > 5 || fields[0].size() != 1)
        return false;
    const int lamp = lamp_index(fields[0][0]);
    if (lamp < 0)
        return false;
    double values[4] = {0, 0, 0, 0};
    for (std::size_t i = 1; i < fields.size(); ++i)
        if (!parse_double(fields[i], values[i - 1]))
            return false;
    script.lamps[static_cast<std::size_t>(lamp)] = LampScript{values[0], values[1], values[2], values[3]};
    return true;
}

void ReadingSource::restart(uint32_t seed)
{
    random.seed(seed);
    readings = 0;
}

double ReadingSource::noise(double amplitude)
{
    if (amplitude <= 0)
        return 0;
    return std::uniform_real_distribution<double>(-amplitude, amplitude)(random);
}

Reading ReadingSource::take(const Script& script)
{
    Reading reading;
    for (std::size_t lamp = 0; lamp < lamp_count; ++lamp) {
        const LampScript& l = script.lamps[lamp];
        reading.base[lamp] = l.base_mv + noise(l.noise_mv);
        reading.on[lamp] = l.base_mv + l.signal_mv + l.drift_mv * readings + noise(l.noise_mv);
    }
    reading.battery_v = script.battery_v;
    reading.temperature_c = script.temperature_c;
    ++readings;
    return reading;
}

uint8_t ReadingSource::garbageByte()
{
    uint8_t byte = line_feed;
    while (byte == line_feed)
        byte = static_cast<uint8_t>(std::uniform_int_distribution<unsigned>(0, 255)(random));
    return byte;
}

bool is_measure_command(uint8_t byte)
{
    return (byte & ~lamp_mask_bits) == measure_command_base;
}

std::string answer_line(uint8_t command, const Reading& reading, const Script& script, const std::string& clock)
{
    std::string line(1, static_cast<char>(command));
    if (script.clock_words)
        line += " " + clock;
    for (std::size_t lamp = 0; lamp < lamp_count; ++lamp) {
        if (!(command & (1u << lamp)))
            continue;
        line += " " + pair_text(words_of_millivolts(reading.base[lamp]), script.hex_words);
        line += " " + pair_text(words_of_millivolts(reading.on[lamp]), script.hex_words);
    }
    line += " " + pair_text(words_of_battery(reading.battery_v), script.hex_words);
    line += " " + pair_text(words_of_temperature(reading.temperature_c), script.hex_words);
    return line + "\r\n";
}

}  // namespace probe_sim
