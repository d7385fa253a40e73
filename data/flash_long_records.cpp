#include "data/flash_records.h"

#include "base/my_string.h"
#include "base/parse.h"
#include "data/crc16_modbus.h"
#include "data/flash_parser_hooks.h"
#include "data/flash_sensor_texts.h"
#include "data/mbus_records.h"

namespace {

constexpr unsigned mode_gps = 10;
constexpr unsigned mode_sensor_dump = 11;
constexpr unsigned mode_signal = 27;

// Metering record: media, interval, date (10 bytes), value count (2), the values,
// then the two serial fields and the status byte.
constexpr unsigned metering_head = 12;
constexpr unsigned metering_kemlo_snr = 16;
constexpr unsigned metering_meter_snr = 8;
constexpr unsigned metering_tail = metering_kemlo_snr + metering_meter_snr + 1;

// The fewest payload bytes each long kind's layout reads.
unsigned long_minimum(unsigned type)
{
    switch (type) {
    case 0xC0: return metering_head + metering_tail;
    case 0xC1: return 1;
    case 0xC3: case 0xC4: return 3;   // channel, mode, status byte
    case 0xC7: case 0xC8: return 5;   // and a CRC
    case 0xCB: return 9;              // and a timestamp
    default: return 0;
    }
}

const char* error_attribute(uint8_t status)
{
    return status == 'F' ? " error=\"0\"" : " error=\"1\"";
}

void append_hexa(Tmy_string* text, const uint8_t* bytes, unsigned count)
{
    text->append("          hexa=\"");
    text->appendHex(bytes, count);
    text->append("\"");
}

// Bytes as characters for a txt attribute: a byte outside 32-127 as '.', a double
// quote as '\'', and '&' and '<' as entities so that the attribute stays well-formed.
void flash_append_txt(Tmy_string* text, const uint8_t* bytes, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t c = bytes[i];
        if (c == '&')
            text->append("&amp;");
        else if (c == '<')
            text->append("&lt;");
        else if (c == '"')
            text->append("'");
        else if (c < 32 || c > 127)
            text->append(".");
        else
            text->append(reinterpret_cast<const char*>(bytes + i), 1);
    }
}

// The CRC of a record as stored: type byte, length word big-endian, the payload
// without its last two bytes (the stored CRC).
uint16_t record_crc(unsigned type, const uint8_t* payload, unsigned count)
{
    const uint8_t head[3] = {static_cast<uint8_t>(type), static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    const uint16_t crc = crc16_modbus(head, sizeof head);
    return crc16_modbus_update(crc, payload, count >= 2 ? count - 2 : 0);
}

void append_txt_line(Tmy_string* text, const uint8_t* bytes, unsigned count)
{
    text->append(" txt=\"");
    flash_append_txt(text, bytes, count);
    text->append("\"\r\n");
}

void append_crc_pair(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count)
{
    text->appendf(" crc=\"%04X\" crc_calculated=\"%04X\"", read_le16_at(p, count - 2),
                  record_crc(type, p, count));
}

}  // namespace

void Tflash_record_decoder::metering(Tmy_string* text, const uint8_t* p, unsigned count)
{
    text->appendf("    <a192  media=\"%d\" interval=\"%u\"", p[0], read_le16_at(p, 1));
    text->appendf(" date=\"%u-%02d-%02dT%02d:%02d:%02d\"", read_le16_at(p, 3), p[5], p[6], p[7], p[8], p[9]);
    unsigned values = read_le16_at(p, 10);
    const unsigned room = (count - metering_head - metering_tail) / 4;
    if (values > room)
        values = room;
    text->append(" values=\"");
    const uint8_t* value = p + metering_head;
    for (unsigned i = 0; i < values; ++i, value += 4)
        text->appendf(i ? ";%08X" : "%08X", read_be32(value));
    text->append("\" kemlo_snr=\"");
    text->appendXmlEscaped(reinterpret_cast<const char*>(value), metering_kemlo_snr);
    text->append("\" meter_snr=\"");
    text->appendXmlEscaped(reinterpret_cast<const char*>(value + metering_kemlo_snr), metering_meter_snr);
    text->append("\"");
    text->append(error_attribute(value[metering_kemlo_snr + metering_meter_snr]));
    text->append("/>");
}

void Tflash_record_decoder::radioTelegram(Tmy_string* text, const uint8_t* p, unsigned count)
{
    text->appendf(count < 100 ? "    <a193  s=\"%u\"" : "    <a193 s=\"%u\"", count);
    const unsigned channel = p[0];
    text->appendf(" channel_id=\"%u\"", channel);
    if (channel >= 48 && channel <= 63) {
        append_txt_line(text, p + 1, count - 1);
        text->append(" v=\"");
        text->appendHex(p + 1, count - 1);
        text->append("\"");
    } else if (channel >= 64 && channel <= 95) {
        const bool c1 = (channel & 0x1Fu) == 0x1Eu;
        text->append(c1 ? " mode=\"C1\"" : " mode=\"T1\"");
        hooks->wm_bus_to_xml(text, last_time, p + 1, count - 1, c1);
        append_hexa(text, p + 1, count - 1);
    } else {
        // A channel of no known kind: its bytes are kept all the same.
        append_hexa(text, p + 1, count - 1);
    }
    text->append("/>");
}

void Tflash_record_decoder::channelMessage(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count)
{
    const bool with_crc = type != 0xC3;
    const bool with_timestamp = type == 0xCB;
    text->appendf("    <a%u s=\"%u\" channel_id=\"%d\"", type, count, p[0]);
    const unsigned mode = p[1];
    text->appendf(" mode_id=\"%u\"", mode);
    if (with_timestamp)
        text->appendf(" timestamp=\"%d\"", static_cast<int>(read_be32(p + 2)));
    const unsigned start = with_timestamp ? 6 : 2;
    const unsigned data_count = count - start - (with_crc ? 3 : 1);
    const uint8_t* data = p + start;
    if (mode == mode_signal) {
        if (data_count >= 8)
            text->appendf(" snr=\"%d\"", read_le32_at(data, 4));
        if (data_count >= 1)
            text->appendf(" RSSI=\"%.0f%%\"", data[0] * 100.0 / 255);
    } else if (mode != mode_sensor_dump) {
        append_txt_line(text, data, data_count);
    }
    append_hexa(text, data, data_count);
    if (with_crc)
        append_crc_pair(text, type, p, count);
    text->append(error_attribute(data[data_count]));
    if (mode == mode_gps) {
        flash_append_gps(text, p + 2, count - 3);
    } else if (mode == mode_sensor_dump) {
        Tattribute_names names;
        for (const char* used : {"s", "channel_id", "mode_id", "hexa", "error"})
            names.use(used);
        if (with_crc) {
            names.use("crc");
            names.use("crc_calculated");
        }
        if (with_timestamp)
            names.use("timestamp");
        flash_append_sensor_dump(text, p + 2, count - 3, &names, zone_offset);
    }
    text->append("/>");
}

void Tflash_record_decoder::meterMessage(Tmy_string* text, const uint8_t* p, unsigned count)
{
    const unsigned mode = p[1];
    text->appendf("    <a196 s=\"%u\" channel_id=\"%d\" mode_id=\"%u\"", count, p[0], mode);
    text->append(error_attribute(p[count - 1]));
    if (mode != 0) {
        if (count >= 13)
            text->appendf(" snr=\"%u\"", bcd_le_to_uint(p + 9));
        append_txt_line(text, p + 2, count - 3);
        append_hexa(text, p + 2, count - 3);
    } else {
        mbus_data set;
        hooks->mbus_decode_records(&set, p + 2, count - 3);
        hooks->mbus_records_to_xml(text, &set);
    }
    text->append("/>");
}

void Tflash_record_decoder::framedRecord(Tmy_string* text, const uint8_t* p, unsigned count)
{
    if (flash_frames_value_record(p, count)) {
        const bool ok = flash_crc_follows(p, 1 + flash_value_size);
        decodeValue(text, p[0], p + 1, ok ? flash_crc_ok : flash_crc_error);
        return;
    }
    // ICI is a flag; it carries an empty value to stay an XML attribute.
    text->appendf("    <a198 ICI=\"\" s=\"%u\" hexa=\"", count);
    text->appendHex(p, count);
    text->append("\"/>");
}

void Tflash_record_decoder::splitTelegram(Tmy_string* text, const uint8_t* p, unsigned count)
{
    const unsigned mode = p[1];
    text->appendf("    <a200 s=\"%u\" channel_id=\"%d\" mode_id=\"%u\" split_index=\"%d\"", count, p[0], mode,
                  p[2] & 0x7F);
    text->append((p[2] & 0x80u) ? " last=\"1\"" : " last=\"0\"");
    const uint8_t* data = p + 3;
    const unsigned data_count = count - 5;
    if (mode != mode_sensor_dump)
        append_txt_line(text, data, data_count);
    append_crc_pair(text, 0xC8, p, count);
    if (p[2] == 0xFF)
        text->append(error_attribute(p[count - 3]));
    append_hexa(text, data, data_count);
    text->append("/>");
}

void Tflash_record_decoder::sensorValues(Tmy_string* text, const uint8_t* p, unsigned count)
{
    text->appendf("    <a201 s=\"%u\" hexa=\"", count);
    text->appendHex(p, count);
    text->append("\"");
    if (count >= 7) {
        const unsigned kind = read_be16(p + 5);
        if (kind >= 300 && kind <= 303) {
            text->append(" value=\"");
            const unsigned values = count >= 18 ? (count - 18) / 2 : 0;
            for (unsigned i = 0; i < values; ++i) {
                const int16_t value = static_cast<int16_t>(read_be16(p + 7 + 2 * i));
                text->appendf(i ? ",%0.0f" : "%0.0f", static_cast<double>(value));
            }
            text->append("\"");
        }
    }
    text->append("/>");
}

void Tflash_record_decoder::decodeLong(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count)
{
    // Room for the usual text at once: the string grows in small steps.
    text->reserve(text->length() + 8 * count + 512);
    if (count < long_minimum(type)) {
        flash_append_generic(text, type, p, count, "hexa");
        return;
    }
    switch (type) {
    case 0xC0: metering(text, p, count); return;
    case 0xC1: radioTelegram(text, p, count); return;
    case 0xC3: case 0xC7: case 0xCB: channelMessage(text, type, p, count); return;
    case 0xC4: meterMessage(text, p, count); return;
    case flash_framed_type: framedRecord(text, p, count); return;
    case 0xC8: splitTelegram(text, p, count); return;
    case 0xC9: sensorValues(text, p, count); return;
    default: flash_append_generic(text, type, p, count, "hexa"); return;
    }
}
