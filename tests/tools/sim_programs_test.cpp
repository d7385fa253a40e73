// The simulator programs as a terminal runs them: the stop signals remove the
// COM link, and the probe answers in the background of its terminal, where it
// leaves the terminal's input alone, and reads lamp lines in the foreground or
// from a pipe.

#include "tests/support/temp_dir.h"
#include "tests/tools/probe_line_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What the program's input is: a pipe, or a terminal of its own on which it
// runs as a job in the foreground or in the background (as a shell starts
// "cmd" and "cmd &").
enum class Tinput { pipe, foreground, background };

// One run of a simulator program. Its output and error output come back
// through one pipe; the child prints its process id before it becomes the
// program, so that the program's own lines follow.
class Tsim_program {
public:
    Tsim_program(const char* program, const std::vector<std::string>& arguments, Tinput input)
    {
        int output[2];
        int input_pipe[2] = {-1, -1};
        int orders[2] = {-1, -1};
        int terminal = -1;
        if (pipe2(output, O_CLOEXEC) != 0 || (input != Tinput::pipe && pipe2(orders, O_CLOEXEC) != 0))
            return;
        if (input == Tinput::pipe ? pipe2(input_pipe, O_CLOEXEC) != 0
                                  : openpty(&writer, &terminal, nullptr, nullptr, nullptr) != 0)
            return;
        if (input == Tinput::pipe)
            writer = input_pipe[1];
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);

        child = fork();
        if (child == 0) {
            if (input != Tinput::pipe) {
                // The shell: the terminal's session leader. Each order byte
                // brings its job to the foreground as "fg" does; then it waits
                // for the job.
                setsid();
                ioctl(terminal, TIOCSCTTY, 0);
                const pid_t job = fork();
                if (job != 0) {
                    close(orders[1]);
                    char order = 0;
                    while (read(orders[0], &order, 1) == 1) {
                        tcsetpgrp(terminal, job);
                        kill(job, SIGCONT);
                    }
                    int status = 0;
                    waitpid(job, &status, 0);
                    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
                }
                if (input == Tinput::background)
                    setpgid(0, 0);
            }
            dup2(input == Tinput::pipe ? input_pipe[0] : terminal, STDIN_FILENO);
            dup2(output[1], STDOUT_FILENO);
            dup2(output[1], STDERR_FILENO);
            char line[32];
            const int length = std::snprintf(line, sizeof line, "%d\n", static_cast<int>(getpid()));
            if (write(STDOUT_FILENO, line, static_cast<std::size_t>(length)) != length)
                _exit(126);
            execv(program, argv.data());
            _exit(127);
        }
        close(output[1]);
        reader = output[0];
        if (input == Tinput::pipe) {
            close(input_pipe[0]);
        } else {
            close(terminal);
            close(orders[0]);
            shell_orders = orders[1];
        }
        const std::optional<std::string> pid_line = line();
        device = line().value_or("");
        const std::string com_line = line().value_or("");
        if (pid_line && com_line.rfind("COM", 0) == 0) {
            pid = std::atoi(pid_line->c_str());
            com = std::atoi(com_line.c_str() + 3);
        }
    }

    ~Tsim_program()
    {
        closeOrders();
        if (child > 0) {
            // A program that did not stop when asked (stopped by the terminal, say).
            kill(pid > 0 ? pid : child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        if (reader >= 0)
            close(reader);
        if (writer >= 0)
            close(writer);
    }

    bool started() const { return pid > 0 && !device.empty(); }

    // The job in the background brought to the foreground of its terminal.
    void foreground()
    {
        ASSERT_EQ(write(shell_orders, "f", 1), 1);
    }

    // Typed on the terminal or written into the pipe.
    void type(const std::string& text)
    {
        ASSERT_EQ(write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // The next line of output, without its line feed.
    std::optional<std::string> line(std::chrono::milliseconds timeout = 10s)
    {
        for (;;) {
            const std::size_t end = pending.find('\n');
            if (end != std::string::npos) {
                std::string text = pending.substr(0, end);
                pending.erase(0, end + 1);
                return text;
            }
            pollfd watched{reader, POLLIN, 0};
            char buffer[256];
            if (poll(&watched, 1, static_cast<int>(timeout.count())) <= 0)
                return std::nullopt;
            const ssize_t count = read(reader, buffer, sizeof buffer);
            if (count <= 0) {
                output_closed = true;
                return std::nullopt;
            }
            pending.append(buffer, static_cast<std::size_t>(count));
        }
    }

    // Sends the signal and waits for the end: the exit status, -1 when killed
    // by a signal, -2 when still running after the time-out (it is killed then).
    int stop(int signal, std::chrono::milliseconds timeout = 10s)
    {
        closeOrders();
        kill(pid, signal);
        // The output pipe closes when the program (and its shell) are gone.
        while (line(timeout)) {
        }
        const bool ended = output_closed;
        if (!ended)
            kill(pid, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        child = -1;
        return !ended ? -2 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string device;
    int com = 0;

private:
    void closeOrders()
    {
        if (shell_orders >= 0)
            close(shell_orders);
        shell_orders = -1;
    }

    pid_t child = -1;
    pid_t pid = -1;
    int reader = -1;
    int writer = -1;
    int shell_orders = -1;  // to the terminal's shell
    std::string pending;
    bool output_closed = false;
};

const char* const logger_program = CALYXO_LOGGER_SIM_PROGRAM;
const char* const probe_program = CALYXO_PROBE_SIM_PROGRAM;

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

TEST(SimPrograms, EachStopSignalRemovesTheComLink)
{
    for (const char* program : {logger_program, probe_program}) {
        for (int signal : {SIGHUP, SIGINT, SIGTERM}) {
            Ttemp_dir ports;
            Tsim_program run(program, {"--ports-dir", ports.path()}, Tinput::pipe);
            ASSERT_TRUE(run.started()) << program;
            const std::string link = ports.file("com" + std::to_string(run.com));
            ASSERT_TRUE(exists(link)) << link;
            EXPECT_EQ(run.stop(signal), 0) << program << " " << strsignal(signal);
            EXPECT_FALSE(exists(link)) << program << " " << strsignal(signal);
        }
    }
}

class ProbeProgram : public ::testing::Test {
protected:
    std::string ask(const std::string& device)
    {
        ProbeLineClient client(device, 9600);
        EXPECT_TRUE(client.isOpen()) << device;
        client.send('A');
        return client.readLine().value_or("(no answer)");
    }

    Ttemp_dir ports;
    const std::vector<std::string> arguments{"--ports-dir", ports.path(), "--lamp", "A:100:50"};
};

TEST_F(ProbeProgram, InTheBackgroundOfItsTerminalItAnswersAndReadsOnlyOnceInTheForeground)
{
    Tsim_program probe(probe_program, arguments, Tinput::background);
    ASSERT_TRUE(probe.started());
    const std::string first = ask(probe.device);
    EXPECT_EQ(first.rfind("A ", 0), 0u) << first;
    // What is typed now is the shell's: the probe is not stopped by it.
    probe.type("A:100:105\n");
    EXPECT_EQ(ask(probe.device), first);
    // After "fg" the line waiting on the terminal is the probe's.
    probe.foreground();
    EXPECT_EQ(probe.line().value_or("(nothing)"), "calyxo_probe_sim: A:100:105");
    EXPECT_NE(ask(probe.device), first);
    EXPECT_EQ(probe.stop(SIGTERM), 0);
}

TEST_F(ProbeProgram, TakesLampLinesFromItsTerminalInTheForegroundOrFromAPipe)
{
    for (Tinput input : {Tinput::foreground, Tinput::pipe}) {
        Tsim_program probe(probe_program, arguments, input);
        ASSERT_TRUE(probe.started());
        const std::string first = ask(probe.device);
        probe.type("A:100:105\n");
        // The probe says so once the lamp has changed.
        EXPECT_EQ(probe.line().value_or("(nothing)"), "calyxo_probe_sim: A:100:105");
        EXPECT_NE(ask(probe.device), first);
        EXPECT_EQ(probe.stop(SIGINT), 0);
    }
}

}  // namespace
