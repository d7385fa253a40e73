#pragma once

// What the link layer's sequences say about themselves: trace bits, the
// notification line and the end of a run.

class Tsequence;
struct Tmy_event;

// Trace bits that every resource of the link layer gives the same meaning.
enum : unsigned {
    TRACE_NOTIFICATION = 0x1,  // the OnNotification line
    TRACE_TERMINATION = 0x2,   // the termination lines
    TRACE_OPERATOR = 0x8,      // INFO, ERROR and NOTE lines for the operator
    TRACE_PROTOCOL = 0x100,    // protocol detail
    TRACE_PROGRESS = 0x200,    // operation progress
};

enum Ttermination { TERMINATE_SUCCESS = 1, TERMINATE_CANCELLED = 2, TERMINATE_ERROR = 3 };

// The end of a sequence's run: state 0, with trace bit 0x2 its termination
// line, then its owner is called with SUCCESS, CANCELLED or ERROR.
void sequence_terminate(Tsequence* sequence, Ttermination kind);

// With trace bit 0x1: "<name> : OnNotification(<event's resource>, <event>) @ <state>".
void sequence_trace_notification(Tsequence* sequence, const Tmy_event* event);
