// calyxo_probe_sim: a simulated fluorometer probe on a pseudo-terminal,
// registered as a COM port, for trying calyxo_start without a probe.
//
//   calyxo_probe_sim [--com N] [--ports-dir DIR] [--lamp L:base:signal[:noise[:drift]]]...
//                    [--battery V] [--temperature C] [--seed N] [--clock] [--hex]
//                    [--silent] [--late MS] [--garbage N]
//
// Prints the device path and "COM<N>" (one line each) and runs until SIGINT,
// SIGTERM or SIGHUP, which remove its COM link. Each line of input is a lamp
// text as for --lamp and changes that lamp at once (another solution in the
// probe's cup). A terminal input is read only while the probe runs in the
// foreground: started with '&' it runs on without input until 'fg'.

#include "tools/probe_sim/probe.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: calyxo_probe_sim [--com N] [--ports-dir DIR] [--lamp L:base:signal[:noise[:drift]]]...\n"
                 "                        [--battery V] [--temperature C] [--seed N] [--clock] [--hex]\n"
                 "                        [--silent] [--late MS] [--garbage N]\n");
}

bool parse_number(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

bool parse_real(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

// One option at argv[i]; i moves past its value. False on a bad option.
bool take_option(int argc, char** argv, int& i, probe_sim::Options& options, probe_sim::Setup& setup)
{
    const std::string option = argv[i];
    if (option == "--clock") {
        setup.script.clock_words = true;
        return true;
    }
    if (option == "--hex") {
        setup.script.hex_words = true;
        return true;
    }
    if (option == "--silent") {
        setup.misbehaviour.silent = true;
        return true;
    }
    if (i + 1 >= argc)
        return false;
    const char* value = argv[++i];
    long number = 0;
    double real = 0;
    if (option == "--com" && parse_number(value, 1, 255, number))
        options.com = static_cast<int>(number);
    else if (option == "--ports-dir")
        options.ports_dir = value;
    else if (option == "--lamp")
        return probe_sim::apply_lamp_text(value, setup.script);
    else if (option == "--battery" && parse_real(value, real))
        setup.script.battery_v = real;
    else if (option == "--temperature" && parse_real(value, real))
        setup.script.temperature_c = real;
    else if (option == "--seed" && parse_number(value, 0, 0x7FFFFFFF, number))
        setup.script.seed = static_cast<uint32_t>(number);
    else if (option == "--late" && parse_number(value, 0, 600000, number))
        setup.misbehaviour.late = std::chrono::milliseconds(number);
    else if (option == "--garbage" && parse_number(value, 1, 4096, number)) {
        setup.misbehaviour.garbage = true;
        setup.misbehaviour.garbage_length = static_cast<std::size_t>(number);
    } else
        return false;
    return true;
}

void apply_input_line(probe_sim::Probe& probe, const std::string& text)
{
    bool changed = false;
    probe.update([&](probe_sim::Setup& s) { changed = probe_sim::apply_lamp_text(text, s.script); });
    std::fprintf(stderr, changed ? "calyxo_probe_sim: %s\n" : "calyxo_probe_sim: not a lamp: %s\n", text.c_str());
}

// False while the input is the terminal of a job in the background: a read
// would stop the probe (SIGTTIN). Any other input is read.
bool input_is_ours()
{
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    return foreground < 0 || foreground == getpgrp();
}

}  // namespace

int main(int argc, char** argv)
{
    probe_sim::Options options;
    probe_sim::Setup setup;
    for (int i = 1; i < argc; ++i) {
        if (!take_option(argc, argv, i, options, setup)) {
            usage();
            return 2;
        }
    }

    // Blocked before any thread starts, so that only the signal descriptor takes them.
    // SIGCONT comes when the job is moved into or out of the foreground.
    sigset_t taken_signals;
    sigemptyset(&taken_signals);
    sigaddset(&taken_signals, SIGINT);
    sigaddset(&taken_signals, SIGTERM);
    sigaddset(&taken_signals, SIGHUP);
    sigaddset(&taken_signals, SIGCONT);
    pthread_sigmask(SIG_BLOCK, &taken_signals, nullptr);
    // A read that meets the background all the same fails (EIO) instead of stopping the probe.
    std::signal(SIGTTIN, SIG_IGN);

    probe_sim::Probe probe;
    probe.update([&setup](probe_sim::Setup& s) { s = setup; });
    if (!probe.start(options)) {
        std::fprintf(stderr, "calyxo_probe_sim: %s\n", probe.error().c_str());
        return 1;
    }
    std::printf("%s\nCOM%d\n", probe.devicePath().c_str(), probe.comNumber());
    std::fflush(stdout);

    // Lamp changes from the input, until a stop signal; without input the
    // probe runs on as it is.
    const int signals = signalfd(-1, &taken_signals, SFD_CLOEXEC);
    if (signals < 0) {
        std::fprintf(stderr, "calyxo_probe_sim: cannot wait for signals\n");
        return 1;
    }
    bool input_open = true;
    std::string pending;
    for (;;) {
        // A watched descriptor set to -1 is left out by poll.
        pollfd watched[2] = {{signals, POLLIN, 0}, {input_open && input_is_ours() ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (watched[0].revents & POLLIN) {
            signalfd_siginfo taken{};
            if (read(signals, &taken, sizeof taken) != static_cast<ssize_t>(sizeof taken) ||
                taken.ssi_signo != SIGCONT)
                break;
            continue;  // in or out of the foreground: the input is looked at again
        }
        if (!watched[1].revents)
            continue;
        char buffer[256];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN || (errno == EIO && !input_is_ours())))
            continue;
        if (count <= 0) {
            input_open = false;  // the input has ended, or is gone
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string text = pending.substr(0, end);
            pending.erase(0, end + 1);
            apply_input_line(probe, text);
        }
    }
    probe.stop();
    return 0;
}
