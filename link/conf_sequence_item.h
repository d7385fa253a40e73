#pragma once

#include <cstdint>

// One step of a configuration sequence; the module resource's control block is
// one of kind 1 too: its control length counts the command byte and up to five
// data bytes.
struct Tconf_sequence_item {
    enum : uint8_t {
        KIND_END = 0,
        KIND_GET_VAR = 1,
        KIND_READ_PAGE = 2,
        KIND_WRITE_PAGE = 3,
        KIND_CONTROL = 4,
        KIND_SET_VAR = 5,
        KIND_SET_VAR_FROM_GET = 6,
    };
    static constexpr int max_control_length = 6;

    explicit Tconf_sequence_item(uint8_t item_kind);

    // Command byte first, then min(count, 5) data bytes (none for null data).
    void setControl(uint8_t command, const uint8_t* data, unsigned count);

    uint8_t kind;
    uint8_t variable_id = 0;
    uint8_t verify_failed = 0;
    uint32_t value = 0;
    uint8_t page = 0;
    uint8_t buffer[256] = {};
    uint16_t length = 0;
    uint8_t control_length = 0;
    uint8_t control[max_control_length] = {};
};
