#pragma once

#include <cstdint>

#include "base/time_calendar.h"
#include "data/flash_parser_hooks.h"

class Tmy_string;

// Flash record kinds by their type byte.
constexpr bool flash_is_short_record(unsigned type) { return type >= 0x01 && type <= 0x7F; }
constexpr bool flash_is_value_record(unsigned type) { return type >= 0x80 && type <= 0xBF; }
constexpr bool flash_is_long_record(unsigned type) { return type >= 0xC0 && type <= 0xDF; }

constexpr unsigned flash_value_size = 4;
// The time record opens a time step; a timestamp_info record stands between steps.
constexpr unsigned flash_time_type = 128;
constexpr unsigned flash_timestamp_info_type = 64;
// A long record of this type with 7 payload bytes frames one value record and its CRC.
constexpr unsigned flash_framed_type = 0xC6;
constexpr bool flash_frames_value_record(const uint8_t* payload, unsigned count)
{
    return count == 1 + flash_value_size + 2 && flash_is_value_record(payload[0]);
}
// The type by which a record stands among the time steps: a framed value record
// is the record it carries, so that a framed time record opens a step.
constexpr unsigned flash_step_type(unsigned type, const uint8_t* payload, unsigned count)
{
    return type == flash_framed_type && flash_frames_value_record(payload, count) ? payload[0] : type;
}
// A length field of 0 stands for the largest length it can hold plus one.
constexpr unsigned flash_short_length(unsigned length_byte) { return length_byte ? length_byte : 256u; }
constexpr unsigned flash_long_length(unsigned length_word) { return length_word ? length_word : 65536u; }

// The crc attribute of a value record that came out of a CRC frame.
extern const char* const flash_crc_ok;
extern const char* const flash_crc_error;

// Turns one flash record into the text of its measurement XML element (no line
// end). Keeps what lasts from record to record: the open time element and the
// last time. Every read stays inside the payload it is given: a record too short
// for its kind's layout is written in the generic hex form instead.
class Tflash_record_decoder {
public:
    // value: the 4 value bytes; crc: "" or one of the crc attributes above.
    void decodeValue(Tmy_string* text, unsigned type, const uint8_t* value, const char* crc);
    // length_byte: the record's stored length byte (the fluorometer CRC covers it).
    void decodeShort(Tmy_string* text, unsigned type, unsigned length_byte, const uint8_t* payload, unsigned count);
    // The stored length word is count modulo 65536.
    void decodeLong(Tmy_string* text, unsigned type, const uint8_t* payload, unsigned count);

    bool in_time_block = false;
    uint32_t last_time = 0;
    // Local standard time's offset, taken once: the zone does not change within a file.
    int zone_offset = time_zone_offset();
    // Where telegrams are decoded and live values go; never null.
    Tflash_parser_hooks* hooks = flash_parser_hooks();

private:
    void fluorometer(Tmy_string* text, unsigned length_byte, const uint8_t* p, unsigned count);
    void registerRead(Tmy_string* text, const uint8_t* p, unsigned count);
    void timestampInfo(Tmy_string* text, const uint8_t* p);
    void metering(Tmy_string* text, const uint8_t* p, unsigned count);
    void radioTelegram(Tmy_string* text, const uint8_t* p, unsigned count);
    void channelMessage(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count);
    void meterMessage(Tmy_string* text, const uint8_t* p, unsigned count);
    void framedRecord(Tmy_string* text, const uint8_t* p, unsigned count);
    void splitTelegram(Tmy_string* text, const uint8_t* p, unsigned count);
    void sensorValues(Tmy_string* text, const uint8_t* p, unsigned count);
};

// Shared by the record texts.
void flash_append_generic(Tmy_string* text, unsigned type, const uint8_t* payload, unsigned count, const char* name);
// The short ISO 8601 text at the local standard offset (zone_offset seconds east).
void flash_append_iso(Tmy_string* text, uint32_t seconds, int zone_offset);
// True when the CRC of bytes[0..count) is stored, low byte first, right after them.
bool flash_crc_follows(const uint8_t* bytes, unsigned count);
