// Received frames of the wrong size: answers that carry fewer or more bytes
// than their request asks for end the operation in ERROR instead of reporting
// stale bytes as a result; short BTP frames and short dumps are ignored.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/download_manager.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "tests/link/link_test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The module resource without a line: its frames go nowhere, the test hands
// it the logger's frames directly.
class ModuleResourceAnswers : public ::testing::Test {
protected:
    void SetUp() override { module.setOwner(&listener); }

    void receive(unsigned char port, const Bytes& payload)
    {
        Tmlp_message frame;
        frame.bytes[0] = 0;
        frame.bytes[1] = 1;
        frame.bytes[2] = static_cast<unsigned char>(payload.size());
        frame.bytes[3] = port;
        for (std::size_t i = 0; i < payload.size(); ++i)
            frame.bytes[4 + i] = payload[i];
        frame.seal();
        module.mlpOnRx(&frame);
        pump.window.pumpAll();
    }
    void answer(unsigned char code, const Bytes& data)
    {
        Bytes payload{code, module.gtpSocket().seq};
        payload.insert(payload.end(), data.begin(), data.end());
        receive(0x81, payload);
    }

    // A status read of TIME and the one field given, its INIT and TIME answered.
    void readTimeAnd(Tstatus_field_id field)
    {
        module_view.setPresent(field, 1);
        ASSERT_FALSE(module.start_status());
        pump.window.pumpAll();
        answer(0xF0, {});
        answer(0xF0, {0x65, 0x53, 0xF1, 0x00});
        ASSERT_EQ(module_view.time(), 0x6553F100u);
    }

    std::string outcome() const
    {
        if (listener.count("module resource:SUCCESS"))
            return "SUCCESS";
        return listener.count("module resource:ERROR") ? "ERROR" : "running";
    }

    link_test::Tevent_pump pump;
    link_test::Tlistener listener;
    Tmodule_resource module;
};

TEST_F(ModuleResourceAnswers, AnswersOfTheWrongSizeEndTheReadInError)
{
    struct Tcase {
        const char* name;
        Tstatus_field_id field;
        unsigned char code;
        Bytes data;
        const char* outcome;
    };
    const Tcase cases[] = {
        {"variable of 4 bytes", STATUS_STATION_ID, 0xF0, {0, 0, 3, 0x2C}, "SUCCESS"},
        {"variable of 2 bytes", STATUS_STATION_ID, 0xF0, {3, 0x2C}, "ERROR"},
        {"variable of 5 bytes", STATUS_STATION_ID, 0xF0, {0, 0, 0, 3, 0x2C}, "ERROR"},
        {"ACQ mode of 1 byte", STATUS_ACQ_MODE, 0xF0, {1}, "SUCCESS"},
        {"ACQ mode without data", STATUS_ACQ_MODE, 0xF0, {}, "ERROR"},
        {"control answered neither OK nor FAIL", STATUS_ACQ_MODE, 0xF3, {1}, "ERROR"},
        {"control failed", STATUS_ACQ_MODE, 0xF1, {}, "ERROR"},
        {"NVFLAGS of 1 byte", STATUS_NVFLAGS, 0xF0, {7}, "SUCCESS"},
        {"NVFLAGS without data", STATUS_NVFLAGS, 0xF0, {}, "ERROR"},
        {"NVFLAGS of 3 bytes", STATUS_NVFLAGS, 0xF0, {7, 8, 9}, "ERROR"},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.name);
        module_view = Tmodule_view();
        listener.heard.clear();
        readTimeAnd(c.field);
        answer(c.code, c.data);
        EXPECT_EQ(outcome(), c.outcome);
        EXPECT_EQ(module.state, 0);
        const bool stored = std::string(c.outcome) == "SUCCESS";
        EXPECT_EQ(module_view.status(c.field).valid != 0, stored);
    }
}

TEST_F(ModuleResourceAnswers, ShortPipoFramesAreIgnored)
{
    receive(0x20, {'H', 5, 1, 2});
    EXPECT_EQ(module.challenge, 0u);
    receive(0x20, {'H', 5, 0x12, 0x34, 0x56, 0x78});
    EXPECT_EQ(module.challenge, 0x12345678u);
    receive(0x20, {'A'});
    EXPECT_FALSE(module.access_granted);
    receive(0x20, {'A', 1});
    EXPECT_TRUE(module.access_granted);
}

TEST_F(ModuleResourceAnswers, BtpFramesShorterThanTheirAddressAreIgnored)
{
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    Tdownload_manager& manager = module.downloadManager();
    manager.setResultFile(file);
    ASSERT_FALSE(manager.start(0, 100));
    pump.window.pumpAll();
    pump.window.advance(250);  // past the settling stop: the block is requested
    ASSERT_EQ(manager.block_len, 100u);

    receive(0x24, {0, 0, 0});
    EXPECT_EQ(manager.bytes_received, 0u);
    EXPECT_TRUE(recorded::log_contains("ERROR : download manager : BTP frame of 8 bytes ignored"));
    receive(0x24, {0, 0, 0, 10, 0xAA, 0xBB});
    EXPECT_EQ(manager.bytes_received, 2u);
    EXPECT_EQ(manager.data[10], 0xAA);
    manager.setResultFile(nullptr);
    std::fclose(file);
}

TEST_F(ModuleResourceAnswers, RadioStatusNeedsTheBytesItPrints)
{
    receive(0x22, {'F', 1, 0x43, 0x58, 0, 0, 0x3F, 0x80, 0, 0});
    EXPECT_TRUE(recorded::log_contains("ERROR : radio status of 9 bytes, 10 needed"));
    EXPECT_FALSE(recorded::log_contains("status=x"));
    // Ten bytes print the line; without a length byte no telegram is read.
    receive(0x22, {'F', 1, 0x43, 0x58, 0, 0, 0x3F, 0x80, 0, 0, 200});
    EXPECT_TRUE(recorded::log_contains("status=x1, freq=216.000000, dev=1.000000, RSSI=200"));
}

TEST_F(ModuleResourceAnswers, LoggerRequestsAreSynchronisedByItsInit)
{
    const Tmscp_ccpSocket& socket = module.gtpSocket();
    receive(0x81, {0x40, 6});  // a request before any INIT
    EXPECT_EQ(socket.rx_state, 0);
    EXPECT_EQ(module.tx.length, 0);

    receive(0x81, {0x01, 7});
    EXPECT_EQ(socket.rx_state, 1);
    const Bytes init_answer(module.tx.bytes, module.tx.bytes + module.tx.length);
    EXPECT_EQ(init_answer, (Bytes{1, 0, 2, 0x81, 0xF0, 7, 0x84}));

    module.tx.length = 0;
    receive(0x81, {0x40, 8, 0x11});
    EXPECT_EQ(socket.rx_seq, 8);
    EXPECT_EQ(socket.rx_request.bytes[6], 0x11);
    EXPECT_EQ(module.tx.length, 0);  // the socket itself does not answer a request

    receive(0x81, {0x40, 8, 0x22});  // a repeat: the stored answer again, not a new request
    EXPECT_EQ(Bytes(module.tx.bytes, module.tx.bytes + module.tx.length), init_answer);
    EXPECT_EQ(socket.rx_request.bytes[6], 0x11);
    receive(0x81, {0x40, 10});
    EXPECT_EQ(socket.rx_seq, 8);
}

}  // namespace
