#pragma once

#include "base/event_resource.h"

struct Tmlp_message;

// A link that carries whole MSCP messages to and from a logger. It reports to
// its owner by direct calls with its own events: SUCCESS (connected),
// CANCELLED, ERROR (connection failed), DISCONNECTED, MLP_MSG_ARRIVAL (a
// message waits in the receiver: take it and release it within that call) and
// MLP_MSG_SENT. Results are true on failure or refusal.
class Tmlp_communication_interface : public Tsequence {
public:
    Tmlp_communication_interface();

    // "max_message_size": the most bytes the receiver collects, at most the
    // capacity of a message.
    void setParameter(const char* key, const char* value) override;

    void OnNotification(Tmy_event* event) override = 0;
    // 1 connect, 2 disconnect, 5 done.
    virtual bool request(unsigned code) = 0;
    virtual bool sendMessage(const Tmlp_message* msg) = 0;
    // The completed message, null while none is complete.
    virtual Tmlp_message* getRxMessage() = 0;
    // The next byte starts a new reception.
    virtual void releaseRxMessage() = 0;

    Tmy_event MLP_MSG_ARRIVAL;
    Tmy_event MLP_MSG_SENT;
    Tmy_event START_CONNECT;
    Tmy_event START_DISCONNECT;
    Tmy_event DISCONNECTED;
    Tmy_event DONE;

    int max_message_size = 0;
};
