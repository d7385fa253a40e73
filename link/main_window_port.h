#pragma once

class Tcomport;
struct Tflash_parser_data;

// What the operation master shows through the main window. The program
// supplies the window's side; the master only calls it, on the GUI thread.
class Tmain_window_port {
public:
    virtual ~Tmain_window_port() = default;

    // An operation runs (true) or has ended (false).
    virtual void show_busy(bool busy) = 0;
    // The master's link and access states changed; they are read back from it.
    virtual void show_connection_state() = 0;
    virtual void show_station_id() = 0;
    // The status page is redrawn every second while a status read runs.
    virtual void set_status_refresh(bool on) = 0;
    // The result window shows a measurement XML file.
    virtual void show_result(const char* xml_path) = 0;
    // The probes health page shows one time step; null clears it.
    virtual void show_health(const Tflash_parser_data* step) = 0;
    virtual void show_com_setting(const char* key, const char* value) = 0;
    virtual void show_pulse_meter_form() = 0;
    virtual void set_text_window(const char* text) = 0;
    // The station chooser, run modally: false when it was not confirmed (port
    // untouched), else true with the chosen connection, null for none.
    virtual bool select_station(Tcomport*& port) = 0;
    // The pending window's one-second tick.
    virtual void pending_tick() = 0;
};
