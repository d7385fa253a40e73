// The short operations: write, read and read-add-write one variable, the
// digital outputs, a control command and a parameter read.
#include "base/log.h"
#include "base/program_interface.h"
#include "link/gui_ids.h"
#include "link/logger_variables.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "link/sequence_report.h"

namespace {

enum : int {
    STATE_RAW_READ = module_states::raw_variables.first,
    STATE_RAW_ADD = 2660,
    STATE_SET_VAR = module_states::set_variable.first,
    STATE_GET_VAR = module_states::get_variable.first,
    STATE_GET_VAR_STORE = 2760,
    STATE_OUT_READ_ACQ = module_states::out_control.first,
    STATE_OUT_ACQ_OFF = 2210,
    STATE_OUT_SET = 2220,
    STATE_OUT_RESTORE = 2299,
    STATE_CONTROL = module_states::control.first,
    STATE_GET_PARAMETER = module_states::get_parameter.first,
};
static_assert(module_states::raw_variables.holds(STATE_RAW_ADD) && module_states::get_variable.holds(STATE_GET_VAR_STORE) &&
                  module_states::out_control.holds(STATE_OUT_RESTORE),
              "variable states in their ranges");

}  // namespace

bool Tmodule_resource::start_set_var(uint8_t id, uint32_t value, uint8_t flag)
{
    if (state != STATE_IDLE)
        return true;
    variable_id = id;
    last_variable_value = value;
    set_flag = flag;
    START_SET_VAR.signal();
    return false;
}

bool Tmodule_resource::start_get_var(uint8_t id, int32_t* result)
{
    if (state != STATE_IDLE)
        return true;
    variable_id = id;
    get_var_result = result;
    START_GET_VAR.signal();
    return false;
}

bool Tmodule_resource::start_read_add_write_var(uint8_t id, int32_t delta)
{
    if (state != STATE_IDLE)
        return true;
    variable_id = id;
    add_delta = delta;
    START_R_A_W_VAR.signal();
    return false;
}

bool Tmodule_resource::start_out_control(uint8_t kind, uint8_t mask, uint8_t value)
{
    if (state != STATE_IDLE)
        return true;
    output_kind = kind;
    output_mask = mask;
    output_value = value;
    START_OUT_CONTROL.signal();
    return false;
}

bool Tmodule_resource::start_control(uint8_t command, const uint8_t* data, unsigned length,
                                     uint8_t pending_is_success)
{
    if (state != STATE_IDLE)
        return true;
    control_block.setControl(command, data, length);
    control_pending_is_success = pending_is_success;
    START_CONTROL.signal();
    return false;
}

bool Tmodule_resource::start_get_parameter(uint8_t id, uint8_t* buffer, uint8_t capacity, uint8_t* length)
{
    if (state != STATE_IDLE)
        return true;
    variable_id = id;
    parameter_buffer = buffer;
    parameter_capacity = capacity;
    parameter_length = length;
    if (length)
        *length = 0;
    START_GET_PARAMETER.signal();
    return false;
}

bool Tmodule_resource::runVariables()
{
    bool refused = false;
    switch (state) {
    case STATE_RAW_READ:
    case STATE_GET_VAR:
        if (consumed)
            refused = mscp_gtp_sendGetVar(variable_id);
        onEvent(&GET_DONE, state == STATE_RAW_READ ? STATE_RAW_ADD : STATE_GET_VAR_STORE);
        break;
    case STATE_RAW_ADD:
        if (consumed) {
            // Unsigned arithmetic wraps modulo 2^32 as the logger does.
            last_variable_value += static_cast<uint32_t>(add_delta);
            set_flag = 0;
            DONE.signal();
        }
        onEvent(&DONE, STATE_SET_VAR);
        break;
    case STATE_SET_VAR:
        if (consumed)
            refused = mscp_gtp_sendSetVar(variable_id, last_variable_value, set_flag);
        onEvent(&SET_DONE, STATE_SUCCESS);
        break;
    case STATE_GET_VAR_STORE:
        if (consumed) {
            if (get_var_result)
                *get_var_result = static_cast<int32_t>(last_variable_value);
            DONE.signal();
        }
        onEvent(&DONE, STATE_SUCCESS);
        break;
    case STATE_GET_PARAMETER:
        if (consumed)
            refused = mscp_gtp_sendGetParameter(variable_id);
        onEvent(&GET_DONE, STATE_SUCCESS);
        break;
    default:
        return false;
    }
    failIfRefused(refused);
    endOnStopOrError();
    return true;
}

void Tmodule_resource::failIfRefused(bool refused)
{
    if (!refused)
        return;
    log_printf("ERROR : %s : request refused @ %d", getParameter("name"), state);
    ERROR.signal();
}

void Tmodule_resource::restoreAcquisition()
{
    // After a cancel or an error the request in flight is abandoned: a new
    // session carries the closing write, which a busy socket would refuse.
    if (pending_result != STATE_SUCCESS)
        gtpSocket().cancel();
    const bool refused = mscp_gtp_sendSetVar(VAR_ACQ_ENABLE, module_view.status(STATUS_ACQ).value, 0);
    if (!refused && acquisition_switch != ACQ_AS_IT_WAS)
        acquisition_switch = ACQ_RESTORE_SENT;
    failIfRefused(refused);
}

void Tmodule_resource::startClosing(int result, int closing_state)
{
    pending_result = result;
    setNextState(closing_state);
}

void Tmodule_resource::runClosingStep(const Tclosing_lines* lines)
{
    if (consumed)
        restoreAcquisition();
    const int result = pending_result;
    if (onEvent(&SET_DONE, result) && lines)
        log_printf("%s", result == STATE_SUCCESS     ? lines->success
                         : result == STATE_CANCELLED ? lines->cancelled
                                                     : lines->failed);
    endOnStopOrError();
}

bool Tmodule_resource::readAcquisition()
{
    pending_result = STATE_SUCCESS;
    return mscp_gtp_sendGetVar(VAR_ACQ_ENABLE);
}

bool Tmodule_resource::switchAcquisitionOff(bool always)
{
    // The closing step puts back what was read: the technician must not take
    // the logger for measuring afterwards.
    if (module_view.status(STATUS_ACQ).value == 0)
        log_printf("WARNING : acquisition is off on the logger: it is put back off at the end, the logger does not "
                   "measure");
    if (always || disable_acq_during_download) {
        const bool refused = mscp_gtp_sendSetVar(VAR_ACQ_ENABLE, 0, 0);
        // Only a running acquisition can be left off by this operation.
        if (!refused && module_view.status(STATUS_ACQ).value != 0)
            acquisition_switch = ACQ_OFF_SENT;
        return refused;
    }
    DONE.signal();
    return false;
}

bool Tmodule_resource::closeOnStopOrError(int closing_state)
{
    if (onEvent(&STOP, -1)) {
        startClosing(STATE_CANCELLED, closing_state);
        return true;
    }
    if (onEvent(&ERROR, -1)) {
        startClosing(STATE_FAILED, closing_state);
        return true;
    }
    return false;
}

bool Tmodule_resource::runOutControl()
{
    bool refused = false;
    switch (state) {
    case STATE_OUT_READ_ACQ:
        if (consumed)
            refused = readAcquisition();
        onEvent(&GET_DONE, STATE_OUT_ACQ_OFF);
        endOnStopOrError();
        break;
    case STATE_OUT_ACQ_OFF:
        if (consumed)
            refused = switchAcquisitionOff(false);
        onEvent(&SET_DONE, STATE_OUT_SET);
        onEvent(&DONE, STATE_OUT_SET);
        closeOnStopOrError(STATE_OUT_RESTORE);
        break;
    case STATE_OUT_SET:
        if (consumed) {
            gui_set(GUI_PENDING_TEXT, "Please wait a few seconds...");
            gui_set(GUI_PENDING, "SHOW");
            refused = mscp_gtp_sendOutSet(output_kind, output_mask, output_value);
        }
        if (onEvent(&SET_DONE, STATE_OUT_RESTORE) || closeOnStopOrError(STATE_OUT_RESTORE))
            gui_set(GUI_PENDING, "HIDE");
        break;
    case STATE_OUT_RESTORE:
        runClosingStep();
        break;
    default:
        return false;
    }
    failIfRefused(refused);
    return true;
}

bool Tmodule_resource::runControl()
{
    if (state != STATE_CONTROL)
        return false;
    if (consumed)
        failIfRefused(mscp_gtp_sendControl(control_block));
    // A pending answer counts as done only when the caller said so; the socket
    // is closed at the end, so the late answer is not waited for.
    const bool done = onEvent(&CONTROL_DONE, STATE_SUCCESS) ||
                      (control_pending_is_success == 1 && onEvent(&gtpSocket().PENDING_ARRIVAL, STATE_SUCCESS));
    if (done) {
        gui_set(GUI_PENDING, "HIDE");
        if (trace & TRACE_OPERATOR)
            log_printf("INFO    : ........ DONE");
    }
    endOnStopOrError();
    return true;
}
