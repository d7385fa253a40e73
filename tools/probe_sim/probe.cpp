#include "tools/probe_sim/probe.h"

#include <algorithm>
#include <ctime>
#include <unistd.h>

namespace probe_sim {

namespace {

// "hh:mm:ss dd.mm.yy n": the probe's clock and its answer count.
std::string clock_words(unsigned answer)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%02d %u", local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_mday, local.tm_mon + 1, local.tm_year % 100, answer);
    return text;
}

}  // namespace

Probe::Probe() = default;

Probe::~Probe()
{
    stop();
}

bool Probe::start(const Options& options)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (running) {
        failure = "the probe is already running";
        return false;
    }
    if (!device.open(options.ports_dir, options.com)) {
        failure = device.error();
        return false;
    }
    source.restart(setup.script.seed);
    stopping = false;
    listener = false;
    running = true;
    thread = std::thread(&Probe::run, this);
    return true;
}

void Probe::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!running)
            return;
        stopping = true;
    }
    device.wake();
    thread.join();
    std::lock_guard<std::mutex> lock(mutex);
    device.close();
    outgoing.clear();
    written = 0;
    running = false;
}

std::string Probe::error() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return failure;
}

std::string Probe::devicePath() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return device.pty().devicePath();
}

int Probe::comNumber() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return device.ports().com();
}

unsigned Probe::lineBaud() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return device.pty().baud();
}

void Probe::update(const std::function<void(Setup&)>& change)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        change(setup);
        source.restart(setup.script.seed);
    }
    device.wake();
}

std::vector<Heard> Probe::heard() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return journal;
}

std::vector<std::string> Probe::sent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return lines_sent;
}

void Probe::clearJournal()
{
    std::lock_guard<std::mutex> lock(mutex);
    journal.clear();
    lines_sent.clear();
}

std::size_t Probe::commandCount() const
{
    return static_cast<std::size_t>(std::count_if(journal.begin(), journal.end(), [](const Heard& h) {
        return h.outcome != Heard::Outcome::ignored;
    }));
}

bool Probe::waitForCommands(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return commandCount() >= n; });
}

bool Probe::waitForSent(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return lines_sent.size() >= n; });
}

bool Probe::idle() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return !running || outgoing.empty();
}

sim::LineCounts Probe::lineCounts() const
{
    std::lock_guard<std::mutex> lock(mutex);
    sim::LineCounts counts = line_counts;
    counts.listening = listener;
    return counts;
}

// ---- the thread ----

void Probe::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        Clock::time_point now = Clock::now();
        // Seen before the wait, which may block until the program writes.
        if (!listener && device.present())
            listenerCame();
        if (listener)
            writeDue(now);
        bool want_write = listener && !outgoing.empty() && outgoing.front().due <= now;
        int timeout = -1;
        if (!outgoing.empty() && !want_write)
            timeout = sim::milliseconds_until(outgoing.front().due, now);
        lock.unlock();
        sim::DeviceLine::Seen seen = device.wait(want_write, timeout);
        lock.lock();
        if (stopping)
            break;
        now = Clock::now();
        if (seen.listener && !listener)
            listenerCame();
        if (seen.readable) {
            uint8_t buffer[256];
            ssize_t count = 0;
            while ((count = ::read(device.pty().fd(), buffer, sizeof buffer)) > 0) {
                line_counts.read += static_cast<unsigned long>(count);
                for (ssize_t i = 0; i < count; ++i)
                    onByte(buffer[i], now);
            }
        }
        if (!seen.listener && listener) {
            // The program that listened went: nobody hears what would go out
            // now, and a pty would keep it for the next reader.
            listener = false;
            outgoing.clear();
            written = 0;
        }
        changed.notify_all();
    }
    changed.notify_all();
}

void Probe::onByte(uint8_t byte, Clock::time_point now)
{
    Heard entry;
    entry.byte = byte;
    entry.line_baud = device.pty().baud();
    if (!is_measure_command(byte)) {
        entry.outcome = Heard::Outcome::ignored;
    } else if (entry.line_baud != setup.baud) {
        entry.outcome = Heard::Outcome::wrong_baud;
    } else if (setup.misbehaviour.silent) {
        entry.outcome = Heard::Outcome::silent;
    } else {
        entry.outcome = Heard::Outcome::answered;
        // Answers leave in the order of their commands, however the delay changed.
        Clock::time_point due = now + setup.misbehaviour.late;
        if (!outgoing.empty())
            due = std::max(due, outgoing.back().due);
        outgoing.push_back(Outgoing{answerFor(byte), due});
    }
    journal.push_back(entry);
}

std::string Probe::answerFor(uint8_t command)
{
    ++answers;
    if (setup.misbehaviour.garbage) {
        std::string bytes;
        for (std::size_t i = 0; i < setup.misbehaviour.garbage_length; ++i)
            bytes += static_cast<char>(source.garbageByte());
        return setup.misbehaviour.garbage_line_end ? bytes + "\r\n" : bytes;
    }
    return answer_line(command, source.take(setup.script), setup.script, clock_words(answers));
}

void Probe::listenerCame()
{
    listener = true;
    line_counts = {};
    changed.notify_all();
}

void Probe::writeDue(Clock::time_point now)
{
    while (!outgoing.empty() && outgoing.front().due <= now) {
        const std::string& bytes = outgoing.front().bytes;
        ssize_t count = ::write(device.pty().fd(), bytes.data() + written, bytes.size() - written);
        if (count < 0)
            return;  // full (EAGAIN) or gone: the poll says which
        written += static_cast<std::size_t>(count);
        line_counts.written += static_cast<unsigned long>(count);
        if (written < bytes.size())
            return;
        lines_sent.push_back(bytes);
        outgoing.pop_front();
        written = 0;
    }
}

}  // namespace probe_sim
