#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One MSCP message: destination, source, port and payload. On the wire (before
// the line framing) it is dest, src, n, port, the n payload bytes and a checksum
// chosen so that all n + 5 bytes sum to 0xFF modulo 256.
namespace sim {

struct Frame {
    uint8_t dest = 0;
    uint8_t src = 0;
    uint8_t port = 0;
    std::vector<uint8_t> payload;
};

enum class FrameCheck {
    ok,
    too_short,      // fewer than 6 bytes: no command byte
    size_mismatch,  // n + 5 differs from the byte count
    bad_checksum,
};

// 0xFF minus the byte sum of the bytes, modulo 256.
uint8_t mscp_checksum(const uint8_t* bytes, std::size_t count);

// The frame's bytes with its checksum; empty when the payload is longer than a
// frame can carry.
std::vector<uint8_t> encode_frame(const Frame& frame);

// Checks raw bytes and, when they are a well-formed frame, fills out.
FrameCheck decode_frame(const std::vector<uint8_t>& raw, Frame& out);

}  // namespace sim
