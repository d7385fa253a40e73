#include "tests/tools/raw_line_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

RawLineClient::RawLineClient(const std::string& device)
{
    fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&settings, B9600);
    tcsetattr(fd, TCSANOW, &settings);
}

RawLineClient::~RawLineClient()
{
    if (fd >= 0)
        ::close(fd);
}

void RawLineClient::sendBytes(const std::vector<uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count > 0) {
            done += static_cast<std::size_t>(count);
            continue;
        }
        pollfd out{fd, POLLOUT, 0};
        if (poll(&out, 1, 5000) <= 0)
            return;
    }
}

void RawLineClient::send(uint8_t dest, uint8_t port, const std::vector<uint8_t>& payload)
{
    sendBytes(sim::frame_for_line(sim::encode_frame(sim::Frame{dest, 0, port, payload})));
}

bool RawLineClient::readSome(std::chrono::milliseconds timeout)
{
    pollfd in{fd, POLLIN, 0};
    if (poll(&in, 1, static_cast<int>(timeout.count())) <= 0)
        return false;
    uint8_t buffer[512];
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    ++read_count;
    for (ssize_t i = 0; i < count; ++i)
        if (auto message = collector.take(buffer[i]))
            ready.push_back(*message);
    return true;
}

std::optional<std::vector<uint8_t>> RawLineClient::receiveRaw(std::chrono::milliseconds timeout)
{
    Clock::time_point deadline = Clock::now() + timeout;
    while (ready.empty()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !readSome(left))
            return std::nullopt;
    }
    std::vector<uint8_t> message = ready.front();
    ready.erase(ready.begin());
    return message;
}

std::optional<sim::Frame> RawLineClient::receive(std::chrono::milliseconds timeout)
{
    Clock::time_point deadline = Clock::now() + timeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        std::optional<std::vector<uint8_t>> raw = receiveRaw(std::max(left, std::chrono::milliseconds(0)));
        if (!raw)
            return std::nullopt;
        sim::Frame frame;
        if (sim::decode_frame(*raw, frame) == sim::FrameCheck::ok)
            return frame;
    }
}

bool RawLineClient::waitHangUp(std::chrono::milliseconds timeout)
{
    Clock::time_point deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        pollfd in{fd, POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (poll(&in, 1, static_cast<int>(left.count())) <= 0)
            return false;
        if (in.revents & (POLLHUP | POLLERR))
            return true;
        uint8_t buffer[512];
        if (::read(fd, buffer, sizeof buffer) <= 0)
            return true;
    }
    return false;
}
