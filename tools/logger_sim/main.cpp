// calyxo_logger_sim: a simulated logger on a pseudo-terminal, registered as a
// COM port, for trying the programs without a logger.
//
//   calyxo_logger_sim [--com N] [--ports-dir DIR] [--station ID]
//
// Prints the device path and "COM<N>" (one line each) and runs until SIGINT,
// SIGTERM or SIGHUP (its terminal closed), which remove its COM link.

#include "tools/logger_sim/demo_state.h"
#include "tools/logger_sim/logger.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr uint32_t default_station = 812;

void usage()
{
    std::fprintf(stderr, "usage: calyxo_logger_sim [--com N] [--ports-dir DIR] [--station ID]\n");
}

bool parse_number(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    long station = default_station;
    // Every option takes a value: options and values go in pairs.
    for (int i = 1; i < argc; i += 2) {
        std::string option = argv[i];
        long number = 0;
        bool has_value = i + 1 < argc;
        if (option == "--com" && has_value && parse_number(argv[i + 1], 1, 255, number)) {
            options.com = static_cast<int>(number);
        } else if (option == "--ports-dir" && has_value) {
            options.ports_dir = argv[i + 1];
        } else if (option == "--station" && has_value && parse_number(argv[i + 1], 0, 99999999, number)) {
            station = number;
        } else {
            usage();
            return 2;
        }
    }

    // Blocked before the logger's thread starts, so that only sigwait takes them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    sim::Logger logger;
    logger.update([station](sim::State& state) {
        sim::fill_demo_state(state, static_cast<uint32_t>(station), static_cast<uint32_t>(std::time(nullptr)));
        state.schedule.run = true;  // acquires on its schedule, as a logger in the field
    });
    if (!logger.start(options)) {
        std::fprintf(stderr, "calyxo_logger_sim: %s\n", logger.error().c_str());
        return 1;
    }
    std::printf("%s\nCOM%d\n", logger.devicePath().c_str(), logger.comNumber());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stop_signals, &received);
    logger.stop();
    return 0;
}
