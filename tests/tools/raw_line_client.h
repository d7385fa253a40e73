#pragma once

#include "tools/logger_sim/line_framing.h"
#include "tools/logger_sim/mscp_frame.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The programs' end of the line, reduced to what the tests need: opens a COM
// link of the ports folder in raw mode, sends frames as a program frames them
// and collects the logger's frames with poll and a time-out.
class RawLineClient {
public:
    explicit RawLineClient(const std::string& device);
    ~RawLineClient();
    RawLineClient(const RawLineClient&) = delete;
    RawLineClient& operator=(const RawLineClient&) = delete;

    bool isOpen() const { return fd >= 0; }
    void sendBytes(const std::vector<uint8_t>& bytes);
    // A frame from the PC (address 0) to the logger.
    void send(uint8_t dest, uint8_t port, const std::vector<uint8_t>& payload);

    // The next message off the line (its raw bytes, checksum not checked).
    std::optional<std::vector<uint8_t>> receiveRaw(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The next message that decodes as a frame.
    std::optional<sim::Frame> receive(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until the logger closed its side of the line.
    bool waitHangUp(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // How many reads returned data so far.
    unsigned reads() const { return read_count; }

private:
    int fd = -1;
    sim::FrameCollector collector;
    std::vector<std::vector<uint8_t>> ready;
    unsigned read_count = 0;

    // Reads what is there within the timeout; false on hang-up or time-out.
    bool readSome(std::chrono::milliseconds timeout);
};
