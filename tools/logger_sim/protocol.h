#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>

// Numbers of the logger's wire protocol: ports, CCP codes and the commands the
// simulated logger acts on.
namespace sim {

namespace port {
constexpr uint8_t pipo = 0x20;
constexpr uint8_t basicio = 0x22;
constexpr uint8_t btp = 0x24;
constexpr uint8_t gtp = 0x81;
constexpr uint8_t redp = 0xA3;
}  // namespace port

// Command byte 0x01 and the codes from 0xF0 up mean the same on every CCP port;
// a frame whose first payload byte is below 0xF0 (and not 0x01) is a request.
namespace ccp {
constexpr uint8_t init = 0x01;
constexpr uint8_t ok = 0xF0;
constexpr uint8_t fail = 0xF1;
constexpr uint8_t pending = 0xF2;
constexpr uint8_t late_ack = 0xF4;
constexpr uint8_t next = 0xF5;
constexpr uint8_t part_first = 0xF6;
constexpr uint8_t part = 0xF7;
}  // namespace ccp

namespace gtp {
constexpr uint8_t mms_range = 'Q';
constexpr uint8_t var_set = 'S';
constexpr uint8_t var_get = 'T';
constexpr uint8_t mem_write = 'X';
constexpr uint8_t eeprom_read = 'Z';
constexpr uint8_t control = '[';
constexpr uint8_t out_set = '\\';
constexpr uint8_t parameter_get = ']';
}  // namespace gtp

namespace redp {
constexpr uint8_t mem_write = 0x6C;
constexpr uint8_t mem_read = 0x6E;
constexpr uint8_t control = 0x83;
constexpr uint8_t set = 0x90;
constexpr uint8_t get = 0x91;
}  // namespace redp

namespace btp {
constexpr uint8_t start = 'A';
constexpr uint8_t stop = 'Z';
}  // namespace btp

namespace pipo {
constexpr uint8_t ping = 'P';  // the request is the text "PING"
constexpr uint8_t break_loop = 'L';
constexpr uint8_t status_text = 'P';
}  // namespace pipo

namespace basicio {
constexpr uint8_t modem_command = 'C';
}  // namespace basicio

// A request kind: the port and the command byte (payload byte 0).
struct Command {
    uint8_t port = 0;
    uint8_t command = 0;
    bool operator<(const Command& other) const
    {
        return std::tie(port, command) < std::tie(other.port, other.command);
    }
    bool operator==(const Command& other) const
    {
        return port == other.port && command == other.command;
    }
};

// The largest payload a frame can carry (its length n + 5 must fit in one byte).
constexpr std::size_t max_payload = 250;

}  // namespace sim
