#include "programs/start/start_master.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/default_folders.h"
#include "base/log.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "platform/port_list.h"
#include "programs/start/globals.h"
#include "programs/start/standard_configuration.h"
#include "programs/start/start_gui_ids.h"

namespace {

constexpr unsigned first_tick_ms = 100;

// The link selector's trace bit of the bytes sent and received.
constexpr unsigned io_trace_rx_tx = 0x100;

constexpr uint8_t CONTROL_ACQ_NOW = 3;
constexpr uint8_t CONTROL_CLEAR_FLASH = 6;
constexpr uint8_t CONTROL_FLOW_ACQ = 65;
constexpr uint8_t clear_flash_key[2] = {202, 73};


constexpr int status_vars[] = {38, 0, 1, 2, 3, 32, 33, 35, 40, 16, 135, 39};
constexpr int info_vars[] = {38, 40, 16};

// The mode's start pushes the logger's own acquisition and call this far away, s.
constexpr uint32_t measure_hold_off = 14400;
constexpr uint32_t flow_acq_hold_off = 43200;
constexpr uint32_t flow_gsm_hold_off = 86400;
constexpr uint32_t quick_sync_grid = 900;
constexpr uint32_t quick_sync_margin = 30;
constexpr uint32_t quick_sync_gsm_after = 60;

const char* const mode_names[] = {"idle", "Fluo Cal", "Fluo View", "Fluo Flow"};
constexpr int mode_gui_ids[] = {GUI_APP_IDLE, GUI_APP_CALIBRATION, GUI_APP_VIEW, GUI_APP_FLOW};

void gui_set_number(int id, long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    gui_set(id, text);
}

}  // namespace

Tcalyxo_start_master::Tcalyxo_start_master(Tglobals& globals_in, Tmlp_io& io_in, Tmodule_resource& module_in)
    : globals(globals_in), io(io_in), module(module_in)
{
    DONE.init("DONE", this);
    START.init("START", this);
    tick_timer.setParameter("name", "delay 1Hz master");
    tick_timer.setOwner(this);
    user_timer.setParameter("name", "user_delay");
    user_timer.setOwner(this);
    calibration.setHost(this);
    local_path(&data_directory, default_folder_data_xml);
    setParameter("name", "calyxo_start_master");
    setParameter("verbose", "1");
}

Tcalyxo_start_master::~Tcalyxo_start_master()
{
    tick_timer.stopTimer();
    user_timer.stopTimer();
    module.clearOwner(this);
    if (io.master == this)
        io.setMaster(nullptr);
    if (io.module_resource == this)
        io.setModuleResource(&module);
}

void Tcalyxo_start_master::setParameter(const char* key, const char* value)
{
    if (key && value && text_compare_nocase(key, "verbose") == 0) {
        unsigned bits = 0;
        parse_uint(value, &bits);
        trace = 0;
        io.trace = 0;
        if (bits & 0x1)
            trace |= 8;
        if (bits & 0x400)
            io.trace |= Tmlp_io::TRACE_VERBOSE;
        return;
    }
    Tsequence::setParameter(key, value);
}

bool Tcalyxo_start_master::toggleRxTxTrace()
{
    io.trace ^= io_trace_rx_tx;
    return (io.trace & io_trace_rx_tx) != 0;
}

int Tcalyxo_start_master::ioVerbose()
{
    return io.getIntParameter("verbose");
}

void Tcalyxo_start_master::setIoVerbose(const char* value)
{
    io.setParameter("verbose", value);
}

void Tcalyxo_start_master::setWindow(Tstart_window_port* port)
{
    window = port ? port : &no_window;
    flow.setWindow(port);
}

void Tcalyxo_start_master::start()
{
    if (started)
        return;
    started = true;
    module.setOwner(this);
    module.setDestination(1);
    module.setParameter("create_status_file", "true");
    module.setMlpIo(&io);
    io.setMaster(this);
    useLoggerLink();
    tick_timer.setDelay(first_tick_ms);
    module_view.unsubscribeAll();
    for (int item : {STATUS_ITEM_ACQ_RUNNING, STATUS_ITEM_GSM_ON, STATUS_ITEM_STATION_ID, STATUS_ITEM_STATUS_TEXT})
        module_view.subscribeStatus(item);
    for (int id : shown_variables)
        module_view.subscribeVar(id);
    module_view.subscribeAcq(ACQ_ITEM_FLUOROMETER);
    module_view.subscribeAcq(acq_item_battery);
    showSettings();
    if (globals.autonnect == 1)
        start_connect();
    flow.reset();
}

void Tcalyxo_start_master::useLoggerLink()
{
    probe_link = false;
    io.setModuleResource(&module);
    io.setParameter("sel_com_interface", "COM");
    io.setParameter("mode", "mscp_wakeup");
    io.setParameter("modem", "false");
}

void Tcalyxo_start_master::useProbeLink()
{
    probe_link = true;
    io.setModuleResource(this);
    io.setParameter("sel_com_interface", "COM");
    io.setParameter("mode", "EOL");
    io.setParameter("modem", "false");
}

void Tcalyxo_start_master::useLinkOfConnection()
{
    const bool to_probe = globals.mode == MODE_VEXL;
    // A line on its way in the same framing stays whole.
    if (to_probe != probe_link) {
        line.length = 0;
        probe_answers_due = stale_answers = 0;
    }
    if (to_probe)
        useProbeLink();
    else
        useLoggerLink();
}

void Tcalyxo_start_master::showSettings()
{
    fillComPorts();
    gui_set_number(GUI_COM_PORT, globals.last_connect_device_id);
    gui_set(GUI_CONNECTION_MODE, mode_name(globals.mode));
    gui_set_number(GUI_TIME_ZONE, globals.ttimezone);
    gui_set_number(GUI_AUTOCONNECT, globals.autonnect);
    gui_set(GUI_CONNECTION, io.isPortOpen() ? "CONNECTED" : "DISCONNECTED");
}

void Tcalyxo_start_master::fillComPorts()
{
    Tport_list ports;
    ports.scan();
    window->clearComPorts();
    char name[16];
    for (int n = 1; n <= 255; ++n) {
        if (!ports.isPresent(n))
            continue;
        std::snprintf(name, sizeof name, "COM%d", n);
        window->addComPort(name, n);
    }
    gui_set_number(GUI_COM_PORT, globals.last_connect_device_id);
}

void Tcalyxo_start_master::start_connect()
{
    // Taking the state machine over would drop the port in the middle of a transfer.
    if (!idle()) {
        log_printf("ERROR : Connect refused: an operation is running, wait for its end");
        return;
    }
    state = io.isPortOpen() ? STATE_RECONNECT : STATE_CONNECT;
    DONE.signal();
}

void Tcalyxo_start_master::start_disconnect()
{
    if (!idle()) {
        log_printf("ERROR : Disconnect refused: an operation is running, wait for its end");
        return;
    }
    if (io.isPortOpen()) {
        state = STATE_DISCONNECT;
        DONE.signal();
    }
}

void Tcalyxo_start_master::save_time_zone()
{
    int zone = 0;
    parse_int(gui_get(GUI_TIME_ZONE), &zone);
    globals.ttimezone = zone;
    saveSettings();
}

bool Tcalyxo_start_master::saveSettings()
{
    int error = 0;
    if (!globals.save(&error))
        return false;
    Tmy_string text;
    text.printf("The settings could not be saved to %s: %s. They are lost when the program ends.",
                globals.settings.fileName(), std::strerror(error));
    log_printf("ERROR : %s", text.c_str());
    window->errorBox(text.c_str());
    return true;
}

void Tcalyxo_start_master::save_connection_settings()
{
    int port = 0;
    int autoconnect = 0;
    parse_int(gui_get(GUI_COM_PORT), &port);
    parse_int(gui_get(GUI_AUTOCONNECT), &autoconnect);
    globals.mode = mode_from_name(gui_get(GUI_CONNECTION_MODE));
    globals.last_connect_device_id = port;
    globals.autonnect = autoconnect;
    saveSettings();
    // Idle, the link speaks as the chosen connection does (a stopped view may
    // have left it in a probe's line framing).
    if (mode == APP_IDLE && idle() && probe_link && globals.mode != MODE_VEXL)
        useLoggerLink();
}

void Tcalyxo_start_master::setMode(uint8_t new_mode)
{
    // The answers to another mode's requests are no readings of this one.
    stale_answers = probe_answers_due;
    mode = new_mode <= APP_FLOW ? new_mode : static_cast<uint8_t>(APP_IDLE);
    gui_set(mode_gui_ids[mode], "1");
}

bool Tcalyxo_start_master::modeBusy()
{
    if (mode != APP_IDLE) {
        log_printf("application busy - %s (mode %d) runs", mode_names[mode], mode);
        return true;
    }
    // A mode entered now would get no start sequence and take no reading.
    if (!idle()) {
        log_printf("application busy - an operation runs, wait for its end");
        return true;
    }
    return false;
}

bool Tcalyxo_start_master::refuseWithoutLogger(const char* what) const
{
    if (globals.mode != MODE_VEXL)
        return false;
    log_printf("ERROR : %s needs a logger: choose KLVR mode", what);
    return true;
}

void Tcalyxo_start_master::start_calibration()
{
    if (modeBusy())
        return;
    setMode(APP_CALIBRATION);
    stop_flag = 0;
    for (int id = GUI_SAMPLE_LAMP_A_BASE; id <= GUI_SAMPLE_TEMPERATURE; ++id)
        gui_set(id, "");
    startMeasureSequence();
}

void Tcalyxo_start_master::stop_calibration()
{
    // Each Stop ends its own activity only.
    if (mode != APP_CALIBRATION)
        return;
    endMeasureMode(calibration_countdown_ms);
}

void Tcalyxo_start_master::endMeasureMode(int& countdown_ms)
{
    // At once, so that the next activity can start. A probe's answer still on
    // its way arrives in line framing and, with no mode to take it, is dropped
    // whole: switching the framing now would cut it, and its tail would reach
    // the next mode as a reading.
    stop_flag = 1;
    countdown_ms = 0;
    if (globals.mode != MODE_VEXL)
        useLoggerLink();
    setMode(APP_IDLE);
}

void Tcalyxo_start_master::start_view()
{
    if (modeBusy())
        return;
    stop_flag = 0;
    setMode(APP_VIEW);
    startMeasureSequence();
}

void Tcalyxo_start_master::stop_view()
{
    if (mode != APP_VIEW)
        return;
    endMeasureMode(view.countdown_ms);
}

void Tcalyxo_start_master::start_flow()
{
    if (modeBusy())
        return;
    // The probe alone takes no readings of its own: a flow is the logger's program.
    if (refuseWithoutLogger("Fluo Flow"))
        return;
    stop_flag = 0;
    setMode(APP_FLOW);
    Tmy_string folder;
    globals.dataFolder(&folder);
    flow.openLog(folder.c_str());
    startFlowSequence();
}

void Tcalyxo_start_master::stop_flow()
{
    // Idle, the flow's Stop still breaks the logger's acquisition loop.
    if (mode == APP_CALIBRATION || mode == APP_VIEW) {
        log_printf("Fluo Flow Stop: no flow runs (%s runs)", mode_names[mode]);
        return;
    }
    // A probe would read the logger's break frame as commands: it gets none.
    if (globals.mode == MODE_VEXL) {
        log_printf("Fluo Flow Stop: no logger to break in VEXL mode");
        if (mode == APP_FLOW) {
            flow.closeLog();
            setMode(APP_IDLE);
        }
        return;
    }
    setMode(APP_FLOW);
    stop_flag = 1;
}

void Tcalyxo_start_master::endAtClose()
{
    if (mode != APP_FLOW || globals.mode == MODE_VEXL)
        return;
    // The program's events end with the window: the break is handed to the
    // port now, and the flow ends here rather than on a later tick.
    flow.closeLog();
    user_timer.stopTimer();
    if (io.isPortOpen()) {
        module.mscp_pipo_sendBreakLoop();
        logOnChannel("INFO : Break sent");
    } else {
        log_printf("ERROR : Fluo Flow: no link to the logger at the close, its flow loop goes on until a break");
    }
    if (flow_next_acquisition != 0) {
        // Nothing tells what they were before: the log says what they are now.
        Tmy_string acquisition, communication;
        calendar_format(&acquisition, flow_next_acquisition, globals.ttimezone, 1);
        calendar_format(&communication, flow_next_communication, globals.ttimezone, 1);
        log_printf("INFO : Fluo Flow ended by the close: the logger keeps the next acquisition at %s and the next "
                   "communication at %s that the flow set",
                   acquisition.c_str(), communication.c_str());
    }
    state = STATE_IDLE;
    setMode(APP_IDLE);
}

void Tcalyxo_start_master::startConfOrEnd()
{
    if (module.start_conf_sequence()) {
        log_printf("ERROR : %s : the logger sequence could not start", nameText());
        state = STATE_IDLE;
        if (mode != APP_IDLE)
            setMode(APP_IDLE);
    }
}

void Tcalyxo_start_master::startMeasureSequence()
{
    if (!idle())
        return;
    state = STATE_MEASURE_SEQUENCE;
    module.clearConfSequence();
    if (globals.mode == MODE_KLVR) {
        const uint32_t now = time_now();
        module.addConfSetVar(2, now + measure_hold_off);
        module.addConfSetVar(33, now + measure_hold_off);
    } else {
        module.addConfEnd();
    }
    startConfOrEnd();
}

void Tcalyxo_start_master::startFlowSequence()
{
    if (!idle())
        return;
    state = STATE_FLOW_START;
    module.clearConfSequence();
    const uint32_t now = time_now();
    flow_next_acquisition = now + flow_acq_hold_off;
    flow_next_communication = now + flow_gsm_hold_off;
    module.addConfSetVar(2, flow_next_acquisition);
    module.addConfSetVar(33, flow_next_communication);
    const uint8_t control[Tconf_sequence_item::max_control_length] = {CONTROL_FLOW_ACQ};
    module.addConfControl(1, control);
    START.signal();
}

void Tcalyxo_start_master::requestAcquisition(unsigned char flags)
{
    if (mode != APP_CALIBRATION && mode != APP_VIEW)
        return;
    if (globals.mode == MODE_VEXL) {
        Tmlp_message message;
        message.bytes[0] = flags;
        message.length = 1;
        const char text[2] = {static_cast<char>(flags), '\0'};
        log_printf("TX : %s", text);
        if (io.sendMessage(&message))
            log_printf("ERROR : the request could not be sent to the probe");
        else
            ++probe_answers_due;
        return;
    }
    if (globals.mode != MODE_KLVR || !idle())
        return;
    control_command = CONTROL_ACQ_NOW;
    control_length = 0;
    state = mode == APP_CALIBRATION ? STATE_ACQUISITION : STATE_CONTROL;
    START.signal();
}

void Tcalyxo_start_master::showStoredValues(const Tmaster_fluo_cal& run)
{
    window->showStoredValues(run);
}

void Tcalyxo_start_master::plotSeries(const Tsamples_serie& serie)
{
    window->plotCalibration(serie);
}

void Tcalyxo_start_master::refusal(const char* text)
{
    window->errorBox(text);
}

void Tcalyxo_start_master::start_command(uint8_t command)
{
    if (mode != APP_IDLE || refuseWithoutLogger("the command"))
        return;
    if (command == CONTROL_ACQ_NOW) {
        // The acquisition page's labels: delta and base of each lamp, temperature, battery.
        for (int lamp = 0; lamp < LAMP_COUNT; ++lamp) {
            gui_set(GUI_SAMPLE_LAMP_A_BASE + 3 * lamp + 2, "-");
            gui_set(GUI_SAMPLE_LAMP_A_BASE + 3 * lamp, "-");
        }
        gui_set(GUI_SAMPLE_TEMPERATURE, "-");
        gui_set(GUI_SAMPLE_BATTERY, "-");
    }
    if (!idle())
        return;
    state = STATE_CONTROL;
    control_command = command;
    control_length = 0;
    START.signal();
}

void Tcalyxo_start_master::start_set_parameter(uint8_t id, uint32_t value)
{
    if (!idle() || refuseWithoutLogger("Changing a parameter"))
        return;
    set_var_id = id;
    set_var_value = value;
    log_select_output(OUTPUT_CHANNEL_MAIN);
    log_clear_output();
    state = STATE_SET_VAR;
    START.signal();
}

void Tcalyxo_start_master::start_break()
{
    if (!idle())
        return;
    log_select_output(OUTPUT_CHANNEL_MAIN);
    gui_set(GUI_NOTHING, "1");
    state = STATE_BREAK;
    START.signal();
}

void Tcalyxo_start_master::start_custom_upload(const char* path)
{
    if (!idle() || refuseWithoutLogger("An upload"))
        return;
    Tstation* station = nullptr;
    if (path && setup.readFile(path) == 0)
        station = setup.stations.getFirst();
    if (!station) {
        // Nothing is sent: the box says which file and its first error.
        const std::string text = std::string("Error while reading the configuration file ! See log\n") +
                                 (path ? path : "") + "\n" + (path ? setup.uploadError() : "");
        window->errorBox(text.c_str());
        return;
    }
    log_select_output(OUTPUT_CHANNEL_MAIN);
    log_clear_output();
    gui_set(GUI_NOTHING, "1");
    station->configuration.copyTo(&module.eeprom);
    module.eeprom.dump();
    state = STATE_UPLOAD;
    START.signal();
}

void Tcalyxo_start_master::start_standard_config(int type)
{
    if (!idle() || refuseWithoutLogger("An upload"))
        return;
    if (!build_standard_configuration(type, &module.eeprom))
        return;
    if (const char* name = standard_configuration_display_mode(type))
        globals.display_mode.assign(name);
    log_select_output(OUTPUT_CHANNEL_MAIN);
    log_clear_output();
    module.eeprom.dump();
    state = STATE_UPLOAD;
    START.signal();
}

void Tcalyxo_start_master::start_get_status()
{
    if (!idle() || mode != APP_IDLE || refuseWithoutLogger("The status"))
        return;
    state = STATE_CONF_SEQUENCE;
    module.clearConfSequence();
    for (int id : status_vars)
        module.addConfGetVar(static_cast<uint8_t>(id));
    startConfOrEnd();
}

void Tcalyxo_start_master::start_get_info()
{
    if (!idle() || mode != APP_IDLE || refuseWithoutLogger("The info"))
        return;
    state = STATE_CONF_SEQUENCE;
    module.clearConfSequence();
    for (int id : info_vars)
        module.addConfGetVar(static_cast<uint8_t>(id));
    startConfOrEnd();
}

void Tcalyxo_start_master::start_clear_flash()
{
    if (!idle() || mode != APP_IDLE || refuseWithoutLogger("Clearing the flash"))
        return;
    state = STATE_CONF_SEQUENCE;
    module.clearConfSequence();
    const uint8_t control[Tconf_sequence_item::max_control_length] = {CONTROL_CLEAR_FLASH, clear_flash_key[0],
                                                                       clear_flash_key[1]};
    module.addConfControl(3, control);
    for (int id : info_vars)
        module.addConfGetVar(static_cast<uint8_t>(id));
    startConfOrEnd();
}

uint32_t Tcalyxo_start_master::quickSyncNext(uint32_t t)
{
    uint32_t next = t - (t % quick_sync_grid) + quick_sync_grid;
    if (next - t < quick_sync_margin)
        next += quick_sync_grid;
    return next;
}

void Tcalyxo_start_master::start_quick_sync()
{
    if (!idle() || refuseWithoutLogger("The quick sync"))
        return;
    state = STATE_QUICK_SYNC;
    const uint32_t next = quickSyncNext(time_now());
    module.clearConfSequence();
    module.addConfSetVar(2, next);
    module.addConfSetVar(33, next + quick_sync_gsm_after);
    module.addConfSetVar(0, time_now());
    startConfOrEnd();
}

void Tcalyxo_start_master::start_download(uint32_t first, uint32_t size, bool incremental)
{
    if (!idle() || mode != APP_IDLE || refuseWithoutLogger("A download"))
        return;
    module.setDownloadRange(first, size, incremental);
    char text[32];
    std::snprintf(text, sizeof text, "%u", time_now());
    module.setParameter("timestamp", text);
    module.setParameter("com_port", "COM");
    module.setParameter("path_xml", data_directory.c_str());
    state = STATE_DOWNLOAD;
    START.signal();
}

void Tcalyxo_start_master::calc_calibration()
{
    calibration.computeConstants(nullptr);
}
