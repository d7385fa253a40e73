#include "data/flash_records.h"

#include "base/my_string.h"
#include "base/parse.h"
#include "base/time_calendar.h"
#include "data/crc16_modbus.h"
#include "data/flash_parser_hooks.h"

const char* const flash_crc_ok = "crc=\"ok\"";
const char* const flash_crc_error = "crc=\"error\"";

namespace {

enum Tvalue_format { VALUE_HEX, VALUE_UNSIGNED, VALUE_FLOAT3, VALUE_FLOAT2, VALUE_FLOAT4, VALUE_FLOAT5 };

Tvalue_format value_format(unsigned type)
{
    switch (type) {
    case 137: case 139: case 166: case 167: case 168: case 171: case 172: case 173: case 174: case 175:
        return VALUE_UNSIGNED;
    case 144: case 161: case 162: case 178: case 179: case 180:
        return VALUE_FLOAT3;
    case 145: case 146: case 147: case 148: case 149: case 150: case 151: case 152: case 153: case 154:
    case 155: case 158: case 159: case 160: case 165: case 182:
        return VALUE_FLOAT2;
    case 164: case 181:
        return VALUE_FLOAT4;
    case 169: case 170: case 176: case 183: case 184:
        return VALUE_FLOAT5;
    default:
        return VALUE_HEX;
    }
}

const char* float_format(Tvalue_format format)
{
    switch (format) {
    case VALUE_FLOAT3: return "    <a%u v=\"%.3f\" %s/>";
    case VALUE_FLOAT2: return "    <a%u v=\"%.2f\" %s/>";
    case VALUE_FLOAT4: return "    <a%u v=\"%.4f\" %s/>";
    default: return "    <a%u v=\"%.5f\" %s/>";
    }
}

void append_pulse_counter(Tmy_string* text, unsigned type, unsigned status, const char* crc)
{
    text->appendf("    <a%u v=\"%u\"", type, status);
    text->append((status & 0x10u) ? " power_loss=\"no loss\"" : " power_loss=\"power lost\"");
    for (int bit = 3; bit >= 0; --bit)
        text->appendf(" pulse%d=\"%d\"", bit, (status >> bit) & 1u);
    text->appendf(" %s/>", crc);
}

}  // namespace

void flash_append_iso(Tmy_string* text, uint32_t seconds, int zone_offset)
{
    char iso[time_iso_text_size];
    time_format_iso(iso, seconds, zone_offset, false);
    text->append(iso);
}

void flash_append_generic(Tmy_string* text, unsigned type, const uint8_t* payload, unsigned count, const char* name)
{
    text->appendf("    <a%u s=\"%u\" %s=\"", type, count, name);
    text->appendHex(payload, count);
    text->append("\"/>");
}

bool flash_crc_follows(const uint8_t* bytes, unsigned count)
{
    return crc16_modbus(bytes, count) == read_le16_at(bytes, count);
}

void Tflash_record_decoder::decodeValue(Tmy_string* text, unsigned type, const uint8_t* value, const char* crc)
{
    const uint32_t v = read_be32(value);
    if (type == flash_time_type) {
        if (in_time_block)
            text->append("</time>\r\n");
        text->appendf("<time v=\"%u\" iso=\"", v);
        flash_append_iso(text, v, zone_offset);
        text->appendf("\"  %s>", crc);
        in_time_block = true;
        last_time = v;
        hooks->setAcqValue(type, v);
        hooks->on_flash_value(type, v);
        return;
    }
    const Tvalue_format format = value_format(type);
    if (in_time_block) {
        if (type == 129)
            text->appendf("    <a129 information_identifier=\"%d\" software_version=\"%d\" "
                          "configuration_checksum=\"%d\" status=\"%d\"  %s/>",
                          value[0], value[1], value[2], value[3], crc);
        else if (type == 130)
            text->appendf("    <a130 station_id=\"%u\" %s/>", v, crc);
        else if (type == 163)
            append_pulse_counter(text, type, value[3], crc);
        else if (format == VALUE_HEX)
            text->appendf("    <a%u v=\"%08X\" %s/>", type, v, crc);
        else if (format == VALUE_UNSIGNED)
            text->appendf("    <a%u v=\"%u\" %s/>", type, v, crc);
        else
            text->appendf(float_format(format), type, static_cast<double>(read_be_float(value, flash_value_size)),
                          crc);
    }
    if (format != VALUE_HEX || type == 129 || type == 130 || type == 163)
        hooks->setAcqValue(type, v);
    hooks->on_flash_value(type, v);
}
