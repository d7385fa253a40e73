#pragma once

#include <cstdint>

#include "base/my_string.h"
#include "link/conf_sequence_item.h"
#include "link/mlp_message.h"
#include "link/module_resource_core.h"

// The command layer between a program and one logger: every logger operation
// is one branch of a single state machine, started by a start method (refused
// with true while another runs) and ended in 1000, 1001 or 1002, which report
// SUCCESS, CANCELLED or ERROR to the owner by a direct call.
//
// The states are handled by groups (runIdle, runStatus, runEnd ...), each in
// the file of its operations; the table state_groups in module_resource.cpp
// lists them. A group returns false for a state that is not its own.
class Tmodule_resource : public Tmodule_resource_core {
public:
    Tmodule_resource();
    ~Tmodule_resource() override;

    void setDefaults() override;
    // "create_status_file", "disable_acq_during_download" (true only for
    // "true"), "path_bin", "com_port"; other keys to the core.
    void setParameter(const char* key, const char* value) override;
    void OnNotification(Tmy_event* event) override;
    void OnDownloadStart(unsigned size) override;
    void OnDownloadProgress(int percent) override;
    // Once a second: the automatic ping, then the sockets.
    void On_1Hz() override;
    void OnPipoMessage(Tmlp_message* msg) override;
    void OnBasicioMessage(Tmlp_message* msg) override;
    void finish(uint8_t kind) override;

    // The status read: every present field of the module view's status block,
    // into the view, the status text and (with create_status_file and a
    // log_path) the status XML file. True when refused.
    bool start_status();

    // Requests. The GTP ones go through the GTP socket; each is true when refused.
    bool mscp_gtp_sendSetVar(uint8_t id, uint32_t value, uint8_t flag);
    bool mscp_gtp_sendGetVar(uint8_t id);
    bool mscp_gtp_sendGetParameter(uint8_t id);
    bool mscp_gtp_sendControl(const Tconf_sequence_item& item);
    bool SendMMSrange(uint32_t address, uint8_t count);
    bool mscp_gtp_sendMemWrite(uint32_t address, uint8_t count, const uint8_t* data);
    bool mscp_gtp_sendEepromRead(uint32_t address, uint8_t count);
    bool mscp_gtp_sendOutSet(uint8_t a, uint8_t b, uint8_t c);
    void mscp_pipo_sendPing();
    void mscp_pipo_sendBreakLoop();
    // At most 58 text bytes go out.
    void mscp_basicio_sendCommand(uint8_t command, const char* text, unsigned length);

    // Operation end states.
    enum : int { STATE_IDLE = 0, STATE_SUCCESS = 1000, STATE_CANCELLED = 1001, STATE_FAILED = 1002 };

    Tmy_event SKIP;
    Tmy_event LOOP;
    Tmy_event DONE;
    Tmy_event CONTINUE;
    Tmy_event EE_READ;
    Tmy_event EE_WRITE;
    Tmy_event AUTHENTICATED;
    Tmy_event UNAUTHENTICATED;
    Tmy_event PIPO_VAR_SET;
    Tmy_event CHALLENGE;
    Tmy_event SET_DONE;
    Tmy_event GET_DONE;
    Tmy_event CONTROL_DONE;
    Tmy_event REDP_CONTROL_DONE;
    Tmy_event REDP_SET_DONE;
    Tmy_event REDP_GET_DONE;
    Tmy_event REDP_MEM_W_RANGE_DONE;
    Tmy_event REDP_MEM_R_RANGE_DONE;
    Tmy_event START_CONTROL;
    Tmy_event START_DOWNLOAD;
    Tmy_event START_EEPROM_UPLOAD;
    Tmy_event START_EEPROM_DOWNLOAD;
    Tmy_event START_GET_VAR;
    Tmy_event START_SET_VAR;
    Tmy_event START_GET_PARAMETER;
    Tmy_event START_HEALTH;
    Tmy_event START_OUT_CONTROL;
    Tmy_event START_QUICK_SYNC;
    Tmy_event START_STATUS;
    Tmy_event START_R_A_W_VAR;
    Tmy_event START_CONF_SEQUENCE;

    bool create_status_file = false;
    char path_bin[512] = {};
    char com_port[256] = {};
    // Two-digit code and eight hex digits per variable of the last status read.
    Tmy_string status_text;
    // The command of the next CONTROL request.
    Tconf_sequence_item control_block{Tconf_sequence_item::KIND_CONTROL};
    bool access_granted = false;
    uint32_t last_variable_value = 0;
    bool disable_acq_during_download = true;
    uint8_t auto_ping_enabled = 1;

    // Caller's storage for GET_VAR and GET_PARAMETER answers (null: none).
    int32_t* get_var_result = nullptr;
    uint8_t* parameter_buffer = nullptr;
    uint8_t parameter_capacity = 0;
    uint8_t* parameter_length = nullptr;

    // Data of the last 'Z' (EEPROM read) and 'Q' (MMS range) answers.
    static constexpr unsigned answer_data_capacity = Tmlp_message::max_payload - 2;
    uint8_t eeprom_read_buffer[answer_data_capacity] = {};
    uint16_t eeprom_read_length = 0;
    uint8_t mms_buffer[answer_data_capacity] = {};
    uint16_t mms_length = 0;

private:
    using Tstate_group = bool (Tmodule_resource::*)();
    static const Tstate_group state_groups[];

    // The socket events that every call handles before the state machine.
    void handleGtpEvent(Tmy_event* event);
    // The answer in the GTP socket, by the command of its request.
    void routeGtpAnswer();
    void onVariableAnswer(uint8_t id, uint32_t value);
    void onAcqModeAnswer(uint8_t fast);
    // An OK answer without the data its request asks for.
    void failAnswer(const char* what, unsigned data_length);
    void onStatusText(const Tmlp_message& msg);
    // PIPO and BASICIO frames, sent whole without sequence number.
    void sendPlain(uint8_t port, const uint8_t* payload, uint8_t count);
    bool sendGtp(uint8_t command, const uint8_t* data, uint8_t count);

    // State groups.
    bool runIdle();
    bool runStatus();
    bool runEnd();
    // The transitions that every operation state has.
    void endOnStopOrError();

    // The status XML file.
    void openStatusFile();
    // The line of one variable, by its name, while the file is open.
    void writeStatusVariable(const char* variable, uint32_t value);
    void closeStatusFile();

    Tmlp_message request;
};
