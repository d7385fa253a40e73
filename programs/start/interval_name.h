#pragma once

#include <string>

// The name that the status page shows for an interval of seconds.
std::string interval_name(int seconds);
