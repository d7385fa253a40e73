#include "programs/basic/start_refusal.h"

#include "base/log.h"
#include "link/calyxo_master.h"

const char* start_refusal_reason(const Tcalyxo_master& master)
{
    if (master.state != Tcalyxo_master::STATE_IDLE)
        return "an operation is running";
    if (master.getLinkState() != Tcalyxo_master::LINK_CONNECTED)
        return "no logger is connected";
    return "refused, see the lines before";
}

void log_start_refused(const Tcalyxo_master& master, const char* what)
{
    log_not_started(what, start_refusal_reason(master));
}

void log_not_started(const char* what, const char* reason)
{
    log_printf("ERROR : %s not started : %s", what ? what : "operation", reason ? reason : "");
}
