#include "tests/tools/probe_line_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

speed_t speed_of(unsigned baud)
{
    return baud == 38400 ? B38400 : B9600;
}

}  // namespace

ProbeLineClient::ProbeLineClient(const std::string& device, unsigned baud)
{
    fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&settings, speed_of(baud));
    tcsetattr(fd, TCSANOW, &settings);
}

ProbeLineClient::~ProbeLineClient()
{
    if (fd >= 0)
        ::close(fd);
}

void ProbeLineClient::send(uint8_t byte)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::write(fd, &byte, 1) == 1)
            return;
        pollfd out{fd, POLLOUT, 0};
        poll(&out, 1, 50);
    }
}

bool ProbeLineClient::readSome(std::chrono::milliseconds timeout)
{
    pollfd in{fd, POLLIN, 0};
    if (poll(&in, 1, static_cast<int>(timeout.count())) <= 0)
        return false;
    char buffer[512];
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    pending.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::optional<std::string> ProbeLineClient::readLine(std::chrono::milliseconds timeout)
{
    Clock::time_point deadline = Clock::now() + timeout;
    std::size_t end = std::string::npos;
    while ((end = pending.find('\n')) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !readSome(left))
            return std::nullopt;
    }
    std::string line = pending.substr(0, end + 1);
    pending.erase(0, end + 1);
    return line;
}
