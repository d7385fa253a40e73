#include "data/flash_records.h"

#include <cstring>

#include "base/my_string.h"
#include "base/parse.h"
#include "data/crc16_modbus.h"
#include "data/flash_parser_hooks.h"

namespace {

constexpr unsigned fluorometer_item = 21;
constexpr unsigned fluorometer_values = 9;

float be_float(const uint8_t* p)
{
    return read_be_float(p, 4);
}

double be_double(const uint8_t* p)
{
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = (bits << 8) | p[i];
    double value;
    static_assert(sizeof value == sizeof bits, "IEEE double expected");
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The fewest payload bytes each short kind's layout reads.
unsigned short_minimum(unsigned type)
{
    switch (type) {
    case 17: case 18: case 19: case 20: case 22: case 36: case 38:
    case 31: case 32: case 33: case 34: case 35:
        return 8;
    case 21: case 64: return 5;
    case 24: return 3;
    case 48: case 49: case 50: case 51: case 59: return 16;
    case 58: return 20;
    case 65: return 2;
    default: return 1;
    }
}

const char* sdi_kind_name(uint8_t kind)
{
    switch (kind) {
    case '0': return "SDI-12 Id";
    case '1': return "SDI-12 ans";
    case '2': return "SDI-12 D0";
    case '4': return "SDI-12 D1";
    case '6': return "SDI-12 D2";
    case 0xF0: return "CCID";
    case 0xF1: return "Firmware";
    default: return nullptr;
    }
}

void append_meter_index(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count)
{
    const uint32_t raw = read_be32(p);
    const bool sign_magnitude = count > 10 && p[10] == 1;
    const int v = sign_magnitude && (raw & 0x80000000u) ? -static_cast<int>(raw & 0x7FFFFFFFu) : static_cast<int>(raw);
    text->appendf("    <a%u v=\"%d\" sn=\"%u\"", type, v, read_be32(p + 4));
    static const char* const extras[] = {" conf=\"%d\"", " dot=\"%d\"", " manuf=\"%d\"", " media=\"%d\""};
    for (unsigned i = 0; i < 4 && 8 + i < count; ++i)
        text->appendf(extras[i], p[8 + i]);
    text->append("/>");
}

void append_sdi_text(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count)
{
    text->appendf("    <a%u s=\"%u\" type=\"", type, count - 1);
    if (const char* name = sdi_kind_name(p[0]))
        text->append(name);
    else
        text->appendf("%d", p[0]);
    text->append("\" text=\"");
    // Raw sensor text: escaped so that the element stays well-formed (a length
    // of 0 would mean "up to a NUL" to the escaper).
    if (count > 1)
        text->appendXmlEscaped(reinterpret_cast<const char*>(p + 1), count - 1);
    text->append("\"/>");
}

void append_chunk(Tmy_string* text, unsigned type, const uint8_t* p, unsigned count)
{
    text->appendf("    <a%u s=\"%u\"", type, count);
    text->append((p[0] & 0x80u) ? " last=\"1\"" : " last=\"0\"");
    text->appendf(" chunk_ix=\"%d\" channel_id=\"%d\"  v=\"", p[0] & 0x7F, p[1]);
    text->appendHex(p + 2, count - 2);
    text->append("\"/>");
}

}  // namespace

void Tflash_record_decoder::timestampInfo(Tmy_string* text, const uint8_t* p)
{
    if (in_time_block)
        text->append("</time>\r\n");
    in_time_block = false;
    const uint32_t t = read_be32(p);
    const unsigned info = p[4];
    if (info == 0 || info == 1) {
        text->appendf("<timestamp_info information=\"%s\" timestamp=\"%u\" iso=\"", info ? "fast" : "slow", t);
    } else if (info >= 16 && info <= 31) {
        text->append("<timestamp_info information=\"alarm\" value=\"");
        const char* separator = "";
        for (unsigned bit = 0; bit < 4; ++bit) {
            if (info & (1u << bit)) {
                text->appendf("%s%u", separator, bit);
                separator = ", ";
            }
        }
        text->appendf("\" timestamp=\"%u\" iso=\"", t);
    } else {
        return;
    }
    flash_append_iso(text, t, zone_offset);
    text->append("\" />");
}

void Tflash_record_decoder::fluorometer(Tmy_string* text, unsigned length_byte, const uint8_t* p, unsigned count)
{
    text->appendf("    <a%u type=\"fluorometer\"", fluorometer_item);
    const unsigned end = count - 2;  // the CRC's two bytes follow
    const uint8_t head[2] = {static_cast<uint8_t>(fluorometer_item), static_cast<uint8_t>(length_byte)};
    const uint16_t crc = crc16_modbus_update(crc16_modbus(head, sizeof head), p, end);
    if (crc != (p[end] | (p[end + 1] << 8))) {
        text->append(" error=\"CRC error\"/>");
        return;
    }
    static const char* const interfaces[] = {" if=\"0\"", " if=\"1\"", " if=\"8\"", " if=\"9\""};
    text->append(interfaces[p[0] >> 6]);
    const unsigned code = p[0] & 0x3Fu;

    float values[fluorometer_values];
    for (float& value : values)
        value = float_undefined();
    unsigned position = 1;
    auto read_next = [&](unsigned index) {
        if (position + 4 <= end) {
            values[index] = be_float(p + position);
            position += 4;
        }
    };
    for (unsigned lamp = 0; lamp < 4; ++lamp) {
        if (code == 0x20 || (code >= 0x21 && code <= 0x2F && (code & (1u << lamp))))
            read_next(lamp);
    }
    read_next(4);
    if (code == 0x20 && end - position >= 16) {
        for (unsigned k = 5; k < fluorometer_values; ++k)
            read_next(k);
    }

    hooks->clearAcqValues(fluorometer_item);
    for (unsigned k = 0; k < fluorometer_values; ++k) {
        if (!float_is_undefined(values[k]))
            hooks->setAcqSubValue(fluorometer_item, static_cast<int>(k), values[k]);
    }
    if (in_time_block) {
        static const char* const names[fluorometer_values] = {
            " LA_mV=\"%.2f\"",      " LB_mV=\"%.2f\"",      " LC_mV=\"%.2f\"",      " LT_mV=\"%.2f\"",     " T=\"%.2f\"",
            " LA_base_mV=\"%.2f\"", " LB_base_mV=\"%.2f\"", " LC_base_mV=\"%.2f\"", " LT_base_mV=\"%.2f\""};
        for (unsigned k = 0; k < fluorometer_values; ++k) {
            if (!float_is_undefined(values[k]))
                text->appendf(names[k], static_cast<double>(values[k]));
        }
    }
    text->append("/>");
}

void Tflash_record_decoder::registerRead(Tmy_string* text, const uint8_t* p, unsigned count)
{
    const unsigned reg = read_be16(p + 1);
    text->appendf("    <a24 s=\"%u\"", count);
    // The decoded fields are attributes of their own, ahead of the hex in v.
    if (reg == 23 && in_time_block && count >= 15)
        text->appendf(" dev=\"%d\" reg=\"%u\" p=\"%.5f\" t=\"%.5f\" i=\"%.5f\"", p[0], reg,
                      static_cast<double>(be_float(p + 3)), static_cast<double>(be_float(p + 7)),
                      static_cast<double>(be_float(p + 11)));
    const bool ubx = (reg == 23 || reg == 31 || reg == 32) && count >= 7 && p[3] == 0xB5 && p[4] == 0x62;
    if (ubx && p[5] == 0x01 && p[6] == 0x3C && count >= 46)
        text->appendf(" type=\"relpos\" relpostN=\"%d\" relpostE=\"%d\" relpostD=\"%d\" "
                      " accN=\"%d\" accE=\"%d\" accD=\"%d\" status=\"%d\"",
                      read_le32_at(p, 17), read_le32_at(p, 21), read_le32_at(p, 25), read_le32_at(p, 33),
                      read_le32_at(p, 37), read_le32_at(p, 41), p[45]);
    else if (ubx && p[5] == 0x01 && p[6] == 0x02 && count >= 25)
        text->appendf(" type=\"posllh\" lat=\"%d\" long=\"%d\" h=\"%d\"", read_le32_at(p, 17), read_le32_at(p, 13),
                      read_le32_at(p, 21));
    text->append(" v=\"");
    text->appendHex(p, count);
    text->append("\"/>");
}

void Tflash_record_decoder::decodeShort(Tmy_string* text, unsigned type, unsigned length_byte, const uint8_t* p,
                                        unsigned count)
{
    if (count < short_minimum(type)) {
        flash_append_generic(text, type, p, count, "v");
        return;
    }
    switch (type) {
    case 17: case 18: case 19: case 20:
        if (in_time_block)
            text->appendf("    <a%u off=\"%.2f\" on=\"%.2f\"/>", type, static_cast<double>(be_float(p)),
                          static_cast<double>(be_float(p + 4)));
        return;
    case 21: fluorometer(text, length_byte, p, count); return;
    case 22:
        if (in_time_block)
            text->appendf("    <a%u k=\"%.3f\" T=\"%.3f\"/>", type, static_cast<double>(be_float(p)),
                          static_cast<double>(be_float(p + 4)));
        return;
    case 24: registerRead(text, p, count); return;
    case 31: case 32: case 33: case 34: case 35:
        if (in_time_block)
            append_meter_index(text, type, p, count);
        return;
    case 36:
        if (in_time_block)
            text->appendf("    <a%u v=\"%.5f\" sn=\"%u\"/>", type, static_cast<double>(be_float(p)), read_be32(p + 4));
        return;
    case 38:
        if (in_time_block)
            text->appendf("    <a%u v=\"%f\" />", type, be_double(p));
        return;
    case 48: case 49: case 50: case 51:
        if (in_time_block)
            text->appendf("    <a%u v1_pre=\"%u\" v1_post=\"%u\" v2_pre=\"%u\" v2_post=\"%u\"/>", type, read_be32(p),
                          read_be32(p + 4), read_be32(p + 8), read_be32(p + 12));
        return;
    case 58:
        if (in_time_block)
            text->appendf("    <a%u qb=\"%.4f\" qm=\"%.4f\" z=\"%.4f\" t=\"%.2f\" p=\"%.4f\"/>", type,
                          static_cast<double>(be_float(p)), static_cast<double>(be_float(p + 4)),
                          static_cast<double>(be_float(p + 8)), static_cast<double>(be_float(p + 12)),
                          static_cast<double>(be_float(p + 16)));
        return;
    case 59:
        if (in_time_block)
            text->appendf("    <a%u v0=\"%.2f\" v2=\"%.2f\" v3=\"%.2f\" v7=\"%.2f\"/>", type,
                          static_cast<double>(be_float(p)), static_cast<double>(be_float(p + 4)),
                          static_cast<double>(be_float(p + 8)), static_cast<double>(be_float(p + 12)));
        return;
    case 64: timestampInfo(text, p); return;
    case 65:
        if (in_time_block)
            append_chunk(text, type, p, count);
        return;
    case 106: append_sdi_text(text, type, p, count); return;
    default: flash_append_generic(text, type, p, count, "v"); return;
    }
}
