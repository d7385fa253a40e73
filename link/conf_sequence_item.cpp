#include "link/conf_sequence_item.h"

#include <cstring>

Tconf_sequence_item::Tconf_sequence_item(uint8_t item_kind) : kind(item_kind) {}

void Tconf_sequence_item::setControl(uint8_t command, const uint8_t* data, unsigned count)
{
    const unsigned kept = data ? (count < max_control_length - 1u ? count : max_control_length - 1u) : 0;
    control[0] = command;
    if (kept)
        std::memcpy(control + 1, data, kept);
    control_length = static_cast<uint8_t>(kept + 1);
}
