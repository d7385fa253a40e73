#pragma once

#include "tools/logger_sim/device_line.h"
#include "tools/probe_sim/probe_script.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A simulated fluorometer probe on a pseudo-terminal, registered as a COM port
// in the ports folder as the simulated logger registers itself:
//
//   probe_sim::Probe probe;
//   probe.update([](probe_sim::Setup& s) { probe_sim::apply_lamp_text("A:120:35", s.script); });
//   ASSERT_TRUE(probe.start({0, ports_dir})) << probe.error();   // com<N> -> /dev/pts/K
//   ... the program opens "\\\\.\\COM" + probe.comNumber() at 9600 baud and sends 'O' ...
//   ASSERT_TRUE(probe.waitForCommands(1, 5s));
//
// Each byte 0x40-0x4F asks for one reading of the lamps in its low four bits;
// the answer is one text line. Other bytes are ignored. One thread reads the
// line and writes the answers; all it touches is guarded by one lock.
namespace probe_sim {

struct Options {
    int com = 0;            // COM number to register; 0 picks the lowest free one
    std::string ports_dir;  // empty: $CALYXO_PORTS_DIR, else ~/.config/calyxo/ports
};

// Faults on request; they hold until changed.
struct Misbehaviour {
    bool silent = false;                     // commands are heard and not answered
    std::chrono::milliseconds late{0};       // each answer waits this long
    bool garbage = false;                    // random bytes in place of the answer
    std::size_t garbage_length = 48;         // bytes of a garbage answer
    bool garbage_line_end = true;            // the garbage ends with CR LF
};

struct Setup {
    Script script;
    Misbehaviour misbehaviour;
    unsigned baud = 9600;  // commands at another line speed are not understood
};

// One byte the probe heard, and what became of it.
struct Heard {
    enum class Outcome { answered, silent, ignored, wrong_baud };
    uint8_t byte = 0;
    Outcome outcome = Outcome::ignored;
    unsigned line_baud = 0;
};

class Probe {
public:
    Probe();
    ~Probe();  // stops
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    // Opens the pty, registers it and starts the thread. False (error() says
    // why) when the pty or the link cannot be made, or when already running.
    bool start(const Options& options = {});
    // Stops the thread, removes the link and closes the pty. Safe to call twice.
    void stop();
    std::string error() const;

    std::string devicePath() const;
    int comNumber() const;
    unsigned lineBaud() const;  // what the program set on its side of the line

    // Changes the setup under the lock. A change restarts the drift and the
    // noise from the script's seed.
    void update(const std::function<void(Setup&)>& change);

    // Every byte heard since the start (or clearJournal), in order, and every
    // line sent (garbage included).
    std::vector<Heard> heard() const;
    std::vector<std::string> sent() const;
    void clearJournal();
    // Waits until at least n measure commands were heard, or the timeout passes.
    bool waitForCommands(std::size_t n, std::chrono::milliseconds timeout);
    // Waits until at least n lines went out on the line.
    bool waitForSent(std::size_t n, std::chrono::milliseconds timeout);
    // Nothing in flight on the probe's side: every answer it owes is out.
    bool idle() const;
    // The bytes over the line since the thread last saw a program open it.
    sim::LineCounts lineCounts() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Outgoing {
        std::string bytes;
        Clock::time_point due;
    };

    mutable std::mutex mutex;
    std::condition_variable changed;
    Setup setup;
    ReadingSource source;
    std::vector<Heard> journal;
    std::vector<std::string> lines_sent;
    std::deque<Outgoing> outgoing;  // in the order they are due
    std::size_t written = 0;        // of the front answer
    unsigned answers = 0;
    sim::DeviceLine device;
    bool listener = false;
    sim::LineCounts line_counts;
    bool stopping = false;
    bool running = false;
    std::thread thread;
    std::string failure;

    void run();
    void onByte(uint8_t byte, Clock::time_point now);
    std::string answerFor(uint8_t command);
    void writeDue(Clock::time_point now);
    void listenerCame();
    std::size_t commandCount() const;
};

}  // namespace probe_sim
