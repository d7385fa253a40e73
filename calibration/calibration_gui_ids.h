#pragma once

// Ids of gui_set and gui_get that the calibration logic writes and reads, and
// the output channels of its log lines.

// The sample labels: base, on and delta of lamp A, B, C, T follow each other.
constexpr int GUI_SAMPLE_LAMP_A_BASE = 307;
constexpr int GUI_SAMPLE_BATTERY = 319;
constexpr int GUI_SAMPLE_TEMPERATURE = 320;

constexpr int GUI_CAL_STORE_BUTTON = 151;  // "enabled" / "disabled"
constexpr int GUI_CAL_CONFIGURATION = 152;
constexpr int GUI_CAL_MODEL = 153;
constexpr int GUI_CAL_TRACER = 154;         // read: the tracer of the solution in use
constexpr int GUI_CAL_CONCENTRATION = 155;  // read: its concentration
constexpr int GUI_CAL_SERIAL = 156;
constexpr int GUI_CAL_REDRAW_CHARTS = 500;
constexpr int GUI_CAL_PANEL = 600;          // "PANEL_STORED_VALUES"
constexpr int GUI_CAL_NEW_DATA = 10000;     // the new-data lamp, lit for that many ticks

constexpr int OUTPUT_CHANNEL_MAIN = 0;
constexpr int OUTPUT_CHANNEL_CALIBRATION_RAW = 2;
constexpr int OUTPUT_CHANNEL_CALIBRATION_CONSTANTS = 3;
