#pragma once

#include <cstdint>

class Tcalyxo_master;

// What the main window's commands start. Each start method is true when the
// master refused (busy or not connected). The program forwards to the
// operation master; the tests record the calls.
class Tcommand_master {
public:
    virtual ~Tcommand_master() = default;

    // The decode mode of start_eeprom_download that reads the COM settings.
    static constexpr uint8_t decode_com_settings = 0;

    virtual bool start_connect() = 0;
    virtual bool start_disconnect() = 0;
    // The running sequence stopped, with no requester.
    virtual void stop() = 0;
    virtual bool start_status() = 0;
    // The setup's error bits, 1 without station, Tcalyxo_master::UPLOAD_REFUSED, else 0.
    virtual int start_eeprom_upload_file(const char* path) = 0;
    // Why the last start_eeprom_upload_file found nothing to upload (the
    // file unread, no station, the first compile error); empty otherwise.
    virtual const char* upload_error() const = 0;
    virtual bool start_quick_sync(uint32_t period) = 0;
    virtual bool start_set_var(uint8_t id, uint32_t value, uint8_t flag) = 0;
    virtual bool start_add_var(uint8_t id, int32_t delta) = 0;
    virtual bool start_eeprom_download(uint8_t mask, uint8_t mode) = 0;
    virtual bool start_parameter_get(uint8_t id) = 0;
    virtual bool start_control(uint8_t type) = 0;
    virtual bool start_out_control(uint8_t kind, uint8_t mask, uint8_t value) = 0;
    virtual int start_program_snr(uint32_t snr) = 0;
    virtual bool start_key_and_mac(uint32_t snr, int key_mode) = 0;
    virtual bool start_get_health() = 0;
    virtual bool start_download(uint32_t start, uint32_t count, bool incremental) = 0;
    virtual bool start_macro_read() = 0;
    virtual bool start_com_settings_upload() = 0;
    virtual void setParameter(const char* key, const char* value) = 0;
    // A text for the logger's modem (BASICIO command 'C'; the module resource
    // sends at most 58 bytes of it).
    virtual void send_basicio_command(const char* text, unsigned length) = 0;
    // The module resource's ping (the next status text logged) and break loop.
    virtual void ping() = 0;
    virtual void break_loop() = 0;
    // Why the last start was refused, in the words of the log.
    virtual const char* refusal_reason() const = 0;
};

// The commands' master in the program: the operation master and its module resource.
class Tmaster_commands : public Tcommand_master {
public:
    explicit Tmaster_commands(Tcalyxo_master& operation_master) : master(operation_master) {}

    bool start_connect() override;
    bool start_disconnect() override;
    void stop() override;
    bool start_status() override;
    int start_eeprom_upload_file(const char* path) override;
    const char* upload_error() const override;
    bool start_quick_sync(uint32_t period) override;
    bool start_set_var(uint8_t id, uint32_t value, uint8_t flag) override;
    bool start_add_var(uint8_t id, int32_t delta) override;
    bool start_eeprom_download(uint8_t mask, uint8_t mode) override;
    bool start_parameter_get(uint8_t id) override;
    bool start_control(uint8_t type) override;
    bool start_out_control(uint8_t kind, uint8_t mask, uint8_t value) override;
    int start_program_snr(uint32_t snr) override;
    bool start_key_and_mac(uint32_t snr, int key_mode) override;
    bool start_get_health() override;
    bool start_download(uint32_t start, uint32_t count, bool incremental) override;
    bool start_macro_read() override;
    bool start_com_settings_upload() override;
    void setParameter(const char* key, const char* value) override;
    void send_basicio_command(const char* text, unsigned length) override;
    void ping() override;
    void break_loop() override;
    const char* refusal_reason() const override;

private:
    Tcalyxo_master& master;
};
