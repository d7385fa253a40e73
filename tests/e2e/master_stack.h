#pragma once

// The operation master's stack as calyxo_basic builds it, without windows:
// module resource, master and link selector, with a main window that records
// what it is asked to show. Shared by the end-to-end fixtures and by the fuzz
// target that plays the logger's answers to the same stack.

#include <map>
#include <string>
#include <vector>

#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/main_window_port.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"

namespace e2e_test {

// The main window as the master sees it: it records what it is asked to show
// and confirms the station chooser with the port it is given (none: the
// chooser is cancelled).
class Trecording_main_window : public Tmain_window_port {
public:
    void show_busy(bool on) override { calls.push_back(on ? "busy on" : "busy off"); }
    void show_connection_state() override { calls.push_back("connection state"); }
    void show_station_id() override { calls.push_back("station id"); }
    void set_status_refresh(bool on) override { calls.push_back(on ? "refresh on" : "refresh off"); }
    void show_result(const char*) override {}
    void show_health(const Tflash_parser_data*) override {}
    void show_com_setting(const char* key, const char* value) override { com_settings[key] = value; }
    void show_pulse_meter_form() override { ++pulse_meter_forms; }
    void set_text_window(const char* text) override { text_window = text; }
    bool select_station(Tcomport*& chosen) override
    {
        chosen = port;
        return port != nullptr;
    }
    void pending_tick() override {}

    Tcomport* port = nullptr;
    std::vector<std::string> calls;
    std::map<std::string, std::string> com_settings;
    int pulse_meter_forms = 0;
    std::string text_window;
};

// The stack, wired as the program wires it. The station chooser offers
// `port` once choosePort has named it.
struct Tmaster_stack {
    Tmaster_stack() { master.initLinks(module, io, window); }

    // The station's port: COM<com> at 38400 baud unless told otherwise.
    void choosePort(const std::string& name, int rate = 38400)
    {
        port.rate = rate;
        name.copy(port.port, sizeof port.port - 1);
        window.port = &port;
    }

    Tcomport port;
    Trecording_main_window window;
    Tmlp_io io;
    Tmodule_resource module;
    Tcalyxo_master master;
};

}  // namespace e2e_test
