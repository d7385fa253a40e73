#include "tools/logger_sim/pty_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace sim {

namespace {

struct SpeedName {
    speed_t speed;
    unsigned baud;
};

constexpr SpeedName speeds[] = {
    {B300, 300},     {B600, 600},     {B1200, 1200},     {B2400, 2400},     {B4800, 4800},
    {B9600, 9600},   {B19200, 19200}, {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400},
};

constexpr unsigned unknown_baud = 9600;

}  // namespace

PtyLine::~PtyLine()
{
    close();
}

PtyLine::PtyLine(PtyLine&& other) noexcept
    : master(std::exchange(other.master, -1)), device(std::move(other.device)), failure(std::move(other.failure))
{
}

PtyLine& PtyLine::operator=(PtyLine&& other) noexcept
{
    if (this != &other) {
        close();
        master = std::exchange(other.master, -1);
        device = std::move(other.device);
        failure = std::move(other.failure);
    }
    return *this;
}

bool PtyLine::open()
{
    close();
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        failure = std::string("openpty: ") + std::strerror(errno);
        master = -1;
        return false;
    }
    // Raw from the start, so that nothing the logger writes is echoed back
    // before a program opens the device and sets its own mode.
    termios settings{};
    if (tcgetattr(slave, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetspeed(&settings, B9600);
        tcsetattr(slave, TCSANOW, &settings);
    }
    // The logger keeps no slave open: a closed slave is how it sees that nobody listens.
    ::close(slave);
    int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    device = name;
    return true;
}

void PtyLine::close()
{
    if (master >= 0)
        ::close(master);
    master = -1;
    device.clear();
}

unsigned PtyLine::baud() const
{
    termios settings{};
    if (master < 0 || tcgetattr(master, &settings) != 0)
        return unknown_baud;
    speed_t speed = cfgetospeed(&settings);
    for (const SpeedName& known : speeds)
        if (known.speed == speed)
            return known.baud;
    return unknown_baud;
}

}  // namespace sim
