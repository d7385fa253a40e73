#include "programs/start/module_view_hooks.h"

#include "link/module_view.h"

void Tmodule_view_hooks::setAcqValue(unsigned type, uint32_t value_bits)
{
    module_view.setAcqValue(static_cast<int>(type), value_bits);
}

void Tmodule_view_hooks::clearAcqValues(unsigned type)
{
    module_view.clearAcqValues(static_cast<int>(type));
}

void Tmodule_view_hooks::setAcqSubValue(unsigned type, int index, float value)
{
    module_view.setAcqSubValue(static_cast<int>(type), index, value);
}
