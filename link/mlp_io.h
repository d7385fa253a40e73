#pragma once

#include "base/event_resource.h"
#include "link/mlp_com_win32.h"

struct Tmlp_message;

// The one way to a logger: owns the message link, forwards configuration to
// it, passes messages both ways and hands the link's reports on, by direct
// calls and the master first: SUCCESS, CANCELLED, ERROR, DISCONNECTED, RX and
// TX to the master; MLP_MSG_ARRIVAL and MLP_MSG_SENT to the module resource,
// which takes the message with getRxMessage during that call.
class Tmlp_io : public Tsequence {
public:
    Tmlp_io();

    // "sel_com_interface" ("COM"); "verbose" sets the trace word and, like
    // every other key, also goes to the link.
    void setParameter(const char* key, const char* value) override;
    int getIntParameter(const char* key) override;
    void OnNotification(Tmy_event* event) override;

    void setModuleResource(Tevent_resource* receiver) { module_resource = receiver; }
    void setMaster(Tsequence* receiver) { master = receiver; }

    // 1 connect, 2 disconnect, 5 done; true when refused.
    bool request(unsigned code);
    bool sendMessage(const Tmlp_message* msg);
    Tmlp_message* getRxMessage();
    void releaseRxMessage();
    bool isPortOpen() const;
    // Closes the port at once and ends its worker, for a program whose
    // windows are going.
    void stopWorker();

    enum : unsigned { TRACE_DUMPS = 0x1, TRACE_VERBOSE = 0x300 };

    int sel_com_interface = 0;
    Tmlp_com_win32 com;
    Tmy_event MLP_MSG_ARRIVAL;
    Tmy_event MLP_MSG_SENT;
    Tmy_event TX;
    Tmy_event RX;
    Tmy_event DISCONNECTED;
    Tevent_resource* module_resource = nullptr;
    Tsequence* master = nullptr;
};
