#include "tools/logger_sim/line_framing.h"

namespace sim {

std::vector<uint8_t> frame_for_line(const std::vector<uint8_t>& message)
{
    std::vector<uint8_t> line;
    line.reserve(message.size() * 2 + 3);
    line.push_back(wake_up_byte);
    line.push_back(frame_start);
    for (uint8_t byte : message) {
        if (byte == frame_start || byte == frame_end || byte == frame_escape) {
            line.push_back(frame_escape);
            line.push_back(static_cast<uint8_t>(byte ^ 0x40));
        } else {
            line.push_back(byte);
        }
    }
    line.push_back(frame_end);
    return line;
}

std::optional<std::vector<uint8_t>> FrameCollector::take(uint8_t byte)
{
    if (byte == frame_start) {
        message.clear();
        state = State::inside;
        return std::nullopt;
    }
    if (byte == frame_end) {
        bool complete = (state == State::inside || state == State::escaped) && !message.empty();
        state = State::outside;
        if (!complete)
            return std::nullopt;
        std::vector<uint8_t> done;
        done.swap(message);
        return done;
    }
    if (state == State::outside || state == State::overflowed)
        return std::nullopt;
    if (state == State::inside && byte == frame_escape) {
        state = State::escaped;
        return std::nullopt;
    }
    uint8_t value = state == State::escaped ? static_cast<uint8_t>(byte ^ 0x40) : byte;
    state = State::inside;
    if (message.size() == max_message) {
        message.clear();
        state = State::overflowed;
        return std::nullopt;
    }
    message.push_back(value);
    return std::nullopt;
}

void FrameCollector::reset()
{
    state = State::outside;
    message.clear();
}

}  // namespace sim
