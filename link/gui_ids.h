#pragma once

// The gui_set ids that the shared logic sends and the programs honour.
// The pulse-meter dialog's fields: index, serial number, pulse weight.
constexpr int GUI_PULSE_VALUE = 0;
constexpr int GUI_PULSE_SNR = 1;
constexpr int GUI_PULSE_WEIGHT = 2;
// The modem's signal quality (its CSQ value) and its state.
constexpr int GUI_SIGNAL = 50;
constexpr int GUI_MODEM_STATE = 51;
// The pending and progress windows: a text, then "SHOW", "HIDE" or a percentage.
constexpr int GUI_PENDING_TEXT = 52;
constexpr int GUI_PENDING = 53;
constexpr int GUI_PROGRESS_TEXT = 54;
constexpr int GUI_PROGRESS = 55;
// What the logger is running: "ACQ", "GSM" or "NOP".
constexpr int GUI_OPERATION_PANEL = 113;
