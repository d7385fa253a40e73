#pragma once

#include <string>
#include <utility>
#include <vector>

// What the shared code handed to the program interface, recorded for the tests.
// Thread-safe: worker threads may log while a test reads.
namespace recorded {

std::vector<std::string> log_lines();
void clear_log();
// True when some recorded log line contains the text.
bool log_contains(const std::string& text);
// Also hands every line to forward (null: none), outside the record's lock, so
// that a window under test shows its log lines as the program would.
void set_log_forward(void (*forward)(const char* line));
// The lines logged while the output channel was `channel`.
std::vector<std::string> log_lines_on_channel(int channel);
// The channel last selected (0 at start) and, in order, the channel of every
// clear (emptied with the log).
int output_channel();
std::vector<int> cleared_channels();

std::vector<std::pair<int, std::string>> gui_calls();
void clear_gui();
// What gui_get answers for id ("" for ids never set).
void set_gui_value(int id, const std::string& text);
void clear_gui_values();
// Also hands every gui_set call to forward (null: none), as the program would.
void set_gui_forward(void (*forward)(int id, const char* text));

// gui_get answers what forward answers (null: the values set above).
void set_gui_get_forward(const char* (*forward)(int id));
// Also hands every channel selection and clear to forward (null: none).
void set_output_forward(void (*select)(int channel), void (*clear)());

int application_ready_calls();
// Also runs forward (null: none) on every start message.
void set_ready_forward(void (*forward)());

}  // namespace recorded
