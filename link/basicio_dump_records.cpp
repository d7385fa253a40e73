#include "link/basicio_dump_records.h"

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "data/flash_parser.h"
#include "data/wm_bus.h"

namespace {


// Bytes of the radio status before its telegram.
enum : unsigned {
    RADIO_STATUS = 0,
    RADIO_FREQUENCY = 1,
    RADIO_DEVIATION = 5,
    RADIO_RSSI = 9,
    RADIO_TELEGRAM_LENGTH = 10,
    RADIO_TELEGRAM = 11,
};

void log_telegram(const uint8_t* telegram, unsigned count)
{
    T_wm_bus_message message;
    message.decode(telegram, count, false);
    Tmy_string line;
    line.appendf(" manuf=\"%s\"", message.manufacturer_name.c_str());
    line.appendf(" SNR=\"%08u\"", message.serial);
    if (message.oms) {
        line.appendf(" OMS=\"true\"  hop_counter=\"%d\" ", message.hop_counter);
    } else {
        line.appendf(" OMS=\"false\" ");
        line.appendf(" CI=\"%X\"", message.ci);
        if (message.manufacturer == WM_BUS_MAKER_CODE) {
            line.appendf("  media1=\"%d\" v1=\"%.2f\"", message.media1, message.value1);
            line.appendf("  media2=\"%d\" v2=\"%.2f\"", message.media2, message.value2);
        }
    }
    log_printf("%s", line.c_str());
}

}  // namespace

void log_radio_status(const uint8_t* status, unsigned count)
{
    log_hex_dump_labelled("RF ", status, count, dump_bytes_per_line);
    // The line prints the bytes up to the RSSI: a shorter status is not logged.
    if (count < RADIO_TELEGRAM_LENGTH) {
        log_printf("ERROR : radio status of %u bytes, %u needed", count, RADIO_TELEGRAM_LENGTH);
        return;
    }
    log_printf("status=x%x, freq=%f, dev=%f, RSSI=%d", status[RADIO_STATUS],
               static_cast<double>(read_be_float(status + RADIO_FREQUENCY, 4)),
               static_cast<double>(read_be_float(status + RADIO_DEVIATION, 4)), status[RADIO_RSSI]);
    // The telegram's length byte, but never more than the bytes present.
    const unsigned present = count > RADIO_TELEGRAM ? count - RADIO_TELEGRAM : 0;
    const unsigned declared = count > RADIO_TELEGRAM_LENGTH ? status[RADIO_TELEGRAM_LENGTH] : 0;
    log_telegram(status + count - present, declared < present ? declared : present);
}

void log_dump_record(const uint8_t* record, unsigned count)
{
    Tflash_parser parser;
    Tmy_string text;
    parser.parseRecord(&text, record, count);
    log_printf("%s", text.c_str());
}
