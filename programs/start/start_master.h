#pragma once

#include <cstdint>

#include "base/event_resource.h"
#include "base/my_string.h"
#include "calibration/calibration_host.h"
#include "calibration/master_fluo_cal.h"
#include "data/setup.h"
#include "link/mlp_message.h"
#include "programs/start/master_fluo_flow.h"
#include "programs/start/master_fluo_view.h"
#include "programs/start/start_window_port.h"

class Tglobals;
class Tmlp_io;
class Tmodule_resource;

// The one controller of calyxo_start: runs one measuring mode at a time (idle,
// calibration, live view, flow), gives the module resource and the modes a
// 1 Hz tick, turns the module view's updates into GUI values, and runs the
// logger operations as one state machine, one operation at a time. A probe is
// spoken to directly in line mode (VEXL), a logger through the module
// resource (KLVR). GUI thread only.
class Tcalyxo_start_master : public Tsequence, public Tcalibration_host {
public:
    enum Tapp_mode : uint8_t { APP_IDLE = 0, APP_CALIBRATION = 1, APP_VIEW = 2, APP_FLOW = 3 };
    enum Tstate : int {
        STATE_IDLE = 0,
        STATE_RECONNECT = 10,
        STATE_RECONNECT_CLOSING = 11,
        STATE_CONNECT = 20,
        STATE_CONNECTING = 22,
        STATE_DISCONNECT = 30,
        STATE_DISCONNECTING = 31,
        STATE_UPLOAD = 40,
        STATE_UPLOADING = 43,
        STATE_RELOADING = 45,
        STATE_SET_VAR = 50,
        STATE_SETTING_VAR = 55,
        STATE_BREAK = 60,
        STATE_BREAK_SENT = 61,
        STATE_CONTROL = 70,
        STATE_CONTROLLING = 75,
        STATE_CONF_SEQUENCE = 80,
        STATE_DOWNLOAD = 100,
        STATE_DOWNLOADING = 105,
        STATE_ACQUISITION = 110,
        STATE_ACQUIRING = 115,
        STATE_MEASURE_SEQUENCE = 120,
        STATE_QUICK_SYNC = 140,
        STATE_FLOW_START = 150,
        STATE_FLOW_PING = 153,
        STATE_FLOW_BREAK = 156,
        STATE_FLOW_SECOND_BREAK = 158,
        STATE_FLOW_SEQUENCE = 160,
    };

    // The logger's variables that the controller shows, and its battery item.
    static const int shown_variables[12];
    static constexpr int acq_item_battery = 160;

    Tcalyxo_start_master(Tglobals& globals, Tmlp_io& io, Tmodule_resource& module);
    ~Tcalyxo_start_master() override;

    // "verbose": bit 0 the controller's trace, bit 10 the link's line trace.
    void setParameter(const char* key, const char* value) override;
    void OnNotification(Tmy_event* event) override;

    void setWindow(Tstart_window_port* port);

    void start();
    void useLoggerLink();
    void useProbeLink();
    void showSettings();
    void fillComPorts();
    void start_connect();
    void start_disconnect();
    void save_time_zone();
    void save_connection_settings();
    // Writes the settings file; one that cannot be written is said in the
    // log and a box, naming the file and the reason. True when it failed.
    bool saveSettings();
    void setMode(uint8_t new_mode);

    void start_calibration();
    void stop_calibration();
    void start_view();
    void stop_view();
    void start_flow();
    void stop_flow();
    // The window closes: a flow's acquisition loop on the logger is broken as
    // Stop breaks it, and the log says what the logger keeps of the flow's
    // settings. Other modes leave no loop on the logger.
    void endAtClose();

    // Tcalibration_host
    void requestAcquisition(unsigned char flags) override;
    void showStoredValues(const Tmaster_fluo_cal& run) override;
    void plotSeries(const Tsamples_serie& serie) override;
    void refusal(const char* text) override;

    void start_command(uint8_t command);
    void start_set_parameter(uint8_t id, uint32_t value);
    void start_break();
    void start_custom_upload(const char* path);
    void start_standard_config(int type);
    void start_get_status();
    void start_get_info();
    void start_clear_flash();
    void start_quick_sync();
    void start_download(uint32_t first, uint32_t size, bool incremental);
    void calc_calibration();

    // The once-a-second work; the tick timer calls it.
    void tick();
    // The next acquisition time of a quick sync at t: on the quarter hour after
    // t, a quarter later when less than 30 s away.
    static uint32_t quickSyncNext(uint32_t t);

    bool idle() const { return state == 0; }
    // The link's trace of the bytes sent and received (the expert switch
    // "Debug Rx/Tx") turned over; true when it is now on.
    bool toggleRxTxTrace();
    // The link selector's "verbose" setting.
    int ioVerbose();
    Tmodule_resource* moduleResource() { return &module; }
    void setIoVerbose(const char* value);
    uint8_t appMode() const { return mode; }
    bool stopRequested() const { return stop_flag != 0; }

    Tmy_event DONE;
    Tmy_event START;

    Tmaster_fluo_cal calibration;
    int calibration_countdown_ms = 0;
    Tmaster_fluo_view view;
    Tmaster_fluo_flow flow;

    uint32_t flash_size = 0x100000;
    uint32_t flash_used = 0;
    uint32_t next_download_address = 0;
    int32_t acquisition_running = -1;
    // The measurement XML file of the last download, "" when none.
    char xml_file_name[512] = {};
    Tmy_string data_directory;
    Tdelay_resource tick_timer;
    Tdelay_resource user_timer;

    // How long a break waits for the frame to leave before it ends anyway, ms.
    static constexpr unsigned break_timeout_ms = 3000;
    static constexpr unsigned line_capacity = 384;

private:
    void onProbeMessage();
    void onViewUpdated();
    void onFluorometer();
    void showVar(int id, uint32_t value);
    void showTime(int gui_id, uint32_t seconds);
    void tickMode(int& countdown_ms);
    // A calibration's or view's Stop: the mode ends, the link goes back to the logger's.
    void endMeasureMode(int& countdown_ms);
    // Refused with a line when a mode or an operation runs.
    bool modeBusy();
    void startMeasureSequence();
    void startFlowSequence();
    void useLinkOfConnection();
    void finishBreak();
    void convertDownload();
    void runStateMachine();
    void endWithLine(const char* line);
    void logOnChannel(const char* line);
    const char* controlErrorLine() const;
    // Logger operations need a logger: true, with a line, in VEXL mode.
    bool refuseWithoutLogger(const char* what) const;
    void startConfOrEnd();

    Tglobals& globals;
    Tmlp_io& io;
    Tmodule_resource& module;
    Tno_window_port no_window;
    Tstart_window_port* window = &no_window;

    uint8_t mode = APP_IDLE;
    int stop_flag = 0;
    uint8_t control_data[6] = {};
    uint8_t control_length = 0;
    uint8_t control_command = 0;
    uint32_t set_var_value = 0;
    uint8_t set_var_id = 0;
    Tsetup setup;
    int ping_retries = 0;
    Tmlp_message line;
    // Requests sent to the probe whose answer line has not come (it answers in
    // order); the first stale_answers of them were a mode's that has ended.
    unsigned probe_answers_due = 0;
    unsigned stale_answers = 0;
    bool probe_link = false;
    bool started = false;
    // The next acquisition and communication that the last flow start set, 0 before one.
    uint32_t flow_next_acquisition = 0;
    uint32_t flow_next_communication = 0;
};
