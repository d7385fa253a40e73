// The controller's events: the tick, the link's reports, the probe's lines, the
// module view's updates and the operations' state machine.

#include <cstdarg>
#include <cstdio>

#include "base/log.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "base/parse.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "programs/start/globals.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/start_master.h"

namespace {

constexpr unsigned tick_ms = 1000;
constexpr int reading_period_ms = 15000;
constexpr int first_reading_ms = 1000;
constexpr int reading_ping_hold = 5;

constexpr unsigned ping_wait_ms = 500;
constexpr int ping_retries_first = 2;
constexpr unsigned first_break_wait_ms = 2000;
constexpr unsigned second_break_wait_ms = 2700;
constexpr unsigned vexl_baud = 9600;
constexpr unsigned klvr_baud = 38400;
constexpr uint8_t CONTROL_RELOAD_CONFIG = 8;


void gui_printf(int id, const char* format, ...) __attribute__((format(printf, 2, 3)));
void gui_printf(int id, const char* format, ...)
{
    char text[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    gui_set(id, text);
}

}  // namespace

const int Tcalyxo_start_master::shown_variables[12] = {38, 0, 1, 2, 3, 16, 32, 33, 35, 40, 135, 39};

void Tcalyxo_start_master::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    // The tick and the lamps' events would fill the log once a second; the
    // module view's updates come with every value read: those with Verbose only.
    const bool routine = event == &tick_timer.SUCCESS || event == &io.RX || event == &io.TX || event == &io.MLP_MSG_SENT;
    const bool verbose_only = event == &module.VIEW_UPDATED;
    if ((trace & 8) && !routine && (!verbose_only || ioVerbose() != 0))
        log_printf("{m}%s : OnNotification(%s) @ %d", event->getResourceName(), event->getName(), state);
    if (event == &tick_timer.SUCCESS) {
        tick_timer.setDelay(tick_ms);
        tick();
    }
    if (event == &io.DISCONNECTED) {
        log_printf("Disconnected");
        gui_set(GUI_CONNECTION, "DISCONNECTED");
        if (module.state != 0)
            module.LINE_LOST.signal();
    } else if (event == &io.ERROR) {
        log_printf("Error");
    }
    if (event == &io.RX)
        gui_set(GUI_RX_LAMP, "1");
    else if (event == &io.TX)
        gui_set(GUI_TX_LAMP, "1");
    if (event == &io.MLP_MSG_ARRIVAL)
        onProbeMessage();
    if (event == &module.VIEW_UPDATED)
        onViewUpdated();
    current_event = event;
    runStateMachine();
}

void Tcalyxo_start_master::tick()
{
    window->lampTick();
    // A probe hears no logger frames.
    module.auto_ping_enabled = globals.mode == MODE_VEXL ? 0 : 1;
    module.On_1Hz();
    switch (mode) {
    case APP_CALIBRATION:
        tickMode(calibration_countdown_ms);
        break;
    case APP_VIEW:
        tickMode(view.countdown_ms);
        break;
    case APP_FLOW:
        if (stop_flag) {
            gui_set(GUI_APP_IDLE, "");
            flow.closeLog();
            start_break();
        }
        break;
    default:
        break;
    }
}

void Tcalyxo_start_master::tickMode(int& countdown_ms)
{
    if (countdown_ms <= 0)
        return;
    module.activity.ping_countdown = reading_ping_hold;
    countdown_ms -= static_cast<int>(tick_ms);
    if (countdown_ms > 0)
        return;
    countdown_ms = reading_period_ms;
    if (mode == APP_CALIBRATION)
        calibration.requestReading();
    else
        view.requestReading(*this);
}

void Tcalyxo_start_master::onProbeMessage()
{
    const Tmlp_message* message = io.getRxMessage();
    for (unsigned i = 0; message && i < message->length; ++i) {
        if (line.length >= line_capacity) {
            line.length = 0;  // an over-long line is dropped whole
            continue;
        }
        const uint8_t byte = message->bytes[i];
        line.bytes[line.length++] = byte;
        if (byte != '\n')
            continue;
        const char* text = reinterpret_cast<const char*>(line.bytes);
        // A line that answers no request of this mode (a stopped mode's last
        // one) is dropped.
        const bool asked = probe_answers_due > 0 && stale_answers == 0;
        if (probe_answers_due > 0)
            --probe_answers_due;
        if (stale_answers > 0)
            --stale_answers;
        if (asked) {
            if (mode == APP_CALIBRATION)
                calibration.onProbeText(text, line.length);
            else if (mode == APP_VIEW)
                view.onLine(text, line.length, *window);
        }
        line.length = 0;
    }
    io.releaseRxMessage();
}

void Tcalyxo_start_master::showTime(int gui_id, uint32_t seconds)
{
    Tmy_string text;
    calendar_format(&text, seconds, globals.ttimezone, 1);
    gui_set(gui_id, text.c_str());
}

void Tcalyxo_start_master::showVar(int id, uint32_t value)
{
    const int32_t number = static_cast<int32_t>(value);
    switch (id) {
    case 38:
        gui_printf(GUI_SERIAL_NUMBER, "%d", number);
        // The station id read is the logger's: the left box shows it too.
        {
            char text[16];
            std::snprintf(text, sizeof text, "%u", value);
            module.setParameter("station_id", text);
        }
        window->showStationId();
        break;
    case 0:
        showTime(GUI_LOGGER_TIME, value);
        break;
    case 1:
        gui_printf(GUI_ACQ_INTERVAL, "%0d seconds", number);
        break;
    case 2:
        showTime(GUI_ACQ_NEXT, value);
        break;
    case 3:
        gui_printf(GUI_ACQ_ENABLED, "%d", number);
        break;
    case 16:
        flash_used = value;
        gui_printf(GUI_FLASH_USED, "%d", number);
        break;
    case 32:
        gui_printf(GUI_GSM_INTERVAL, "%0d seconds", number);
        break;
    case 33:
        showTime(GUI_GSM_NEXT, value);
        break;
    case 35:
        gui_printf(GUI_GSM_ENABLED, "%d", number);
        break;
    case 40:
        next_download_address = value;
        if (number == -1)
            gui_set(GUI_NEXT_DOWNLOAD, "--ERROR-uninitialized--");
        else
            gui_printf(GUI_NEXT_DOWNLOAD, "%d", number);
        break;
    case 135:
        gui_printf(GUI_SAMPLE_BATTERY, "%0.02f", value * 0.001);
        break;
    case 39:
        if ((value & 0xC0) == 0x00)
            flash_size = 0x100000;
        else if ((value & 0xC0) == 0x40)
            flash_size = 0x800000;
        gui_printf(GUI_FLASH_GAUGE, "%x", flash_size);
        log_printf("flash_size=%d", static_cast<int>(flash_size));
        break;
    default:
        break;
    }
}

void Tcalyxo_start_master::onViewUpdated()
{
    bool acq_now = false;
    bool gsm_now = false;
    if (module_view.takeStatusUpdated(STATUS_ITEM_ACQ_RUNNING)) {
        acquisition_running = module_view.statusItem(STATUS_ITEM_ACQ_RUNNING).value == 1 ? 1 : 0;
        acq_now = acquisition_running == 1;
        module.activity.ping_countdown = 7;
    }
    if (module_view.takeStatusUpdated(STATUS_ITEM_GSM_ON)) {
        const uint32_t value = module_view.statusItem(STATUS_ITEM_GSM_ON).value;
        module.activity.ping_countdown = value == 2 ? 7 : value == 3 ? 5 : 10;
        gsm_now = value == 1;
    }
    if (module_view.takeStatusUpdated(STATUS_ITEM_STATION_ID))
        window->showStationId();
    gui_set(GUI_OPERATION, acq_now ? "ACQ" : gsm_now ? "GSM" : "NOP");
    if (module_view.takeAcqUpdated(acq_item_battery))
        gui_printf(GUI_SAMPLE_BATTERY, "%0.2f V", static_cast<double>(module_view.acqValue(acq_item_battery)));
    for (int id : shown_variables)
        if (module_view.takeVarUpdated(id))
            showVar(id, module_view.varItem(id).value);
    if (module_view.takeAcqUpdated(ACQ_ITEM_FLUOROMETER))
        onFluorometer();
}

void Tcalyxo_start_master::onFluorometer()
{
    Tfluo_measure measure;
    measure.setFromAcquisition(module_view.acqItem(ACQ_ITEM_FLUOROMETER).sub_values);
    switch (mode) {
    case APP_CALIBRATION:
        calibration.takeReading(&measure);
        break;
    case APP_VIEW:
        view.onMeasure(measure, *window);
        break;
    case APP_FLOW:
        flow.onMeasure(measure);
        break;
    default:
        measure.show(3);
        gui_set(GUI_CAL_NEW_DATA, "2");
        break;
    }
}

void Tcalyxo_start_master::logOnChannel(const char* text)
{
    log_select_output(OUTPUT_CHANNEL_OPERATION);
    log_printf("%s", text);
    log_select_output(OUTPUT_CHANNEL_MAIN);
}

void Tcalyxo_start_master::endWithLine(const char* text)
{
    if (text)
        logOnChannel(text);
    state = 0;
}

const char* Tcalyxo_start_master::controlErrorLine() const
{
    switch (control_command) {
    case 3:
        return "ERROR : unable to start ACQ NOW";
    case 65:
        return "ERROR : unable to start ACQ NOW1";
    case 6:
        return "ERROR : unable to start clear flash";
    default:
        return nullptr;
    }
}

void Tcalyxo_start_master::finishBreak()
{
    user_timer.stopTimer();
    setMode(APP_IDLE);
    useLinkOfConnection();
    state = 0;
}

void Tcalyxo_start_master::runStateMachine()
{
    Tmy_event* e = current_event;
    const bool module_ok = e == &module.SUCCESS;
    // A cancelled module operation ends like a failed one: nothing waits for it.
    const bool module_failed = e == &module.ERROR || e == &module.CANCELLED;
    const bool io_end = e == &io.DISCONNECTED || e == &io.SUCCESS || e == &io.CANCELLED || e == &io.ERROR;
    const bool timer = e == &user_timer.SUCCESS;
    switch (state) {
    case STATE_RECONNECT:
        if (e == &DONE) {
            io.request(2);
            state = STATE_RECONNECT_CLOSING;
        }
        break;
    case STATE_RECONNECT_CLOSING:
        if (io_end) {
            gui_set(GUI_CONNECTION, "DISCONNECTED");
            state = STATE_CONNECT;
            DONE.signal();
        }
        break;
    case STATE_CONNECT:
        if (e != &DONE)
            break;
        if (globals.last_connect_device_id <= 0) {
            state = 0;
            break;
        }
        {
            const unsigned baud = globals.mode == MODE_VEXL ? vexl_baud : klvr_baud;
            char text[64];
            io.setParameter("sel_com_interface", "COM");
            std::snprintf(text, sizeof text, "%u", baud);
            io.setParameter("baudrate", text);
            std::snprintf(text, sizeof text, "\\\\.\\COM%d", static_cast<int>(globals.last_connect_device_id));
            io.setParameter("port", text);
            log_printf("Connecting to %s @ %u", text, baud);
            if (io.request(1)) {
                gui_set(GUI_CONNECTION, "DISCONNECTED");
                state = 0;
            } else {
                state = STATE_CONNECTING;
            }
        }
        break;
    case STATE_CONNECTING:
        if (io_end) {
            if (io.isPortOpen()) {
                gui_set(GUI_CONNECTION, "CONNECTED");
                log_printf("Connected !");
            } else {
                gui_set(GUI_CONNECTION, "DISCONNECTED");
            }
            state = 0;
        }
        break;
    case STATE_DISCONNECT:
        if (e == &DONE) {
            io.request(2);
            state = STATE_DISCONNECTING;
        }
        break;
    case STATE_DISCONNECTING:
        if (io_end) {
            gui_set(GUI_CONNECTION, "DISCONNECTED");
            state = 0;
        }
        break;
    case STATE_UPLOAD:
        if (e != &START)
            break;
        log_select_output(OUTPUT_CHANNEL_OPERATION);
        log_clear_output();
        if (module.start_eeprom_upload_all()) {
            log_printf("ERROR : unable to start UPLOAD");
            state = 0;
        } else {
            log_printf("INFO : UPLOAD in progress...");
            state = STATE_UPLOADING;
        }
        log_select_output(OUTPUT_CHANNEL_MAIN);
        break;
    case STATE_UPLOADING:
        if (module_failed) {
            endWithLine("ERROR : unable to start UPLOAD");
        } else if (module_ok) {
            if (module.start_control(CONTROL_RELOAD_CONFIG, nullptr, 0, 0))
                endWithLine("ERROR : unable to reload config");
            else
                state = STATE_RELOADING;
        }
        break;
    case STATE_RELOADING:
        if (module_failed) {
            endWithLine("ERROR : unable to start UPLOAD");
            gui_set(GUI_APP_IDLE, "");
        } else if (module_ok) {
            endWithLine("INFO : UPLOAD Ok !");
        }
        break;
    case STATE_SET_VAR:
        if (e != &START)
            break;
        if (module.start_set_var(set_var_id, set_var_value, 0))
            endWithLine("ERROR : unable to change parameter");
        else
            state = STATE_SETTING_VAR;
        break;
    case STATE_SETTING_VAR:
        if (module_failed)
            endWithLine("ERROR : unable to change parameter");
        else if (module_ok)
            endWithLine("INFO : Parameter changed, Ok !");
        break;
    case STATE_BREAK:
        if (e != &START)
            break;
        module.mscp_pipo_sendBreakLoop();
        logOnChannel("INFO : Break sent");
        // The frame may never leave (a port gone, a link refusing it): the
        // break ends anyway after a while.
        user_timer.setDelay(break_timeout_ms);
        state = STATE_BREAK_SENT;
        break;
    case STATE_BREAK_SENT:
        if (e == &io.TX) {
            module.mscp_pipo_sendBreakLoop();
            logOnChannel("INFO : Break sent");
            finishBreak();
        } else if (timer || e == &io.DISCONNECTED || e == &io.ERROR) {
            log_printf("ERROR : the break did not leave the port; the flow ends without it");
            finishBreak();
        }
        break;
    case STATE_CONTROL:
        if (e != &START)
            break;
        if (module.start_control(control_command, control_data, control_length, 0)) {
            if (const char* text = controlErrorLine())
                log_printf("%s", text);
            state = 0;
        } else {
            state = STATE_CONTROLLING;
        }
        break;
    case STATE_CONTROLLING:
        if (module_failed) {
            if (const char* text = controlErrorLine())
                log_printf("%s", text);
            state = 0;
        } else if (module_ok) {
            state = 0;
        }
        break;
    case STATE_CONF_SEQUENCE:
    case STATE_QUICK_SYNC:
    case STATE_ACQUIRING:
        if (module_failed || module_ok)
            state = 0;
        break;
    case STATE_DOWNLOAD:
        if (e == &START)
            state = module.start_download(false) ? 0 : STATE_DOWNLOADING;
        break;
    case STATE_DOWNLOADING:
        if (module_failed) {
            state = 0;
            // What reached the download file was converted however the rest ended.
            if (module.download_file_name[0])
                convertDownload();
        } else if (module_ok) {
            state = 0;
            convertDownload();
        }
        break;
    case STATE_ACQUISITION:
        if (e == &START)
            state = module.start_control(control_command, control_data, control_length, 1) ? 0 : STATE_ACQUIRING;
        break;
    case STATE_MEASURE_SEQUENCE:
        if (module_failed) {
            setMode(APP_IDLE);
            state = 0;
        } else if (module_ok) {
            useLinkOfConnection();
            if (mode == APP_CALIBRATION)
                calibration_countdown_ms = first_reading_ms;
            else if (mode == APP_VIEW)
                view.countdown_ms = first_reading_ms;
            state = 0;
        }
        break;
    case STATE_FLOW_START:
        if (e != &START)
            break;
        acquisition_running = -1;
        module.mscp_pipo_sendPing();
        user_timer.setDelay(ping_wait_ms);
        ping_retries = ping_retries_first;
        state = STATE_FLOW_PING;
        break;
    case STATE_FLOW_PING:
        if (!timer)
            break;
        if (acquisition_running == -1) {
            if (ping_retries > 0) {
                module.mscp_pipo_sendPing();
                user_timer.setDelay(ping_wait_ms);
                --ping_retries;
                break;
            }
            acquisition_running = 1;  // no answer: break it in case it runs
        }
        if (acquisition_running == 1) {
            module.mscp_pipo_sendBreakLoop();
            user_timer.setDelay(first_break_wait_ms);
            state = STATE_FLOW_BREAK;
        } else {
            state = STATE_FLOW_SEQUENCE;
            startConfOrEnd();
        }
        break;
    case STATE_FLOW_BREAK:
        if (timer) {
            module.mscp_pipo_sendBreakLoop();
            user_timer.setDelay(second_break_wait_ms);
            state = STATE_FLOW_SECOND_BREAK;
        }
        break;
    case STATE_FLOW_SECOND_BREAK:
        if (timer) {
            state = STATE_FLOW_SEQUENCE;
            startConfOrEnd();
        }
        break;
    case STATE_FLOW_SEQUENCE:
        if (module_failed) {
            setMode(APP_IDLE);
            state = 0;
        } else if (module_ok || e == &module.PENDING_ARRIVAL) {
            useLinkOfConnection();
            state = 0;
        }
        break;
    default:
        break;
    }
}

void Tcalyxo_start_master::convertDownload()
{
    log_printf("bin file name %s", module.download_file_name);
    // The module resource converted the download before it moved NEXT_DOWNLOAD_ADDRESS on.
    text_copy_bounded(xml_file_name, module.converted_xml, static_cast<int>(sizeof xml_file_name));
    if (!xml_file_name[0]) {
        log_printf("ERROR : the download \"%s\" could not be converted", module.download_file_name);
        window->errorBox("The download could not be converted into XML ! See log");
        return;
    }
    log_printf("xml file name %s", xml_file_name);
    window->showResult(xml_file_name);
}
