#include "data/compact_payload.h"

#include "base/log.h"
#include "base/parse.h"

namespace {

const char* const INDENT = "       ";

struct Tfloat_field {
    unsigned char type;
    const char* format;
};

// 4-byte fields under main header 1 whose value is an IEEE single.
const Tfloat_field float_fields[] = {
    {0x81, "%s0x81 %02X %02X %02X %02X : Main Energy Index = %0.3f kWh"},
    {0x83, "%s0x83 %02X %02X %02X %02X : 1st tarif energy = %0.3f kWh"},
    {0x84, "%s0x84 %02X %02X %02X %02X : 2nd tarif energy = %0.3f kWh"},
    {0x85, "%s0x85 %02X %02X %02X %02X : Water volume = %0.3f m3 (water)"},
    {0x86, "%s0x86 %02X %02X %02X %02X : Gas volume = %0.3f m3 (gas)"},
    {0x87, "%s0x87 %02X %02X %02X %02X : flow temperature = %0.3f \xC2\xB0" "C"},
    {0x8A, "%s0x8A %02X %02X %02X %02X : Power = %0.3f W"},
    {0x8B, "%s0x8B %02X %02X %02X %02X : Water volume = %0.3f m3 (heat)"},
    {0x8C, "%s0x8C %02X %02X %02X %02X : return flow temperature = %0.3f \xC2\xB0" "C"},
    {0x8D, "%s0x8D %02X %02X %02X %02X : Volume flow = %0.3f m3/h"},
    {0x9A, "%s0x9A %02X %02X %02X %02X : Heat index = %0.3f kWh"},
};

// Type 1-95: a 16-bit value, understood under main header 0 only.
void log_word_field(unsigned char main_header, const unsigned char* field)
{
    const unsigned char type = field[0];
    const unsigned v = read_be16(field + 1);
    if (main_header == 0) {
        switch (type) {
        case 15:
            log_printf("%s0x%02X %02X %02X       : pH = %.2f", INDENT, type, field[1], field[2], v * 0.01);
            return;
        case 20:
            log_printf("%s0x%02X %02X %02X       : MES = %.3f [mg/L]", INDENT, type, field[1], field[2], v * 0.001);
            return;
        case 21:
            log_printf("%s0x%02X %02X %02X       : NTU = %.2f [NTU]", INDENT, type, field[1], field[2], v * 0.01);
            return;
        case 22:
            log_printf("%s0x%02X %02X %02X       : Oxygene = %.2f [mg/L]", INDENT, type, field[1], field[2],
                       v * 0.01);
            return;
        default:
            break;
        }
    }
    log_printf("Unknown header type A  main_header=%d header=x%x", main_header, type);
}

// Type 96-127: a one-byte value.
void log_byte_field(unsigned char main_header, const unsigned char* field)
{
    const unsigned char type = field[0];
    const unsigned char v = field[1];
    if (type == 0x60) {
        const double volts = v <= 80 ? v * 0.03 + 1.8 : (v - 80) * 0.1 + 4.2;
        log_printf("%s0x60 %02X          : VBAT = %0.2fV", INDENT, v, volts);
    } else if (type == 0x61 && main_header == 1) {
        if (v != 0)
            log_printf("%s0x61 %02X          : M-BUS meter status = \"error\"", INDENT, v);
        else
            log_printf("%s0x61 %02X          : M-BUS meter status = \"no error\"", INDENT, v);
    } else {
        log_printf("Unknown header type D  main_header=%d header=x%x", main_header, type);
    }
}

// Type 128-191: a 4-byte value, understood under main header 1 only.
void log_long_field(unsigned char main_header, const unsigned char* field)
{
    const unsigned char type = field[0];
    const unsigned char* v = field + 1;
    if (main_header == 1) {
        if (type == 0x80 || type == 0x82) {
            const char* format = type == 0x80 ? "%s0x80 %02X %02X %02X %02X : timestamp = %u"
                                              : "%s0x82 %02X %02X %02X %02X : serial number = %u";
            log_printf(format, INDENT, v[0], v[1], v[2], v[3], read_be32(v));
            return;
        }
        for (const Tfloat_field& f : float_fields)
            if (f.type == type) {
                log_printf(f.format, INDENT, v[0], v[1], v[2], v[3], static_cast<double>(read_be_float(v, 4)));
                return;
            }
    }
    log_printf("Unknown header type B  main_header=%d header=x%x", main_header, type);
}

}  // namespace

void decode_tx_payload(const unsigned char* bytes, unsigned count)
{
    if (!bytes || count == 0)
        return;
    const unsigned char main_header = bytes[0];
    log_printf("%s0x%02X             : main header = %d", INDENT, main_header, main_header);
    unsigned i = 1;
    while (i < count) {
        const unsigned char type = bytes[i];
        if (type == 0 || type == 255)
            return;
        if (type <= 95) {
            if (i + 2 < count)
                log_word_field(main_header, bytes + i);
            i += 3;
        } else if (type <= 127) {
            if (i + 1 >= count)
                return;
            log_byte_field(main_header, bytes + i);
            i += 2;
        } else if (type <= 191) {
            if (i + 4 >= count)
                return;
            log_long_field(main_header, bytes + i);
            i += 5;
        } else {
            if (i + 1 >= count)
                return;
            i += 1u + type;
        }
    }
}
