#include "platform/serial_port.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int line_sample_ms = 200;

struct Tbaud_speed {
    int baud;
    speed_t speed;
};

constexpr Tbaud_speed baud_speeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool set_speed(termios* tio, int baud) {
    for (const Tbaud_speed& entry : baud_speeds) {
        if (entry.baud == baud) {
            return cfsetispeed(tio, entry.speed) == 0 && cfsetospeed(tio, entry.speed) == 0;
        }
    }
    return false;
}

bool set_frame(termios* tio, const Tserial_settings& settings) {
    tio->c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    switch (settings.data_bits) {
        case 5: tio->c_cflag |= CS5; break;
        case 6: tio->c_cflag |= CS6; break;
        case 7: tio->c_cflag |= CS7; break;
        case 8: tio->c_cflag |= CS8; break;
        default: return false;
    }
    if (settings.parity == 1) {
        tio->c_cflag |= PARENB | PARODD;
    } else if (settings.parity == 2) {
        tio->c_cflag |= PARENB;
    }
    if (settings.stop_bits == 2) {
        tio->c_cflag |= CSTOPB;
    } else if (settings.stop_bits != 1) {
        return false;
    }
    if (settings.flow == 1) {
        tio->c_cflag |= CRTSCTS;
    } else if (settings.flow == 2) {
        tio->c_iflag |= IXON | IXOFF;
    }
    return true;
}

// Devices without modem lines (pseudo-terminals) refuse these ioctls; that is
// no reason to refuse the port.
bool modem_ioctl(int fd, unsigned long request, int lines) {
    if (lines == 0 || ioctl(fd, request, &lines) == 0) {
        return true;
    }
    return errno == ENOTTY || errno == EINVAL;
}

bool set_modem_lines(int fd, int flow) {
    int on = TIOCM_RTS | TIOCM_DTR;
    int off = 0;
    if (flow == 3) {
        on = TIOCM_DTR;
        off = TIOCM_RTS;
    } else if (flow == 4) {
        on = 0;
        off = TIOCM_RTS | TIOCM_DTR;
    }
    return modem_ioctl(fd, TIOCMBIS, on) && modem_ioctl(fd, TIOCMBIC, off);
}

bool apply_settings(int fd, const Tserial_settings& settings) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    // One byte completes a read; with 0 a read of an empty queue would look
    // like the end of the device.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (!set_frame(&tio, settings) || !set_speed(&tio, settings.baud)) {
        return false;
    }
    return tcsetattr(fd, TCSANOW, &tio) == 0 && set_modem_lines(fd, settings.flow);
}

bool is_retry(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

}  // namespace

Tserial_port::Tserial_port(Tserial_port_listener* port_listener)
    : listener(port_listener), wakeup_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Tserial_port::~Tserial_port() {
    close();
    if (wakeup_fd >= 0) {
        ::close(wakeup_fd);
    }
}

unsigned Tserial_port::open(const char* device_path, const Tserial_settings& settings) {
    close();
    unsigned result = 0;
    int fd = device_path ? ::open(device_path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0 || ioctl(fd, TIOCEXCL) != 0) {
        result |= SERIAL_OPEN_DEVICE_FAILED;
    } else if (!apply_settings(fd, settings)) {
        result |= SERIAL_OPEN_SETTINGS_FAILED;
    }
    if (wakeup_fd < 0) {
        result |= SERIAL_OPEN_NO_WAKEUP;
    }
    if (result != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return result;
    }

    // Nothing of an earlier connection may reach this one: no stop request
    // left by a close after that worker had ended, no stale buffers.
    std::uint64_t stale = 0;
    while (read(wakeup_fd, &stale, sizeof stale) > 0) {
    }
    {
        std::lock_guard<std::mutex> guard(request_lock);
        requests = 0;
    }
    read_transfer = {};
    write_transfer = {};
    monitor_lines = settings.monitor_lines;
    {
        std::lock_guard<std::mutex> guard(device_lock);
        device_fd = fd;
    }
    int lines = 0;
    sample_lines = monitor_lines && ioctl(fd, TIOCMGET, &lines) == 0;
    last_lines = lines;

    running = true;
    worker = std::thread(&Tserial_port::run, this);
    return 0;
}

void Tserial_port::close() {
    if (worker.joinable()) {
        raise(REQUEST_STOP);
        worker.join();
    }
    closeDevice();
}

void Tserial_port::requestRead(void* buffer, unsigned length) {
    {
        std::lock_guard<std::mutex> guard(request_lock);
        requested_read.data = static_cast<unsigned char*>(buffer);
        requested_read.length = buffer ? length : 0;
    }
    raise(REQUEST_READ);
}

void Tserial_port::requestWrite(const void* data, unsigned length) {
    {
        std::lock_guard<std::mutex> guard(request_lock);
        requested_write.data = static_cast<const unsigned char*>(data);
        requested_write.length = data ? length : 0;
    }
    raise(REQUEST_WRITE);
}

bool Tserial_port::setBaudrate(int baud) {
    std::lock_guard<std::mutex> guard(device_lock);
    termios tio{};
    return device_fd >= 0 && tcgetattr(device_fd, &tio) == 0 && set_speed(&tio, baud) &&
           tcsetattr(device_fd, TCSANOW, &tio) == 0;
}

void Tserial_port::raise(unsigned request) {
    {
        std::lock_guard<std::mutex> guard(request_lock);
        requests |= request;
    }
    std::uint64_t one = 1;
    // Only a full counter refuses, and then the worker is woken already.
    (void)!write(wakeup_fd, &one, sizeof one);
}

void Tserial_port::run() {
    listener->onConnected();
    for (;;) {
        pollfd fds[2] = {{wakeup_fd, POLLIN, 0}, {device_fd, 0, 0}};
        if (read_transfer.active) {
            fds[1].events |= POLLIN;
        }
        if (write_transfer.active) {
            fds[1].events |= POLLOUT;
        }
        if (poll(fds, 2, sample_lines ? line_sample_ms : -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((fds[0].revents & POLLIN) && !takeRequests()) {
            break;
        }
        const short device_events = fds[1].revents;
        if ((device_events & POLLIN) && read_transfer.active && !readSome()) {
            break;
        }
        if ((device_events & POLLOUT) && write_transfer.active && !writeSome()) {
            break;
        }
        if (device_events & (POLLHUP | POLLERR | POLLNVAL)) {
            break;
        }
        if (sample_lines) {
            sampleLines();
        }
    }
    running = false;
    closeDevice();
    listener->onDisconnected();
}

bool Tserial_port::takeRequests() {
    std::uint64_t count = 0;
    while (read(wakeup_fd, &count, sizeof count) > 0) {
    }
    std::lock_guard<std::mutex> guard(request_lock);
    const unsigned taken = requests;
    requests = 0;
    if (taken & REQUEST_STOP) {
        return false;
    }
    // A request while the previous transfer still runs is not a new one.
    if ((taken & REQUEST_READ) && !read_transfer.active) {
        read_transfer = requested_read;
        read_transfer.done = 0;
        read_transfer.active = read_transfer.length > 0;
    }
    if ((taken & REQUEST_WRITE) && !write_transfer.active) {
        write_transfer = requested_write;
        write_transfer.done = 0;
        write_transfer.active = true;
    }
    return true;
}

bool Tserial_port::readSome() {
    Ttransfer<unsigned char>& t = read_transfer;
    const ssize_t n = read(device_fd, t.data + t.done, t.length - t.done);
    if (n > 0) {
        t.done += static_cast<unsigned>(n);
        if (monitor_lines) {
            reportLines(false, false, true, modemLines());
        }
        if (t.done == t.length) {
            t.active = false;
            listener->onDataArrived(t.length);
        }
        return true;
    }
    // 0 is the end of the device (the other side of a pseudo-terminal closed).
    return n < 0 && is_retry(errno);
}

bool Tserial_port::writeSome() {
    Ttransfer<const unsigned char>& t = write_transfer;
    if (t.done < t.length) {
        const ssize_t n = write(device_fd, t.data + t.done, t.length - t.done);
        if (n < 0) {
            return is_retry(errno);
        }
        t.done += static_cast<unsigned>(n);
    }
    if (t.done == t.length) {
        t.active = false;
        listener->onDataSent();
    }
    return true;
}

int Tserial_port::modemLines() const {
    int lines = 0;
    if (ioctl(device_fd, TIOCMGET, &lines) != 0) {
        return 0;
    }
    return lines;
}

void Tserial_port::sampleLines() {
    const int lines = modemLines();
    const bool ring = (lines & TIOCM_RI) && !(last_lines & TIOCM_RI);
    const bool carrier_changed = ((lines ^ last_lines) & TIOCM_CD) != 0;
    last_lines = lines;
    if (ring || carrier_changed) {
        reportLines(ring, carrier_changed, false, lines);
    }
}

void Tserial_port::reportLines(bool ring, bool carrier_changed, bool received_char, int lines) {
    Tserial_line_events events;
    events.ring = ring;
    events.carrier_changed = carrier_changed;
    events.received_char = received_char;
    events.ring_on = (lines & TIOCM_RI) != 0;
    events.carrier_on = (lines & TIOCM_CD) != 0;
    listener->onLineEvents(events);
}

void Tserial_port::closeDevice() {
    std::lock_guard<std::mutex> guard(device_lock);
    if (device_fd >= 0) {
        ::close(device_fd);
        device_fd = -1;
    }
}
