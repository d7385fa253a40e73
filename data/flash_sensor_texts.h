#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

class Tmy_string;

// The attribute names an element already holds. A sensor dump may repeat an item
// kind; its repeated names get "_2", "_3" ... so that the element stays well-formed.
class Tattribute_names {
public:
    void use(const char* name);
    // The name itself when unused, else the first free numbered variant; marks it used.
    std::string unique(const char* name);

private:
    // A dump of one record may hold thousands of like items: each name costs
    // one look-up. A name never leaves the set, so the search for a name's
    // free variant goes on from the number where its last search ended.
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, unsigned> next_number;
};

// GPS position of a channel message (an NMEA RMC sentence): status, latitude,
// longitude, speed and heading attributes.
void flash_append_gps(Tmy_string* text, const uint8_t* bytes, unsigned count);

// Attributes of a sensor's dump (pressure logger or ultrasonic sensor), also logged
// as hex. Items whose declared length runs past the data are not decoded.
void flash_append_sensor_dump(Tmy_string* text, const uint8_t* data, unsigned count, Tattribute_names* names,
                              int zone_offset);
