// The simulated probe over a real pty: the answer line worked out by hand from
// the probe's word rules (value = (w1 x 65536 + w2) x 625 / 2^22 mV; battery =
// value x 6.53 / 1076.8 V; temperature = value x 0.1 degrees C), its faults and
// its COM port.

#include "platform/port_list.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/probe_line_client.h"
#include "tools/logger_sim/logger.h"
#include "tools/probe_sim/probe.h"
#include "tools/probe_sim/probe_words.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using probe_sim::Heard;

std::vector<std::string> words_of(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

// The reader's side of a value: the two words as one signed 32-bit count.
double millivolts_of(const std::string& high, const std::string& low)
{
    const auto count = static_cast<uint32_t>(std::stoul(high, nullptr, 0) * 65536u + std::stoul(low, nullptr, 0));
    return static_cast<int32_t>(count) * 625.0 / 4194304.0;
}

class ProbeSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe.update([](probe_sim::Setup& s) {
            // Levels chosen so that each count is worked out below.
            ASSERT_TRUE(probe_sim::apply_lamp_text("A:100:50", s.script));   // 671089 and 1006633 counts
            ASSERT_TRUE(probe_sim::apply_lamp_text("b:80:2.25", s.script));  // 536871 and 551970
            ASSERT_TRUE(probe_sim::apply_lamp_text("C:250:1000", s.script)); // 1677722 and 8388608
            ASSERT_TRUE(probe_sim::apply_lamp_text("T:40:7.5", s.script));   // 268435 and 318767
            s.script.battery_v = 3.6;       // 593.64 units: 3983862 counts
            s.script.temperature_c = 18.0;  // 180 units: 1207960 counts
        });
        ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    }

    std::string ask(ProbeLineClient& client, uint8_t command)
    {
        client.send(command);
        return client.readLine().value_or("(no answer)");
    }

    Ttemp_dir ports;
    probe_sim::Probe probe;
};

TEST_F(ProbeSim, ARequestGetsTheLineOfItsLamps)
{
    ProbeLineClient client(probe.devicePath(), 9600);
    ASSERT_TRUE(client.isOpen());
    const struct {
        uint8_t command;
        const char* line;
    } cases[] = {
        // Lamp A only; 671089 = 10 x 65536 + 15729, 1006633 = 15 x 65536 + 23593,
        // 3983862 = 60 x 65536 + 51702, 1207960 = 18 x 65536 + 28312.
        {'A', "A 10 15729 15 23593 60 51702 18 28312\r\n"},
        // All four lamps, in the order A, B, C, T.
        {'O', "O 10 15729 15 23593 8 12583 8 27682 25 39322 128 0 4 6291 4 56623 60 51702 18 28312\r\n"},
        // B and T.
        {'J', "J 8 12583 8 27682 4 6291 4 56623 60 51702 18 28312\r\n"},
        // No lamp: battery and temperature alone.
        {'@', "@ 60 51702 18 28312\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(client, c.command), c.line) << c.command;
    EXPECT_EQ(probe.sent().size(), 4u);
}

TEST_F(ProbeSim, HexWordsAndTheClockKeepTheValues)
{
    probe.update([](probe_sim::Setup& s) {
        s.script.hex_words = true;
        s.script.clock_words = true;
    });
    ProbeLineClient client(probe.devicePath(), 9600);
    const std::vector<std::string> words = words_of(ask(client, 'C'));
    // Command, three clock words, two lamps of four words, battery and temperature.
    ASSERT_EQ(words.size(), 1u + 3u + 8u + 4u);
    EXPECT_EQ(words[0], "C");
    EXPECT_EQ(words[1].size(), 8u);
    EXPECT_EQ(words[1][2], ':');
    EXPECT_EQ(words[4], "0xA");
    EXPECT_EQ(words[5], "0x3D71");
    EXPECT_NEAR(millivolts_of(words[4], words[5]), 100.0, 1e-3);
    EXPECT_NEAR(millivolts_of(words[10], words[11]), 82.25, 1e-3);
    EXPECT_NEAR(millivolts_of(words[14], words[15]) * 0.1, 18.0, 1e-4);
}

TEST(ProbeWords, EveryValueReadsBackWithinHalfACount)
{
    const double half_count = 625.0 / 4194304.0 / 2;
    for (double mv : {0.0, 0.0001, 1.0, -1.0, 123.456, -2500.75, 65535.0, 300000.0}) {
        const probe_sim::WordPair pair = probe_sim::words_of_millivolts(mv);
        const std::vector<std::string> words = words_of(probe_sim::pair_text(pair, false));
        ASSERT_EQ(words.size(), 2u);
        EXPECT_NEAR(millivolts_of(words[0], words[1]), mv, half_count + 1e-12) << mv;
    }
    // Beyond 32 bits: the nearest count that fits, not a wrapped one.
    EXPECT_GT(millivolts_of("32767", "65535"), 0);
    const probe_sim::WordPair top = probe_sim::words_of_millivolts(1e9);
    EXPECT_EQ(top.high, 0x7FFF);
    EXPECT_EQ(top.low, 0xFFFF);
    const probe_sim::WordPair bottom = probe_sim::words_of_millivolts(-1e9);
    EXPECT_EQ(bottom.high, 0x8000);
    EXPECT_EQ(bottom.low, 0);
}

TEST(ProbeScript, LampTextsOfAnotherFormChangeNothing)
{
    probe_sim::Script script;
    ASSERT_TRUE(probe_sim::apply_lamp_text("t:1:2:0.5:-0.25", script));
    EXPECT_EQ(script.lamps[3].base_mv, 1);
    EXPECT_EQ(script.lamps[3].signal_mv, 2);
    EXPECT_EQ(script.lamps[3].noise_mv, 0.5);
    EXPECT_EQ(script.lamps[3].drift_mv, -0.25);
    for (const char* bad : {"", "A", "A:1", "X:1:2", "AB:1:2", "A:1:2:3:4:5", "A:1:x", "A::2", "A:1:2:"}) {
        probe_sim::Script untouched;
        untouched.lamps[0].base_mv = 7;
        EXPECT_FALSE(probe_sim::apply_lamp_text(bad, untouched)) << bad;
        EXPECT_EQ(untouched.lamps[0].base_mv, 7) << bad;
    }
}

TEST_F(ProbeSim, NoiseStaysWithinItsAmplitudeAndDriftGrowsTheSignal)
{
    probe.update([](probe_sim::Setup& s) {
        ASSERT_TRUE(probe_sim::apply_lamp_text("A:100:50:2", s.script));
        ASSERT_TRUE(probe_sim::apply_lamp_text("B:80:10:0:1.5", s.script));
    });
    ProbeLineClient client(probe.devicePath(), 9600);
    std::vector<double> bases;
    for (int reading = 0; reading < 20; ++reading) {
        const std::vector<std::string> words = words_of(ask(client, 'C'));
        ASSERT_EQ(words.size(), 13u);
        const double base_a = millivolts_of(words[1], words[2]);
        const double on_a = millivolts_of(words[3], words[4]);
        EXPECT_NEAR(base_a, 100, 2.001);
        EXPECT_NEAR(on_a, 150, 2.001);
        bases.push_back(base_a);
        // Lamp B without noise: its signal grows by 1.5 mV a reading.
        EXPECT_NEAR(millivolts_of(words[5], words[6]), 80, 1e-3);
        EXPECT_NEAR(millivolts_of(words[7], words[8]), 90 + 1.5 * reading, 1e-3) << reading;
    }
    EXPECT_GT(*std::max_element(bases.begin(), bases.end()) - *std::min_element(bases.begin(), bases.end()), 0.1);

    // Another solution starts the drift again.
    probe.update([](probe_sim::Setup& s) { ASSERT_TRUE(probe_sim::apply_lamp_text("B:80:20:0:1.5", s.script)); });
    const std::vector<std::string> words = words_of(ask(client, 'B'));
    ASSERT_EQ(words.size(), 9u);
    EXPECT_NEAR(millivolts_of(words[3], words[4]), 100, 1e-3);
}

TEST_F(ProbeSim, ASilentProbeHearsTheCommandAndAnswersNothing)
{
    ProbeLineClient client(probe.devicePath(), 9600);
    probe.update([](probe_sim::Setup& s) { s.misbehaviour.silent = true; });
    client.send('A');
    ASSERT_TRUE(probe.waitForCommands(1, 5s));
    probe.update([](probe_sim::Setup& s) { s.misbehaviour.silent = false; });
    // The first line on the wire answers the second command.
    EXPECT_EQ(ask(client, '@'), "@ 60 51702 18 28312\r\n");
    const std::vector<Heard> heard = probe.heard();
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].outcome, Heard::Outcome::silent);
    EXPECT_EQ(heard[1].outcome, Heard::Outcome::answered);
}

TEST_F(ProbeSim, ALateAnswerComesAfterItsDelayAndInOrder)
{
    ProbeLineClient client(probe.devicePath(), 9600);
    probe.update([](probe_sim::Setup& s) { s.misbehaviour.late = 1500ms; });
    const Clock::time_point sent = Clock::now();
    client.send('A');
    client.send('@');
    const std::string first = client.readLine().value_or("");
    EXPECT_GE(Clock::now() - sent, 1500ms);
    EXPECT_EQ(first, "A 10 15729 15 23593 60 51702 18 28312\r\n");
    EXPECT_EQ(client.readLine().value_or(""), "@ 60 51702 18 28312\r\n");
}

TEST_F(ProbeSim, GarbageTakesThePlaceOfTheAnswer)
{
    ProbeLineClient client(probe.devicePath(), 9600);
    probe.update([](probe_sim::Setup& s) {
        s.misbehaviour.garbage = true;
        s.misbehaviour.garbage_length = 60;
    });
    const std::string line = ask(client, 'O');
    ASSERT_EQ(line.size(), 62u);
    EXPECT_EQ(line.substr(60), "\r\n");
    EXPECT_EQ(line.find('\n'), 61u);
    EXPECT_EQ(probe.sent().back(), line);

    // Without a line end the garbage runs into the next answer.
    probe.update([](probe_sim::Setup& s) {
        s.misbehaviour.garbage = true;
        s.misbehaviour.garbage_length = 30;
        s.misbehaviour.garbage_line_end = false;
    });
    client.send('A');
    ASSERT_TRUE(probe.waitForSent(2, 5s));
    probe.update([](probe_sim::Setup& s) { s.misbehaviour.garbage = false; });
    const std::string joined = ask(client, '@');
    ASSERT_EQ(joined.size(), 30u + std::string("@ 60 51702 18 28312\r\n").size());
    EXPECT_EQ(joined.substr(30), "@ 60 51702 18 28312\r\n");
}

TEST_F(ProbeSim, OtherBytesAndAnotherLineSpeedGetNoAnswer)
{
    {
        ProbeLineClient fast(probe.devicePath(), 38400);
        fast.send('O');
        ASSERT_TRUE(probe.waitForCommands(1, 5s));
    }
    ProbeLineClient client(probe.devicePath(), 9600);
    for (uint8_t byte : {uint8_t{'\r'}, uint8_t{'\n'}, uint8_t{'P'}, uint8_t{0x3F}, uint8_t{0}})
        client.send(byte);
    EXPECT_EQ(ask(client, '@'), "@ 60 51702 18 28312\r\n");
    const std::vector<Heard> heard = probe.heard();
    ASSERT_EQ(heard.size(), 7u);
    EXPECT_EQ(heard[0].outcome, Heard::Outcome::wrong_baud);
    EXPECT_EQ(heard[0].line_baud, 38400u);
    for (std::size_t i = 1; i < 6; ++i)
        EXPECT_EQ(heard[i].outcome, Heard::Outcome::ignored) << i;
    EXPECT_EQ(heard[6].outcome, Heard::Outcome::answered);
    EXPECT_EQ(probe.sent().size(), 1u);
}

TEST(ProbeSimPort, IsRegisteredInThePortsFolderBesideALogger)
{
    Ttemp_dir ports;
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    probe_sim::Probe probe;
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    EXPECT_EQ(logger.comNumber(), 1);
    EXPECT_EQ(probe.comNumber(), 2);

    // The programs' port list finds it under its number.
    Tport_list list(Tport_folders{ports.path(), ports.file("no-sysfs"), "/dev"});
    EXPECT_EQ(list.resolve("\\\\.\\COM2"), probe.devicePath());

    // A number that is taken is refused.
    probe_sim::Probe second;
    EXPECT_FALSE(second.start({2, ports.path()}));
    EXPECT_NE(second.error().find("com2"), std::string::npos) << second.error();

    const std::string link = ports.file("com2");
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), probe.devicePath());
    probe.stop();
    EXPECT_NE(access(link.c_str(), F_OK), 0);
    EXPECT_EQ(access(ports.file("com1").c_str(), F_OK), 0);
}

}  // namespace
