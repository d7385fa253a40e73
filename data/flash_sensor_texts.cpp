#include "data/flash_sensor_texts.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "data/flash_records.h"

namespace {

constexpr unsigned item_head = 3;  // tag byte and BE16 length

enum : unsigned { SENSOR_PRESSURE_LOGGER = 1, SENSOR_ULTRASONIC = 2 };

// Empty fields are kept: an RMC sentence without a fix still has its commas.
std::vector<std::string> split_fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

// Degrees in the first degree_digits characters, minutes after them.
double nmea_angle(const std::string& field, std::string::size_type degree_digits)
{
    const std::string degrees = field.substr(0, degree_digits);
    const std::string minutes = field.size() > degree_digits ? field.substr(degree_digits) : std::string();
    return text_to_double(minutes.c_str()) / 60 + text_to_double(degrees.c_str());
}

float be_float_at(const uint8_t* data, unsigned position)
{
    return read_be_float(data + position, 4);
}

// Appends space, then the element's unique variant of name with its formatted value.
void append_attribute(Tmy_string* text, Tattribute_names* names, const char* space, const char* name,
                      const char* format, ...)
{
    text->append(space);
    text->append(names->unique(name).c_str());
    text->append("=\"");
    va_list args;
    va_start(args, format);
    text->vappendf(format, args);
    va_end(args);
    text->append("\"");
}

void append_statistics(Tmy_string* text, Tattribute_names* names, unsigned tag, const uint8_t* v)
{
    const std::string stem = "statistics" + std::to_string(tag / 6 + 1);
    static const char* const parts[] = {"_avg", "_dev", "_min", "_max"};
    for (unsigned i = 0; i < 4; ++i)
        append_attribute(text, names, "\r\n\t\t ", (stem + parts[i]).c_str(), "%f",
                         static_cast<double>(be_float_at(v, 4 * i)));
    append_attribute(text, names, "\r\n\t\t ", (stem + "_n").c_str(), "%d", static_cast<int>(read_be32(v + 16)));
}

void append_histogram(Tmy_string* text, Tattribute_names* names, unsigned tag, const uint8_t* v, unsigned length)
{
    append_attribute(text, names, " ", "content", tag == 3 ? "p0_histo" : "p1_histo");
    if (length < 10)
        return;
    const unsigned classes = read_be16(v);
    const float low = be_float_at(v, 2);
    const float high = be_float_at(v, 6);
    append_attribute(text, names, " ", "n", "%u", classes);
    append_attribute(text, names, " ", "p_low", "%.2f", static_cast<double>(low));
    append_attribute(text, names, " ", "p_high", "%.2f", static_cast<double>(high));
    const unsigned stored = (length - 10) / 4;
    for (unsigned j = 0; j < classes && j < stored; ++j) {
        if (j % 4 == 0)
            text->append("\r\n\t\t");
        const double start = static_cast<double>(low) + j * (static_cast<double>(high) - low) / classes;
        char number[12];
        std::snprintf(number, sizeof number, "%03u", j);
        append_attribute(text, names, " ", (std::string("p_") + number).c_str(), "%.2f", start);
        append_attribute(text, names, " ", (std::string("nbr_") + number).c_str(), "%d",
                         static_cast<int>(read_be32(v + 10 + 4 * j)));
    }
}

void append_curve(Tmy_string* text, Tattribute_names* names, unsigned tag, const uint8_t* v, unsigned length,
                  int zone_offset)
{
    append_attribute(text, names, " ", "content", tag == 7 ? "p0_curve" : "p1_curve");
    if (length <= 7)
        return;
    const unsigned count = read_be16(v + 1);
    const uint32_t timestamp = read_be32(v + 3);
    append_attribute(text, names, " ", "count", "%u", count);
    append_attribute(text, names, " ", "acq_freq", "%d", v[0]);
    append_attribute(text, names, " ", "timestamp", "%u", timestamp);
    Tmy_string iso;
    flash_append_iso(&iso, timestamp, zone_offset);
    append_attribute(text, names, " ", "timestamp_iso", "%s", iso.c_str());
    text->append(" ");
    const unsigned stored = (length - 7) / 4;
    for (unsigned i = 0; i < count && i < stored; ++i) {
        if (i % 4 == 0)
            text->append("\r\n\t\t");
        append_attribute(text, names, " ", ("v_" + std::to_string(i)).c_str(), "%.2f",
                         static_cast<double>(be_float_at(v, 7 + 4 * i)));
    }
}

void append_pressure_item(Tmy_string* text, Tattribute_names* names, unsigned tag, const uint8_t* v, unsigned length,
                          int zone_offset)
{
    switch (tag) {
    case 1:
        if (length == 4)
            append_attribute(text, names, " ", "snr", "%u", read_be32(v));
        return;
    case 2: case 8: case 14: case 20:
        if (length == 20)
            append_statistics(text, names, tag, v);
        return;
    case 3: case 9: append_histogram(text, names, tag, v, length); return;
    case 4:
        if (length == 16) {
            append_attribute(text, names, "\r\n\t\t ", "temperature", "%f", static_cast<double>(be_float_at(v, 0)));
            append_attribute(text, names, "\r\n\t\t ", "temperature_avg", "%f",
                             static_cast<double>(be_float_at(v, 8)));
            append_attribute(text, names, "\r\n\t\t ", "temperature_min", "%f",
                             static_cast<double>(be_float_at(v, 4)));
            append_attribute(text, names, "\r\n\t\t ", "temperature_max", "%f",
                             static_cast<double>(be_float_at(v, 12)));
        }
        return;
    case 5:
        if (length == 4)
            append_attribute(text, names, " ", "counter", "%u", read_be32(v));
        return;
    case 6:
        if (length == 4)
            append_attribute(text, names, " ", "pulse_max", "%u", read_be32(v));
        return;
    case 7: case 10: append_curve(text, names, tag, v, length, zone_offset); return;
    default: return;
    }
}

void append_pressure_logger(Tmy_string* text, Tattribute_names* names, const uint8_t* d, unsigned count,
                            int zone_offset)
{
    append_attribute(text, names, " ", "type", "vornhal.pressure_logger");
    unsigned index = 1;
    while (index + item_head <= count && index < count - 1) {
        const unsigned tag = d[index];
        const unsigned length = read_be16(d + index + 1);
        const unsigned value = index + item_head;
        if (tag != 'F' && index <= count - 4 && length <= count - value)
            append_pressure_item(text, names, tag, d + value, length, zone_offset);
        index = value + length;
    }
}

void append_ultrasonic_sensor(Tmy_string* text, Tattribute_names* names, const uint8_t* d, unsigned count)
{
    append_attribute(text, names, " ", "type", "vornhal.ultrasonic_sensor");
    unsigned index = 1;
    while (index + item_head <= count && index < count - 1) {
        const unsigned tag = d[index];
        const unsigned length = read_be16(d + index + 1);
        index += item_head;
        if (tag == 'F' || index > count - 1)
            continue;
        if (tag == 1) {
            if (index + 4 <= count)
                append_attribute(text, names, " ", "snr", "%u", read_be32(d + index));
            index += 4;
        } else if (tag == 2) {
            append_attribute(text, names, " ", "content", "curve");
            if (length > 7) {
                const unsigned values = length / 2;
                append_attribute(text, names, " ", "nbr_of_values", "%u", values);
                for (unsigned i = 0; i < values && index + 2 <= count; ++i, index += 2) {
                    if (i % 16 == 0)
                        text->append("\r\n\t\t");
                    append_attribute(text, names, " ", ("v_" + std::to_string(i)).c_str(), "%u",
                                     read_be16(d + index));
                }
            }
        }
    }
}

}  // namespace

void Tattribute_names::use(const char* name)
{
    names.emplace(name);
}

std::string Tattribute_names::unique(const char* name)
{
    std::string candidate = name;
    if (names.count(candidate) != 0) {
        unsigned& number = next_number.try_emplace(candidate, 2u).first->second;
        do
            candidate = std::string(name) + "_" + std::to_string(number++);
        while (names.count(candidate) != 0);
    }
    names.insert(candidate);
    return candidate;
}

void flash_append_gps(Tmy_string* text, const uint8_t* bytes, unsigned count)
{
    if (count == 0)
        return;
    // The sentence ends where its last byte is, or at an earlier NUL.
    std::string sentence(reinterpret_cast<const char*>(bytes), count - 1);
    sentence = sentence.substr(0, sentence.find('\0'));
    const std::vector<std::string> fields = split_fields(sentence);
    if (fields.size() <= 11)
        return;
    if (fields[2] != "A") {
        text->append(" status=\"invalid\"");
        return;
    }
    double latitude = nmea_angle(fields[3], 2);
    if (fields[4] != "N")
        latitude = -latitude;
    double longitude = nmea_angle(fields[5], 3);
    if (fields[6] != "E")
        longitude = -longitude;
    text->appendf(" latitude=\"%f\" longitude=\"%f\"", latitude, longitude);
    text->appendf(" speed=\"%f\"", text_to_double(fields[7].c_str()) * 1.852);
    text->appendf(" heading=\"%f\" status=\"valid\"", text_to_double(fields[8].c_str()));
}

void flash_append_sensor_dump(Tmy_string* text, const uint8_t* data, unsigned count, Tattribute_names* names,
                              int zone_offset)
{
    log_printf("size=%u", count);
    log_hex_dump_labelled("dump_vornhal", data, count, dump_bytes_per_line);
    text->append("\r\n\t");
    if (count < 8)
        return;
    if (data[0] == SENSOR_PRESSURE_LOGGER)
        append_pressure_logger(text, names, data, count, zone_offset);
    else if (data[0] == SENSOR_ULTRASONIC)
        append_ultrasonic_sensor(text, names, data, count);
}
