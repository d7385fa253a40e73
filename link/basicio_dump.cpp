#include "link/basicio_dump.h"

#include <cstring>

#include "base/list.h"
#include "base/log.h"
#include "base/parse.h"
#include "link/basicio_dump_records.h"
#include "link/module_view.h"

Tbasicio_dump_module basicio_dump_module;

void Tgsm_dump_display::show_gsm_dump_info(const Tgsm_dump_info*) {}

namespace {

Tgsm_dump_display default_display;
Tgsm_dump_display* installed_display = &default_display;

// Dump codes: the first payload byte.
enum : uint8_t {
    DUMP_TEXT = '@',
    DUMP_RECORD = 'A',
    DUMP_MODEM_LINE = 'B',
    DUMP_RADIO_STATUS = 'F',
    DUMP_FLAGGED_RECORD = 'H',
    DUMP_FLAGGED_MODEM_LINE = 'I',
    DUMP_ACQUISITION_DONE = 'J',
};

// Bits of the flag byte of 'H' and 'I' dumps.
constexpr uint8_t FLAG_ACQ_RUNNING = 0x10;
constexpr uint8_t FLAG_GSM_ON = 0x20;

// What a modem line means for the modem-state update.
enum Tmodem_result { MODEM_OTHER = 0, MODEM_DONE = 1, MODEM_POWER_OFF = 2, MODEM_POWER_ON = 3 };

struct Tmodem_line {
    const char* line;
    uint8_t state;
    const char* shown;
    Tmodem_result result;
};

// Whole lines, compared without regard to case; no two of them match one text.
const Tmodem_line modem_lines[] = {
    {"+CPIN: SIM PIN", 1, "+CPIN: SIM PIN (waiting for PIN code)", MODEM_OTHER},
    {"+CPIN: SIM PUK", 2, "+CPIN: SIM PUK (card blocked)", MODEM_OTHER},
    {"+CPIN: READY", 3, "+CPIN: READY (PIN ok)", MODEM_OTHER},
    {"+CREG: 0,0", 4, "+CREG: 0,0 (searching for network)", MODEM_OTHER},
    {"+CREG: 0,2", 6, "+CREG: 0,2 (searching network)", MODEM_OTHER},
    {"+CREG: 0,1", 5, "+CREG: 0,1 (network ok)", MODEM_OTHER},
    {"+CREG: 0,3", 7, "+CREG: 0,3 (network refused)", MODEM_OTHER},
    {"+CREG: 0,4", 8, "+CREG: 0,4 (searching network)", MODEM_OTHER},
    {"+CREG: 0,5", 9, "+CREG: 0,5 (network OK, roaming)", MODEM_OTHER},
    {"+UREG: 0,1", 10, "+UREG: 0,1 (GPRS)", MODEM_OTHER},
    {"+UREG: 0,2", 10, "+UREG: 0,2 (GPRS)", MODEM_OTHER},
    {"+UREG: 0,3", 11, "+UREG: 0,3 (3G)", MODEM_OTHER},
    {"+UREG: 0,4", 11, "+UREG: 0,4 (3G)", MODEM_OTHER},
    {"+UREG: 0,5", 11, "+UREG: 0,5 (3G)", MODEM_OTHER},
    {"+UREG: 0,6", 11, "+UREG: 0,6 (3G)", MODEM_OTHER},
    {"+UREG: 0,7", 12, "+UREG: 0,7 (4G)", MODEM_OTHER},
    {"+UREG: 0,8", 10, "+UREG: 0,8 (2G)", MODEM_OTHER},
    {"+UREG: 0,9", 10, "+UREG: 0,9 (2G)", MODEM_OTHER},
    {"GPRS CONNECTING", 14, "GPRS CONNECTING", MODEM_OTHER},
    {"GPRS CONNECTED", 15, "GPRS CONNECTED", MODEM_OTHER},
    {"ETH CONNECTED", 15, "ETH CONNECTED", MODEM_OTHER},
    {"GPRS DONE", 16, "GPRS DONE", MODEM_DONE},
    {"ETH DONE", 16, "ETH DONE", MODEM_DONE},
    {"GPRS CLOSED", 17, "GPRS CLOSED", MODEM_OTHER},
    {"GSM power on", 18, "GSM power on", MODEM_POWER_ON},
    {"ETH power on", 18, "ETH power on", MODEM_POWER_ON},
    {"GSM power off", 19, "power off", MODEM_POWER_OFF},
    {"ETH power off", 19, "power off", MODEM_POWER_OFF},
};

// Longest part of a modem line that is compared and shown.
constexpr unsigned modem_line_max = 120;

// "+COPS: <mode>,<format>,<operator>,<access technology>".
void explain_operator(Tgsm_dump_info& info, const char* text)
{
    Tstring_tokenizer pieces;
    pieces.split(text, ",");
    if (pieces.count() < 4)
        return;
    const int technology = text_to_int(pieces.item(3)->c_str());
    const char* network = nullptr;
    if (technology < 2) {
        info.state = 10;
        network = "GPRS";
    } else if (technology <= 6) {
        info.state = 11;
        network = "3G";
    } else if (technology == 7) {
        info.state = 12;
        network = "4G";
    } else {
        return;
    }
    info.text.printf("+COPS: %s (%s)", pieces.item(2)->c_str(), network);
}

Tmodem_result explain_modem_line(const uint8_t* line, unsigned count)
{
    if (count < 3)
        return MODEM_OTHER;
    char text[modem_line_max + 1];
    const unsigned kept = count < modem_line_max ? count : modem_line_max;
    std::memcpy(text, line, kept);
    text[kept] = '\0';

    Tgsm_dump_info info;
    Tmodem_result result = MODEM_OTHER;
    for (const Tmodem_line& entry : modem_lines) {
        if (text_compare_nocase(text, entry.line) == 0) {
            info.state = entry.state;
            info.text.assign(entry.shown);
            result = entry.result;
        }
    }
    if (text_starts_with_nocase(text, "+COPS:")) {
        explain_operator(info, text);
    } else if (text_starts_with_nocase(text, "+CSQ:")) {
        info.state = 13;
        info.value = text_to_int(text + 5);
        info.text.printf("+CSQ: %d", info.value);
    }
    if (info.state == 0)
        info.text.assign(text);
    installed_display->show_gsm_dump_info(&info);
    return result;
}

void set_running(Tlogger_activity& activity, uint8_t acq_running, uint8_t gsm_on)
{
    activity.acq_running = acq_running;
    activity.gsm_on = gsm_on;
    module_view.setStatusValue(STATUS_ITEM_ACQ_RUNNING, acq_running);
    module_view.setStatusValue(STATUS_ITEM_GSM_ON, gsm_on);
}

void update_flags(Tlogger_activity& activity, uint8_t flags)
{
    activity.acq_running = (flags & FLAG_ACQ_RUNNING) ? 1 : 0;
    if (activity.acq_running)
        activity.ping_countdown = 20;
    module_view.setStatusValue(STATUS_ITEM_ACQ_RUNNING, activity.acq_running);
    activity.gsm_on = (flags & FLAG_GSM_ON) ? 1 : 0;
    if (activity.gsm_on)
        activity.ping_countdown = 15;
    module_view.setStatusValue(STATUS_ITEM_GSM_ON, activity.gsm_on);
}

void update_modem_state(Tlogger_activity& activity, Tmodem_result result)
{
    switch (result) {
    case MODEM_DONE:
        activity.gsm_on = 0;
        activity.ping_countdown = 7;
        break;
    case MODEM_POWER_OFF:
        activity.gsm_on = 1;
        activity.ping_countdown = 5;
        break;
    default:
        activity.gsm_on = 1;
        activity.ping_countdown = 10;
        break;
    }
    module_view.setStatusValue(STATUS_ITEM_GSM_ON, activity.gsm_on);
}

}  // namespace

void gsm_dump_display_install(Tgsm_dump_display* display)
{
    installed_display = display ? display : &default_display;
}

void Tbasicio_dump_module::OnDump(Tlogger_activity& activity, const uint8_t* payload, unsigned length)
{
    if (!payload || length == 0)
        return;
    switch (payload[0]) {
    case DUMP_RECORD:
        log_dump_record(payload + 1, length - 1);
        set_running(activity, 1, 0);
        break;
    case DUMP_MODEM_LINE: {
        const Tmodem_result result = explain_modem_line(payload + 1, length - 1);
        set_running(activity, 0, 1);
        update_modem_state(activity, result);
        break;
    }
    case DUMP_RADIO_STATUS:
        log_radio_status(payload + 1, length - 1);
        break;
    case DUMP_FLAGGED_RECORD:
        if (length < 2)
            break;
        log_dump_record(payload + 2, length - 2);
        update_flags(activity, payload[1]);
        break;
    case DUMP_FLAGGED_MODEM_LINE:
        if (length < 2)
            break;
        update_flags(activity, payload[1]);
        update_modem_state(activity, explain_modem_line(payload + 2, length - 2));
        break;
    case DUMP_ACQUISITION_DONE:
        if (length == 2 && payload[1] == 1) {
            log_printf("ACQ DONE !");
            activity.acq_running = 0;
            activity.ping_countdown = 7;
            module_view.setStatusValue(STATUS_ITEM_ACQ_RUNNING, 0);
        }
        break;
    default:  // '@' text output and unknown codes
        break;
    }
}
