#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The serial line framing of MSCP messages: a wake-up byte 0xFF, '$', the
// message with '$', '!' and '~' sent as '~' and the byte XOR 0x40, then '!'.
namespace sim {

constexpr uint8_t wake_up_byte = 0xFF;
constexpr uint8_t frame_start = '$';
constexpr uint8_t frame_end = '!';
constexpr uint8_t frame_escape = '~';

// The bytes that go on the line for one message.
std::vector<uint8_t> frame_for_line(const std::vector<uint8_t>& message);

// Collects messages from the line byte by byte. '$' opens (and reopens) a frame
// anywhere, '!' closes it, bytes outside a frame are dropped and an empty frame
// is ignored. A frame that grows beyond max_message bytes cannot be a message:
// it is dropped whole and collection waits for the next '$'.
class FrameCollector {
public:
    static constexpr std::size_t max_message = 255;

    // A complete message when this byte closed one.
    std::optional<std::vector<uint8_t>> take(uint8_t byte);
    void reset();

private:
    enum class State { outside, inside, escaped, overflowed };
    State state = State::outside;
    std::vector<uint8_t> message;
};

}  // namespace sim
