#include "programs/basic/command_master.h"

#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "programs/basic/start_refusal.h"

bool Tmaster_commands::start_connect() { return master.start_connect(); }
bool Tmaster_commands::start_disconnect() { return master.start_disconnect(); }
void Tmaster_commands::stop() { master.stop(nullptr); }
bool Tmaster_commands::start_status() { return master.start_status(); }
int Tmaster_commands::start_eeprom_upload_file(const char* path) { return master.start_eeprom_upload_file(path); }
const char* Tmaster_commands::upload_error() const { return master.setup.uploadError(); }
bool Tmaster_commands::start_quick_sync(uint32_t period) { return master.start_quick_sync(period); }
bool Tmaster_commands::start_set_var(uint8_t id, uint32_t value, uint8_t flag)
{
    return master.start_set_var(id, value, flag);
}
bool Tmaster_commands::start_add_var(uint8_t id, int32_t delta) { return master.start_add_var(id, delta); }
bool Tmaster_commands::start_eeprom_download(uint8_t mask, uint8_t mode)
{
    return master.start_eeprom_download(mask, mode);
}
bool Tmaster_commands::start_parameter_get(uint8_t id) { return master.start_parameter_get(id); }
bool Tmaster_commands::start_control(uint8_t type) { return master.start_control(type); }
bool Tmaster_commands::start_out_control(uint8_t kind, uint8_t mask, uint8_t value)
{
    return master.start_out_control(kind, mask, value);
}
int Tmaster_commands::start_program_snr(uint32_t snr) { return master.start_program_snr(snr); }
bool Tmaster_commands::start_key_and_mac(uint32_t snr, int key_mode) { return master.start_key_and_mac(snr, key_mode); }
bool Tmaster_commands::start_get_health() { return master.start_get_health(); }
bool Tmaster_commands::start_download(uint32_t start, uint32_t count, bool incremental)
{
    return master.start_download(start, count, incremental);
}
bool Tmaster_commands::start_macro_read() { return master.start_macro_read(); }
bool Tmaster_commands::start_com_settings_upload() { return master.start_com_settings_upload(); }
void Tmaster_commands::setParameter(const char* key, const char* value) { master.setParameter(key, value); }

void Tmaster_commands::send_basicio_command(const char* text, unsigned length)
{
    master.send_basicio_command(text, length);
}

void Tmaster_commands::ping()
{
    module_view.ping_text = 1;
    if (master.module)
        master.module->mscp_pipo_sendPing();
}

void Tmaster_commands::break_loop()
{
    if (master.module)
        master.module->mscp_pipo_sendBreakLoop();
}

const char* Tmaster_commands::refusal_reason() const { return start_refusal_reason(master); }
