#include "tools/logger_sim/received_frame.h"

namespace sim {

namespace {
bool is_ccp_port(uint8_t port)
{
    return port == port::gtp || port == port::redp;
}
}  // namespace

std::optional<uint8_t> Received::sequence() const
{
    if (!is_ccp_port(port) || payload.size() < 2)
        return std::nullopt;
    return payload[1];
}

std::vector<uint8_t> Received::body() const
{
    std::size_t skip = is_ccp_port(port) ? 2 : 1;
    if (payload.size() <= skip)
        return {};
    return std::vector<uint8_t>(payload.begin() + static_cast<std::ptrdiff_t>(skip), payload.end());
}

bool Match::matches(const Received& frame) const
{
    return frame.valid && (!port || *port == frame.port) && (!command || *command == frame.command());
}

}  // namespace sim
