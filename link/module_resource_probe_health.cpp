// Probe health check: the logger takes one cycle of acquisitions, then the
// records it produced are downloaded over BTP into the download file. The
// closing step puts acquisition back to the value read first, also after a
// cancel or an error.
#include "base/log.h"
#include "base/program_interface.h"
#include "link/download_manager.h"
#include "link/gui_ids.h"
#include "link/logger_variables.h"
#include "link/module_resource.h"
#include "link/mscp_ccp_socket.h"
#include "link/sequence_report.h"

namespace {

// Controls that make the logger measure now: the plain cycle and the health cycle.
constexpr uint8_t CONTROL_ACQUIRE = 3;
constexpr uint8_t CONTROL_ACQUIRE_HEALTH = 66;
constexpr uint8_t health_kind_full = 2;

enum : int {
    STATE_READ_ACQ = module_states::probe_health.first,
    STATE_ACQ_OFF = 2410,
    STATE_STATION_ID = 2415,
    STATE_MMS_BEFORE = 2420,
    STATE_ACQUIRE = 2424,
    STATE_MMS_AFTER = 2428,
    STATE_BTP = 2430,
    STATE_BTP_CANCEL = 2431,
    STATE_CONVERT = 2435,
    STATE_CLOSE = 2490,
};
static_assert(module_states::probe_health.holds(STATE_CLOSE), "health states in their range");

const int opening_states[3] = {STATE_READ_ACQ, STATE_ACQ_OFF, STATE_STATION_ID};

}  // namespace

bool Tmodule_resource::start_health(uint8_t kind, bool quiet)
{
    if (state != STATE_IDLE)
        return true;
    health_kind = kind;
    download_quiet = quiet ? 1 : 0;
    START_HEALTH.signal();
    return false;
}

bool Tmodule_resource::runHealth()
{
    if (!module_states::probe_health.holds(state))
        return false;
    bool refused = false;
    bool closes = true;  // STOP and ERROR lead to the closing step
    switch (state) {
    case STATE_READ_ACQ:
    case STATE_ACQ_OFF:
    case STATE_STATION_ID:
        if (state == STATE_READ_ACQ && consumed && (trace & TRACE_PROGRESS))
            log_printf("%s : starting health", getParameter("name"));
        runTransferStart(opening_states, STATE_MMS_BEFORE, &refused, &closes);
        break;
    case STATE_MMS_BEFORE:
        if (consumed)
            refused = mscp_gtp_sendGetVar(VAR_MMS_PT);
        if (onEvent(&GET_DONE, STATE_ACQUIRE))
            download_address = last_variable_value;
        break;
    case STATE_ACQUIRE:
        if (consumed) {
            if (!download_quiet) {
                gui_set(GUI_PENDING_TEXT, "Please wait while making acquisitions. This can be long (>1min)");
                gui_set(GUI_PENDING, "SHOW");
            }
            const uint8_t command = health_kind < health_kind_full ? CONTROL_ACQUIRE : CONTROL_ACQUIRE_HEALTH;
            control_block.setControl(command, nullptr, 0);
            refused = mscp_gtp_sendControl(control_block);
        }
        if (onEvent(&CONTROL_DONE, STATE_MMS_AFTER)) {
            gui_set(GUI_PENDING, "HIDE");
            if (trace & TRACE_OPERATOR)
                log_printf("INFO    : ........ DONE");
        }
        if (!consumed && (current_event == &STOP || current_event == &ERROR))
            gui_set(GUI_PENDING, "HIDE");
        break;
    case STATE_MMS_AFTER:
        if (consumed)
            refused = mscp_gtp_sendGetVar(VAR_MMS_PT);
        if (onEvent(&GET_DONE, STATE_BTP))
            takeTotalSize(last_variable_value);
        break;
    case STATE_BTP:
        closes = false;
        runBtpTransfer(STATE_CLOSE, STATE_CLOSE, STATE_BTP_CANCEL, STATE_CONVERT, true);
        break;
    case STATE_BTP_CANCEL:
        closes = false;
        runBtpCancel(STATE_CLOSE, STATE_CONVERT, true);
        break;
    case STATE_CONVERT:
        closes = false;
        runConversionWait(STATE_CLOSE);
        break;
    case STATE_CLOSE:
        // The late answer of the acquisition control is not waited for.
        if (consumed)
            gtpSocket().reset();
        runClosingStep();
        closes = false;
        break;
    default:
        return false;
    }
    failIfRefused(refused);
    if (closes)
        closeOnStopOrError(STATE_CLOSE);
    return true;
}
