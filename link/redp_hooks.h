#pragma once

#include <cstdint>

// What a program does when one of the module resource's REDP exchanges ends.
// Every hook is empty unless the program installs its own (the main program's
// firmware update does).
class Tredp_hooks {
public:
    virtual ~Tredp_hooks() = default;
    // No answer within the socket's retries.
    virtual void on_redp_timeout() {}
    // The serial line went away while the exchange waited for its answer.
    virtual void on_redp_line_lost() {}
    virtual void on_redp_set_done() {}
    // value: the first 4 answer data bytes, most significant first.
    virtual void on_redp_get_done(uint32_t value) { (void)value; }
    virtual void on_redp_mem_w_range_done() {}
    virtual void on_redp_mem_r_range_done(const uint8_t* data, unsigned count)
    {
        (void)data;
        (void)count;
    }
    // The logger answered with a code other than OK: the exchange did not happen.
    virtual void on_redp_refused(uint8_t command, uint8_t code)
    {
        (void)command;
        (void)code;
    }
};
