#pragma once

#include "tools/logger_sim/btp_stream.h"
#include "tools/logger_sim/ccp_responder.h"
#include "tools/logger_sim/device_line.h"
#include "tools/logger_sim/line_framing.h"
#include "tools/logger_sim/logger_state.h"
#include "tools/logger_sim/received_frame.h"
#include "tools/logger_sim/transmitter.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A simulated logger on a pseudo-terminal, registered as a COM port.
// See tools/logger_sim/README.md for the whole API; in short:
//
//   sim::Logger logger;
//   ASSERT_TRUE(logger.start({0, ports_dir})) << logger.error();   // com<N> -> /dev/pts/K
//   logger.update([](sim::State& s) { s.variables[sim::var::station_id] = 812; });
//   ... the product opens "\\\\.\\COM" + logger.comNumber() ...
//   auto request = logger.waitFor({sim::port::gtp, sim::gtp::var_get}, 5s);
//   EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::var_get}), 1u);
//
// One thread reads the line, answers and writes; everything it touches is
// guarded by one lock, which update() and read() take too.
namespace sim {

struct Options {
    int com = 0;            // COM number to register; 0 picks the lowest free one
    std::string ports_dir;  // empty: $CALYXO_PORTS_DIR, else ~/.config/calyxo/ports
};

class Logger {
public:
    using Bytes = std::vector<uint8_t>;

    Logger();
    ~Logger();  // stops
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Opens the pty, registers it and starts the thread. False (error() says
    // why) when the pty or the link cannot be made, or when already running.
    bool start(const Options& options = {});
    // Stops the thread, removes the link and closes the pty. Safe to call twice.
    void stop();
    std::string error() const;

    std::string devicePath() const;
    int comNumber() const;
    unsigned lineBaud() const;        // what the program set on its side of the line
    unsigned lineGeneration() const;  // how often the line was closed and reopened

    // Changes the state under the lock; the thread acts on it at once.
    void update(const std::function<void(State&)>& change);
    // Reads the state under the lock: logger.read([](const sim::State& s) { return s.flash.size(); }).
    template <class Reader>
    auto read(Reader reader) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return reader(static_cast<const State&>(state));
    }

    // Sends every held late answer now.
    void releaseLate();
    // An unsolicited message to address 0; false when the payload is too long.
    bool sendFrame(uint8_t port, const Bytes& payload);
    // A BASICIO dump (dump_messages.h): 'H' and 'I' get the flag byte from the state.
    bool sendDump(uint8_t code, const Bytes& content);

    // Every message received since the start (or clearReceived), in order.
    std::vector<Received> received() const;
    void clearReceived();
    // The first matching message after the one the previous wait returned;
    // none when the timeout passes first.
    std::optional<Received> waitFor(const Match& match, std::chrono::milliseconds timeout);
    // Waits until the predicate holds on the state (checked after every step of the thread).
    bool waitUntil(const std::function<bool(const State&)>& predicate, std::chrono::milliseconds timeout);
    // Waits until the thread has seen a program open the line; from then on
    // what it sends reaches that program.
    bool waitForListener(std::chrono::milliseconds timeout);
    // Nothing in flight on the logger's side: what it read is answered, every
    // answer is out, and no late answer waits for a time of its own (one held
    // for releaseLate() does not count).
    bool idle() const;
    // The bytes over the line since the thread last saw a program open it.
    LineCounts lineCounts() const;
    // How often a command ran (copies of a request are not counted).
    unsigned executions(const Command& command) const;

private:
    using Time = std::chrono::steady_clock::time_point;

    struct LateTimer {
        uint8_t to = 0;                  // the address that asked
        std::optional<Time> release_at;  // none: waits for releaseLate()
        std::optional<Time> repeat_at;
        unsigned repeats_left = 0;
    };
    // What running one CCP request did besides its answer.
    struct Effects {
        std::vector<Bytes> dumps;
        bool restart = false;
        std::optional<LateRule> late;
    };

    mutable std::mutex mutex;
    std::condition_variable changed;
    State state;
    std::vector<Received> journal;
    std::size_t wait_cursor = 0;
    std::map<Command, unsigned> runs;
    std::map<uint8_t, CcpResponder> responders;
    std::map<uint8_t, LateTimer> late_timers;
    std::optional<BtpStream> btp;
    uint8_t btp_destination = 0;
    Transmitter transmitter;
    FrameCollector collector;
    DeviceLine device;
    bool listener = false;  // the slave side is open
    unsigned long line_read = 0;      // bytes read since the listener came
    unsigned long line_written_base = 0;  // the transmitter's count when it came
    unsigned generation = 0;
    bool stopping = false;
    bool running = false;
    std::thread thread;
    std::string failure;

    void run();
    bool pollLine(std::unique_lock<std::mutex>& lock, Time now);
    void readLine(Time now);
    void writeLine(Time now);
    void listenerCame();
    void listenerGone();
    void reopenLine();
    void serviceTimers(Time now);
    void topUpStream(Time now);
    std::optional<Time> nextDeadline() const;

    void onMessage(const Bytes& raw, Time now);
    void onPlain(const Frame& frame, Time now);
    void onBtp(const Frame& frame);
    void onCcp(const Frame& frame, Time now);
    CcpResponder::Exchange execute(uint8_t port, uint8_t command, const Bytes& body, Effects& effects);
    void restartProgram();
    void sendCcp(uint8_t port, uint8_t from, uint8_t to, const CcpResponder::Out& out, Time now);
    void armRepeat(uint8_t port, Time now);
    void releasePort(uint8_t port, Time now);
    void queueFrame(Frame frame, std::optional<Command> answers, Time now);
    bool queueUnsolicited(uint8_t port, const Bytes& payload);
};

}  // namespace sim
