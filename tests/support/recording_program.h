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

std::vector<std::pair<int, std::string>> gui_calls();
void clear_gui();

int application_ready_calls();

}  // namespace recorded
