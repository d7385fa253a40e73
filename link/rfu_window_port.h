#pragma once

// What the firmware update shows and times through its window.
class Trfu_window_port {
public:
    virtual ~Trfu_window_port() = default;
    // A step line; null clears the lines.
    virtual void rfu_log(const char* text) = 0;
    // kind 2 starts a list of value entries, kind 1 shows value entries done.
    virtual void rfu_progress(int kind, int value) = 0;
    // Calls the update's rfu_on_timer once after ms milliseconds.
    virtual void rfu_wait(int ms) = 0;
    // The update stopped on an error: show it and let the user start again.
    virtual void rfu_failed(const char* text) = 0;
};
