#include "tools/logger_sim/logger.h"

#include "tools/logger_sim/acquisition_schedule.h"
#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/dump_messages.h"
#include "tools/logger_sim/gtp_commands.h"
#include "tools/logger_sim/plain_ports.h"
#include "tools/logger_sim/redp_commands.h"

#include <algorithm>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

Logger::Logger() = default;

Logger::~Logger()
{
    stop();
}

bool Logger::start(const Options& options)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (running) {
        failure = "the logger is already running";
        return false;
    }
    if (!device.open(options.ports_dir, options.com)) {
        failure = device.error();
        return false;
    }
    stopping = false;
    listener = false;
    running = true;
    thread = std::thread(&Logger::run, this);
    return true;
}

void Logger::stop()
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
    transmitter.discard();
    btp.reset();
    collector.reset();
    late_timers.clear();
    running = false;
}

std::string Logger::error() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return failure;
}

std::string Logger::devicePath() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return device.pty().devicePath();
}

int Logger::comNumber() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return device.ports().com();
}

unsigned Logger::lineBaud() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return device.pty().baud();
}

unsigned Logger::lineGeneration() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return generation;
}

void Logger::update(const std::function<void(State&)>& change)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        change(state);
    }
    device.wake();
}

void Logger::releaseLate()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        Time now = Clock::now();
        for (auto& entry : late_timers)
            if (responders[entry.first].holdsLate())
                releasePort(entry.first, now);
    }
    device.wake();
}

bool Logger::sendFrame(uint8_t port, const Bytes& payload)
{
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        queued = queueUnsolicited(port, payload);
    }
    device.wake();
    return queued;
}

bool Logger::sendDump(uint8_t code, const Bytes& content)
{
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        queued = queueUnsolicited(port::basicio, make_dump(state, code, content));
    }
    device.wake();
    return queued;
}

bool Logger::queueUnsolicited(uint8_t port, const Bytes& payload)
{
    if (payload.empty() || payload.size() > max_payload)
        return false;
    queueFrame(Frame{0, state.address, port, payload}, std::nullopt, Clock::now());
    return true;
}

std::vector<Received> Logger::received() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return journal;
}

void Logger::clearReceived()
{
    std::lock_guard<std::mutex> lock(mutex);
    journal.clear();
    wait_cursor = 0;
}

std::optional<Received> Logger::waitFor(const Match& match, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    Time deadline = Clock::now() + timeout;
    while (true) {
        for (std::size_t i = wait_cursor; i < journal.size(); ++i)
            if (match.matches(journal[i])) {
                wait_cursor = i + 1;
                return journal[i];
            }
        if (Clock::now() >= deadline)
            return std::nullopt;
        changed.wait_until(lock, deadline);
    }
}

bool Logger::waitUntil(const std::function<bool(const State&)>& predicate, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return predicate(state); });
}

bool Logger::waitForListener(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return listener; });
}

bool Logger::idle() const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!running)
        return true;
    if (!transmitter.idle() || (btp && listener))
        return false;
    for (const auto& entry : late_timers)
        if (entry.second.release_at || entry.second.repeat_at)
            return false;
    return true;
}

LineCounts Logger::lineCounts() const
{
    std::lock_guard<std::mutex> lock(mutex);
    LineCounts counts;
    counts.listening = listener;
    counts.read = line_read;
    counts.written = transmitter.written() - line_written_base;
    return counts;
}

unsigned Logger::executions(const Command& command) const
{
    std::lock_guard<std::mutex> lock(mutex);
    auto found = runs.find(command);
    return found == runs.end() ? 0 : found->second;
}

// ---- the thread ----

void Logger::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        Time now = Clock::now();
        serviceTimers(now);
        for (const Bytes& dump : run_due_acquisitions(state, now))
            if (listener)
                queueUnsolicited(port::basicio, dump);
        topUpStream(now);
        if (listener) {
            writeLine(now);
            // The next frame of a stream is queued now, or the poll below
            // would wait for input that a stream never gets.
            topUpStream(now);
        }
        if (!pollLine(lock, now))
            break;
        changed.notify_all();
    }
    changed.notify_all();
}

bool Logger::pollLine(std::unique_lock<std::mutex>& lock, Time now)
{
    // Seen before the wait, which may block until the program writes.
    if (!listener && device.present())
        listenerCame();
    std::optional<Time> deadline = nextDeadline();
    std::optional<Time> next_write = transmitter.nextWrite();
    bool want_write = listener && next_write && *next_write <= now;
    lock.unlock();
    DeviceLine::Seen seen = device.wait(want_write, deadline ? milliseconds_until(*deadline, now) : -1);
    lock.lock();
    if (stopping)
        return false;
    now = Clock::now();
    if (seen.listener && !listener)
        listenerCame();
    if (seen.readable)
        readLine(now);
    // Only a listener that was seen can go: what was queued before anyone
    // opened the line waits for the first one.
    if (!seen.listener && listener)
        listenerGone();
    return true;
}

void Logger::readLine(Time now)
{
    uint8_t buffer[512];
    ssize_t count = 0;
    while ((count = ::read(device.pty().fd(), buffer, sizeof buffer)) > 0) {
        line_read += static_cast<unsigned long>(count);
        for (ssize_t i = 0; i < count; ++i)
            if (std::optional<Bytes> message = collector.take(buffer[i]))
                onMessage(*message, now);
    }
}

void Logger::writeLine(Time now)
{
    if (transmitter.write(device.pty().fd(), now, device.pty().baud(), state.pace_output) != Transmitter::Result::line_cut)
        return;
    if (state.misbehaviour.close_for_good) {
        // The device is gone: its pty closes and nothing takes its place.
        device.pty().close();
        ++generation;
        listenerGone();
        return;
    }
    reopenLine();
}

void Logger::listenerCame()
{
    listener = true;
    collector.reset();
    line_read = 0;
    line_written_base = transmitter.written();
    changed.notify_all();
}

void Logger::listenerGone()
{
    // Nobody hears what would go out now; a pty would keep it for the next reader.
    listener = false;
    transmitter.discard();
    btp.reset();
    collector.reset();
}

void Logger::reopenLine()
{
    PtyLine fresh;
    if (fresh.open()) {
        if (!device.ports().repoint(fresh.devicePath()))
            failure = device.ports().error();
        device.pty() = std::move(fresh);  // closes the old master: the program sees the line drop
    } else {
        failure = fresh.error();
        device.pty().close();
    }
    ++generation;
    listenerGone();
}

void Logger::serviceTimers(Time now)
{
    for (auto& entry : late_timers) {
        uint8_t port = entry.first;
        LateTimer& timer = entry.second;
        if (timer.release_at && now >= *timer.release_at)
            releasePort(port, now);
        if (!timer.repeat_at || now < *timer.repeat_at)
            continue;
        std::optional<CcpResponder::Out> out = responders[port].outstanding();
        if (!out || timer.repeats_left == 0) {
            timer.repeat_at.reset();
            continue;
        }
        sendCcp(port, state.address, timer.to, *out, now);
        --timer.repeats_left;
        timer.repeat_at = now + state.late_repeat;
    }
}

void Logger::topUpStream(Time now)
{
    while (btp && listener && transmitter.idle()) {
        std::optional<Bytes> payload = btp->next(state);
        if (!payload) {
            btp.reset();
            return;
        }
        queueFrame(Frame{btp_destination, state.address, port::btp, *payload}, Command{port::btp, btp::start}, now);
    }
}

std::optional<Logger::Time> Logger::nextDeadline() const
{
    std::optional<Time> deadline = transmitter.nextWrite();
    auto consider = [&deadline](const std::optional<Time>& time) {
        if (time && (!deadline || *time < *deadline))
            deadline = time;
    };
    for (const auto& entry : late_timers) {
        consider(entry.second.release_at);
        consider(entry.second.repeat_at);
    }
    consider(next_acquisition_due(state, Clock::now()));
    return deadline;
}

// ---- messages ----

void Logger::onMessage(const Bytes& raw, Time now)
{
    Received entry;
    entry.raw = raw;
    Frame frame;
    entry.valid = decode_frame(raw, frame) == FrameCheck::ok;
    if (raw.size() >= 4) {
        entry.dest = raw[0];
        entry.src = raw[1];
        entry.port = raw[3];
    }
    if (raw.size() >= 5)
        entry.payload.assign(raw.begin() + 4, raw.end() - 1);
    journal.push_back(entry);
    if (!entry.valid || frame.dest != state.address)
        return;
    switch (frame.port) {
    case port::pipo:
    case port::basicio:
        onPlain(frame, now);
        break;
    case port::btp:
        onBtp(frame);
        break;
    case port::gtp:
    case port::redp:
        onCcp(frame, now);
        break;
    default:
        break;
    }
}

void Logger::onPlain(const Frame& frame, Time now)
{
    Command command{frame.port, frame.payload[0]};
    ++runs[command];
    std::vector<Bytes> answers;
    if (frame.port == port::basicio)
        answers = run_basicio(state, frame.payload);
    else if (std::optional<Bytes> answer = run_pipo(state, frame.payload))
        answers.push_back(*answer);
    for (const Bytes& answer : answers)
        queueFrame(Frame{frame.src, state.address, frame.port, answer}, command, now);
}

void Logger::onBtp(const Frame& frame)
{
    uint8_t command = frame.payload[0];
    ++runs[Command{port::btp, command}];
    if (command == btp::start && frame.payload.size() == 9) {
        btp.emplace(state, get_be32(&frame.payload[1]), get_be32(&frame.payload[5]));
        btp_destination = frame.src;
    } else if (command == btp::stop) {
        btp.reset();
    }
}

void Logger::onCcp(const Frame& frame, Time now)
{
    CcpResponder& responder = responders[frame.port];
    uint8_t own_address = state.address;
    Effects effects;
    std::vector<CcpResponder::Out> outs = responder.onFrame(
        frame.payload, [&](uint8_t command, const Bytes& body) { return execute(frame.port, command, body, effects); });
    if (effects.restart) {
        if (!state.update.answer_jumps)
            outs.clear();
        restartProgram();
    }
    if (effects.late) {
        LateTimer timer;
        timer.to = frame.src;
        if (!effects.late->manual)
            timer.release_at = now + effects.late->delay;
        late_timers[frame.port] = timer;
    } else if (!responder.holdsLate() && !responder.outstanding()) {
        late_timers.erase(frame.port);
    }
    for (const CcpResponder::Out& out : outs) {
        sendCcp(frame.port, own_address, frame.src, out, now);
        if (out.late)
            armRepeat(frame.port, now);
    }
    for (const Bytes& dump : effects.dumps)
        queueFrame(Frame{frame.src, state.address, port::basicio, dump}, std::nullopt, now);
}

CcpResponder::Exchange Logger::execute(uint8_t port, uint8_t command, const Bytes& body, Effects& effects)
{
    Command key{port, command};
    CcpResponder::Exchange exchange;
    if (state.misbehaviour.refuse.count(key)) {
        exchange.code = ccp::fail;
        return exchange;
    }
    ++runs[key];
    Outcome outcome =
        port == port::gtp ? run_gtp_command(state, command, body) : run_redp_command(state, command, body);
    exchange.code = outcome.code;
    exchange.data = outcome.data;
    const Misbehaviour& misbehaviour = state.misbehaviour;
    auto parts = misbehaviour.multipart.find(key);
    if (parts != misbehaviour.multipart.end())
        exchange.part_size = parts->second;
    auto pending = misbehaviour.pending.find(key);
    if (pending != misbehaviour.pending.end())
        effects.late = pending->second;
    else if (outcome.late)
        effects.late = LateRule{state.hold_acquisitions, state.acquisition_time};
    if (outcome.restart)
        effects.late.reset();
    exchange.late = effects.late.has_value();
    effects.dumps = outcome.dumps;
    effects.restart = outcome.restart;
    return exchange;
}

void Logger::restartProgram()
{
    // A new program knows no CCP session and no transfer of the old one.
    for (auto& entry : responders)
        entry.second.reset();
    late_timers.clear();
    btp.reset();
}

void Logger::sendCcp(uint8_t port, uint8_t from, uint8_t to, const CcpResponder::Out& out, Time now)
{
    CcpResponder::Out sent = out;
    if (state.misbehaviour.wrong_sequence_answers > 0) {
        --state.misbehaviour.wrong_sequence_answers;
        ++sent.seq;
    }
    queueFrame(Frame{to, from, port, sent.payload()}, Command{port, out.answers}, now);
}

void Logger::armRepeat(uint8_t port, Time now)
{
    LateTimer& timer = late_timers[port];
    timer.repeat_at = now + state.late_repeat;
    timer.repeats_left = state.late_repeats;
}

void Logger::releasePort(uint8_t port, Time now)
{
    LateTimer& timer = late_timers[port];
    timer.release_at.reset();
    std::optional<CcpResponder::Out> out = responders[port].release();
    if (!out)
        return;
    sendCcp(port, state.address, timer.to, *out, now);
    armRepeat(port, now);
}

void Logger::queueFrame(Frame frame, std::optional<Command> answers, Time now)
{
    transmitter.send(std::move(frame), answers, state.misbehaviour, now);
}

}  // namespace sim
