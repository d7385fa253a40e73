#pragma once

#include <string>

// Files for the tests that close a program while its threads still work.

// A measurement file of steps time steps whose last element is cut in the
// middle, as a download broken off leaves it: its reader logs a WARNING from
// the thread that reads it. False when it cannot be written.
bool write_cut_measurement_file(const std::string& path, int steps);

// The seven weekday files of the day log under folder/log, one after the
// other ("" for those missing).
std::string read_day_logs(const std::string& folder);

// How many times text occurs in all.
int count_of(const std::string& all, const std::string& text);
