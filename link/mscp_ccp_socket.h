#pragma once

#include "base/event_resource.h"
#include "link/mlp_message.h"
#include "link/mscp_protocol.h"

class Tprotocol_core;

// One endpoint of CCP, the logger's reliable request/answer protocol, on one
// port. Every exchange carries an 8-bit sequence number that an INIT exchange
// synchronises with the logger; a request is repeated on the tick until the
// answer with its number comes, a PENDING answer makes the socket wait long for
// a late answer (which it acknowledges), and multi-part answers are fetched
// part by part with NEXT. The socket also answers the logger's own INIT and
// recognises repeated requests from it. It reports to its core by direct calls
// with ANSWER_ARRIVAL, PENDING_ARRIVAL, REQUEST_ARRIVAL and ACK_TIMEOUT.
class Tmscp_ccpSocket : public Tevent_resource {
public:
    explicit Tmscp_ccpSocket(Tprotocol_core* owning_core);

    void setLocalAddress(unsigned char address) { local = address; }
    void setReadyTime(unsigned char ticks) { ready_time = ticks; }
    void setRetryTimer(unsigned char ticks) { retry_timer = ticks; }
    void setRetryCount(unsigned char count) { retry_count = count; }
    void setWaitLateTime(int ticks) { wait_late_time = ticks; }
    void setPort(unsigned char number);
    void setRemoteAddress(unsigned char address);

    // msg holds the command at byte 4 and n data bytes from byte 6; the socket
    // fills in the header and its sequence number and seals it. True when
    // refused: an exchange is running, or n data bytes do not fit a frame.
    bool sendRequest(Tmlp_message* msg, unsigned char n);
    const Tmlp_message* getRequest() const { return &request; }
    const Tmlp_message* getAnswer() const { return &answer; }
    // The owner has consumed the answer: BUSY becomes READY.
    void answerDone();
    // The owner has handled REQUEST_ARRIVAL; the incoming side stays synchronised.
    void requestDone() {}
    void cancel();
    void reset();
    // The once-a-second tick: retransmissions and time-outs.
    void On_1Hz();
    // The core's MLP_MSG_ARRIVAL: a frame of this socket's port is the core's rx.
    void OnNotification(Tmy_event* event) override;

    enum : unsigned char { CLOSED, WAIT_INIT_ACK, WAIT_REQ_ACK, READY, BUSY, REQUEST_MODE_WAIT_LATE };
    enum : unsigned {
        TRACE_RETRANSMIT = 0x8,
        TRACE_REQUEST = 0x100,
        TRACE_TICK = 0x200,
        TRACE_STEPS = 0x400,
        TRACE_DUMPS = 0x800,
    };
    static constexpr unsigned parts_capacity = 2000;
    // The socket's own messages: header, code, sequence number, checksum.
    static constexpr unsigned short own_message_length = 7;

    Tmy_event ACK_TIMEOUT;
    Tmy_event ANSWER_ARRIVAL;
    Tmy_event REQUEST_ARRIVAL;
    Tmy_event PENDING_ARRIVAL;

    Tprotocol_core* const core;
    unsigned char remote = MSCP_UNKNOWN_ADDRESS;
    unsigned char learn_remote = 1;
    unsigned char local = 0;
    unsigned char port = 0;
    unsigned char ready_time = 10;
    unsigned char retry_timer = 2;
    unsigned char retry_count = 4;
    unsigned char state = CLOSED;
    unsigned char seq = 20;
    unsigned char init_then_request = 0;
    unsigned char ready_timer = 0;
    unsigned char req_ret_tim = 0;
    unsigned char req_ret_cnt = 0;
    Tmlp_message request;
    Tmlp_message waiting;
    Tmlp_message answer;
    unsigned char parts[parts_capacity] = {};
    unsigned short parts_total = 0;
    unsigned char late_seq = 0;
    unsigned char late_ack = 0;
    int wait_late_timer = 0;
    int wait_late_time = 20;
    unsigned char rx_state = 0;
    unsigned char rx_seq = 0;
    Tmlp_message rx_answer;
    Tmlp_message rx_request;

private:
    const char* stateName() const;
    void OnAnsRx(const Tmlp_message& f);
    void OnReqRx(const Tmlp_message& f);
    // Handles an answer with the current sequence number; returns the report
    // to give once the frame is fully handled, or null.
    Tmy_event* takeAnswer(const Tmlp_message& f);
    void collectPart(const Tmlp_message& f);
    void buildOwn(Tmlp_message* m, unsigned char code, unsigned char number) const;
    void transmit(const char* step, const Tmlp_message& m);
    void sendWaiting();
    void sendInit();
    void sendNext();
    void sendLateAck();
    void restartRetries();
};
