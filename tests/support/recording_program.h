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

std::vector<std::pair<int, std::string>> gui_calls();
void clear_gui();

int application_ready_calls();

}  // namespace recorded
