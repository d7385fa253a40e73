#pragma once

#include <cstdint>

#include "base/background_job.h"
#include "base/event_resource.h"
#include "base/my_string.h"
#include "data/eeprom_configurer.h"
#include "data/setup.h"

class Tmlp_io;
class Tmodule_resource;
class Tmain_window_port;

// The operation master of the main program: the one object through which the
// main window starts logger operations. It keeps the link and access states,
// connects and disconnects through the link selector, holds the operator's
// settings, and runs each operation as a short state machine over the module
// resource's operations, ending in TERMINATE_SUCCESS, _CANCELLED or _ERROR.
//
// Operation states are handled by groups (runIdle, runConnection, runStatus,
// runEnd ...), each in the file of its operations; state_groups in
// calyxo_master.cpp lists them. A group returns false for a state not its own.
class Tcalyxo_master : public Tsequence {
public:
    Tcalyxo_master();
    ~Tcalyxo_master() override;

    // Keys compared without regard to case: path_bin, verbose, path_xml,
    // GSM_INTERVAL, PIN_CODE, APN_USERNAME, APN_PASSWORD, APN, USERNAME,
    // PASSWORD, HTTP_HOST, HTTP_URL, HTTP_PORT, GPRS_MAX_DATA_SIZE, mscp_dest,
    // baudrate, slow_download; other keys to the sequence ("name").
    void setParameter(const char* key, const char* value) override;
    void OnNotification(Tmy_event* event) override;

    // Once after start-up: the master owns the module resource, the link
    // selector reports to both, and the module view's subscriptions are set.
    void initLinks(Tmodule_resource& module_resource, Tmlp_io& link, Tmain_window_port& window);
    // Once a second, from the main window's timer.
    void On_1Hz();

    uint8_t getLinkState() const { return link_state; }
    uint8_t getAccessState() const { return access_state; }
    Tcomport* getComport() const { return current_port; }
    int getModeFlag(const char* name) const;

    // The GSM console's AT command, as BASICIO command 'C'.
    void send_basicio_command(const char* text, unsigned length);

    // Single REDP exchanges of the module resource (the firmware update); true
    // when refused.
    bool redp_set(uint8_t id, uint32_t value);
    bool redp_get(uint8_t id);
    bool redp_mem_write(uint32_t address, const uint8_t* data, unsigned count);
    bool redp_mem_read(uint32_t address, unsigned count);
    void redp_stop();
    // The logger jumped into another program: see Tmodule_resource::restart_redp_session.
    void redp_restart_session();

    // LoRaWAN key and MAC programming (calyxo_master_key_and_mac.cpp): the
    // serial number (0: none) and new keys (mode 1 APPKEY, mode 2 also
    // NWKSKEY, from the secure random source) go to page 7 where the logger
    // holds no key yet, the MAC is read, and both are recorded in a
    // transaction file. True when refused.
    bool start_key_and_mac(uint32_t snr, int key_mode);

    enum : uint8_t { KEY_SNR = 0x1, KEY_APPKEY = 0x2, KEY_NWKSKEY = 0x4 };
    uint8_t key_flags = 0;
    uint32_t key_snr = 0;
    // The APPKEY, then the NWKSKEY.
    uint8_t key_bytes[32] = {};
    // Read back after programming.
    uint8_t com_key[16] = {};
    uint8_t mac[8] = {};
    // The logger's page 7 while the key page is built.
    Teeprom_configurer key_image;
    // The MAC text of parameter 162: "00-11-22-33-44-55", six hex pairs with dashes.
    static constexpr unsigned mac_text_chars = 17;
    uint8_t mac_text[255] = {};
    uint8_t mac_text_length = 0;

    // True when refused: an operation runs (and, for the status read, the
    // link is not connected).
    bool start_connect();
    bool start_disconnect();
    bool start_status();

    // Variables, outputs, controls and parameters (calyxo_master_operations.cpp);
    // true when refused (busy or not connected).
    bool start_set_var(uint8_t id, uint32_t value, uint8_t flag);
    bool start_add_var(uint8_t id, int32_t delta);
    // Parameter 162 is shown as MAC address and DEV EUI, 169 as COM debug record.
    bool start_parameter_get(uint8_t id);
    bool start_out_control(uint8_t kind, uint8_t mask, uint8_t value);
    // Types 6 and 7 carry their two key bytes.
    bool start_control(uint8_t type);
    // The logger's next acquisition and GSM times on the grid of the period.
    bool start_quick_sync(uint32_t period);
    // Hex records "01" id value, each written as a variable
    // (calyxo_master_script.cpp). True when refused.
    bool start_script(const char* text);

    // EEPROM operations (calyxo_master_eeprom.cpp). The upload from a setup
    // file gives the setup's error bits, 1 for a setup without station,
    // UPLOAD_REFUSED when busy or not connected, else 0.
    int start_eeprom_upload_file(const char* path);
    int start_program_snr(uint32_t snr);
    static constexpr int UPLOAD_REFUSED = -1;
    // Pulse meter: weight 1.0, 0.1 or 0.01 per pulse; the index in units.
    // True when refused (also when the constants do not compile).
    bool start_macro_write(uint32_t meter_snr, float weight, double index);
    bool start_macro_read();
    // Decode mode 0: COM settings of page 6; 3: pulse-meter constants.
    bool start_eeprom_download(uint8_t mask, uint8_t mode);
    // Page 6 rebuilt from the operator's GSM/GPRS settings.
    bool start_com_settings_upload();
    // The module image after a download: shown, then decoded by decode_mode.
    void decodeEepromDownload();
    void decodeComSettings();
    void decodePulseMeter(const char* setup_text);
    // The answer of a parameter read, by its id.
    void showParameter();

    // Flash download and probe health (calyxo_master_download.cpp): the
    // module resource converts the download file into a measurement XML file
    // in path_xml, which is shown. True when refused (busy or not connected).
    bool start_download(uint32_t start_address, uint32_t size, bool incremental);
    bool start_get_health();
    // The measurement XML file of the last conversion, "" when it failed.
    char converted_xml[512] = {};

    enum : uint8_t {
        LINK_ABORTING = 0,
        LINK_DISCONNECTED = 1,
        LINK_CONNECTED = 2,
        LINK_CONNECTING = 3,
        LINK_DISCONNECTING = 4,
    };
    enum : uint8_t { ACCESS_FREE = 3 };
    enum : int { STATE_IDLE = 0, STATE_STARTING = 1 };
    enum : unsigned { TRACE_MASTER_NOTIFICATION = 0x1 };

    // Ends the key-and-MAC and script loops.
    Tmy_event LIST_DONE;
    // A step has finished.
    Tmy_event DONE;
    Tmy_event CONTINUE;
    Tmy_event START_STATUS;
    Tmy_event START_CONNECT;
    Tmy_event START_DISCONNECT;
    Tmy_event START_SET_VAR;
    Tmy_event START_ADD_VAR;
    Tmy_event START_PARAMETER_GET;
    Tmy_event START_OUT_CONTROL;
    Tmy_event START_CONTROL;
    Tmy_event START_DOWNLOAD;
    Tmy_event START_EEPROM_UPLOAD;
    Tmy_event START_MACRO_WRITE;
    Tmy_event START_MACRO_READ;
    Tmy_event START_EEPROM_UPLOAD_PAGES;
    Tmy_event START_EEPROM_DOWNLOAD;
    Tmy_event START_KEY_AND_MAC;
    Tmy_event START_GET_HEALTH;
    Tmy_event START_QUICK_SYNC;
    Tmy_event START_SCRIPT;

    uint8_t link_state = LINK_DISCONNECTED;
    uint8_t access_state = ACCESS_FREE;
    Tcomport* current_port = nullptr;
    // Destination 254: the logger's extension mode (the firmware update reads it).
    int32_t extension_mode = 0;
    bool slow_download = false;
    // Read for an EEPROM upload from a setup file; gives the status log folder.
    Tsetup setup;
    Tmy_string path_xml;

    // The operator's GSM/GPRS settings.
    uint32_t gsm_interval = 7200;
    Tmy_string pin_code;
    Tmy_string apn_username;
    Tmy_string apn_password;
    Tmy_string apn;
    Tmy_string username;
    Tmy_string password;
    Tmy_string http_host;
    Tmy_string http_url;
    uint8_t http_port = 80;
    uint32_t gprs_max_data_size = 20000;

    // Where a disconnection leads: 1000, 1001 or 1002.
    int end_code = STATE_SUCCESS;
    uint8_t mscp_dest = 1;

    // Arguments of the variable, output, control and parameter operations.
    uint8_t variable_id = 0;
    uint32_t variable_value = 0;
    uint8_t set_flag = 0;
    uint8_t output_kind = 0;
    uint8_t output_mask = 0;
    uint8_t output_value = 0;
    uint8_t control_type = 0;
    uint8_t control_data[2] = {};
    uint8_t control_data_count = 0;
    uint32_t quick_sync_period = 0;
    Tmy_string script_text;
    unsigned script_position = 0;
    // After an upload from a setup file, control 8 follows.
    bool upload_control = false;
    uint8_t eeprom_page_mask = 0;
    uint8_t decode_mode = 0;
    uint8_t parameter_buffer[255] = {};
    uint8_t parameter_length = 0;
    // Pulse meter: the index in pulses, the meter index read back, the weight,
    // the meter's serial number and configuration.
    uint32_t pulse_index_value = 0;
    int32_t pulse_meter_index = 0;
    float pulse_weight = 0;
    uint32_t pulse_snr = 0;
    uint32_t pulse_config = 0;
    bool macro_skip = false;

    Tmodule_resource* module = nullptr;
    Tmlp_io* io = nullptr;
    Tmain_window_port* window = nullptr;

    // The health check's file read on its job is waited for and left
    // unshown, for a program whose windows are going.
    void abandonJobs();

private:
    using Tstate_group = bool (Tcalyxo_master::*)();
    static const Tstate_group state_groups[];

    bool runKeyAndMac();
    // The key page from the downloaded page 7; true when it does not fit.
    bool buildKeyPage();
    // The MAC from the answer of parameter 162, when it is a 17-character text.
    void takeMac();
    // Checks what was programmed and records it; true on an error.
    bool writeKeyTransaction();

    // Refusal rule of the start methods; true when refused.
    bool refuseStart(bool needs_link) const;
    void begin(Tmy_event& start);
    void traceStart(const char* method, bool refused) const;
    void setVerbose(unsigned bits);
    void showOperationPanel();
    void onViewUpdated();
    void onLinkLost();

    bool runIdle();
    // The START events of the operations besides connection and status.
    void startOperations();
    bool runModuleSteps();
    bool runScript();
    enum Tscript_record { SCRIPT_RECORD, SCRIPT_END, SCRIPT_BAD };
    // The next record from script_position on; SCRIPT_BAD is logged.
    Tscript_record nextScriptRecord(uint8_t* id, uint32_t* value);
    bool runPulseMeterDisplay();
    bool runDownload();
    // The converted file to the result window, and DONE or ERROR.
    void finishConversion(bool converted);
    // The health check's measurement file is read on a job; its first step
    // reaches the probes page in the hand-over, which signals HEALTH_SHOWN.
    Tbackground_job health_read{"HEALTH_READ"};
    Tmy_event HEALTH_SHOWN;
    // Copies an image into the module's, dumps it and signals start.
    void beginUpload(const Teeprom_configurer& image, Tmy_event& start);
    bool runConnection();
    bool runStatus();
    bool runEnd();
    void finish(int kind);
};

// The pulses that the logger counts for a pulse meter's index in m3 with its
// weight (1.0, 0.1 or 0.01 m3 a pulse), rounded; false for an index below 0
// or beyond the logger's 32-bit counter, which would wrap.
bool pulse_count_of_index(double index, float weight, uint32_t* pulses);
// The largest index in m3 that the counter holds with this weight.
double largest_pulse_index(float weight);
