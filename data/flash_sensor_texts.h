#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Tmy_string;

// The attribute names an element already holds. A sensor dump may repeat an item
// kind; its repeated names get "_2", "_3" ... so that the element stays well-formed.
class Tattribute_names {
public:
    void use(const char* name);
    // The name itself when unused, else the first free numbered variant; marks it used.
    std::string unique(const char* name);

private:
    bool used(const std::string& name) const;

    std::vector<std::string> names;
};

// GPS position of a channel message (an NMEA RMC sentence): status, latitude,
// longitude, speed and heading attributes.
void flash_append_gps(Tmy_string* text, const uint8_t* bytes, unsigned count);

// Attributes of a sensor's dump (pressure logger or ultrasonic sensor), also logged
// as hex. Items whose declared length runs past the data are not decoded.
void flash_append_sensor_dump(Tmy_string* text, const uint8_t* data, unsigned count, Tattribute_names* names,
                              int zone_offset);
