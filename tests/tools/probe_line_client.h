#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A program's end of the probe's line: opens the device in raw mode at a baud
// rate, sends command bytes and reads what comes back with poll and a time-out.
class ProbeLineClient {
public:
    ProbeLineClient(const std::string& device, unsigned baud);
    ~ProbeLineClient();
    ProbeLineClient(const ProbeLineClient&) = delete;
    ProbeLineClient& operator=(const ProbeLineClient&) = delete;

    bool isOpen() const { return fd >= 0; }
    void send(uint8_t byte);
    // Bytes up to and with the next line feed; none when the time-out passes first.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    int fd = -1;
    std::string pending;

    bool readSome(std::chrono::milliseconds timeout);
};
