#pragma once

// What the link and end-to-end tests share: the event pump on a manual signal
// window, a private ports folder, a listener that records what reaches it, and
// the tick that the main window would give once a second.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/background_job.h"
#include "base/event_resource.h"
#include "data/flash_parser_hooks.h"
#include "link/basicio_dump.h"
#include "link/mlp_io.h"
#include "link/module_view.h"
#include "link/transaction_file.h"
#include "base/time_calendar.h"
#include "platform/manual_signal_window.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "tools/logger_sim/logger.h"

namespace link_test {

constexpr int generous_ms = 10000;

// Records "<resource>:<event>" for every event it is told of.
class Tlistener : public Tsequence {
public:
    void OnNotification(Tmy_event* event) override
    {
        if (event)
            heard.push_back(std::string(event->getResourceName()) + ":" + event->getName());
    }
    int count(const std::string& what) const
    {
        int n = 0;
        for (const std::string& one : heard)
            n += one == what ? 1 : 0;
        return n;
    }

    std::vector<std::string> heard;
};

// Sets $CALYXO_PORTS_DIR to a fresh folder for its lifetime.
class Tports_folder {
public:
    Tports_folder()
    {
        const char* previous = std::getenv("CALYXO_PORTS_DIR");
        had_previous = previous != nullptr;
        saved = previous ? previous : "";
        setenv("CALYXO_PORTS_DIR", folder.path().c_str(), 1);
    }
    ~Tports_folder()
    {
        if (had_previous)
            setenv("CALYXO_PORTS_DIR", saved.c_str(), 1);
        else
            unsetenv("CALYXO_PORTS_DIR");
    }
    Tports_folder(const Tports_folder&) = delete;
    Tports_folder& operator=(const Tports_folder&) = delete;

    const std::string& path() const { return folder.path(); }

private:
    Ttemp_dir folder;
    bool had_previous = false;
    std::string saved;
};

// A logger whose flow loop takes readings on its own (real) clock: true once
// it has taken a reading after the `taken` ones, which then counts them, or at
// once while no loop runs. A test gives the program's next second only after
// it, so that the program never asks ahead of the logger.
inline bool wait_for_reading(sim::Logger& logger, unsigned& taken)
{
    const unsigned before = taken;
    const bool ready = logger.waitUntil(
        [before](const sim::State& s) { return s.schedule.flow_left == 0 || s.schedule.flow_taken > before; },
        std::chrono::milliseconds(generous_ms));
    taken = logger.read([](const sim::State& s) { return s.schedule.flow_taken; });
    return ready;
}

// The GUI thread's event queue on a manual window, attached for its lifetime;
// the shared state of the link starts afresh: the module view, the installed
// hooks, the transaction counter and the log record.
class Tevent_pump {
public:
    Tevent_pump()
    {
        event_queue_attach(&window);
        window.pumpAll();
        module_view = Tmodule_view();
        flash_parser_hooks_install(nullptr);
        gsm_dump_display_install(nullptr);
        transaction_reset_counter();
        recorded::clear_log();
        recorded::clear_gui();
    }
    ~Tevent_pump()
    {
        window.pumpAll();
        event_queue_detach();
    }
    Tevent_pump(const Tevent_pump&) = delete;
    Tevent_pump& operator=(const Tevent_pump&) = delete;

    bool until(const std::function<bool()>& done) { return window.pumpUntil(done, generous_ms); }
    bool untilLogged(const std::string& text)
    {
        return until([&] { return recorded::log_contains(text); });
    }
    // The last message handed to the serial port has left it, and every event
    // it caused has been handled: the next send cannot be refused as busy.
    bool settle(Tmlp_io& io)
    {
        const bool written = until([&] { return !io.com.serial.win32->write_in_progress.load(); });
        window.pumpAll();
        return written;
    }
    // Whether a simulated device's side of the line is quiet with the program's
    // serial port: the device owes nothing, and while the port is open the
    // device has seen it open, has read every byte the port wrote and the port
    // every byte the device wrote (counted at both ends: the pty hands bytes
    // over late, so that neither end sees the other's bytes at once). A port
    // still open on a line the device has closed or left is not quiet: the
    // program has yet to hear of it.
    using Tpeer_quiet = std::function<bool(const Tserial_resource&)>;
    template <class Device>
    static Tpeer_quiet quiet_device(const Device& device)
    {
        return [&device](const Tserial_resource& serial) {
            if (!device.idle())
                return false;
            if (!serial.is_open())
                return serial.win32->connections.load() == serial.win32->disconnections.load();
            const sim::LineCounts line = device.lineCounts();
            return line.listening && line.read == serial.win32->bytes_sent.load() &&
                   line.written == serial.win32->bytes_received.load();
        };
    }
    // Pumps until done holds or the line is quiet: nothing goes out of the
    // serial port, the device is quiet with it, no event waits and no job
    // of the program runs in the background. Only then
    // may a test move the clock on, so that virtual time never runs ahead of
    // the device however slow the machine. False when neither came within the
    // generous limit (a fault of its own).
    bool untilLineQuiet(Tmlp_io& io, const Tpeer_quiet& peer_quiet, const std::function<bool()>& done)
    {
        const Tserial_resource& serial = io.com.serial;
        return window.pumpUntil(
            [&] {
                return done() || (!serial.win32->write_in_progress.load() && peer_quiet(serial) &&
                                  window.pumpAll() == 0 && Tbackground_job::runningCount() == 0);
            },
            generous_ms);
    }
    // The same for a simulated logger or probe.
    template <class Device>
    bool untilQuiet(Tmlp_io& io, const Device& device, const std::function<bool()>& done)
    {
        return untilLineQuiet(io, quiet_device(device), done);
    }

    Tmanual_signal_window window;
};

// time_now() follows the pump's virtual clock from start (seconds) for the
// object's lifetime, so that what arrives on different ticks gets different times.
class Tvirtual_time {
public:
    Tvirtual_time(const Tevent_pump& pump, unsigned start)
    {
        base_ms() = static_cast<unsigned long long>(start) * 1000 - pump.window.nowMs();
        window() = &pump.window;
        time_set_clock(&read);
    }
    ~Tvirtual_time()
    {
        time_set_clock(nullptr);
        window() = nullptr;
    }
    Tvirtual_time(const Tvirtual_time&) = delete;
    Tvirtual_time& operator=(const Tvirtual_time&) = delete;

private:
    static unsigned long long& base_ms()
    {
        static unsigned long long ms = 0;
        return ms;
    }
    static const Tmanual_signal_window*& window()
    {
        static const Tmanual_signal_window* pumped = nullptr;
        return pumped;
    }
    static unsigned read() { return static_cast<unsigned>((base_ms() + window()->nowMs()) / 1000); }
};

inline int count_logged(const std::string& text)
{
    int n = 0;
    for (const std::string& line : recorded::log_lines())
        n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
}

// Starts the simulated logger in the ports folder with its clock stopped at
// seconds, so that every time it reports is known.
inline ::testing::AssertionResult start_logger(sim::Logger& logger, const Tports_folder& ports, uint32_t seconds)
{
    if (!logger.start({0, ports.path()}))
        return ::testing::AssertionFailure() << logger.error();
    logger.update([seconds](sim::State& s) {
        s.clock.set(seconds);
        s.clock.setRunning(false);
    });
    return ::testing::AssertionSuccess();
}

inline std::string com_port_name(int number)
{
    return "\\\\.\\COM" + std::to_string(number);
}

}  // namespace link_test
