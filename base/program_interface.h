#pragma once

// Functions that every program (and every test binary, through the test-support
// library) supplies under these names. The shared code calls them; it never
// touches a window itself.

// The log sink: called once per finished log line, on the GUI thread once the
// event queue is attached (worker threads' lines are handed over), else on the
// caller's thread. Must not call log_printf.
void log_output(const char* line);

// A text for a numeric channel of the user interface (pending and progress
// windows, signal bars, operation panel ...). GUI thread only; text may be null.
void gui_set(int id, const char* text);

// The program's start routine: run once when the message loop runs.
void on_application_ready();
