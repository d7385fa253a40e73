#pragma once

// A SIM PIN as the modem and the logger's setup take it: 4 to 8 digits. A
// few wrong PINs block the SIM, so nothing else is sent as one.
constexpr unsigned pin_min_digits = 4;
constexpr unsigned pin_max_digits = 8;

bool is_pin_code(const char* text);
