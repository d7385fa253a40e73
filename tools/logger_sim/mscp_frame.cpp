#include "tools/logger_sim/mscp_frame.h"

#include "tools/logger_sim/protocol.h"

namespace sim {

uint8_t mscp_checksum(const uint8_t* bytes, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

std::vector<uint8_t> encode_frame(const Frame& frame)
{
    if (frame.payload.size() > max_payload)
        return {};
    std::vector<uint8_t> raw;
    raw.reserve(frame.payload.size() + 5);
    raw.push_back(frame.dest);
    raw.push_back(frame.src);
    raw.push_back(static_cast<uint8_t>(frame.payload.size()));
    raw.push_back(frame.port);
    raw.insert(raw.end(), frame.payload.begin(), frame.payload.end());
    raw.push_back(mscp_checksum(raw.data(), raw.size()));
    return raw;
}

FrameCheck decode_frame(const std::vector<uint8_t>& raw, Frame& out)
{
    if (raw.size() < 6)
        return FrameCheck::too_short;
    if (static_cast<std::size_t>(raw[2]) + 5 != raw.size())
        return FrameCheck::size_mismatch;
    if (mscp_checksum(raw.data(), raw.size() - 1) != raw.back())
        return FrameCheck::bad_checksum;
    out.dest = raw[0];
    out.src = raw[1];
    out.port = raw[3];
    out.payload.assign(raw.begin() + 4, raw.end() - 1);
    return FrameCheck::ok;
}

}  // namespace sim
