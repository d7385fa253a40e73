#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "link/calyxo_master.h"
#include "programs/basic/command_master.h"

// Records every start as text ("start_set_var(33,5,0)"); refuses when told.
class Trecording_master : public Tcommand_master {
public:
    std::vector<std::string> calls;
    bool refuse = false;
    int upload_result = 0;
    std::string upload_error_text;
    // The texts handed to the modem, byte for byte.
    std::vector<std::string> sent;

    bool start_connect() override { return note("start_connect()"); }
    bool start_disconnect() override { return note("start_disconnect()"); }
    void stop() override { note("stop()"); }
    bool start_status() override { return note("start_status()"); }
    int start_eeprom_upload_file(const char* path) override
    {
        note("start_eeprom_upload_file(%s)", path);
        return upload_result;
    }
    const char* upload_error() const override { return upload_error_text.c_str(); }
    bool start_quick_sync(uint32_t period) override { return note("start_quick_sync(%u)", period); }
    bool start_set_var(uint8_t id, uint32_t value, uint8_t flag) override
    {
        return note("start_set_var(%u,%u,%u)", id, value, flag);
    }
    bool start_add_var(uint8_t id, int32_t delta) override { return note("start_add_var(%u,%d)", id, delta); }
    bool start_eeprom_download(uint8_t mask, uint8_t mode) override
    {
        return note("start_eeprom_download(%u,%u)", mask, mode);
    }
    bool start_parameter_get(uint8_t id) override { return note("start_parameter_get(%u)", id); }
    bool start_control(uint8_t type) override { return note("start_control(%u)", type); }
    bool start_out_control(uint8_t kind, uint8_t mask, uint8_t value) override
    {
        return note("start_out_control(%u,%u,%u)", kind, mask, value);
    }
    int start_program_snr(uint32_t snr) override
    {
        return note("start_program_snr(%u)", snr) ? Tcalyxo_master::UPLOAD_REFUSED : 0;
    }
    bool start_key_and_mac(uint32_t snr, int key_mode) override
    {
        return note("start_key_and_mac(%u,%d)", snr, key_mode);
    }
    bool start_get_health() override { return note("start_get_health()"); }
    bool start_download(uint32_t start, uint32_t count, bool incremental) override
    {
        return note("start_download(%u,%u,%d)", start, count, incremental ? 1 : 0);
    }
    bool start_macro_read() override { return note("start_macro_read()"); }
    bool start_com_settings_upload() override { return note("start_com_settings_upload()"); }
    void setParameter(const char* key, const char* value) override { note("setParameter(%s,%s)", key, value); }
    void send_basicio_command(const char* text, unsigned length) override
    {
        sent.emplace_back(text, length);
        note("send_basicio_command(%u)", length);
    }
    void ping() override { note("ping()"); }
    void break_loop() override { note("break_loop()"); }
    const char* refusal_reason() const override { return "no logger is connected"; }

    std::string joined() const
    {
        std::string all;
        for (const std::string& call : calls)
            all += (all.empty() ? "" : "; ") + call;
        return all;
    }

private:
    __attribute__((format(printf, 2, 3))) bool note(const char* format, ...)
    {
        char text[200];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        calls.emplace_back(text);
        return refuse;
    }
};
