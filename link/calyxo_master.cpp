#include "link/calyxo_master.h"

#include <string_view>

#include "base/default_folders.h"
#include "base/log.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/program_interface.h"
#include "link/gui_ids.h"
#include "link/main_window_port.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "link/sequence_report.h"

namespace {

// The destination of the logger's extension mode, and of its normal mode.
constexpr unsigned extension_destination = 254;
constexpr unsigned normal_destination = 1;

unsigned parsed_uint(const char* value)
{
    unsigned number = 0;
    parse_uint(value, &number);  // a bad text keeps what was read before it
    return number;
}

struct Ttext_setting {
    const char* key;
    Tmy_string Tcalyxo_master::*text;
};

const Ttext_setting text_settings[] = {
    {"PIN_CODE", &Tcalyxo_master::pin_code},
    {"APN_USERNAME", &Tcalyxo_master::apn_username},
    {"APN_PASSWORD", &Tcalyxo_master::apn_password},
    {"APN", &Tcalyxo_master::apn},
    {"USERNAME", &Tcalyxo_master::username},
    {"PASSWORD", &Tcalyxo_master::password},
    {"HTTP_HOST", &Tcalyxo_master::http_host},
    {"HTTP_URL", &Tcalyxo_master::http_url},
};

}  // namespace

const Tcalyxo_master::Tstate_group Tcalyxo_master::state_groups[] = {
    &Tcalyxo_master::runIdle,
    &Tcalyxo_master::runConnection,
    &Tcalyxo_master::runStatus,
    &Tcalyxo_master::runKeyAndMac,
    &Tcalyxo_master::runModuleSteps,
    &Tcalyxo_master::runScript,
    &Tcalyxo_master::runPulseMeterDisplay,
    &Tcalyxo_master::runDownload,
    &Tcalyxo_master::runEnd,
};

Tcalyxo_master::Tcalyxo_master()
{
    LIST_DONE.init("DONE", this);
    DONE.init("DONE", this);
    CONTINUE.init("CONTINUE", this);
    START_STATUS.init("START_STATUS", this);
    START_CONNECT.init("START_CONNECT", this);
    START_DISCONNECT.init("START_DISCONNECT", this);
    START_SET_VAR.init("START_SET_VAR", this);
    START_ADD_VAR.init("START_ADD_VAR", this);
    START_PARAMETER_GET.init("START_PARAMETER_GET", this);
    START_OUT_CONTROL.init("START_OUT_CONTROL", this);
    START_CONTROL.init("START_CONTROL", this);
    START_DOWNLOAD.init("START_DOWNLOAD", this);
    START_EEPROM_UPLOAD.init("START_EEPROM_UPLOAD", this);
    START_MACRO_WRITE.init("START_MACRO_WRITE", this);
    START_MACRO_READ.init("START_MACRO_READ", this);
    START_EEPROM_UPLOAD_PAGES.init("START_EEPROM_UPLOAD_PAGES", this);
    START_EEPROM_DOWNLOAD.init("START_EEPROM_DOWNLOAD", this);
    START_KEY_AND_MAC.init("START_KEY_AND_MAC", this);
    START_GET_HEALTH.init("START_GET_HEALTH", this);
    START_QUICK_SYNC.init("START_QUICK_SYNC", this);
    START_SCRIPT.init("START_SCRIPT", this);
    HEALTH_SHOWN.init("HEALTH_SHOWN", this);
    local_path(&path_xml, default_folder_data_xml);
    http_host.assign("localhost");
    http_url.assign("/gprs/blocks.php");
    setParameter("name", "master");
}

Tcalyxo_master::~Tcalyxo_master()
{
    if (module)
        module->clearOwner(this);
}

void Tcalyxo_master::initLinks(Tmodule_resource& module_resource, Tmlp_io& link, Tmain_window_port& main_window)
{
    module = &module_resource;
    io = &link;
    window = &main_window;
    module->setOwner(this);
    module->setDestination(mscp_dest);
    module->setParameter("create_status_file", "true");
    module->setMlpIo(io);
    io->setMaster(this);
    io->setModuleResource(module);
    io->setParameter("sel_com_interface", "COM");
    io->setParameter("debug_IO", "0");
    io->setParameter("modem", "false");
    module_view.unsubscribeAll();
    for (int item : {STATUS_ITEM_ACQ_RUNNING, STATUS_ITEM_GSM_ON, STATUS_ITEM_STATION_ID, STATUS_ITEM_STATUS_TEXT})
        module_view.subscribeStatus(item);
    module_view.subscribeAcq(ACQ_ITEM_FLUOROMETER);
}

void Tcalyxo_master::setVerbose(unsigned bits)
{
    Tmscp_ccpSocket* gtp = module ? &module->gtpSocket() : nullptr;
    trace = 0;
    if (module)
        module->trace = 0;
    if (io)
        io->trace = 0;
    if (gtp)
        gtp->trace = 0;
    if (bits & 0x1)
        trace |= TRACE_OPERATOR;
    if (bits & 0x100) {
        trace |= 0x103;
        if (module)
            module->trace |= 0x103;
        if (io)
            io->trace |= 0x3;
        if (gtp)
            gtp->trace |= TRACE_PROTOCOL;
    }
    if (bits & 0x200) {
        trace |= TRACE_PROGRESS;
        if (module)
            module->trace |= TRACE_PROGRESS;
        if (gtp)
            gtp->trace |= TRACE_PROGRESS;
    }
    if ((bits & 0x400) && io)
        io->trace |= 0x300;
}

void Tcalyxo_master::setParameter(const char* key, const char* value)
{
    if (!key || !value)
        return;
    for (const Ttext_setting& setting : text_settings) {
        if (text_compare_nocase(key, setting.key) == 0) {
            (this->*setting.text).assign(value);
            return;
        }
    }
    if (text_compare_nocase(key, "path_xml") == 0) {
        local_path(&path_xml, value);
    } else if (text_compare_nocase(key, "path_bin") == 0) {
        if (module)
            module->setParameter("path_bin", value);
    } else if (text_compare_nocase(key, "verbose") == 0) {
        setVerbose(parsed_uint(value));
    } else if (text_compare_nocase(key, "GSM_INTERVAL") == 0) {
        gsm_interval = parsed_uint(value);
    } else if (text_compare_nocase(key, "HTTP_PORT") == 0) {
        http_port = static_cast<uint8_t>(parsed_uint(value));
    } else if (text_compare_nocase(key, "GPRS_MAX_DATA_SIZE") == 0) {
        gprs_max_data_size = parsed_uint(value);
    } else if (text_compare_nocase(key, "mscp_dest") == 0) {
        const unsigned dest = parsed_uint(value);
        mscp_dest = static_cast<uint8_t>(dest);
        if (dest == extension_destination)
            extension_mode = 1;
        else if (dest == normal_destination)
            extension_mode = 0;
        if (module)
            module->setParameter("destination", value);
    } else if (text_compare_nocase(key, "baudrate") == 0) {
        log_printf("baudrate %s ", value);
        if (io)
            io->setParameter("baudrate", value);
    } else if (text_compare_nocase(key, "slow_download") == 0) {
        slow_download = std::string_view(value) == "1";
    } else {
        Tsequence::setParameter(key, value);
    }
}

int Tcalyxo_master::getModeFlag(const char* name) const
{
    return name && text_compare_nocase(name, "extension") == 0 ? extension_mode : 0;
}

void Tcalyxo_master::On_1Hz()
{
    if (window)
        window->pending_tick();
    if (module)
        module->On_1Hz();
}

void Tcalyxo_master::send_basicio_command(const char* text, unsigned length)
{
    if (module)
        module->mscp_basicio_sendCommand('C', text, length);
}

bool Tcalyxo_master::refuseStart(bool needs_link) const
{
    return state != STATE_IDLE || !module || (needs_link && link_state != LINK_CONNECTED);
}

void Tcalyxo_master::begin(Tmy_event& start)
{
    state = STATE_STARTING;
    start.signal();
}

void Tcalyxo_master::traceStart(const char* method, bool refused) const
{
    if (!(trace & TRACE_PROGRESS))
        return;
    if (refused)
        log_printf("%s failed to %s", nameText(), method);
    else
        log_printf("%s %s", nameText(), method);
}

bool Tcalyxo_master::start_connect()
{
    const bool refused = refuseStart(false);
    traceStart("start_connect", refused);
    if (!refused)
        begin(START_CONNECT);
    return refused;
}

bool Tcalyxo_master::start_disconnect()
{
    const bool refused = refuseStart(false);
    traceStart("start_disconnect", refused);
    if (!refused)
        begin(START_DISCONNECT);
    return refused;
}

bool Tcalyxo_master::start_status()
{
    if (refuseStart(true))
        return true;
    begin(START_STATUS);
    return false;
}

void Tcalyxo_master::showOperationPanel()
{
    const char* running = module->activity.acq_running ? "ACQ" : module->activity.gsm_on ? "GSM" : "NOP";
    gui_set(GUI_OPERATION_PANEL, running);
}

void Tcalyxo_master::onViewUpdated()
{
    const bool acq = module_view.takeStatusUpdated(STATUS_ITEM_ACQ_RUNNING) != 0;
    const bool gsm = module_view.takeStatusUpdated(STATUS_ITEM_GSM_ON) != 0;
    if (acq || gsm)
        showOperationPanel();
    if (module_view.takeStatusUpdated(STATUS_ITEM_STATION_ID) && window)
        window->show_station_id();
    module_view.takeAcqUpdated(ACQ_ITEM_FLUOROMETER);
}

void Tcalyxo_master::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    if (trace & TRACE_MASTER_NOTIFICATION)
        log_printf("{m}%s : OnNotification(%s) @ %d", event->getResourceName(), event->getName(), state);
    if (event == &STOP)
        gui_set(GUI_PENDING, "HIDE");
    if (module && event == &module->VIEW_UPDATED)
        onViewUpdated();
    if (io && event == &io->DISCONNECTED)
        onLinkLost();

    const bool was_idle = state == STATE_IDLE || state == STATE_STARTING;
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
            log_printf("ERROR : %s : no operation has the state %d", nameText(), state);
            setNextState(STATE_FAILED);
        }
    } while (advance());
    if (was_idle && state != STATE_IDLE && state != STATE_STARTING && window)
        window->show_busy(true);
}

bool Tcalyxo_master::runIdle()
{
    if (state != STATE_IDLE && state != STATE_STARTING)
        return false;
    onEvent(&START_CONNECT, 50);
    if (onEvent(&START_DISCONNECT, 900))
        end_code = STATE_SUCCESS;
    if (onEvent(&START_STATUS, 200))
        end_code = STATE_SUCCESS;
    if (onEvent(&START_KEY_AND_MAC, 1200))
        end_code = STATE_SUCCESS;
    if (onEvent(&START_DOWNLOAD, 340) || onEvent(&START_GET_HEALTH, 400))
        end_code = STATE_SUCCESS;
    startOperations();
    return true;
}

bool Tcalyxo_master::runEnd()
{
    if (state != STATE_SUCCESS && state != STATE_CANCELLED && state != STATE_FAILED)
        return false;
    if (consumed)
        finish(state - STATE_SUCCESS + TERMINATE_SUCCESS);
    return true;
}

void Tcalyxo_master::finish(int kind)
{
    if (kind == TERMINATE_SUCCESS)
        log_printf("SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS");
    else if (kind == TERMINATE_CANCELLED)
        log_printf("Tcalyxo_master : terminated TERMINATE_CANCELLED");
    else
        log_printf("ERROR : Tcalyxo_master : terminated TERMINATE_ERROR");
    state = STATE_IDLE;
    if (window)
        window->show_busy(false);
}
