#pragma once

#include <cstdint>

#include "base/xml.h"
#include "link/redp_hooks.h"

class Tcalyxo_master;
class Trfu_window_port;

// Replaces a logger's firmware in two stages over REDP: the running firmware
// takes the update program from the file's /RFU lists and jumps into it, which
// then takes the new firmware from the /FIRMWARE lists and jumps into that.
// Each stage: probe, init, clear, the memory lines (up to three consecutive
// ones per write), the CRC checks, the jump. The module resource reports every
// finished exchange through the hooks, which advance the one update state.
// Every failure ends the update in state 0 with a log line and rfu_failed.
class Tfirmware_update : public Tredp_hooks {
public:
    explicit Tfirmware_update(Tcalyxo_master& master);

    void setWindow(Trfu_window_port* port) { window = port; }

    // Loads and checks the file; 0 on success, else 1 and "Program" refuses.
    int rfu_load_file(const char* path);
    void rfu_start();
    // 0 when the step is under way, 1 when nothing is to do or a list is done.
    int rfu_step(uint32_t step_state);
    // The window's timer expired.
    void rfu_on_timer();

    void on_redp_timeout() override;
    void on_redp_line_lost() override;
    void on_redp_set_done() override;
    void on_redp_get_done(uint32_t value) override;
    void on_redp_mem_w_range_done() override;
    void on_redp_mem_r_range_done(const uint8_t* data, unsigned count) override;
    void on_redp_refused(uint8_t command, uint8_t code) override;

    uint32_t state() const { return update_state; }
    bool loaded() const { return file_loaded; }

private:
    // The first entry of a list of the current stage; 1 when it has none.
    int startList(bool data, uint32_t next_state);
    int nextEntry(bool data);
    void sendEntry();
    void checkEntry();
    // A step of the state that a hook moved to; text when it cannot start.
    void advance(uint32_t next_state, const char* error);
    // A refused request: the update stops with an error.
    void sent(bool refused);
    void fail(const char* text);
    // The new firmware runs: a new REDP session, and in extension mode its
    // rate and address again.
    void leaveUpdateProgram();
    void log(const char* text);
    void progress(int kind, int value);
    void wait(int ms);

    Tcalyxo_master& master;
    Trfu_window_port* window = nullptr;
    myXMLdocument document;
    bool file_loaded = false;
    uint32_t update_state = 0;
    Txml_element data_cursor = nullptr;
    Txml_element crc_cursor = nullptr;
    int count = 0;
    uint16_t expected_crc = 0;
    // The link was switched to the update program's rate and address.
    bool link_switched = false;
};
