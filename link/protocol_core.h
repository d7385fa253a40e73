#pragma once

#include "base/event_resource.h"

struct Tmlp_message;

// The module resource core as the protocol endpoints it owns (the CCP sockets
// and the download manager) see it: it hands them each received frame of their
// port by calling their OnNotification with MLP_MSG_ARRIVAL (the frame is
// getRx() during that call), sends their frames with process_tx, and receives
// their reports in its own OnNotification.
class Tprotocol_core : public Tsequence {
public:
    Tprotocol_core();

    // Hand one frame to the link: 1 for a null message, else 0.
    virtual unsigned char process_tx(const Tmlp_message* msg) = 0;
    virtual Tmlp_message* getRx() = 0;
    virtual void releaseRx() = 0;
    // The download manager's reports of a download's size and its progress.
    virtual void OnDownloadStart(unsigned size);
    virtual void OnDownloadProgress(int percent);

    Tmy_event MLP_MSG_ARRIVAL;
};
