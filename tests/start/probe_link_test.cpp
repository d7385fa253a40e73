// The product's serial link in line mode against the simulated probe: the
// command byte goes out unframed, the probe's answer comes back as one message
// ending in its line feed, and at the logger's speed the probe does not answer.

#include <gtest/gtest.h>

#include <string>

#include "link/mlp_io.h"
#include "link/mlp_message.h"
#include "tests/link/link_test_support.h"
#include "tools/probe_sim/probe.h"

namespace {

using namespace std::chrono_literals;

// Takes every received message as the controller does in line mode.
class Tline_receiver : public Tsequence {
public:
    void OnNotification(Tmy_event* event) override
    {
        if (!io || event != &io->MLP_MSG_ARRIVAL)
            return;
        if (const Tmlp_message* message = io->getRxMessage())
            lines.emplace_back(reinterpret_cast<const char*>(message->bytes), message->length);
        io->releaseRxMessage();
    }

    Tmlp_io* io = nullptr;
    std::vector<std::string> lines;
};

class ProbeLink : public ::testing::Test {
protected:
    void connect(const char* baud)
    {
        probe.update([](probe_sim::Setup& s) {
            ASSERT_TRUE(probe_sim::apply_lamp_text("A:100:50", s.script));
            ASSERT_TRUE(probe_sim::apply_lamp_text("T:40:7.5", s.script));
        });
        ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
        receiver.io = &io;
        io.setMaster(&listener);
        io.setModuleResource(&receiver);
        io.setParameter("sel_com_interface", "COM");
        io.setParameter("mode", "EOL");
        io.setParameter("modem", "false");
        io.setParameter("port", link_test::com_port_name(probe.comNumber()).c_str());
        io.setParameter("baudrate", baud);
        ASSERT_FALSE(io.request(1));
        ASSERT_TRUE(pump.until([&] { return listener.count("io:SUCCESS") == 1; }));
    }

    void ask(unsigned char command)
    {
        Tmlp_message message;
        message.bytes[0] = command;
        message.length = 1;
        ASSERT_FALSE(io.sendMessage(&message));
        ASSERT_TRUE(pump.settle(io));
    }

    link_test::Tevent_pump pump;
    link_test::Tports_folder ports;
    probe_sim::Probe probe;
    link_test::Tlistener listener;
    Tline_receiver receiver;
    Tmlp_io io;
};

TEST_F(ProbeLink, ACommandByteGetsItsAnswerLineAsOneMessage)
{
    connect("9600");
    ask('I');  // lamps A and T
    ASSERT_TRUE(pump.until([&] { return !receiver.lines.empty(); }));
    EXPECT_EQ(receiver.lines[0], "I 10 15729 15 23593 4 6291 4 56623 60 51702 18 28312\r\n");
    ASSERT_EQ(probe.heard().size(), 1u);
    EXPECT_EQ(probe.heard()[0].byte, 'I');  // unframed: no wake-up byte, no delimiters

    ask('@');
    ASSERT_TRUE(pump.until([&] { return receiver.lines.size() == 2; }));
    EXPECT_EQ(receiver.lines[1], "@ 60 51702 18 28312\r\n");
}

TEST_F(ProbeLink, AtTheLoggerSpeedTheProbeHearsNoCommand)
{
    connect("38400");
    ask('O');
    ASSERT_TRUE(probe.waitForCommands(1, 5s));
    EXPECT_EQ(probe.heard()[0].outcome, probe_sim::Heard::Outcome::wrong_baud);
    EXPECT_TRUE(probe.sent().empty());
}

}  // namespace
