#include "tools/logger_sim/btp_stream.h"

#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/protocol.h"

#include <algorithm>

namespace sim {

namespace {
constexpr std::size_t max_chunk = max_payload - 4;
}

BtpStream::BtpStream(State& state, uint32_t address, uint32_t length)
    : at(address), end(std::min<uint64_t>(uint64_t{address} + length, state.flash_size))
{
    for (BtpHole& hole : state.btp_holes) {
        uint64_t hole_end = uint64_t{hole.address} + hole.length;
        if (hole.streams == 0 || hole_end <= at || hole.address >= end)
            continue;
        skips.emplace_back(hole.address, hole_end);
        --hole.streams;
    }
    state.btp_holes.erase(std::remove_if(state.btp_holes.begin(), state.btp_holes.end(),
                                         [](const BtpHole& hole) { return hole.streams == 0; }),
                          state.btp_holes.end());
}

std::optional<std::vector<uint8_t>> BtpStream::next(const State& state)
{
    bool moved = true;
    while (moved) {
        moved = false;
        for (const auto& skip : skips)
            if (at >= skip.first && at < skip.second) {
                at = skip.second;
                moved = true;
            }
    }
    if (at >= end)
        return std::nullopt;
    uint64_t stop = std::min<uint64_t>(end, at + std::clamp<std::size_t>(state.btp_chunk, 1, max_chunk));
    for (const auto& skip : skips)
        if (skip.first > at)
            stop = std::min(stop, skip.first);
    std::vector<uint8_t> payload;
    put_be32(payload, static_cast<uint32_t>(at));
    std::vector<uint8_t> data = state.flashBytes(static_cast<uint32_t>(at), static_cast<std::size_t>(stop - at));
    payload.insert(payload.end(), data.begin(), data.end());
    at = stop;
    return payload;
}

}  // namespace sim
