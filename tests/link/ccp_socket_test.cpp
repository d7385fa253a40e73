// CCP on the GTP port against the simulated logger over a pseudo-terminal:
// the product's link stack (serial link, link selector, module resource and its
// socket) with the tick driven by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "tests/link/link_test_support.h"
#include "tools/logger_sim/logger.h"

namespace {

using namespace std::chrono_literals;

constexpr uint32_t logger_time = 1700000000;

class CcpSocket : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(link_test::start_logger(logger, ports, logger_time));
        io.setMaster(&listener);
        io.setModuleResource(&module);
        module.setOwner(&listener);
        module.setMlpIo(&io);
        io.setParameter("sel_com_interface", "COM");
        io.setParameter("port", link_test::com_port_name(logger.comNumber()).c_str());
        io.setParameter("baudrate", "38400");
        ASSERT_FALSE(io.request(1));
        ASSERT_TRUE(pump.until([&] { return listener.count("io:SUCCESS") == 1; }));
    }

    Tmscp_ccpSocket& gtp() { return module.gtpSocket(); }

    void tick()
    {
        module.On_1Hz();
        ASSERT_TRUE(pump.settle(io));
    }

    // The status read of the TIME variable alone: INIT, then one VARGET.
    void startTimeRead()
    {
        module_view.setPresentAll(0);
        ASSERT_FALSE(module.start_status());
        pump.window.pumpAll();
    }

    std::optional<sim::Received> nextFromProgram(uint8_t command)
    {
        std::optional<sim::Received> frame;
        pump.until([&] {
            frame = logger.waitFor({sim::port::gtp, command}, 0ms);
            return frame.has_value();
        });
        return frame;
    }

    unsigned receivedCount(uint8_t command) const
    {
        unsigned count = 0;
        for (const sim::Received& frame : logger.received())
            count += frame.valid && frame.port == sim::port::gtp && frame.command() == command ? 1 : 0;
        return count;
    }

    // Variable reads are answered PENDING; the answer waits for releaseLate().
    void holdLateAnswers()
    {
        logger.update([](sim::State& s) {
            s.misbehaviour.pending[{sim::port::gtp, sim::gtp::var_get}] = sim::LateRule{true, 0ms};
        });
    }

    bool ended(const char* how) { return pump.until([&] { return listener.count(how) == 1; }); }

    // A corrupted or misaddressed answer to INIT: ignored, INIT repeated at
    // the third tick, then the read goes through.
    void expectIgnoredInitAnswer(const std::function<void(sim::Misbehaviour&)>& misbehave,
                                 const std::function<void(sim::Misbehaviour&)>& behave)
    {
        module.trace = 0x100;
        logger.update([&](sim::State& s) { misbehave(s.misbehaviour); });
        startTimeRead();
        ASSERT_TRUE(nextFromProgram(sim::ccp::init));
        ASSERT_TRUE(pump.untilLogged("#>mlpOnRx"));
        pump.window.pumpAll();
        EXPECT_EQ(gtp().state, Tmscp_ccpSocket::WAIT_INIT_ACK);
        EXPECT_EQ(gtp().seq, 20);

        logger.update([&](sim::State& s) { behave(s.misbehaviour); });
        for (int i = 0; i < 3; ++i)
            tick();
        const auto repeated = nextFromProgram(sim::ccp::init);
        ASSERT_TRUE(repeated);
        EXPECT_EQ(repeated->sequence(), 20);
        ASSERT_TRUE(ended("module resource:SUCCESS"));
        EXPECT_EQ(module_view.time(), logger_time);
    }

    link_test::Tevent_pump pump;
    link_test::Tports_folder ports;
    sim::Logger logger;
    link_test::Tlistener listener;
    Tmlp_io io;
    Tmodule_resource module;
};

TEST_F(CcpSocket, FirstRequestStartsWithInitAndTheNextRequestGoesOutDirectly)
{
    startTimeRead();
    const auto init = nextFromProgram(sim::ccp::init);
    ASSERT_TRUE(init);
    EXPECT_EQ(init->dest, 1);
    EXPECT_EQ(init->src, 0);
    EXPECT_EQ(init->sequence(), 20);
    const auto request = nextFromProgram(sim::gtp::var_get);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->sequence(), 21);
    ASSERT_TRUE(ended("module resource:SUCCESS"));
    EXPECT_EQ(module_view.time(), logger_time);

    // The end of an operation closes the socket: the next one starts with INIT.
    EXPECT_EQ(gtp().state, Tmscp_ccpSocket::CLOSED);
    startTimeRead();
    const auto again = nextFromProgram(sim::ccp::init);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->sequence(), 22);
    ASSERT_TRUE(pump.until([&] { return listener.count("module resource:SUCCESS") == 2; }));
    EXPECT_EQ(receivedCount(sim::gtp::var_get), 2u);
}

TEST_F(CcpSocket, LostInitIsRepeatedAtTheThirdTick)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_frame = 1; });
    gtp().trace = Tmscp_ccpSocket::TRACE_RETRANSMIT;
    startTimeRead();
    ASSERT_TRUE(nextFromProgram(sim::ccp::init));
    tick();
    tick();
    EXPECT_EQ(gtp().state, Tmscp_ccpSocket::WAIT_INIT_ACK);
    EXPECT_EQ(link_test::count_logged("Re-Transmit"), 0);
    tick();
    EXPECT_EQ(link_test::count_logged("Re-Transmit"), 1);
    const auto repeated = nextFromProgram(sim::ccp::init);
    ASSERT_TRUE(repeated);
    EXPECT_EQ(repeated->sequence(), 20);
    ASSERT_TRUE(ended("module resource:SUCCESS"));
    EXPECT_EQ(receivedCount(sim::ccp::init), 2u);
    EXPECT_EQ(module_view.time(), logger_time);
}

TEST_F(CcpSocket, TimesOutAtTheEighteenthTickAfterTheFifthRepeat)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert({sim::port::gtp, sim::gtp::var_get}); });
    module.trace = 0x2;
    gtp().trace = Tmscp_ccpSocket::TRACE_RETRANSMIT;
    startTimeRead();
    ASSERT_TRUE(nextFromProgram(sim::gtp::var_get));
    for (int second = 1; second <= 17; ++second) {
        tick();
        ASSERT_FALSE(recorded::log_contains("Timeout")) << "tick " << second;
    }
    EXPECT_EQ(link_test::count_logged("Re-Transmit"), 5);
    tick();
    EXPECT_TRUE(recorded::log_contains("ERROR : Timeout - No Answer"));
    ASSERT_TRUE(ended("module resource:ERROR"));
    EXPECT_TRUE(recorded::log_contains("ERROR : module resource : terminated TERMINATE_ERROR"));
    EXPECT_EQ(module.state, 0);
    EXPECT_EQ(gtp().state, Tmscp_ccpSocket::CLOSED);

    // Six copies went out, all with the request's number; the logger ran it once.
    ASSERT_TRUE(pump.until([&] { return receivedCount(sim::gtp::var_get) == 6; }));
    for (const sim::Received& frame : logger.received())
        if (frame.valid && frame.command() == sim::gtp::var_get) {
            EXPECT_EQ(frame.sequence(), 21);
        }
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::var_get}), 1u);
}

TEST_F(CcpSocket, RepeatedRequestGetsTheStoredAnswerWithoutRunningTwice)
{
    // The first frame answers INIT, the second the request: that one is lost.
    logger.update([](sim::State& s) { s.misbehaviour.drop_frame = 2; });
    startTimeRead();
    ASSERT_TRUE(nextFromProgram(sim::gtp::var_get));
    for (int i = 0; i < 3; ++i)
        tick();
    const auto copy = nextFromProgram(sim::gtp::var_get);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->sequence(), 21);
    ASSERT_TRUE(ended("module resource:SUCCESS"));
    EXPECT_EQ(module_view.time(), logger_time);
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::var_get}), 1u);
}

TEST_F(CcpSocket, PendingThenLateAnswerIsAcknowledged)
{
    holdLateAnswers();
    module.trace = 0x8;
    startTimeRead();
    ASSERT_TRUE(pump.untilLogged("INFO  : PENDING........"));
    EXPECT_EQ(gtp().state, Tmscp_ccpSocket::REQUEST_MODE_WAIT_LATE);
    EXPECT_EQ(module.activity.ping_countdown, 20);
    // The wait for a late answer neither repeats the request nor gives up soon.
    for (int i = 0; i < 30; ++i)
        tick();
    EXPECT_EQ(gtp().state, Tmscp_ccpSocket::REQUEST_MODE_WAIT_LATE);
    EXPECT_EQ(receivedCount(sim::gtp::var_get), 1u);

    logger.releaseLate();
    const auto ack = nextFromProgram(sim::ccp::late_ack);
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->sequence(), 21);
    ASSERT_TRUE(ended("module resource:SUCCESS"));
    EXPECT_EQ(module_view.time(), logger_time);
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::var_get}), 1u);
}

TEST_F(CcpSocket, PendingWithoutLateAnswerTimesOutAfterTheLongWait)
{
    holdLateAnswers();
    startTimeRead();
    ASSERT_TRUE(pump.until([&] { return gtp().state == Tmscp_ccpSocket::REQUEST_MODE_WAIT_LATE; }));
    for (int second = 1; second < 600; ++second)
        module.On_1Hz();
    pump.window.pumpAll();
    EXPECT_EQ(listener.count("module resource:ERROR"), 0);
    tick();
    ASSERT_TRUE(ended("module resource:ERROR"));
    EXPECT_TRUE(recorded::log_contains("ERROR : Timeout - No Answer"));
}

TEST_F(CcpSocket, MultiPartAnswerIsFetchedPartByPart)
{
    const std::string mac = "70-B3-D5-12-34-56";
    logger.update([](sim::State& s) { s.misbehaviour.multipart[{sim::port::gtp, sim::gtp::parameter_get}] = 5; });
    ASSERT_FALSE(module.mscp_gtp_sendGetParameter(162));
    ASSERT_TRUE(pump.until([&] { return gtp().state == Tmscp_ccpSocket::READY; }));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(gtp().parts), gtp().parts_total), mac);
    // 5 + 5 + 5 + 2 bytes: three parts fetched with NEXT, the last one closes.
    EXPECT_EQ(receivedCount(sim::ccp::next), 3u);
    const Tmlp_message& answer = *gtp().getAnswer();
    EXPECT_EQ(answer.bytes[4], sim::ccp::ok);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.bytes + 6), 2u), "56");
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::parameter_get}), 1u);
}

TEST_F(CcpSocket, CorruptedChecksumIsIgnored)
{
    expectIgnoredInitAnswer([](sim::Misbehaviour& m) { m.corrupt_frame = 1; }, [](sim::Misbehaviour&) {});
    EXPECT_TRUE(recorded::log_contains("ERROR : module resource : check sum (A)"));
}

TEST_F(CcpSocket, AnswerFromAWrongSourceIsIgnored)
{
    expectIgnoredInitAnswer([](sim::Misbehaviour& m) { m.wrong_source = true; },
                            [](sim::Misbehaviour& m) { m.wrong_source = false; });
}

}  // namespace
