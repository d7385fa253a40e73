#pragma once

class Tcalyxo_master;

// Why the master refuses to start an operation now, in the words of the log:
// "an operation is running", "no logger is connected" or, when the master
// refused for its own reason and logged it, a pointer to that line.
const char* start_refusal_reason(const Tcalyxo_master& master);

// Logs that what was asked for was not started, and why:
// "ERROR : <what> not started : <reason>".
void log_start_refused(const Tcalyxo_master& master, const char* what);

// The one refusal line: "ERROR : <what> not started : <reason>".
void log_not_started(const char* what, const char* reason);
