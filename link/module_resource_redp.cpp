// Single REDP request/answer exchanges, which the firmware update chains into
// its own steps; their ends reach the program through its REDP hooks.
#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "link/module_resource.h"
#include "link/mscp_ccp_socket.h"
#include "link/mscp_protocol.h"
#include "link/redp_hooks.h"
#include "link/sequence_report.h"

namespace {

// Data bytes one memory request carries at most.
constexpr unsigned redp_data_max = 52;

enum : uint8_t {
    REDP_MEM_WRITE = 0x6C,
    REDP_MEM_READ = 0x6E,
    REDP_CONTROL = 0x83,
    REDP_SET = 0x90,
    REDP_GET = 0x91,
};

unsigned redp_count(unsigned count)
{
    return count < redp_data_max ? count : redp_data_max;
}

}  // namespace

bool Tmodule_resource::sendRedp(uint8_t command, const uint8_t* data, uint8_t count)
{
    if (state != STATE_IDLE)
        return true;
    request.bytes[MSCP_COMMAND] = command;
    std::memcpy(request.bytes + ccp_data, data, count);
    if (redpSocket().sendRequest(&request, count))
        return true;
    state = STATE_REDP;
    return false;
}

bool Tmodule_resource::start_redp_set(uint8_t id, uint32_t value)
{
    uint8_t data[5];
    write_be32(data, value);
    data[4] = id;
    return sendRedp(REDP_SET, data, sizeof data);
}

bool Tmodule_resource::start_redp_get(uint8_t id)
{
    return sendRedp(REDP_GET, &id, 1);
}

bool Tmodule_resource::start_redp_mem_write(uint32_t address, const uint8_t* data, unsigned count)
{
    const unsigned kept = data ? redp_count(count) : 0;
    uint8_t body[4 + redp_data_max];
    write_be32(body, address);
    if (kept)
        std::memcpy(body + 4, data, kept);
    return sendRedp(REDP_MEM_WRITE, body, static_cast<uint8_t>(4 + kept));
}

bool Tmodule_resource::start_redp_mem_read(uint32_t address, unsigned count)
{
    uint8_t body[5];
    write_be32(body, address);
    body[4] = static_cast<uint8_t>(redp_count(count));
    return sendRedp(REDP_MEM_READ, body, sizeof body);
}

void Tmodule_resource::stop_redp()
{
    if (state != STATE_REDP)
        return;
    redpSocket().cancel();
    state = STATE_IDLE;
}

void Tmodule_resource::restart_redp_session()
{
    stop_redp();
    redpSocket().cancel();
}

bool Tmodule_resource::runRedp()
{
    // Busy until the answer, the time-out or stop_redp: no steps of its own.
    return state == STATE_REDP;
}

void Tmodule_resource::handleRedpEvent(Tmy_event* event)
{
    Tmscp_ccpSocket& socket = redpSocket();
    if (event == &socket.ACK_TIMEOUT) {
        log_printf("ERROR : Timeout. No Answer");
        if (state == STATE_REDP) {
            state = STATE_IDLE;
            if (redp_hooks)
                redp_hooks->on_redp_timeout();
        }
    } else if (event == &socket.ANSWER_ARRIVAL) {
        const bool mine = state == STATE_REDP;
        const uint8_t command = socket.getRequest()->bytes[MSCP_COMMAND];
        const Tmlp_message& answer = *socket.getAnswer();
        const uint8_t code = answer.bytes[MSCP_COMMAND];
        if (mine) {
            state = STATE_IDLE;
            if (code == CCP_STATUS_OK)
                routeRedpAnswer(command, answer);
        }
        socket.answerDone();
        // After answerDone, so that the hook may start the next exchange.
        if (mine && code != CCP_STATUS_OK) {
            log_printf("ERROR : %s : REDP request x%02X answered x%02X", getParameter("name"), command, code);
            if (redp_hooks)
                redp_hooks->on_redp_refused(command, code);
        }
    } else if (event == &socket.REQUEST_ARRIVAL) {
        socket.requestDone();
    } else if (event == &socket.PENDING_ARRIVAL) {
        if (trace & TRACE_OPERATOR)
            log_printf("INFO  : PENDING........");
    }
}

void Tmodule_resource::routeRedpAnswer(uint8_t command, const Tmlp_message& answer)
{
    const unsigned data_length = answer.length > ccp_overhead ? answer.length - ccp_overhead : 0;
    switch (command) {
    case REDP_MEM_WRITE:
        REDP_MEM_W_RANGE_DONE.signal();
        break;
    case REDP_MEM_READ:
    case REDP_GET:
        redp_answer_length = static_cast<uint16_t>(data_length < sizeof redp_answer ? data_length : sizeof redp_answer);
        std::memcpy(redp_answer, answer.bytes + ccp_data, redp_answer_length);
        (command == REDP_GET ? REDP_GET_DONE : REDP_MEM_R_RANGE_DONE).signal();
        break;
    case REDP_CONTROL:
        REDP_CONTROL_DONE.signal();
        break;
    case REDP_SET:
        REDP_SET_DONE.signal();
        break;
    default:
        break;
    }
}

void Tmodule_resource::callRedpHook(Tmy_event* event)
{
    if (!redp_hooks)
        return;
    if (event == &REDP_SET_DONE) {
        redp_hooks->on_redp_set_done();
    } else if (event == &REDP_GET_DONE) {
        // A short answer reads as zeros beyond its end.
        uint8_t value[4] = {};
        std::memcpy(value, redp_answer, redp_answer_length < 4 ? redp_answer_length : 4);
        redp_hooks->on_redp_get_done(read_be32(value));
    } else if (event == &REDP_MEM_W_RANGE_DONE) {
        redp_hooks->on_redp_mem_w_range_done();
    } else if (event == &REDP_MEM_R_RANGE_DONE) {
        redp_hooks->on_redp_mem_r_range_done(redp_answer, redp_answer_length);
    }
}
