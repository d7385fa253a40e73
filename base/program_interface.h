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

// Only the calibration program's logic (calibration/) calls these three, so only
// the programs that link it supply them.

// The text that the user interface holds under a numeric id (the calibration
// page's tracer and concentration choices ...); "" for an id it does not know.
// Never null; valid until the next call. GUI thread only.
const char* gui_get(int id);

// Which text window besides the main log shows the following log lines:
// 0 and 1 the main log only, 2 the raw calibration log, 3 the calibration
// constants, 4 the GSM text; any other value no window. It stays until changed.
void log_select_output(int channel);
// Empties the text window of the current output channel (channel 1 has none).
void log_clear_output();
