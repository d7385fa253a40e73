// The logger's frames against bytes worked out by hand from the line rules:
// checksum = 0xFF minus the byte sum; '$', '!' and '~' escaped as '~', byte ^ 0x40.

#include "tools/logger_sim/line_framing.h"
#include "tools/logger_sim/mscp_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct LineCase {
    const char* name;
    sim::Frame frame;
    Bytes line;
};

TEST(LineFraming, FramesGoOutAsComputedByHand)
{
    const LineCase cases[] = {
        // 01+00+04+20+50+49+4E+47 = 0x153; 0xFF - 0x53 = 0xAC.
        {"ping to logger 1", {1, 0, 0x20, {'P', 'I', 'N', 'G'}},
         {0xFF, '$', 0x01, 0x00, 0x04, 0x20, 'P', 'I', 'N', 'G', 0xAC, '!'}},
        // 00+01+02+81+F0+14 = 0x188; 0xFF - 0x88 = 0x77.
        {"INIT answer with 20", {0, 1, 0x81, {0xF0, 0x14}}, {0xFF, '$', 0x00, 0x01, 0x02, 0x81, 0xF0, 0x14, 0x77, '!'}},
        // The port 0x24 and the payload 24 21 7E are escaped; sum 0xEB, checksum 0x14.
        {"escaped port and payload", {0, 1, 0x24, {0x24, 0x21, 0x7E}},
         {0xFF, '$', 0x00, 0x01, 0x03, 0x7E, 0x64, 0x7E, 0x64, 0x7E, 0x61, 0x7E, 0x3E, 0x14, '!'}},
        // 00+01+01+20+BC = 0xDE: the checksum 0x21 is itself escaped.
        {"escaped checksum", {0, 1, 0x20, {0xBC}}, {0xFF, '$', 0x00, 0x01, 0x01, 0x20, 0xBC, 0x7E, 0x61, '!'}},
    };
    for (const LineCase& c : cases)
        EXPECT_EQ(sim::frame_for_line(sim::encode_frame(c.frame)), c.line) << c.name;
}

TEST(LineFraming, PayloadBeyondAFrameIsNotEncoded)
{
    EXPECT_EQ(sim::encode_frame(sim::Frame{0, 1, 0x22, Bytes(250, 'x')}).size(), 255u);
    EXPECT_TRUE(sim::encode_frame(sim::Frame{0, 1, 0x22, Bytes(251, 'x')}).empty());
}

TEST(FrameDecoding, ChecksTheLengthAndTheChecksum)
{
    const Bytes ping = {0x01, 0x00, 0x04, 0x20, 'P', 'I', 'N', 'G', 0xAC};
    Bytes bad_sum = ping;
    bad_sum[5] ^= 0x01;
    struct {
        const char* name;
        Bytes raw;
        sim::FrameCheck expected;
    } const cases[] = {
        {"well formed", ping, sim::FrameCheck::ok},
        {"no command byte", {0x01, 0x00, 0x00, 0x20, 0xDE}, sim::FrameCheck::too_short},
        {"n says 2, one byte there", {0x01, 0x00, 0x02, 0x20, 0x50, 0x8C}, sim::FrameCheck::size_mismatch},
        {"a byte changed", bad_sum, sim::FrameCheck::bad_checksum},
    };
    for (const auto& c : cases) {
        sim::Frame frame;
        EXPECT_EQ(sim::decode_frame(c.raw, frame), c.expected) << c.name;
    }
    sim::Frame frame;
    ASSERT_EQ(sim::decode_frame(ping, frame), sim::FrameCheck::ok);
    EXPECT_EQ(frame.dest, 1);
    EXPECT_EQ(frame.src, 0);
    EXPECT_EQ(frame.port, 0x20);
    EXPECT_EQ(frame.payload, (Bytes{'P', 'I', 'N', 'G'}));
}

std::vector<Bytes> collect(const Bytes& line)
{
    sim::FrameCollector collector;
    std::vector<Bytes> messages;
    for (uint8_t byte : line)
        if (auto message = collector.take(byte))
            messages.push_back(*message);
    return messages;
}

Bytes repeated(std::size_t count, uint8_t byte)
{
    return Bytes(count, byte);
}

TEST(FrameCollector, ReassemblesMessagesFromTheLine)
{
    Bytes longest = {'$'};
    Bytes longest_payload = repeated(255, 'x');
    longest.insert(longest.end(), longest_payload.begin(), longest_payload.end());
    longest.push_back('!');
    Bytes too_long = {'$'};
    Bytes too_long_payload = repeated(256, 'x');
    too_long.insert(too_long.end(), too_long_payload.begin(), too_long_payload.end());
    too_long.insert(too_long.end(), {'!', '$', 'y', '!'});

    struct {
        const char* name;
        Bytes line;
        std::vector<Bytes> messages;
    } const cases[] = {
        {"noise and wake-up byte dropped", {0x00, 0x13, 0xFF, '$', 'a', 'b', '!'}, {{'a', 'b'}}},
        {"'$' restarts", {'$', '$', 'a', 'b', '!'}, {{'a', 'b'}}},
        {"'$' after '~' restarts", {'$', 'a', '~', '$', 'b', '!'}, {{'b'}}},
        {"empty frame ignored", {'$', '!', '$', 'c', '!'}, {{'c'}}},
        {"escapes undone", {'$', '~', 0x64, '~', 0x61, '~', 0x3E, '!'}, {{0x24, 0x21, 0x7E}}},
        {"bytes after '!' dropped", {'$', 'a', '!', 'b', 'c'}, {{'a'}}},
        {"255 bytes fit", longest, {longest_payload}},
        {"256 bytes dropped whole", too_long, {{'y'}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(collect(c.line), c.messages) << c.name;
}

TEST(FrameCollector, EveryByteValueSurvivesTheRoundTrip)
{
    sim::Frame sent{0, 1, 0x24, {}};
    for (int i = 0; i < 250; ++i)
        sent.payload.push_back(static_cast<uint8_t>(i + 6));  // covers 0x21, 0x24, 0x7E and 0xFF
    std::vector<Bytes> messages = collect(sim::frame_for_line(sim::encode_frame(sent)));
    ASSERT_EQ(messages.size(), 1u);
    sim::Frame received;
    ASSERT_EQ(sim::decode_frame(messages[0], received), sim::FrameCheck::ok);
    EXPECT_EQ(received.payload, sent.payload);
    EXPECT_EQ(received.port, sent.port);
}

}  // namespace
