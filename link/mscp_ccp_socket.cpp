#include "link/mscp_ccp_socket.h"

#include <cstring>

#include "base/log.h"
#include "link/protocol_core.h"

namespace {


// The request's n data bytes follow command and sequence number; header,
// command, sequence number and checksum make 7 bytes besides them.
constexpr unsigned request_overhead = 7;

}  // namespace

Tmscp_ccpSocket::Tmscp_ccpSocket(Tprotocol_core* owning_core) : core(owning_core)
{
    ACK_TIMEOUT.init("ACK_TIMEOUT", this);
    ANSWER_ARRIVAL.init("ANSWER_ARRIVAL", this);
    REQUEST_ARRIVAL.init("REQUEST_ARRIVAL", this);
    PENDING_ARRIVAL.init("PENDING_ARRIVAL", this);
    setOwner(owning_core);
}

const char* Tmscp_ccpSocket::stateName() const
{
    static const char* const names[] = {"CLOSED       ", "WAIT_INIT_ACK", "WAIT_REQ_ACK ",
                                        "READY        ", "BUSY         ", "REQUEST_MODE_WAIT_LATE"};
    return state < sizeof names / sizeof names[0] ? names[state] : "?";
}

void Tmscp_ccpSocket::setPort(unsigned char number)
{
    port = number;
    reset();
}

void Tmscp_ccpSocket::setRemoteAddress(unsigned char address)
{
    remote = address;
    learn_remote = 0;
    reset();
}

void Tmscp_ccpSocket::restartRetries()
{
    req_ret_tim = retry_timer;
    req_ret_cnt = retry_count;
}

bool Tmscp_ccpSocket::sendRequest(Tmlp_message* msg, unsigned char n)
{
    parts_total = 0;
    if (!msg)
        return true;
    if (state != CLOSED && state != READY) {
        if (trace & TRACE_REQUEST)
            log_printf("ERROR : Tmscp_ccpSocket::sendRequest Rejected (%d)", state);
        return true;
    }
    if (n + request_overhead > Tmlp_message::max_payload + MSCP_FRAME_OVERHEAD) {
        log_printf("ERROR : %s : request of %d data bytes does not fit a frame", getParameter("name"), n);
        return true;
    }
    late_ack = 0;
    wait_late_timer = 0;
    msg->bytes[MSCP_DESTINATION] = remote;
    msg->bytes[MSCP_SOURCE] = local;
    msg->bytes[MSCP_PAYLOAD_LENGTH] = static_cast<unsigned char>(n + 2);
    msg->bytes[MSCP_PORT] = port;
    msg->bytes[MSCP_SEQUENCE] = seq;
    msg->seal();
    request.copy(msg, Tmlp_message::capacity);
    waiting.copy(msg, Tmlp_message::capacity);
    restartRetries();
    if (trace & TRACE_REQUEST) {
        log_printf("[%s@%s] sendRequest(%d)", getParameter("name"), stateName(), n);
        log_hex_dump(msg->bytes, msg->length, dump_bytes_per_line);
    }
    if (state == READY) {
        state = WAIT_REQ_ACK;
        sendWaiting();
    } else {
        state = WAIT_INIT_ACK;
        init_then_request = 1;
        sendInit();
    }
    return false;
}

void Tmscp_ccpSocket::answerDone()
{
    if (state != BUSY)
        return;
    state = READY;
    ready_timer = ready_time;
}

void Tmscp_ccpSocket::cancel()
{
    state = CLOSED;
    ready_timer = 0;
    req_ret_tim = 0;
    req_ret_cnt = 0;
    init_then_request = 0;
    late_ack = 0;
    wait_late_timer = 0;
}

void Tmscp_ccpSocket::reset()
{
    state = CLOSED;
    ready_timer = 0;
    late_ack = 0;
    wait_late_timer = 0;
}

void Tmscp_ccpSocket::buildOwn(Tmlp_message* m, unsigned char code, unsigned char number) const
{
    m->bytes[MSCP_DESTINATION] = remote;
    m->bytes[MSCP_SOURCE] = local;
    m->bytes[MSCP_PAYLOAD_LENGTH] = 2;
    m->bytes[MSCP_PORT] = port;
    m->bytes[MSCP_COMMAND] = code;
    m->bytes[MSCP_SEQUENCE] = number;
    m->seal();
}

void Tmscp_ccpSocket::transmit(const char* step, const Tmlp_message& m)
{
    if (trace & TRACE_STEPS) {
        log_printf("%s", step);
        log_hex_dump(m.bytes, m.length, dump_bytes_per_line);
    }
    if (trace & TRACE_DUMPS)
        log_hex_dump_labelled("SOCKET TX ", m.bytes, m.length, dump_bytes_per_line);
    if (core)
        core->process_tx(&m);
}

void Tmscp_ccpSocket::sendWaiting()
{
    waiting.bytes[MSCP_SEQUENCE] = seq;
    waiting.seal();
    transmit("--->Send waiting request", waiting);
}

void Tmscp_ccpSocket::sendInit()
{
    Tmlp_message init;
    buildOwn(&init, CCP_SEQ_INIT, seq);
    transmit("--->Send INIT", init);
}

void Tmscp_ccpSocket::sendNext()
{
    buildOwn(&waiting, CCP_NEXT, seq);
    restartRetries();
    transmit("--->Send next", waiting);
}

void Tmscp_ccpSocket::sendLateAck()
{
    Tmlp_message ack;
    buildOwn(&ack, CCP_LATE_ACKNOWLEDGE, late_seq);
    transmit("--->Send late ack", ack);
}

void Tmscp_ccpSocket::collectPart(const Tmlp_message& f)
{
    // Data between the sequence number and the checksum.
    const unsigned count = f.length - own_message_length;
    if (parts_total + count >= parts_capacity)
        return;
    std::memcpy(parts + parts_total, f.bytes + ccp_data, count);
    parts_total = static_cast<unsigned short>(parts_total + count);
}

Tmy_event* Tmscp_ccpSocket::takeAnswer(const Tmlp_message& f)
{
    const unsigned char code = f.bytes[MSCP_COMMAND];
    switch (state) {
    case WAIT_INIT_ACK:
        ++seq;
        if (init_then_request) {
            init_then_request = 0;
            restartRetries();
            state = WAIT_REQ_ACK;
            sendWaiting();
        } else {
            ready_timer = ready_time;
            state = READY;
        }
        return nullptr;
    case WAIT_REQ_ACK:
        if (code == CCP_STATUS_PENDING) {
            state = REQUEST_MODE_WAIT_LATE;
            wait_late_timer = wait_late_time;
            return &PENDING_ARRIVAL;
        }
        if (code == CCP_PART_FIRST)
            parts_total = 0;
        collectPart(f);
        ++seq;
        if (code == CCP_PART_FIRST || code == CCP_PART) {
            sendNext();
            return nullptr;
        }
        state = BUSY;
        answer.copy(&f, Tmlp_message::capacity);
        return &ANSWER_ARRIVAL;
    case REQUEST_MODE_WAIT_LATE:
        if (code == CCP_STATUS_OK || code == CCP_STATUS_FAIL) {
            collectPart(f);
            late_ack = 1;
            late_seq = seq;
            ++seq;
            state = BUSY;
            answer.copy(&f, Tmlp_message::capacity);
            return &ANSWER_ARRIVAL;
        }
        if (code == CCP_PART_FIRST || code == CCP_PART) {
            if (code == CCP_PART_FIRST)
                parts_total = 0;
            collectPart(f);
            sendNext();
            ++seq;
        }
        return nullptr;
    default:
        return nullptr;
    }
}

void Tmscp_ccpSocket::OnAnsRx(const Tmlp_message& f)
{
    if (trace & (TRACE_REQUEST | TRACE_STEPS)) {
        log_printf("%s [%s] OnAnsRx", getParameter("name"), stateName());
        log_hex_dump(f.bytes, f.length, dump_bytes_per_line);
    }
    if (f.bytes[MSCP_SOURCE] != remote || f.length < own_message_length)
        return;
    const unsigned char number = f.bytes[MSCP_SEQUENCE];
    Tmy_event* report = number == seq ? takeAnswer(f) : nullptr;
    // The late answer is acknowledged before the core hears of it, so that
    // whatever the core starts in its handling cannot clear the pending ack.
    if (late_ack && number == late_seq)
        sendLateAck();
    if (report && core)
        core->OnNotification(report);
}

void Tmscp_ccpSocket::OnReqRx(const Tmlp_message& f)
{
    if (trace & (TRACE_REQUEST | TRACE_STEPS)) {
        log_printf("%s [%s] OnReqRx", getParameter("name"), stateName());
        log_hex_dump(f.bytes, f.length, dump_bytes_per_line);
    }
    if (f.length < own_message_length)
        return;
    const unsigned char source = f.bytes[MSCP_SOURCE];
    const unsigned char number = f.bytes[MSCP_SEQUENCE];
    if (f.bytes[MSCP_COMMAND] == CCP_SEQ_INIT) {
        if (!learn_remote && source != remote)
            return;
        if (learn_remote)
            remote = source;
        rx_state = 1;
        rx_seq = number;
        buildOwn(&rx_answer, CCP_STATUS_OK, rx_seq);
        transmit("--->Seq INIT", rx_answer);
        return;
    }
    if (source != remote || rx_state != 1)
        return;
    if (number == rx_seq) {
        transmit("--->retransmit answer", rx_answer);
    } else if (number == static_cast<unsigned char>(rx_seq + 1)) {
        rx_seq = number;
        rx_request.copy(&f, Tmlp_message::capacity);
        if (core)
            core->OnNotification(&REQUEST_ARRIVAL);
    }
}

void Tmscp_ccpSocket::On_1Hz()
{
    if (state != CLOSED && (trace & TRACE_TICK))
        log_printf("%s [%s] On_1Hz req_ret_tim=%d, req_ret_cnt=%d, request_init_timer = %d",
                   getParameter("name"), stateName(), req_ret_tim, req_ret_cnt, ready_timer);
    switch (state) {
    case WAIT_INIT_ACK:
    case WAIT_REQ_ACK:
        if (req_ret_tim > 0) {
            --req_ret_tim;
            return;
        }
        req_ret_tim = retry_timer;
        if (req_ret_cnt > 0) {
            if (trace & TRACE_RETRANSMIT)
                log_printf("Re-Transmit");
            --req_ret_cnt;
            if (state == WAIT_INIT_ACK)
                sendInit();
            else
                sendWaiting();
            return;
        }
        state = CLOSED;
        if (core)
            core->OnNotification(&ACK_TIMEOUT);
        return;
    case READY:
        if (ready_timer > 0) {
            --ready_timer;
            return;
        }
        state = CLOSED;
        ready_timer = 0;
        late_ack = 0;
        return;
    case REQUEST_MODE_WAIT_LATE:
        // A wait of 0 ends at the next tick instead of never.
        if (wait_late_timer > 0)
            --wait_late_timer;
        if (wait_late_timer <= 0) {
            state = CLOSED;
            late_ack = 0;
            if (core)
                core->OnNotification(&ACK_TIMEOUT);
        }
        return;
    default:
        return;
    }
}

void Tmscp_ccpSocket::OnNotification(Tmy_event* event)
{
    if (!core || event != &core->MLP_MSG_ARRIVAL)
        return;
    const Tmlp_message* f = core->getRx();
    if (f) {
        if (trace & TRACE_DUMPS)
            log_hex_dump_labelled("SOCKET RX ", f->bytes, f->length, dump_bytes_per_line);
        if (!f->wellFormed())
            log_printf("ERROR : %s : frame ignored, its length or checksum is wrong", getParameter("name"));
        else if (f->bytes[MSCP_COMMAND] < CCP_FIRST_ANSWER_CODE)
            OnReqRx(*f);
        else
            OnAnsRx(*f);
    }
    core->releaseRx();
}
