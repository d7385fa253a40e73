#include "programs/basic/main_commands.h"

#include <Qt>

#include <cstring>

#include "base/log.h"
#include "base/my_string.h"
#include "base/time_calendar.h"
#include "base/typed_number.h"
#include "link/calyxo_master.h"
#include "platform/widgets/dialog_seam.h"
#include "programs/basic/command_master.h"
#include "programs/basic/file_refusal.h"
#include "programs/basic/start_refusal.h"

namespace {

constexpr int ctrl(int key)
{
    return static_cast<int>(Qt::ControlModifier) | key;
}

constexpr int output_count = 8;
constexpr int force_one_row = 0;
constexpr int keep_row = 2;
constexpr uint8_t export_page_mask = 0x7F;
constexpr int32_t gsm_off_delay = 15 * 60;
// The years the logger's 32-bit clock of seconds since 1970 reaches.
constexpr long long first_logger_year = 1970, last_logger_year = 2106;

// What the logger's variables and commands are.
namespace var {
constexpr uint8_t clock = 0, acq_interval = 1, acq_next = 2, acq_on = 3, acq_counter = 7, gsm_counter = 10,
                  gsm_next = 33, gsm_enable = 35, gsm_off = 36, pulse_counter0 = 41, pulse_counter1 = 42,
                  gtp = 130;
}
namespace control {
constexpr uint8_t slow = 0, fast = 1, acq_now = 3, gsm_now = 4, sms_now = 5, clear_flash = 6,
                  clear_alarms = 10, gsm_config = 240, gsm_power_on = 241, gsm_power_off = 242;
}
constexpr uint8_t parameter_eui = 162, parameter_com_debug = 169;
constexpr uint8_t outputs_kind = 5;
constexpr uint8_t gsm_off_now_value = 2, gsm_off_now_flag = 1;
constexpr int key_mode_appkey_and_nwkskey = 2;

// Commands that start one master operation with fixed arguments.
template <uint8_t id, uint32_t value, uint8_t flag>
bool set_var(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_set_var(id, value, flag);
}

template <uint8_t type>
bool control_command(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_control(type);
}

template <uint8_t id>
bool parameter_get(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_parameter_get(id);
}

template <const char* form>
bool show_form(Tcommand_host& host, const Tmain_command&)
{
    host.showForm(form);
    return false;
}

constexpr char text_form[] = "text";
constexpr char gsm_console_form[] = "gsm_console";
constexpr char rfu_form[] = "rfu";
constexpr char calibration_form[] = "calibration";
constexpr char about_form[] = "about";

bool connect_link(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_connect();
}

bool disconnect_link(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_disconnect();
}

bool abort_link(Tcommand_host& host, const Tmain_command&)
{
    host.commands().stop();
    return false;
}

bool get_status(Tcommand_host& host, const Tmain_command&)
{
    host.pageToFront("TB_sysstatus");
    return host.commands().start_status();
}

bool upload_eeprom(Tcommand_host& host, const Tmain_command&)
{
    Tfile_dialog dialog;
    dialog.mode = Tfile_dialog_mode::open;
    dialog.filter = "setup file (.xml)|*.xml|All files|*.*";
    dialog.default_extension = "xml";
    const std::string path = dialog_seam().chooseFile(dialog);
    if (path.empty())
        return false;
    const int result = host.commands().start_eeprom_upload_file(path.c_str());
    if (result == Tcalyxo_master::UPLOAD_REFUSED)
        return true;
    if (result != 0) {
        // Nothing was sent: the box says which file and its first error.
        show_error_box("", file_refusal_text("Erreur de lecture du fichier de configuration ! Voir log", path,
                                             host.commands().upload_error()));
    }
    return false;
}

bool quick_sync(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_quick_sync(0);
}

// A next-on time from the fields; a wrong field is named with its range and
// nothing is sent.
template <uint8_t id>
bool set_entered_time(Tcommand_host& host, const Tmain_command&)
{
    const char* which = id == var::gsm_next ? "gsm" : "acq";
    Tmy_string texts[6];
    host.timeFields(which, texts);
    uint32_t time = 0;
    Tmy_string error;
    if (!entered_time(texts, host.timeZone(which), &time, &error)) {
        log_printf("ERROR : time not sent : %s", error.c_str());
        Tmessage_box box;
        box.text = error.c_str();
        box.icon = Tbox_icon::warning;
        dialog_seam().messageBox(box);
        return false;
    }
    return host.commands().start_set_var(id, time, 0);
}

bool export_eeprom(Tcommand_host& host, const Tmain_command&)
{
    if (host.commands().start_eeprom_download(export_page_mask, Tcommand_master::decode_com_settings))
        return true;
    host.showForm(text_form);
    return false;
}

bool ping(Tcommand_host& host, const Tmain_command&)
{
    host.commands().ping();
    return false;
}

bool verbose(Tcommand_host& host, const Tmain_command&)
{
    Tmy_string flags;
    flags.printf("%u", verbose_flags(host.isChecked("VerboseA1"), host.isChecked("VerboseB1"),
                                     host.isChecked("VerboseC1")));
    host.commands().setParameter("verbose", flags.c_str());
    return false;
}

bool switch_9600(Tcommand_host& host, const Tmain_command&)
{
    host.commands().setParameter("baudrate", "9600");
    host.commands().setParameter("mscp_dest", "254");
    return false;
}

bool slow_download(Tcommand_host& host, const Tmain_command& command)
{
    host.commands().setParameter("slow_download", host.isChecked(command.action) ? "1" : "0");
    return false;
}

bool program_snr(Tcommand_host& host, const Tmain_command&)
{
    const uint32_t snr = host.askSnr();
    if (snr == 0)
        return false;
    return host.commands().start_program_snr(snr) == Tcalyxo_master::UPLOAD_REFUSED;
}

bool key_and_mac(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_key_and_mac(0, key_mode_appkey_and_nwkskey);
}

bool get_health(Tcommand_host& host, const Tmain_command&)
{
    host.pageToFront("ts_health");
    host.clearHealth();
    return host.commands().start_get_health();
}

bool download_all(Tcommand_host& host, const Tmain_command& command)
{
    int32_t start = 0;
    int32_t count = 0;
    uint8_t incremental = 0;
    if (!host.askDownloadRange(&start, &count, &incremental))
        return false;
    log_printf("%s", command.log_line);
    return host.commands().start_download(static_cast<uint32_t>(start), static_cast<uint32_t>(count),
                                          incremental != 0);
}

// A value asked for, then written to a variable.
struct Tvalue_prompt {
    const char* action;
    const char* prompt;
    int mode;
    uint8_t variable;
};
constexpr Tvalue_prompt value_prompts[] = {
    {"SetAbsolutePulseCounter01", "Absolute Pulse Counter #0", 0, var::pulse_counter0},
    {"SetAbsolutePulseCounter11", "Absolute Pulse Counter #1", 0, var::pulse_counter1},
    {"SetACQcounter1", "ACQ counter", 0, var::acq_counter},
    {"SetGSMCounter1", "GSM counter", 0, var::gsm_counter},
    {"SetACQInterval1", "ACQ Interval", 1, var::acq_interval},
};

bool ask_and_set(Tcommand_host& host, const Tmain_command& command)
{
    for (const Tvalue_prompt& prompt : value_prompts) {
        if (std::strcmp(prompt.action, command.action) != 0)
            continue;
        const int value = host.askValue(prompt.prompt, prompt.mode);
        if (value == -1)
            return false;
        log_printf(command.log_line, value);
        return host.commands().start_set_var(prompt.variable, static_cast<uint32_t>(value), 0);
    }
    return false;
}

bool break_loop(Tcommand_host& host, const Tmain_command&)
{
    host.commands().break_loop();
    return false;
}

bool macro_read(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_macro_read();
}

bool exit_program(Tcommand_host& host, const Tmain_command&)
{
    host.closeMain();
    return false;
}

bool set_clock(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_set_var(var::clock, time_now(), 0);
}

bool gsm_off_later(Tcommand_host& host, const Tmain_command&)
{
    return host.commands().start_add_var(var::gsm_off, gsm_off_delay);
}

bool set_outputs(Tcommand_host& host, const Tmain_command&)
{
    int rows[output_count];
    host.outputRows(rows);
    uint8_t keep = 0;
    uint8_t set = 0;
    output_masks(rows, &keep, &set);
    return host.commands().start_out_control(outputs_kind, keep, set);
}

bool clear_flash(Tcommand_host& host, const Tmain_command& command)
{
    Tmessage_box box;
    box.text = "Do you really want to clear the Memory ?";
    box.icon = Tbox_icon::warning;
    box.buttons = Tbox_buttons::ok_cancel;
    if (dialog_seam().messageBox(box) != Tbox_answer::ok)
        return false;
    log_printf("%s", command.log_line);
    return host.commands().start_control(control::clear_flash);
}

constexpr const char* file_menu = "File";
constexpr const char* link_menu = "Communication Functions";
constexpr const char* system_menu = "System functions";
constexpr const char* advanced_menu = "Advanced Functions";
constexpr const char* acq_menu = "ACQ functions";
constexpr const char* configuration_menu = "Configuration";
constexpr const char* help_menu = "Help";

}  // namespace

// clang-format off
const Tmain_command main_commands[] = {
    {"Exit1", file_menu, "Exit", 0, false, nullptr, nullptr, nullptr, false, exit_program},
    {"Connect1", link_menu, "Connect", Qt::Key_F5, false, "bt_com_connect", "Connect ! [F5]", nullptr, false, connect_link},
    {"Disconnect1", link_menu, "Disconnect", Qt::Key_F7, false, "bt_com_disconnect", "Disconnect ! [F7]", nullptr, false, disconnect_link},
    {"Abortconnection1", link_menu, "Abort connection", Qt::Key_F8, false, nullptr, nullptr, nullptr, false, abort_link},
    {"GetStatus1", system_menu, "Get Status", ctrl(Qt::Key_S), false, "bt_status", "Get Status [Ctrl+S]", "START   : get status", false, get_status},
    {"UploadEEPROM1", system_menu, "Upload EEPROM", ctrl(Qt::Key_U), false, "bt_upload", "Upload EEPROM configuration [Ctrl-U]...", nullptr, false, upload_eeprom},
    {"QuickSync1", system_menu, "Quick Sync", ctrl(Qt::Key_Y), false, "bt_quicksync", "Quick Sync [Ctrl+Y]", nullptr, false, quick_sync},
    {"SetGSMnexton1", system_menu, "Set GSM next on", ctrl(Qt::Key_B), false, "bt_gsm_next", "Set next GSM on time [Ctrl-B]", "START   : set GSM next on", false, set_entered_time<var::gsm_next>},
    {"ExportEEPROM1", system_menu, "Export EEPROM", 0, false, nullptr, nullptr, nullptr, false, export_eeprom},
    {"GetEUIMAC1", system_menu, "Get EUI (MAC)", 0, false, nullptr, nullptr, nullptr, false, parameter_get<parameter_eui>},
    {"GetCOMdebug1", system_menu, "Get COM debug", 0, false, nullptr, nullptr, nullptr, false, parameter_get<parameter_com_debug>},
    {"Ping1", advanced_menu, "Ping", ctrl(Qt::Key_P), false, nullptr, nullptr, nullptr, false, ping},
    {"VerboseA1", advanced_menu, "Verbose A", 0, true, nullptr, nullptr, nullptr, false, verbose},
    {"VerboseB1", advanced_menu, "Verbose B", 0, true, nullptr, nullptr, nullptr, false, verbose},
    {"VerboseC1", advanced_menu, "Verbose C - Rx/Tx", 0, true, nullptr, nullptr, nullptr, false, verbose},
    {"Switchto9600baud1", advanced_menu, "Switch to 9600 baud / Addr 254", 0, false, nullptr, nullptr, nullptr, false, switch_9600},
    {"Alternateslowdownload1", advanced_menu, "Alternate (slow) download", 0, true, nullptr, nullptr, nullptr, false, slow_download},
    {"GSMconfig1", advanced_menu, "GSM config (AT+IPR@115200)", 0, false, nullptr, nullptr, "START   : GSM config", false, control_command<control::gsm_config>},
    {"GSMpoweron1", advanced_menu, "GSM power on", 0, false, nullptr, nullptr, "START   : GSM POWER ON", false, control_command<control::gsm_power_on>},
    {"GSMpoweroff1", advanced_menu, "GSM power off", 0, false, nullptr, nullptr, "START   : GSM POWER OFF", false, control_command<control::gsm_power_off>},
    {"GSMconsole1", advanced_menu, "GSM console", 0, false, nullptr, nullptr, nullptr, false, show_form<gsm_console_form>},
    {"GSMonnow1", advanced_menu, "GSM on now!", ctrl(Qt::Key_G), false, "bt_gsm_on", "GSM on now !", "START   : GSM now", false, control_command<control::gsm_now>},
    {"SNR1", advanced_menu, "SNR", ctrl(Qt::Key_Q), false, nullptr, nullptr, nullptr, false, program_snr},
    {"KeyMAC1", advanced_menu, "Key + MAC", ctrl(Qt::Key_K), false, nullptr, nullptr, "START   : Key + MAC ", false, key_and_mac},
    {"RFU1", advanced_menu, "RFU", 0, false, nullptr, nullptr, nullptr, false, show_form<rfu_form>},
    {"GTP821", advanced_menu, "GTP 82", 0, false, nullptr, nullptr, nullptr, false, set_var<var::gtp, 0, 0>},
    {"GetHealth1", acq_menu, "Get Health", ctrl(Qt::Key_H), false, "bt_health", "Get Health [Ctrl+H]", "START   : get Health", false, get_health},
    {"StartAcquisitionNOW1", acq_menu, "Start Acquisition NOW", ctrl(Qt::Key_A), false, "bt_acqnow", "Start Acquisition NOW", "START   : ACQnow start", false, control_command<control::acq_now>},
    {"Downloadall1", acq_menu, "Download all", ctrl(Qt::Key_D), false, "bt_download_all", "Download Flash [Ctrl-D]", "START   : download", true, download_all},
    {"SetAbsolutePulseCounter01", acq_menu, "Set Absolute Pulse Counter #0", 0, false, nullptr, nullptr, "START   : set Absolute Pulse Counter #0 : %d", true, ask_and_set},
    {"SetAbsolutePulseCounter11", acq_menu, "Set Absolute Pulse Counter #1", 0, false, nullptr, nullptr, "START   : set Absolute Pulse Counter #1 : %d", true, ask_and_set},
    {"SetACQcounter1", acq_menu, "Set ACQ_counter", 0, false, nullptr, nullptr, "START   : set ACQ_counter : %d", true, ask_and_set},
    {"SetGSMCounter1", acq_menu, "Set GSM Counter", 0, false, nullptr, nullptr, "START   : set GSM_counter : %d", true, ask_and_set},
    {"SetACQInterval1", acq_menu, "Set ACQ Interval", 0, false, nullptr, nullptr, "START   : set Acq Interval #0 : %d", true, ask_and_set},
    {"BreakACQSequence1", acq_menu, "Break ACQ Sequence", 0, false, nullptr, nullptr, "INFO   : break LOOP", false, break_loop},
    {"Etalonnage1", acq_menu, "Etalonnage", 0, false, nullptr, nullptr, nullptr, false, show_form<calibration_form>},
    {"Compteurimpulsion1", configuration_menu, "Compteur \u00e0 impulsion", 0, false, nullptr, nullptr, nullptr, false, macro_read},
    {"AboutVornhal1", help_menu, "About Vornhal", 0, false, nullptr, nullptr, nullptr, false, show_form<about_form>},
    {nullptr, nullptr, nullptr, 0, false, "bt_setTime", "Set time to PC time", "START   : set Time", false, set_clock},
    {nullptr, nullptr, nullptr, 0, false, "Button1", "Clr Alarms Cnt", "START   : Clear Alarm counters", false, control_command<control::clear_alarms>},
    {nullptr, nullptr, nullptr, 0, false, "bt_gsm_enable", "GSM enable", "START   : GSM enable", false, set_var<var::gsm_enable, 1, 0>},
    {nullptr, nullptr, nullptr, 0, false, "bt_gsm_disable", "GSM disable", "START   : GSM disable", false, set_var<var::gsm_enable, 0, 0>},
    {nullptr, nullptr, nullptr, 0, false, "bt_gsm_off", "GSM off now !", "START   : GSM off now", false, set_var<var::gsm_off, gsm_off_now_value, gsm_off_now_flag>},
    {nullptr, nullptr, nullptr, 0, false, "bt_sms_now", "SMS now !", "START   : SMS now", false, control_command<control::sms_now>},
    {nullptr, nullptr, nullptr, 0, false, "bt_gsm_offplus", "GSM off +15min", "START   : set GSM off +15 minutes)", false, gsm_off_later},
    {nullptr, nullptr, nullptr, 0, false, "bt_acqOn", "Enable Acquisitions", "START   : ACQ on", false, set_var<var::acq_on, 1, 0>},
    {nullptr, nullptr, nullptr, 0, false, "bt_acqOff", "Disable Acquisitions", "START   : ACQ off", false, set_var<var::acq_on, 0, 0>},
    {nullptr, nullptr, nullptr, 0, false, "bt_slow", "Force Slow mode", nullptr, false, control_command<control::slow>},
    {nullptr, nullptr, nullptr, 0, false, "bt_fast", "Force Fast mode", nullptr, false, control_command<control::fast>},
    {nullptr, nullptr, nullptr, 0, false, "bt_outset", "Update !", "START   : set digital outputs", false, set_outputs},
    {nullptr, nullptr, nullptr, 0, false, "bt_clr", "Clear Flash", "START   : clear flash", true, clear_flash},
    {nullptr, nullptr, nullptr, 0, false, "bt_acq_next", "Set Next Acquisition Time", "START   : set ACQ next", false, set_entered_time<var::acq_next>},
};
// clang-format on
const unsigned main_command_count = sizeof main_commands / sizeof main_commands[0];

const Tmain_command* find_main_command(const char* name)
{
    if (!name)
        return nullptr;
    for (const Tmain_command& command : main_commands) {
        if ((command.action && std::strcmp(command.action, name) == 0) ||
            (command.button && std::strcmp(command.button, name) == 0))
            return &command;
    }
    return nullptr;
}

void run_main_command(Tcommand_host& host, const Tmain_command& command)
{
    if (command.log_line && !command.log_after_prompt)
        log_printf("%s", command.log_line);
    if (command.run(host, command)) {
        const char* what = command.caption ? command.caption : command.button_caption;
        log_not_started(what, host.commands().refusal_reason());
    }
}

bool entered_time(const Tmy_string texts[6], int offset, uint32_t* time, Tmy_string* error)
{
    static const char* const names[6] = {"year", "month", "day", "hour", "minute", "second"};
    static const int days_in_month[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // «26» for 2026 would reach the logger as a time in 2067.
    long long low[6] = {first_logger_year, 1, 1, 0, 0, 0};
    long long high[6] = {last_logger_year, 12, 31, 23, 59, 59};
    long long values[6] = {};
    for (int i = 0; i < 6; ++i) {
        // The day's range is its month's: 31 February is refused, not moved into March.
        if (i == 2)
            high[i] = days_in_month[values[1] - 1] + (values[1] == 2 && is_leap_year(static_cast<int>(values[0])));
        if (!read_typed_whole_number(texts[i].c_str(), names[i], low[i], high[i], &values[i], error))
            return false;
    }
    time_fields fields{};
    fields.year = static_cast<int>(values[0]);
    fields.month = static_cast<int>(values[1]);
    fields.day = static_cast<int>(values[2]);
    fields.hour = static_cast<int>(values[3]);
    fields.minute = static_cast<int>(values[4]);
    fields.second = static_cast<int>(values[5]);
    const long long seconds = time_seconds_at_offset(&fields, offset);
    if (seconds < 0 || seconds > static_cast<long long>(UINT32_MAX)) {
        error->printf("The time entered lies outside what the logger's clock holds");
        return false;
    }
    *time = static_cast<uint32_t>(seconds);
    return true;
}

void output_masks(const int rows[8], uint8_t* keep, uint8_t* set)
{
    *keep = 0;
    *set = 0;
    for (int i = 0; i < output_count; ++i) {
        const uint8_t bit = static_cast<uint8_t>(1u << i);
        if (rows[i] == force_one_row)
            *set |= bit;
        else if (rows[i] == keep_row)
            *keep |= bit;
    }
}

unsigned verbose_flags(bool a, bool b, bool c)
{
    return 1 + (a ? 256 : 0) + (b ? 512 : 0) + (c ? 1024 : 0);
}
