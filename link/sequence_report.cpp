#include "link/sequence_report.h"

#include "base/event_resource.h"
#include "base/log.h"

void sequence_terminate(Tsequence* sequence, Ttermination kind)
{
    if (!sequence)
        return;
    sequence->state = 0;
    const bool failed = kind == TERMINATE_ERROR;
    const char* word = failed ? "TERMINATE_ERROR"
                              : kind == TERMINATE_CANCELLED ? "TERMINATE_CANCELLED" : "TERMINATE_SUCCESS";
    Tmy_event* report = failed ? &sequence->ERROR
                               : kind == TERMINATE_CANCELLED ? &sequence->CANCELLED : &sequence->SUCCESS;
    if (sequence->trace & TRACE_TERMINATION)
        log_printf("%s : %s : terminated %s", failed ? "ERROR" : "INFO ", sequence->getParameter("name"), word);
    if (sequence->owner)
        sequence->owner->OnNotification(report);
}

void sequence_trace_notification(Tsequence* sequence, const Tmy_event* event)
{
    if (!sequence || !event || !(sequence->trace & TRACE_NOTIFICATION))
        return;
    log_printf("%s : OnNotification(%s, %s) @ %d", sequence->getParameter("name"),
               event->getResourceName(), event->getName(), sequence->state);
}
