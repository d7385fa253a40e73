#pragma once

// calyxo_start's own program functions beyond base/program_interface.h.

// A user action by number: 8 refresh the COM ports, 9 connect, 11 disconnect,
// 13 save the time zone, 17 save the connection settings; others nothing.
void gui_action(int code);
// gui_get as a number; 72 and 73 ask for an interval ("ACQ INTERVAL", "GSM
// INTERVAL"): seconds, or -1 when cancelled.
int gui_get_int(int id);
