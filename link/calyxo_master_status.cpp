// The master's status read: the module resource reads every status field the
// logger has into the module view and the status XML file of the status log
// folder, while the status page is redrawn.
#include "base/time_calendar.h"
#include "link/calyxo_master.h"
#include "link/main_window_port.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/sequence_report.h"

namespace {

enum : int { READING = 200, CANCELLING = 201 };

// Every field but LAST_BLOCK (and PIN_STATE, which the PIN check sets).
constexpr Tstatus_field_id status_read_fields[] = {
    STATUS_ACQ,          STATUS_ACQ_NEXT,     STATUS_ACQ_INTERVAL0, STATUS_ACQ_INTERVAL1,
    STATUS_ACQ_MODE,     STATUS_GSM,          STATUS_GSM_NEXT,      STATUS_GSM_NEXT_OFF,
    STATUS_GSM_INTERVAL, STATUS_GSM_DURATION, STATUS_MMS_PT,        STATUS_NVFLAGS,
    STATUS_NEXT_DOWNLOAD_ADDRESS, STATUS_STATION_ID, STATUS_SYSTEM_INFO,
};

// True when the module resource refused.
bool start_module_status(Tcalyxo_master& master)
{
    Tmy_string now;
    now.printf("%u", time_now());
    master.module->setParameter("timestamp", now.c_str());
    master.module->setParameter("log_path", master.setup.getPath("PATH_STATUS_LOG"));
    module_view.clearValid();
    if (master.window)
        master.window->set_status_refresh(true);
    for (const Tstatus_field_id field : status_read_fields)
        module_view.setPresent(field, 1);
    return master.module->start_status();
}

}  // namespace

bool Tcalyxo_master::runStatus()
{
    if (state != READING && state != CANCELLING)
        return false;
    if (state == READING) {
        if (consumed && start_module_status(*this))
            ERROR.signal();
        if (onEvent(&module->SUCCESS, STATE_SUCCESS) && (trace & TRACE_PROGRESS))
            module_view.printStatus();
        onEvent(&module->ERROR, STATE_FAILED);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, CANCELLING);
    } else {
        if (consumed)
            module->stop(this);
        onEvent(&module->CANCELLED, STATE_CANCELLED);
        onEvent(&STOP, STATE_CANCELLED);
    }
    // However the read ends, the status page stops being redrawn.
    if (next_state >= STATE_SUCCESS && window)
        window->set_status_refresh(false);
    return true;
}
