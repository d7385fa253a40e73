#include "data/wm_bus.h"

#include <cmath>
#include <cstring>

#include "base/parse.h"

namespace {

struct Tmanufacturer {
    uint16_t code;
    const char* name;
};

const Tmanufacturer manufacturers[] = {
    {0x0477, "ACTARIS"},    {0x05B4, "AQUAMETRO"},  {0x10D3, "DANFOS"},     {0x11A5, "DIEHL"},
    {0x1592, "ELSTER"},     {0x1679, "EASY_METER"}, {0x1EE6, "GWF"},        {0x2324, "HYDROMETER"},
    {0x2692, "ITRON"},      {0x2697, "ITRON_W_FR"}, {0x2C2D, "KAMSTRUP"},   {0x32A7, "LANDIS_GYR"},
    {0x4C4E, "IPERL"},      {0x6171, "VORNA"},      {0x6A49, "ZENNER"},     {0x824D, "SCHLUMBERG"},
};

// Header positions of frame format A.
constexpr unsigned POS_MANUFACTURER = 2;
constexpr unsigned POS_IDENTIFICATION = 4;
constexpr unsigned POS_SCALE = 5;  // the maker's decimals of the two values
constexpr unsigned POS_MAKER_SERIAL = 6;
constexpr unsigned POS_CI = 12;
constexpr unsigned POS_HOP_LONG = 23;   // CI 0x72
constexpr unsigned POS_HOP_SHORT = 15;  // CI 0x7A
constexpr unsigned POS_VALUE1 = 18;
constexpr unsigned POS_VALUE2 = 23;
constexpr unsigned VALUES_END = 28;  // both values and their media bytes

constexpr uint32_t DESCRAMBLE_SEED = 0x2C7D4F06;
constexpr unsigned DESCRAMBLE_START = 17;

// Sign and magnitude in 31 bits, big-endian.
double signed_magnitude(const unsigned char* bytes)
{
    const unsigned word = read_be32(bytes);
    const double magnitude = static_cast<double>(word & 0x7FFFFFFFu);
    return (word & 0x80000000u) ? -magnitude : magnitude;
}

double maker_value_a6(const unsigned char* bytes, unsigned char media)
{
    switch (media) {
    case 3:
    case 4:
    case 8:
        return signed_magnitude(bytes) * 0.01;
    case 65:
        return static_cast<double>(read_be32(bytes));
    default:
        return read_be_float(bytes, 4);
    }
}

// The format-A block CRCs that the maker leaves unscrambled.
unsigned skip_block_crc(unsigned position)
{
    if (position == 28)
        position = 30;
    if (position == 46)
        position = 48;
    if (position == 64)
        position = 66;
    if (position == 82)
        position = 84;
    return position;
}

unsigned char next_key_byte(uint32_t* shift_register)
{
    unsigned key = 0;
    for (int step = 0; step < 8; ++step) {
        const uint32_t r = *shift_register;
        const uint32_t feedback = ((r >> 1) ^ (r >> 2) ^ (r >> 11) ^ (r >> 31)) & 1u;
        *shift_register = (r << 1) | feedback;
        key = (key << 1) | feedback;
    }
    return static_cast<unsigned char>(key);
}

void append_value(Tmy_string* text, const char* media_format, const char* value_format, unsigned char media,
                  double value)
{
    text->appendf(media_format, media);
    // A float of the payload may be NaN or infinite: no text for it.
    if (std::isfinite(value))
        text->appendf(value_format, value);
}

}  // namespace

const char* wm_bus_manufacturer_name(uint16_t code)
{
    for (const Tmanufacturer& m : manufacturers)
        if (m.code == code)
            return m.name;
    return "";
}

unsigned wm_bus_t1_frame_length(unsigned l_field)
{
    const unsigned further_blocks = l_field > 9 ? (l_field - 9 + 15) / 16 : 0;
    return l_field + 3 + 2 * further_blocks;
}

void wmbus_descramble(unsigned char* destination, const unsigned char* telegram, unsigned length)
{
    if (!destination || !telegram)
        return;
    if (length > WM_BUS_MAX_TELEGRAM)
        length = WM_BUS_MAX_TELEGRAM;
    std::memmove(destination, telegram, length);
    // Shorter frames have no scrambled byte, and every seed byte (2-15) lies within longer ones.
    if (length <= DESCRAMBLE_START)
        return;
    uint32_t shift_register = DESCRAMBLE_SEED ^ read_be32(telegram + 2) ^ read_be32(telegram + 6);
    if (telegram[POS_CI] != 0xA6 && telegram[POS_CI] != 0xA7)
        shift_register ^= read_be32(telegram + POS_CI);
    for (unsigned d = DESCRAMBLE_START; d < length; ++d) {
        d = skip_block_crc(d);
        if (d >= length)
            break;
        destination[d] = static_cast<unsigned char>(telegram[d] ^ next_key_byte(&shift_register));
    }
}

void T_wm_bus_message::decode(const unsigned char* telegram, unsigned count, bool c1)
{
    *this = T_wm_bus_message();
    if (!telegram)
        return;
    unsigned kept = count < WM_BUS_MAX_TELEGRAM ? count : WM_BUS_MAX_TELEGRAM;
    unsigned frame_length = 0;
    if (c1) {
        kept = kept > 0 ? kept - 1 : 0;
    } else if (kept > 0) {
        frame_length = wm_bus_t1_frame_length(telegram[0]);
        if (frame_length < kept)
            kept = frame_length;
    }
    length = static_cast<uint16_t>(kept);
    std::memcpy(raw, telegram, kept);

    has_manufacturer = kept >= POS_MANUFACTURER + 2;
    if (has_manufacturer) {
        manufacturer = static_cast<uint16_t>(raw[POS_MANUFACTURER] | (raw[POS_MANUFACTURER + 1] << 8));
        manufacturer_name.assign(wm_bus_manufacturer_name(manufacturer));
    }
    if (c1 && kept >= POS_IDENTIFICATION + 4) {
        serial = bcd_le_to_uint(raw + POS_IDENTIFICATION);
        has_serial = true;
    }
    has_ci = kept > POS_CI;
    if (!has_ci)
        return;
    ci = raw[POS_CI];

    if (ci < 0x80) {
        oms = 1;
        if (!c1) {
            serial = bcd_le_to_uint(raw + POS_IDENTIFICATION);
            has_serial = true;
        }
        if (ci == 0x72 || ci == 0x7A) {
            const unsigned position = ci == 0x72 ? POS_HOP_LONG : POS_HOP_SHORT;
            has_hop_counter = kept > position;
            if (has_hop_counter)
                hop_counter = raw[position] & 3;
        } else {
            has_hop_counter = true;
        }
        return;
    }

    if (manufacturer != WM_BUS_MAKER_CODE) {
        if (!c1) {
            serial = bcd_le_to_uint(raw + POS_MAKER_SERIAL);
            has_serial = true;
        }
        return;
    }
    if (!c1) {
        serial = static_cast<uint32_t>(read_le32_at(raw, POS_MAKER_SERIAL));
        has_serial = true;
    }
    unsigned scrambled_length = c1 ? raw[0] : frame_length;
    if (scrambled_length > kept)
        scrambled_length = kept;
    wmbus_descramble(descrambled, raw, scrambled_length);
    has_values = scrambled_length >= VALUES_END;
    if (!has_values)
        return;
    media1 = descrambled[POS_VALUE1 + 4];
    media2 = descrambled[POS_VALUE2 + 4];
    if (ci == 0xA6) {
        value1 = maker_value_a6(descrambled + POS_VALUE1, media1);
        value2 = maker_value_a6(descrambled + POS_VALUE2, media2);
    } else {
        value1 = signed_magnitude(descrambled + POS_VALUE1) / std::pow(10.0, raw[POS_SCALE] & 0x0F);
        value2 = signed_magnitude(descrambled + POS_VALUE2) / std::pow(10.0, raw[POS_SCALE] >> 4);
    }
}

void wm_bus_to_xml(Tmy_string* text, uint32_t time, const unsigned char* telegram, unsigned count, bool c1)
{
    (void)time;
    if (!text)
        return;
    if (!telegram)
        count = 0;
    T_wm_bus_message message;
    message.decode(telegram, count, c1);

    if (message.has_serial)
        text->appendf(" SNR=\"%08u\"", message.serial);
    if (message.length < count)
        text->appendf("  RSSI=\"%.0f%%\"", telegram[count - 1] * 100.0 / 255);
    if (!message.has_ci) {
        if (message.has_manufacturer)
            text->appendf(" manuf=\"%s\"", message.manufacturer_name.c_str());
        return;
    }
    if (message.oms) {
        text->append(" OMS=\"true\" ");
        text->appendf(" manuf=\"%s\"", message.manufacturer_name.c_str());
        if (message.has_hop_counter)
            text->appendf(" hop_counter=\"%d\" ", message.hop_counter);
        return;
    }
    text->append(" OMS=\"false\"");
    text->appendf(" manuf=\"%s\"", message.manufacturer_name.c_str());
    text->appendf(" CI=\"%X\"", message.ci);
    if (message.has_values) {
        append_value(text, "  media1=\"%d\"", " v1=\"%.2f\"", message.media1, message.value1);
        append_value(text, "  media2=\"%d\"", " v2=\"%.2f\"", message.media2, message.value2);
    }
}
