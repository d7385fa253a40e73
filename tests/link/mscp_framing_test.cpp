// The MSCP message, its framing on the serial line and the receiver, byte for
// byte. The wire test plays the logger by hand over a pseudo-terminal with
// frames written out in full, so that it depends on no encoder of ours.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/mlp_com_win32.h"
#include "link/mlp_io.h"
#include "link/mlp_message.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_trace.h"
#include "tests/link/link_test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes from_hex(const std::string& text)
{
    Bytes bytes;
    unsigned value = 0;
    int offset = 0;
    while (std::sscanf(text.c_str() + offset, "%2x", &value) == 1) {
        bytes.push_back(static_cast<unsigned char>(value));
        offset += 2;
        while (text[static_cast<std::size_t>(offset)] == ' ')
            ++offset;
    }
    return bytes;
}

std::string to_hex(const Bytes& bytes)
{
    std::string text;
    char byte[4];
    for (unsigned char b : bytes) {
        std::snprintf(byte, sizeof byte, text.empty() ? "%02X" : " %02X", b);
        text += byte;
    }
    return text;
}

Tmlp_message message_of(const Bytes& bytes)
{
    Tmlp_message msg;
    for (unsigned char b : bytes)
        msg.bytes[msg.length++] = b;
    return msg;
}

TEST(MlpMessage, SealWritesTheChecksumThatCheckAccepts)
{
    // destination 1, source 0, n 3, GTP, VARGET, sequence 21, variable 0
    Tmlp_message msg = message_of(from_hex("01 00 03 81 54 15 00"));
    msg.length = 99;  // what builders set beforehand does not matter
    msg.seal();
    EXPECT_EQ(msg.length, 8);
    EXPECT_EQ(msg.bytes[7], 0x11);
    EXPECT_EQ(msg.check(), 0);
    EXPECT_TRUE(msg.wellFormed());
    for (unsigned i = 0; i < msg.length; ++i) {
        Tmlp_message changed = msg;
        changed.bytes[i] ^= 0x01;
        EXPECT_EQ(changed.check(), 1) << "byte " << i;
    }

    Tmlp_message empty = message_of(from_hex("01 00 00 20"));
    empty.seal();
    EXPECT_EQ(empty.length, 5);
    EXPECT_EQ(empty.bytes[4], 0xFF - 0x21);
}

TEST(MlpMessage, CopyPartStaysInsideTheSource)
{
    const Tmlp_message source = message_of(from_hex("00 01 02 03 04 05 06 07 08 09"));
    struct Tcase {
        int offset;
        int count;
        unsigned short length;
        unsigned char first;
    };
    const Tcase cases[] = {
        {2, -1, 8, 2}, {0, 4, 4, 0}, {8, 5, 2, 8}, {10, -1, 0, 0}, {50, 3, 0, 0}, {-3, 2, 2, 0},
    };
    for (const Tcase& c : cases) {
        Tmlp_message part;
        part.copyPart(&source, c.offset, c.count);
        EXPECT_EQ(part.length, c.length) << c.offset << "," << c.count;
        if (c.length) {
            EXPECT_EQ(part.bytes[0], c.first);
        }
    }
    Tmlp_message part = source;
    part.copyPart(nullptr, 0, 3);
    EXPECT_EQ(part.length, 0);
}

TEST(MscpTrace, NamesPortAndCommandWithTheHigherAddressLeft)
{
    recorded::clear_log();
    Tmlp_message request = message_of(from_hex("01 00 03 81 54 14 00"));
    request.seal();
    mscp_trace_message(&request);
    Tmlp_message unknown = message_of(from_hex("00 01 02 77 99 05"));
    unknown.seal();
    mscp_trace_message(&unknown);
    const std::vector<std::string> lines = recorded::log_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "1 <<-- 0  [3], GTP, VARGET (20)");
    EXPECT_EQ(lines[1], "1 -->> 0  [2], -, - (5)");
}

// The receiver's owner: keeps a copy of every completed message and releases it.
class Tcollector : public Tevent_resource {
public:
    explicit Tcollector(Tmlp_com_win32& receiving) : link(receiving) { link.setOwner(this); }
    void OnNotification(Tmy_event* event) override
    {
        if (event != &link.MLP_MSG_ARRIVAL)
            return;
        const Tmlp_message* msg = link.getRxMessage();
        messages.push_back(msg ? to_hex(Bytes(msg->bytes, msg->bytes + msg->length)) : "null");
        if (release)
            link.releaseRxMessage();
    }
    Tmlp_com_win32& link;
    bool release = true;
    std::vector<std::string> messages;
};

TEST(SerialReceiver, ReassemblesFramesFromTheLine)
{
    struct Tcase {
        const char* name;
        const char* mode;
        const char* line;
        std::vector<std::string> messages;
    };
    const Tcase cases[] = {
        {"escapes", "mscp_wakeup", "FF 24 7E 64 7E 61 7E 3E 21", {"24 21 7E"}},
        {"noise and a restart", "mscp_wakeup", "55 FF 24 24 61 62 21", {"61 62"}},
        {"'$' after '~' restarts", "mscp_wakeup", "24 61 7E 24 62 21", {"62"}},
        {"empty frame", "mscp_wakeup", "24 21 FF 24 63 21", {"63"}},
        {"bytes outside frames", "mscp_wakeup", "61 62 21 24 64 21 65", {"64"}},
        {"two frames", "mscp_wakeup", "FF 24 01 21 FF 24 02 21", {"01", "02"}},
        {"line mode", "EOL", "61 62 63 0A", {"61 62 63 0A"}},
        {"lone line feed", "EOL", "0A 24 21 0A", {"0A", "24 21 0A"}},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.name);
        Tmlp_com_win32 link;
        Tcollector collector(link);
        link.setParameter("mode", c.mode);
        for (unsigned char b : from_hex(c.line))
            link.OnComRX(b);
        EXPECT_EQ(collector.messages, c.messages);
    }
}

TEST(SerialReceiver, StartsOverWhenAFrameOutgrowsTheLimitAndDropsBytesWhileUnreleased)
{
    Tmlp_com_win32 link;
    Tcollector collector(link);
    link.setParameter("max_message_size", "3");
    for (unsigned char b : from_hex("24 01 02 03 04 05 21"))
        link.OnComRX(b);
    EXPECT_EQ(collector.messages, std::vector<std::string>{"04 05"});

    // A limit beyond the message's capacity would let the receiver overrun it.
    link.setParameter("max_message_size", "100000");
    EXPECT_EQ(link.max_message_size, Tmlp_message::capacity);

    collector.release = false;
    for (unsigned char b : from_hex("24 0A 21 24 0B 21"))
        link.OnComRX(b);
    ASSERT_EQ(collector.messages.size(), 2u);
    EXPECT_EQ(collector.messages[1], "0A");
    link.releaseRxMessage();
    for (unsigned char b : from_hex("24 0C 21"))
        link.OnComRX(b);
    EXPECT_EQ(collector.messages.back(), "0C");
}

// A pseudo-terminal whose far end the test holds: it plays the logger.
class Traw_line {
public:
    Traw_line()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = name;
            fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Traw_line()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    Traw_line(const Traw_line&) = delete;
    Traw_line& operator=(const Traw_line&) = delete;

    // Whatever the program wrote since the last call.
    void collect(Bytes& into) const
    {
        unsigned char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(master, buffer, sizeof buffer)) > 0)
            into.insert(into.end(), buffer, buffer + n);
    }
    bool send(const Bytes& bytes) const
    {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

// The link stack of the programs without the master, on a raw line.
class WireTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(line.path.empty());
        io.setMaster(&listener);
        io.setModuleResource(&module);
        module.setOwner(&listener);
        module.setMlpIo(&io);
        io.setParameter("sel_com_interface", "COM");
        io.setParameter("port", line.path.c_str());
        io.setParameter("baudrate", "38400");
        ASSERT_FALSE(io.request(1));
        ASSERT_TRUE(pump.until([&] { return listener.count("io:SUCCESS") == 1; }));
    }

    // The next frame the program sends, compared whole once its length is there.
    std::string nextWritten(std::size_t length)
    {
        Bytes written;
        pump.until([&] {
            line.collect(written);
            return written.size() >= length;
        });
        return to_hex(written);
    }

    link_test::Tevent_pump pump;
    Traw_line line;
    link_test::Tlistener listener;
    Tmlp_io io;
    Tmodule_resource module;
};

TEST_F(WireTest, FirstStatusReadGoesOutAndComesInByteForByte)
{
    module_view.setPresentAll(1);
    module_view.setPresent(STATUS_LAST_BLOCK, 0);
    module_view.setPresent(STATUS_PIN_STATE, 0);

    // Program to logger, logger to program. The first request starts the GTP
    // socket with INIT 20; sequence 33 (0x21) and 36 (0x24), the variables 33
    // and 36 and several values travel escaped.
    const std::pair<const char*, const char*> exchanges[] = {
        {"FF 24 01 00 02 81 01 14 66 21", "FF 24 00 01 02 81 F0 14 77 21"},
        {"FF 24 01 00 03 81 54 15 00 11 21", "FF 24 00 01 06 81 F0 15 5F 5E 10 00 A5 21"},
        {"FF 24 01 00 03 81 54 16 26 EA 21", "FF 24 00 01 06 81 F0 16 00 00 03 2C 42 21"},
        {"FF 24 01 00 03 81 54 17 27 E8 21", "FF 24 00 01 06 81 F0 17 10 10 00 04 4C 21"},
        {"FF 24 01 00 03 81 54 18 03 0B 21", "FF 24 00 01 06 81 F0 18 00 00 00 01 6E 21"},
        {"FF 24 01 00 03 81 5B 19 02 04 21", "FF 24 00 01 03 81 F0 19 01 70 21"},
        {"FF 24 01 00 03 81 54 1A 02 0A 21", "FF 24 00 01 06 81 F0 1A 5F 5E 12 58 46 21"},
        {"FF 24 01 00 03 81 54 1B 01 0A 21", "FF 24 00 01 06 81 F0 1B 00 00 02 58 12 21"},
        {"FF 24 01 00 03 81 54 1C 04 06 21", "FF 24 00 01 06 81 F0 1C 00 00 00 3C 2F 21"},
        {"FF 24 01 00 03 81 54 1D 10 F9 21", "FF 24 00 01 06 81 F0 1D 00 7E 3E 7E 64 00 C8 21"},
        {"FF 24 01 00 03 81 54 1E 28 E0 21", "FF 24 00 01 06 81 F0 1E 00 00 00 7E 64 45 21"},
        {"FF 24 01 00 03 81 54 1F 23 E4 21", "FF 24 00 01 06 81 F0 1F 00 00 00 01 67 21"},
        {"FF 24 01 00 03 81 54 20 20 E6 21", "FF 24 00 01 06 81 F0 20 00 00 1C 20 2B 21"},
        {"FF 24 01 00 03 81 54 7E 61 22 E3 21", "FF 24 00 01 06 81 F0 7E 61 00 00 01 2C 39 21"},
        {"FF 24 01 00 03 81 54 22 7E 61 E3 21", "FF 24 00 01 06 81 F0 22 7E 3E 7E 64 7E 61 7E 3E 7E 64 21"},
        {"FF 24 01 00 03 81 54 23 7E 64 DF 21", "FF 24 00 01 06 81 F0 23 5F 5E 1C 2C 5F 21"},
        {"FF 24 01 00 07 81 5A 7E 64 00 00 00 FF 01 F8 21", "FF 24 00 01 03 81 F0 7E 64 7E 3E E8 21"},
    };
    ASSERT_FALSE(module.start_status());
    for (const auto& [request, answer] : exchanges) {
        ASSERT_EQ(nextWritten(from_hex(request).size()), request);
        ASSERT_TRUE(pump.settle(io));
        ASSERT_TRUE(line.send(from_hex(answer)));
    }
    ASSERT_TRUE(pump.until([&] { return listener.count("module resource:SUCCESS") == 1; }));

    EXPECT_EQ(module_view.time(), 0x5F5E1000u);
    EXPECT_EQ(module_view.status(STATUS_STATION_ID).value, 812u);
    EXPECT_EQ(module.station_id, 812u);
    EXPECT_EQ(module_view.status(STATUS_MMS_PT).value, 0x7E2400u);
    EXPECT_EQ(module_view.status(STATUS_NEXT_DOWNLOAD_ADDRESS).value, 0x24u);
    EXPECT_EQ(module_view.status(STATUS_GSM_NEXT).value, 0x7E24217Eu);
    EXPECT_EQ(module_view.status(STATUS_ACQ_MODE).value, 1u);
    EXPECT_EQ(module_view.status(STATUS_NVFLAGS).value, 0x7Eu);
    EXPECT_TRUE(module_view.status(STATUS_NVFLAGS).valid);
    EXPECT_EQ(std::string(module.status_text.c_str()),
              "805F5E1000"
              "820000032C"
              "9C5F5E1258"
              "8C007E2400"
              "8E00000024"
              "8D7E24217E"
              "8F5F5E1C2C");
}

TEST_F(WireTest, MessagesWhoseFramedFormDoesNotFitAreRefused)
{
    Tmlp_message escaped;
    escaped.length = 300;
    for (unsigned i = 0; i < escaped.length; ++i)
        escaped.bytes[i] = '$';
    EXPECT_TRUE(io.sendMessage(&escaped));
    EXPECT_TRUE(recorded::log_contains("too long to frame"));

    Tmlp_message plain = message_of(from_hex("01 00 01 20 4C"));
    plain.seal();
    EXPECT_FALSE(io.sendMessage(&plain));
    EXPECT_EQ(nextWritten(9), "FF 24 01 00 01 20 4C 91 21");
}

}  // namespace
