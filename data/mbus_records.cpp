#include "data/mbus_records.h"

#include <cmath>
#include <cstring>

#include "base/parse.h"

namespace {

constexpr unsigned POS_CI = 6;
constexpr unsigned POS_IDENTIFICATION = 7;
constexpr unsigned RECORDS_START = 19;  // after the 12-byte long header
constexpr unsigned char CI_LONG_HEADER = 0x72;
constexpr unsigned char VIF_PLAIN_TEXT = 0x7C;
constexpr unsigned char VIF_END = 0x0F;
constexpr int MAX_EXTENSIONS = 10;
// The kWh energy code with its extension bit, and the first extension E111 1101
// (bit 7: another follows) that corrects it by a factor of 1000.
constexpr unsigned char VIF_ENERGY_KWH_EXTENDED = 0x86;
constexpr unsigned char VIFE_CORRECTION_1000 = 0x7D;

const char* const LINE_ENERGY = " { Position=%d, Length=%d :   energy=%f} ";
const char* const LINE_VOLUME = " { Position=%d, Length=%d :   volume=%f} ";
const char* const LINE_POWER = " { Position=%d, Length=%d :   power=%f} ";
const char* const LINE_FLOW = " { Position=%d, Length=%d :   flow=%f} ";
const char* const LINE_FLOW_TEMPERATURE_CENTI = " { Position=%d, Length=%d :   flow_temperature=%0.2f} ";
const char* const LINE_FLOW_TEMPERATURE = " { Position=%d, Length=%d :   flow temperature=%0.2f} ";
const char* const LINE_RETURN_TEMPERATURE = " { Position=%d, Length=%d :   return flow temperature=%0.2f} ";
const char* const LINE_SERIAL = " { Position=%d, Length=%d :   SNR=%u} ";

// DIF data field codes (EN 13757-3, the DIF's low four bits).
constexpr unsigned char DIF_INT32 = 0x04;
constexpr unsigned char DIF_REAL = 0x05;
constexpr unsigned char DIF_BCD8 = 0x0C;
constexpr unsigned char DIF_VARIABLE = 0x0D;
// Special functions: manufacturer-specific data follow to the end of the records.
constexpr unsigned char DIF_MANUFACTURER = 0x0F;
constexpr unsigned char DIF_MORE_RECORDS = 0x1F;
constexpr unsigned char DIF_IDLE_FILLER = 0x2F;

// Data bytes of a data field code; the variable length is handled by the caller.
unsigned fixed_data_length(unsigned char dif)
{
    static const unsigned char lengths[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, 0, 6, 0};
    return lengths[dif & 0x0F];
}

unsigned le32(const unsigned char* bytes)
{
    return static_cast<unsigned>(read_le32_at(bytes, 0));
}

double le_real(const unsigned char* bytes)
{
    const unsigned char be[4] = {bytes[3], bytes[2], bytes[1], bytes[0]};
    return read_be_float(be, 4);
}

void append_line(mbus_data* set, const char* format, unsigned position, unsigned length, double value)
{
    // A REAL of the meter may be NaN or infinite: no line for it.
    if (std::isfinite(value))
        set->lines.appendf(format, static_cast<int>(position), static_cast<int>(length), value);
}

// Appends the line of one data record that the decoder understands; vife is
// the VIF's first extension (0 when it has none).
void decode_record(mbus_data* set, unsigned char dif, unsigned char vif, unsigned char vife,
                   const unsigned char* data, unsigned position, unsigned length)
{
    const bool int32 = dif == DIF_INT32;
    const bool bcd8 = dif == DIF_BCD8;
    const bool real = dif == DIF_REAL;
    // Only the correction extension makes 0x86 a MWh value; any other
    // extension leaves it the kWh code 0x06.
    if (vif == VIF_ENERGY_KWH_EXTENDED && (vife & 0x7F) != VIFE_CORRECTION_1000)
        vif = 0x06;
    switch (vif) {
    case 0x03:
        if (int32)
            append_line(set, LINE_ENERGY, position, length, le32(data) * 0.001);
        break;
    case 0x06:
    case 0x07: {
        const double scale = vif == 0x06 ? 1 : 10;
        if (bcd8)
            append_line(set, LINE_ENERGY, position, length, bcd_le_to_uint(data) * scale);
        else if (int32)
            append_line(set, LINE_ENERGY, position, length, le32(data) * scale);
        break;
    }
    case 0x13:
    case 0x14:
    case 0x15:
    case 0x16: {
        static const double scales[] = {0.001, 0.01, 0.1, 1};
        const double scale = scales[vif - 0x13];
        if (bcd8)
            append_line(set, LINE_VOLUME, position, length, bcd_le_to_uint(data) * scale);
        else if (int32)
            append_line(set, LINE_VOLUME, position, length, le32(data) * scale);
        break;
    }
    case 0x2E:
        if (real)
            append_line(set, LINE_POWER, position, length, le_real(data));
        break;
    case 0x3E:
        if (real)
            append_line(set, LINE_FLOW, position, length, le_real(data));
        break;
    case 0x59:
        if (int32)
            append_line(set, LINE_FLOW_TEMPERATURE_CENTI, position, length, le32(data) * 0.01);
        break;
    case 0x5B:
        if (real)
            append_line(set, LINE_FLOW_TEMPERATURE, position, length, le_real(data));
        break;
    case 0x5F:
        if (real)
            append_line(set, LINE_RETURN_TEMPERATURE, position, length, le_real(data));
        break;
    case 0x78:
        if (bcd8) {
            set->serial = bcd_le_to_uint(data);
            set->lines.appendf(LINE_SERIAL, static_cast<int>(position), static_cast<int>(length), set->serial);
        }
        break;
    case VIF_ENERGY_KWH_EXTENDED:
        if (int32)
            append_line(set, LINE_ENERGY, position, length, le32(data) * 1000.0);
        break;
    default:
        break;
    }
}

// Reads extension bytes after lead while the last byte read has bit 7 set; false
// when the frame ends first.
bool skip_extensions(const unsigned char* frame, unsigned count, unsigned* index, unsigned char lead)
{
    unsigned char last = lead;
    for (int n = 0; (last & 0x80) && n < MAX_EXTENSIONS; ++n) {
        if (*index >= count)
            return false;
        last = frame[(*index)++];
    }
    return true;
}

void decode_records(mbus_data* set)
{
    const unsigned char* frame = set->frame;
    const unsigned count = set->count;
    unsigned index = RECORDS_START;
    while (index + 3 < count) {
        const unsigned position = index;
        const unsigned char dif = frame[index++];
        if (dif == 0x00 || dif == DIF_IDLE_FILLER)
            continue;
        if (dif == DIF_MANUFACTURER || dif == DIF_MORE_RECORDS)
            return;
        if (!skip_extensions(frame, count, &index, dif) || index >= count)
            return;
        const unsigned char vif = frame[index++];
        const unsigned char vife = (vif & 0x80) && index < count ? frame[index] : 0;
        if (vif == VIF_PLAIN_TEXT) {
            if (index >= count)
                return;
            index += 1u + frame[index];
        } else if (!skip_extensions(frame, count, &index, vif)) {
            return;
        }
        unsigned data_length = fixed_data_length(dif);
        if ((dif & 0x0F) == DIF_VARIABLE) {
            if (index >= count)
                return;
            data_length = 1u + frame[index];
        }
        if (index > count || data_length > count - index)
            return;  // the data run past the frame
        if (vif == VIF_END)
            return;
        decode_record(set, dif, vif, vife, frame + index, position, index + data_length - position);
        index += data_length;
    }
}

// The frame as characters for an XML attribute: one character per byte.
void append_frame_text(Tmy_string* text, const unsigned char* bytes, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        char c = static_cast<char>(bytes[i]);
        if (!is_printable_char(bytes[i]) || c == '<' || c == '&')
            c = '.';
        else if (c == '"')
            c = '\'';
        text->append(&c, 1);
    }
}

}  // namespace

mbus_data::~mbus_data()
{
    lines.clear(true);
}

void mbus_decode_records(mbus_data* set, const unsigned char* bytes, unsigned count)
{
    if (!set)
        return;
    set->lines.clear(true);
    set->serial = 0;
    set->error = true;
    set->count = 0;
    if (!bytes)
        return;
    if (count > MBUS_MAX_FRAME)
        count = MBUS_MAX_FRAME;
    std::memcpy(set->frame, bytes, count);
    set->count = count;
    if (count < RECORDS_START || set->frame[POS_CI] != CI_LONG_HEADER)
        return;
    set->error = false;
    set->serial = bcd_le_to_uint(set->frame + POS_IDENTIFICATION);
    decode_records(set);
}

void mbus_records_to_xml(Tmy_string* text, const mbus_data* set)
{
    if (!text || !set)
        return;
    text->appendf(" snr=\"%u\"", set->serial);
    text->append(" txt=\"");
    append_frame_text(text, set->frame, set->count);
    text->append("\"\r\n");
    text->append("          hexa=\"");
    text->appendHex(set->frame, set->count);
    text->append("\"");
    const int lines = set->lines.count();
    for (int i = 0; i < lines; ++i) {
        text->append(i == 0 ? "\r\n            decode = \"" : "\r\n                     ,");
        text->appendString(static_cast<const Tmy_string*>(set->lines.itemAt(i)));
    }
    if (lines > 0)
        text->append("\" ");
}
