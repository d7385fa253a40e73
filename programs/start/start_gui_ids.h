#pragma once

// gui_set and gui_get ids of calyxo_start beyond the calibration run's
// (calibration/calibration_gui_ids.h) and the progress bar (link/gui_ids.h).

// The application panel (and the page of the mode); 100002 changes nothing.
constexpr int GUI_APP_IDLE = 100000;
constexpr int GUI_PAGE_SETTINGS = 100001;
constexpr int GUI_NOTHING = 100002;
constexpr int GUI_PAGE_USB = 100010;
constexpr int GUI_PAGE_STATUS = 100011;
constexpr int GUI_APP_CALIBRATION = 100020;
constexpr int GUI_APP_VIEW = 100021;
constexpr int GUI_PAGE_ACQ = 100022;
constexpr int GUI_PAGE_DOWNLOAD = 100023;
constexpr int GUI_PAGE_GSM = 100024;
constexpr int GUI_APP_FLOW = 100025;

// Read in the live view: the check boxes of the lamps A, B, C, T follow each other.
constexpr int GUI_VIEW_LAMP_A = 3;

constexpr int GUI_CONNECTION_MODE = 49;  // "VEXL" / "KLVR"
constexpr int GUI_COM_PORT = 51;
constexpr int GUI_ACQ_INTERVAL = 72;
constexpr int GUI_GSM_INTERVAL = 73;
constexpr int GUI_LOGGER_TIME = 83;
constexpr int GUI_ACQ_NEXT = 84;
constexpr int GUI_ACQ_ENABLED = 85;
constexpr int GUI_FLASH_USED = 86;
constexpr int GUI_GSM_NEXT = 87;
constexpr int GUI_NEXT_DOWNLOAD = 88;
constexpr int GUI_GSM_ENABLED = 89;
constexpr int GUI_AUTOCONNECT = 111;
constexpr int GUI_CONNECTION = 112;  // "CONNECTED" / "DISCONNECTED"
constexpr int GUI_OPERATION = 113;   // "ACQ", "GSM", else nothing runs
constexpr int GUI_SERIAL_NUMBER = 150;
constexpr int GUI_FLASH_GAUGE = 321;
constexpr int GUI_TIME_ZONE = 1000;
constexpr int GUI_FLOW_AREA = 2000;
constexpr int GUI_FLOW_PPB_ENABLED = 2001;
constexpr int GUI_TX_LAMP = 10001;
constexpr int GUI_RX_LAMP = 10002;

// The codes of gui_action: what a window asks the controller to do.
constexpr int GUI_ACTION_REFRESH_PORTS = 8;
constexpr int GUI_ACTION_CONNECT = 9;
constexpr int GUI_ACTION_DISCONNECT = 11;
constexpr int GUI_ACTION_SAVE_TIME_ZONE = 13;
constexpr int GUI_ACTION_SAVE_CONNECTION = 17;

// The output channel of the lines of an operation's outcome.
constexpr int OUTPUT_CHANNEL_OPERATION = 1;
constexpr int OUTPUT_CHANNEL_GSM = 4;
