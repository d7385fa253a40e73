#include "link/module_resource.h"

#include <cstring>

#include "base/default_folders.h"
#include "base/list.h"
#include "base/log.h"
#include "base/params.h"
#include "base/paths.h"
#include "base/parse.h"
#include "base/program_interface.h"
#include "link/basicio_dump.h"
#include "link/download_manager.h"
#include "link/gui_ids.h"
#include "link/logger_variables.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "link/mscp_protocol.h"
#include "link/redp_hooks.h"
#include "link/sequence_report.h"

namespace {

// PIPO commands the logger sends.
enum : uint8_t {
    PIPO_ACCESS = 'A',
    PIPO_CHALLENGE = 'H',
    PIPO_VARIABLE = 'K',
    PIPO_STATUS_TEXT = 'P',
};

// Frame length of a PIPO 'A' (command and access byte) and 'H' (command,
// validity and the 32-bit challenge) with header and checksum.
constexpr unsigned pipo_access_length = MSCP_FRAME_OVERHEAD + 2;
constexpr unsigned pipo_challenge_length = MSCP_FRAME_OVERHEAD + 6;

// The ping countdown after a status text that reports activity, and with a
// station id known; without one the logger is pinged more often.
constexpr int32_t ping_after_activity = 21;
constexpr int32_t ping_with_station = 44;
constexpr int32_t ping_without_station = 6;

// Bytes per second that a download needs at least, for its time estimate.
constexpr unsigned download_bytes_per_second = 800;

void copy_path_setting(char* out, int size, const char* value)
{
    // A text that does not fit is stored empty.
    text_copy_bounded(out, value, size);
}

}  // namespace

const Tmodule_resource::Tstate_group Tmodule_resource::state_groups[] = {
    &Tmodule_resource::runIdle,
    &Tmodule_resource::runRedp,
    &Tmodule_resource::runStatus,
    &Tmodule_resource::runQuickSync,
    &Tmodule_resource::runVariables,
    &Tmodule_resource::runOutControl,
    &Tmodule_resource::runControl,
    &Tmodule_resource::runEepromUpload,
    &Tmodule_resource::runEepromDownload,
    &Tmodule_resource::runConfSequence,
    &Tmodule_resource::runDownload,
    &Tmodule_resource::runHealth,
    &Tmodule_resource::runEnd,
};

Tmodule_resource::Tmodule_resource()
{
    SKIP.init("SKIP", this);
    LOOP.init("LOOP", this);
    DONE.init("DONE", this);
    CONTINUE.init("CONTINUE", this);
    EE_READ.init("EE_READ", this);
    EE_WRITE.init("EE_WRITE", this);
    AUTHENTICATED.init("AUTHENTICATED", this);
    UNAUTHENTICATED.init("UNAUTHENTICATED", this);
    PIPO_VAR_SET.init("PIPO_VAR_SET", this);
    CHALLENGE.init("CHALLENGE", this);
    SET_DONE.init("SET_DONE", this);
    GET_DONE.init("GET_DONE", this);
    CONTROL_DONE.init("CONTROL_DONE", this);
    REDP_CONTROL_DONE.init("REDP_CONTROL_DONE", this);
    REDP_SET_DONE.init("REDP_SET_DONE", this);
    REDP_GET_DONE.init("REDP_GET_DONE", this);
    REDP_MEM_W_RANGE_DONE.init("REDP_MEM_W_RANGE_DONE", this);
    REDP_MEM_R_RANGE_DONE.init("REDP_MEM_R_RANGE_DONE", this);
    START_CONTROL.init("START_CONTROL", this);
    START_DOWNLOAD.init("START_DOWNLOAD", this);
    START_EEPROM_UPLOAD.init("START_EEPROM_UPLOAD", this);
    START_EEPROM_DOWNLOAD.init("START_EEPROM_DOWNLOAD", this);
    START_GET_VAR.init("START_GET_VAR", this);
    START_SET_VAR.init("START_SET_VAR", this);
    START_GET_PARAMETER.init("START_GET_PARAMETER", this);
    START_HEALTH.init("START_HEALTH", this);
    START_OUT_CONTROL.init("START_OUT_CONTROL", this);
    START_QUICK_SYNC.init("START_QUICK_SYNC", this);
    START_STATUS.init("START_STATUS", this);
    START_R_A_W_VAR.init("START_R_A_W_VAR", this);
    START_CONF_SEQUENCE.init("START_CONF_SEQUENCE", this);
    LINE_LOST.init("LINE_LOST", this);
    CONVERTED.init("CONVERTED", this);
    activity.ping_countdown = 0;
    setDefaults();
}

Tmodule_resource::~Tmodule_resource()
{
    closeStatusFile();
}

void Tmodule_resource::setDefaults()
{
    Tsequence::setParameter("name", "module resource");
    setParameter("path_bin", default_folder_data_bin);
    setParameter("path_xml", default_folder_data_xml);
    std::strcpy(com_port, "COM1");
    download_protocol.assign("btp");
    download_start = 0;
    download_size = 0;
    download_incremental = 0;
    dump_downloaded_file = 1;
    station_id = 0;
    timestamp = 0;
    module_view.clearStatus(STATUS_STATION_ID);
    get_var_result = nullptr;
    parameter_buffer = nullptr;
    parameter_length = nullptr;
    parameter_capacity = 0;
}

void Tmodule_resource::setParameter(const char* key, const char* value)
{
    if (!key || !value)
        return;
    if (param_match_bool(key, "create_status_file", value, &create_status_file))
        return;
    if (param_match_bool(key, "disable_acq_during_download", value, &disable_acq_during_download))
        return;
    if (text_compare_nocase(key, "path_bin") == 0) {
        Tmy_string folder;
        local_path(&folder, value);
        copy_path_setting(path_bin, sizeof path_bin, folder.c_str());
    } else if (text_compare_nocase(key, "path_xml") == 0) {
        Tmy_string folder;
        local_path(&folder, value);
        copy_path_setting(path_xml, sizeof path_xml, folder.c_str());
    } else if (text_compare_nocase(key, "com_port") == 0) {
        // The stem of a file name: no separators, no dots.
        copy_path_setting(com_port, sizeof com_port, value);
        text_replace_char(com_port, '\\', '_');
        text_replace_char(com_port, '/', '_');
        text_replace_char(com_port, '.', '_');
    } else {
        Tmodule_resource_core::setParameter(key, value);
    }
}

void Tmodule_resource::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    Tmodule_resource_core::OnNotification(event);
    handleGtpEvent(event);
    handleRedpEvent(event);
    callRedpHook(event);
    if (event == &LINE_LOST) {
        abandonOnLineLost();
        return;
    }

    beginEvent(event);
    do {
        bool owned = false;
        for (const Tstate_group group : state_groups) {
            if ((this->*group)()) {
                owned = true;
                break;
            }
        }
        if (!owned && !consumed) {
            log_printf("ERROR : %s : no operation has the state %d", getParameter("name"), state);
            setNextState(STATE_FAILED);
        }
    } while (advance());
}

void Tmodule_resource::endOnStopOrError()
{
    onEvent(&STOP, STATE_CANCELLED);
    onEvent(&ERROR, STATE_FAILED);
}

bool Tmodule_resource::runIdle()
{
    if (state != STATE_IDLE)
        return false;
    struct Tstart {
        Tmy_event Tmodule_resource::*event;
        int first_state;
    };
    static const Tstart starts[] = {
        {&Tmodule_resource::START_STATUS, module_states::status.first},
        {&Tmodule_resource::START_DOWNLOAD, module_states::flash_download.first},
        {&Tmodule_resource::START_EEPROM_DOWNLOAD, module_states::eeprom_download.first},
        {&Tmodule_resource::START_EEPROM_UPLOAD, module_states::eeprom_upload.first},
        {&Tmodule_resource::START_OUT_CONTROL, module_states::out_control.first},
        {&Tmodule_resource::START_HEALTH, module_states::probe_health.first},
        {&Tmodule_resource::START_R_A_W_VAR, module_states::raw_variables.first},
        {&Tmodule_resource::START_SET_VAR, module_states::set_variable.first},
        {&Tmodule_resource::START_GET_VAR, module_states::get_variable.first},
        {&Tmodule_resource::START_CONTROL, module_states::control.first},
        {&Tmodule_resource::START_GET_PARAMETER, module_states::get_parameter.first},
        {&Tmodule_resource::START_QUICK_SYNC, module_states::quick_sync.first},
        {&Tmodule_resource::START_CONF_SEQUENCE, module_states::conf_sequence.first},
    };
    for (const Tstart& start : starts)
        onEvent(&(this->*start.event), start.first_state);
    return true;
}

bool Tmodule_resource::runEnd()
{
    if (!module_states::end.holds(state))
        return false;
    if (consumed)
        finish(static_cast<uint8_t>(state - STATE_SUCCESS + TERMINATE_SUCCESS));
    return true;
}

void Tmodule_resource::abandonOnLineLost()
{
    if (state == STATE_IDLE || (state >= STATE_SUCCESS && state <= STATE_FAILED))
        return;
    log_printf("ERROR : %s : connection to the logger lost @ %d", getParameter("name"), state);
    if (state == STATE_REDP) {
        redpSocket().cancel();
        state = STATE_IDLE;
        if (redp_hooks)
            redp_hooks->on_redp_line_lost();
        return;
    }
    gui_set(GUI_PENDING, "HIDE");
    abandonTransfer();
    pending_result = STATE_FAILED;
    state = STATE_FAILED;
    finish(TERMINATE_ERROR);
}

void Tmodule_resource::onVariableWritten(uint8_t id, uint32_t value)
{
    if (id == VAR_NEXT_DOWNLOAD_ADDRESS && value == next_address_value)
        next_address_sent = false;
    if (id != VAR_ACQ_ENABLE)
        return;
    if (value != 0)
        acquisition_switch = ACQ_AS_IT_WAS;
    else if (acquisition_switch == ACQ_OFF_SENT)
        acquisition_switch = ACQ_OFF;
}

void Tmodule_resource::reportUndoneWork(uint8_t kind)
{
    if (kind != TERMINATE_SUCCESS && upload_writing)
        reportUploadPages();
    if (next_address_sent)
        log_printf("ERROR : NEXT_DOWNLOAD_ADDRESS := %u not confirmed by the logger: the next incremental download "
                   "may fetch these records again",
                   static_cast<unsigned>(next_address_value));
    if (acquisition_switch == ACQ_OFF)
        log_printf("ERROR : acquisition is left off on the logger");
    else if (acquisition_switch != ACQ_AS_IT_WAS)
        log_printf("ERROR : acquisition may be left off on the logger: switching it back on was not confirmed");
    acquisition_switch = ACQ_AS_IT_WAS;
    next_address_sent = false;
    upload_writing = false;
    upload_verifying = false;
}

void Tmodule_resource::finish(uint8_t kind)
{
    reportUndoneWork(kind);
    state = STATE_IDLE;
    // The next request starts with a new INIT.
    gtpSocket().cancel();
    closeStatusFile();
    Tmodule_resource_core::finish(kind);
}

void Tmodule_resource::On_1Hz()
{
    if (auto_ping_enabled && activity.ping_countdown != 0) {
        --activity.ping_countdown;
        if (activity.ping_countdown == 0) {
            activity.ping_countdown =
                module_view.status(STATUS_STATION_ID).value != 0 ? ping_with_station : ping_without_station;
            mscp_pipo_sendPing();
        }
    }
    Tmodule_resource_core::On_1Hz();
}

void Tmodule_resource::OnDownloadStart(unsigned size)
{
    Tmy_string text;
    text.printf("INFO    : Downloading %d bytes, please wait. Minimum required time is %d sec",
                static_cast<int>(size), static_cast<int>(size / download_bytes_per_second));
    gui_set(GUI_PROGRESS_TEXT, text.c_str());
    gui_set(GUI_PROGRESS, "0");
    gui_set(GUI_PROGRESS, "SHOW");
}

void Tmodule_resource::OnDownloadProgress(int percent)
{
    Tmy_string text;
    text.printf("%d", percent);
    gui_set(GUI_PROGRESS, text.c_str());
}

void Tmodule_resource::OnPipoMessage(Tmlp_message* msg)
{
    if (!msg || msg->length <= MSCP_FRAME_OVERHEAD)
        return;
    switch (msg->bytes[MSCP_COMMAND]) {
    case PIPO_ACCESS:
        if (msg->length < pipo_access_length) {
            log_printf("ERROR : %s : PIPO access frame of %d bytes", getParameter("name"), msg->length);
            break;
        }
        access_granted = msg->bytes[MSCP_COMMAND + 1] == 1;
        (access_granted ? AUTHENTICATED : UNAUTHENTICATED).signal();
        break;
    case PIPO_VARIABLE:
        PIPO_VAR_SET.signal();
        break;
    case PIPO_CHALLENGE:
        if (msg->length < pipo_challenge_length) {
            log_printf("ERROR : %s : PIPO challenge frame of %d bytes", getParameter("name"), msg->length);
            break;
        }
        challenge = read_be32(msg->bytes + MSCP_COMMAND + 2);
        CHALLENGE.signal();
        break;
    case PIPO_STATUS_TEXT:
        onStatusText(*msg);
        break;
    default:
        break;
    }
}

void Tmodule_resource::onStatusText(const Tmlp_message& msg)
{
    // From the command byte to the end of the payload, without the checksum.
    char text[Tmlp_message::capacity];
    const unsigned count = msg.length - MSCP_FRAME_OVERHEAD;
    std::memcpy(text, msg.bytes + MSCP_COMMAND, count);
    text[count] = '\0';
    if (module_view.ping_text) {
        log_printf("%s", text);
        module_view.ping_text = 0;
    }
    Tstring_tokenizer tokens;
    tokens.split(text, ";");
    for (unsigned i = 0; i < tokens.count(); ++i) {
        const Tmy_string* token = tokens.item(i);
        if (token->length() < 2)
            continue;
        const char kind = token->charAt(0);
        const char detail = token->charAt(1);
        if (kind == 'J') {
            activity.acq_running = detail == 'A';
            activity.gsm_on = detail == 'G';
            if ((detail == 'A' || detail == 'G') && activity.ping_countdown < ping_after_activity)
                activity.ping_countdown = ping_after_activity;
            module_view.setStatusValue(STATUS_ITEM_ACQ_RUNNING, activity.acq_running);
            module_view.setStatusValue(STATUS_ITEM_GSM_ON, activity.gsm_on);
        } else if (kind == 'S') {
            unsigned id = 0;
            parse_uint(token->c_str() + 1, &id);
            station_id = id;
            module_view.setStatus(STATUS_STATION_ID, id);
            module_view.setStatusValue(STATUS_ITEM_STATION_ID, id);
            activity.ping_countdown = ping_with_station;
        }
    }
    module_view.setStatusValue(STATUS_ITEM_STATUS_TEXT, 1);
}

void Tmodule_resource::OnBasicioMessage(Tmlp_message* msg)
{
    if (!msg || msg->length <= MSCP_FRAME_OVERHEAD)
        return;
    // The logger's text output is logged as the core does; every report of
    // two bytes or more goes to the dump decoder.
    Tmodule_resource_core::OnBasicioMessage(msg);
    const unsigned count = msg->length - MSCP_FRAME_OVERHEAD;
    if (count >= 2)
        basicio_dump_module.OnDump(activity, msg->bytes + MSCP_COMMAND, count);
}
