// The master hands the firmware update's REDP exchanges to its module resource.
#include "link/calyxo_master.h"
#include "link/module_resource.h"

bool Tcalyxo_master::redp_set(uint8_t id, uint32_t value)
{
    return !module || module->start_redp_set(id, value);
}

bool Tcalyxo_master::redp_get(uint8_t id)
{
    return !module || module->start_redp_get(id);
}

bool Tcalyxo_master::redp_mem_write(uint32_t address, const uint8_t* data, unsigned count)
{
    return !module || module->start_redp_mem_write(address, data, count);
}

bool Tcalyxo_master::redp_mem_read(uint32_t address, unsigned count)
{
    return !module || module->start_redp_mem_read(address, count);
}

void Tcalyxo_master::redp_stop()
{
    if (module)
        module->stop_redp();
}

void Tcalyxo_master::redp_restart_session()
{
    if (module)
        module->restart_redp_session();
}
