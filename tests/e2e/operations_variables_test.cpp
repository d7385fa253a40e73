// Variables, outputs, controls and parameters from the master down to the
// simulated logger, and the module resource's configuration sequence.
#include "tests/e2e/operations_fixture.h"

namespace {

using operations_test::master_cancelled;
using operations_test::master_error;
using operations_test::master_success;
using operations_test::Operations;

const sim::Command out_set{sim::port::gtp, sim::gtp::out_set};
const sim::Command control{sim::port::gtp, sim::gtp::control};

TEST_F(Operations, SetAndAddWriteTheVariableModulo32Bits)
{
    master.start_set_var(sim::var::acq_interval0, 900, 0);
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 900u);

    logger.update([](sim::State& s) { s.variables[sim::var::acq_interval1] = 0xFFFFFFF0u; });
    master.start_add_var(sim::var::acq_interval1, 32);
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval1), 16u);
}

TEST_F(Operations, RefusedWithoutALinkOrWhileBusy)
{
    master.start_set_var(sim::var::acq_interval0, 1, 0);
    master.start_set_var(sim::var::acq_interval0, 2, 0);  // busy: refused
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 1u);
    master.link_state = Tcalyxo_master::LINK_DISCONNECTED;
    EXPECT_TRUE(master.start_out_control(1, 1, 1));
    EXPECT_EQ(master.state, 0);
}

TEST_F(Operations, OutputsAreSetWithAcquisitionSwitchedOffAroundThem)
{
    ASSERT_FALSE(master.start_out_control(1, 0x0F, 0x05));
    EXPECT_EQ(finish(), master_success);
    const auto outputs = logger.read([](const sim::State& s) { return s.outputs; });
    ASSERT_EQ(outputs.count(1), 1u);
    EXPECT_EQ(outputs.at(1), std::make_pair(uint8_t{0x0F}, uint8_t{0x05}));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    // ACQ_ENABLE written 0 before the outputs and 1 after them.
    std::vector<std::string> order;
    for (const sim::Received& frame : logger.received()) {
        if (frame.port != sim::port::gtp || frame.body().size() < 1)
            continue;
        if (frame.command() == sim::gtp::var_set && frame.body()[0] == sim::var::acq_enable)
            order.push_back("acq " + std::to_string(frame.body()[5]));
        else if (frame.command() == sim::gtp::out_set)
            order.push_back("outputs");
    }
    const std::vector<std::string> expected = {"acq 0", "outputs", "acq 1"};
    EXPECT_EQ(order, expected);
    const std::vector<std::pair<int, std::string>> pending = {
        {52, "Please wait a few seconds..."}, {53, "SHOW"}, {53, "HIDE"}};
    EXPECT_EQ(recorded::gui_calls(), pending);
}

TEST_F(Operations, AnOutputThatTimesOutStillPutsAcquisitionBack)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert(out_set); });
    ASSERT_FALSE(master.start_out_control(2, 1, 1));
    EXPECT_EQ(finish(true), master_error);
    EXPECT_TRUE(logged("ERROR : Timeout - No Answer"));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(Operations, ACancelledOutputPutsAcquisitionBack)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert(out_set); });
    ASSERT_FALSE(master.start_out_control(2, 1, 1));
    ASSERT_TRUE(waitExecuted(out_set, 1));
    master.STOP.signal();
    EXPECT_EQ(finish(), master_cancelled);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(Operations, ControlSixCarriesItsKeyAndClearsTheFlash)
{
    logger.update([](sim::State& s) {
        s.flash.assign(100, 0x11);
        s.variables[sim::var::next_download_address] = 100;
    });
    master.start_control(6);
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.flash.size(); }), 0u);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), 0u);
}

TEST_F(Operations, APendingControlEndsOnlyWhenTheCallerSaysSo)
{
    logger.update([](sim::State& s) { s.misbehaviour.pending[control] = sim::LateRule{true, {}}; });
    const uint8_t data[7] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_FALSE(module.start_control(0, data, sizeof data, 1));
    ASSERT_TRUE(pump.until([&] { return module.state == 0 && logged("INFO    : ........ DONE"); }));
    // The command byte and the first five data bytes went out.
    auto request = logger.received().back();
    for (const sim::Received& frame : logger.received())
        if (frame.port == sim::port::gtp && frame.command() == sim::gtp::control)
            request = frame;
    const std::vector<uint8_t> sent = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(request.body(), sent);

    recorded::clear_log();
    ASSERT_FALSE(module.start_control(0, nullptr, 0, 0));
    ASSERT_TRUE(pump.untilLogged("INFO  : PENDING........"));
    EXPECT_NE(module.state, 0);  // still waiting for the final answer
    logger.releaseLate();
    EXPECT_TRUE(pump.until([&] { return module.state == 0 && logged("INFO    : ........ DONE"); }));
}

TEST_F(Operations, TheMacParameterShowsTheAnswerAndTheDevEui)
{
    logger.update([](sim::State& s) {
        const std::string mac = "00-11-22-33-44-55";
        s.parameters[162].assign(mac.begin(), mac.end());
    });
    // What an earlier, longer answer left in the buffer is not part of the text.
    std::fill(std::begin(master.parameter_buffer), std::end(master.parameter_buffer), uint8_t{'X'});
    master.start_parameter_get(162);
    EXPECT_EQ(finish(), master_success);
    EXPECT_TRUE(logged("MAC ADDR  : 00-11-22-33-44-55"));
    EXPECT_TRUE(logged("DEV EUI   : 00-11-22-FF-FE-33-44-55"));
}

TEST_F(Operations, TheComDebugRecordIsReadEntryByEntry)
{
    logger.update([](sim::State& s) {
        s.parameters[169] = {3, 3, 0x00, 0x40, 0x00,  // 16384 cycles
                             5, 2, 0, 2,              // TX at SF10
                             5, 2, 1, 9,              // RX at data rate 9
                             33, 3, 7, 0xAB, 0xCD,    // RX on port 7
                             17, 9, 1};               // runs past the record: the walk ends
    });
    master.start_parameter_get(169);
    EXPECT_EQ(finish(), master_success);
    for (const char* line : {"COM_DEBUG : --------------------------------------", " cycles = 16384 x4000",
                             "    Frequence = 1000000", "    Datarate  = SF10 / TX", "    Datarate  = 9 / RX",
                             "    RX payload, unencrypted port=7", "---------------------------------------- COM_DEBUG"})
        EXPECT_TRUE(logged(line)) << line;
    EXPECT_FALSE(logged("    TX payload, encrypted "));
}

TEST_F(Operations, AConfigurationSequenceRunsItsStepsAndKeepsAVerifyFailure)
{
    std::vector<uint8_t> page(100);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<uint8_t>(i);
    // One worn cell in the first of three chunks; the later chunks compare equal.
    logger.update([](sim::State& s) { s.eeprom.stuck.insert(3 * 256 + 5); });
    module.clearConfSequence();
    module.addConfGetVar(sim::var::station_id);
    module.addConfSetVar(sim::var::acq_interval0, 77);
    const uint8_t fast_mode[6] = {1};
    module.addConfControl(1, fast_mode);
    module.addConfWritePage(3, page.data(), static_cast<uint16_t>(page.size()));
    module.addConfEnd();
    module.addConfSetVar(sim::var::acq_interval0, 99);  // after the end: not run
    ASSERT_EQ(module.start_conf_sequence(), 0);
    ASSERT_TRUE(pump.until([&] { return module.state == 0 && logged("write EEPROM 3 "); }));
    EXPECT_TRUE(pump.until([&] { return logger.executions({sim::port::gtp, sim::gtp::eeprom_read}) == 3; }));
    EXPECT_EQ(module.confSequenceItem(0)->value, 812u);
    EXPECT_EQ(module.confSequenceItem(3)->verify_failed, 1);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 77u);
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.acq_mode; }), 1);

    module.clearConfSequence();
    EXPECT_EQ(module.start_conf_sequence(), 1);
}

}  // namespace
