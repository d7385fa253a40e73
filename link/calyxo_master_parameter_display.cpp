// The log display of a parameter read: the radio module's MAC address with
// its DEV EUI, the COM debug record, or a hex dump.
#include <cstring>

#include "base/log.h"
#include "base/time_calendar.h"
#include "data/compact_payload.h"
#include "link/calyxo_master.h"

namespace {

constexpr uint8_t PARAMETER_MAC = 162;
constexpr uint8_t PARAMETER_COM_DEBUG = 169;
// Hz per count of the radio's cycle counter.
constexpr double hz_per_cycle = 61.03515;
constexpr int utc_plus_one = 3600;

enum : uint8_t {
    ENTRY_CYCLES = 3,
    ENTRY_DATARATE = 5,
    ENTRY_TX_PLAIN = 16,
    ENTRY_TX_ENCRYPTED = 17,
    ENTRY_RX_ENCRYPTED = 32,
    ENTRY_RX_PLAIN = 33,
    ENTRY_TIMESTAMP = 0x80,
};

uint32_t read_be(const uint8_t* bytes, unsigned count)
{
    uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

void log_payload(const char* title, const uint8_t* data, unsigned count)
{
    log_printf("%s", title);
    log_hex_dump_labelled("       data", data, count, dump_bytes_per_line);
}

// One entry of the COM debug record; data holds length bytes.
void log_com_debug_entry(uint8_t type, const uint8_t* data, unsigned length)
{
    switch (type) {
    case ENTRY_CYCLES:
        if (length >= 3) {
            const uint32_t cycles = read_be(data, 3);
            log_printf(" cycles = %d x%x", static_cast<int>(cycles), cycles);
            log_printf("    Frequence = %.0f", cycles * hz_per_cycle);
        }
        break;
    case ENTRY_DATARATE:
        if (length >= 2) {
            const char* direction = data[0] == 0 ? "TX" : "RX";
            if (data[1] <= 4)
                log_printf("    Datarate  = SF%d / %s", 12 - data[1], direction);
            else
                log_printf("    Datarate  = %d / %s", data[1], direction);
        }
        break;
    case ENTRY_TX_PLAIN:
        if (length >= 1) {
            log_payload("    TX payload, unencrypted ", data + 1, length - 1);
            log_printf("    TX payload, decoded ");
            decode_tx_payload(data + 1, length - 1);
        }
        break;
    case ENTRY_TX_ENCRYPTED:
        if (length >= 1)
            log_payload("    TX payload, encrypted ", data + 1, length - 1);
        break;
    case ENTRY_RX_ENCRYPTED:
    case ENTRY_RX_PLAIN:
        if (length >= 1) {
            Tmy_string title;
            if (type == ENTRY_RX_ENCRYPTED)
                title.printf("    RX payload, encrypted RX%d", data[0]);
            else
                title.printf("    RX payload, unencrypted port=%d", data[0]);
            log_payload(title.c_str(), data + 1, length - 1);
        }
        break;
    case ENTRY_TIMESTAMP:
        if (length >= 4) {
            char text[time_iso_text_size];
            time_format_iso(text, read_be(data, 4), utc_plus_one, true);
            log_printf("    Timestamp = %s", text);
        }
        break;
    default:
        break;
    }
}

void log_com_debug(const uint8_t* record, unsigned length)
{
    log_printf("COM_DEBUG : --------------------------------------");
    log_hex_dump_labelled("parameter", record, length, dump_bytes_per_line);
    unsigned at = 0;
    while (length - at >= 2) {
        const uint8_t type = record[at];
        const unsigned entry_length = record[at + 1];
        if (entry_length > length - at - 2)
            break;
        log_com_debug_entry(type, record + at + 2, entry_length);
        at += 2 + entry_length;
    }
    log_printf("---------------------------------------- COM_DEBUG");
}

}  // namespace

void Tcalyxo_master::showParameter()
{
    const unsigned length = parameter_length < sizeof parameter_buffer ? parameter_length : sizeof parameter_buffer;
    if (variable_id == PARAMETER_COM_DEBUG) {
        log_com_debug(parameter_buffer, length);
    } else if (variable_id == PARAMETER_MAC) {
        // The text ends where the answer ends, not at the buffer's last byte.
        char text[sizeof parameter_buffer + 1];
        std::memcpy(text, parameter_buffer, length);
        text[length] = '\0';
        log_printf("MAC ADDR  : %s", text);
        if (std::strlen(text) == mac_text_chars) {
            text[8] = '\0';
            log_printf("DEV EUI   : %s-FF-FE-%s", text, text + 9);
        }
    } else {
        log_hex_dump_labelled("parameter   : ", parameter_buffer, length, dump_bytes_per_line);
    }
}
