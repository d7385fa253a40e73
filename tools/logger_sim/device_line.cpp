#include "tools/logger_sim/device_line.h"

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

// While nobody has the line open, look again this often.
constexpr int listener_check_ms = 20;

void set_nonblocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

int milliseconds_until(std::chrono::steady_clock::time_point deadline, std::chrono::steady_clock::time_point now)
{
    if (deadline <= now)
        return 0;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(wait, 60000));
}

DeviceLine::~DeviceLine()
{
    close();
}

bool DeviceLine::open(const std::string& ports_dir, int com)
{
    if (!line.open()) {
        failure = line.error();
        return false;
    }
    if (!registry.add(ports_dir.empty() ? default_ports_dir() : ports_dir, com, line.devicePath())) {
        failure = registry.error();
        line.close();
        return false;
    }
    if (pipe(wake_pipe) != 0) {
        failure = "cannot make the wake-up pipe";
        wake_pipe[0] = wake_pipe[1] = -1;
        registry.remove();
        line.close();
        return false;
    }
    set_nonblocking(wake_pipe[0]);
    set_nonblocking(wake_pipe[1]);
    return true;
}

void DeviceLine::close()
{
    registry.remove();
    line.close();
    closePipe();
}

void DeviceLine::closePipe()
{
    for (int& fd : wake_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void DeviceLine::wake()
{
    uint8_t byte = 1;
    if (wake_pipe[1] >= 0 && ::write(wake_pipe[1], &byte, 1) < 0) {
        // Full: the thread is awake anyway.
    }
}

bool DeviceLine::present() const
{
    const int fd = line.fd();
    pollfd check{fd, POLLIN, 0};
    return fd >= 0 && poll(&check, 1, 0) >= 0 && !(check.revents & POLLHUP);
}

DeviceLine::Seen DeviceLine::wait(bool want_write, int timeout_ms)
{
    int fd = line.fd();
    const bool present = this->present();
    if (!present)
        timeout_ms = timeout_ms < 0 ? listener_check_ms : std::min(timeout_ms, listener_check_ms);
    pollfd fds[2] = {{wake_pipe[0], POLLIN, 0}, {fd, static_cast<short>(POLLIN | (want_write ? POLLOUT : 0)), 0}};
    poll(fds, present ? 2 : 1, timeout_ms);

    uint8_t drain[64];
    while (::read(wake_pipe[0], drain, sizeof drain) > 0) {
    }
    Seen seen;
    seen.readable = present && (fds[1].revents & POLLIN);
    // Not present before: a program may have opened the line during the wait.
    seen.listener = present ? !(fds[1].revents & (POLLHUP | POLLERR)) : this->present();
    return seen;
}

}  // namespace sim
