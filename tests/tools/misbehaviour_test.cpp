// The simulated logger's line faults as a program's end of the line sees them:
// noise before frames, a frame cut short, a line closed for good. Unsolicited
// frames carry the test's marks, so that each one is known on arrival.

#include "tests/tools/raw_line_client.h"
#include "tests/support/temp_dir.h"
#include "tools/logger_sim/logger.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t text_port = 0x22;

class LoggerFaults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error(); }

    Ttemp_dir ports;
    sim::Logger logger;
};

TEST_F(LoggerFaults, NoiseGoesBeforeTheNextFramesAndACutFrameNeverCloses)
{
    RawLineClient client(logger.devicePath());
    ASSERT_TRUE(client.isOpen());
    // The noise holds a frame of its own: it shows where the noise went.
    logger.update([](sim::State& s) {
        s.misbehaviour.noise = {0x00, '$', 0x12, '!', 0x99};
        s.misbehaviour.noise_frames = 2;
        s.misbehaviour.cut_frame = 3;
    });
    for (uint8_t mark = 1; mark <= 4; ++mark)
        ASSERT_TRUE(logger.sendFrame(text_port, {mark}));
    // Frames 1 and 2 after the noise; frame 3 cut, so that frame 4's start
    // opens a new message over it: five messages, the last one frame 4.
    std::vector<Bytes> messages;
    while (messages.size() < 5u) {
        auto message = client.receiveRaw(std::chrono::seconds(30));
        ASSERT_TRUE(message) << messages.size() << " messages";
        messages.push_back(*message);
    }
    EXPECT_EQ(messages[0], Bytes{0x12});
    EXPECT_EQ(messages[1].at(4), 1);
    EXPECT_EQ(messages[2], Bytes{0x12});
    EXPECT_EQ(messages[3].at(4), 2);
    EXPECT_EQ(messages[4].at(4), 4);
}

TEST_F(LoggerFaults, FramesSentBeforeAnyoneOpenedTheLineReachTheFirstListener)
{
    // Nobody has listened yet, so nobody went away: the frames wait.
    for (uint8_t mark = 1; mark <= 3; ++mark)
        ASSERT_TRUE(logger.sendFrame(text_port, {mark}));
    RawLineClient client(logger.devicePath());
    ASSERT_TRUE(client.isOpen());
    ASSERT_TRUE(logger.waitForListener(std::chrono::seconds(30)));
    for (uint8_t mark = 1; mark <= 3; ++mark) {
        auto frame = client.receive(std::chrono::seconds(30));
        ASSERT_TRUE(frame) << int(mark);
        EXPECT_EQ(frame->payload, Bytes{mark});
    }
}

TEST_F(LoggerFaults, ALineClosedForGoodIsNotReopened)
{
    RawLineClient client(logger.devicePath());
    ASSERT_TRUE(client.isOpen());
    // A request the logger answers: PIPO PING.
    logger.update([](sim::State& s) {
        s.misbehaviour.close_in_answer_to = sim::Command{sim::port::pipo, 'P'};
        s.misbehaviour.close_for_good = true;
    });
    client.send(1, sim::port::pipo, {'P', 'I', 'N', 'G'});
    EXPECT_TRUE(client.waitHangUp());
    EXPECT_EQ(logger.lineGeneration(), 1u);
    EXPECT_EQ(logger.devicePath(), "");
}

}  // namespace
