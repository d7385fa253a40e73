// The firmware update in both stages against the simulated logger over a
// pseudo-terminal: the running firmware takes the update program, jumps into
// it, the update program takes the new firmware and jumps back. The window's
// timer is fired by the test when the update asked for it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "link/firmware_update.h"
#include "link/rfu_window_port.h"
#include "tests/e2e/logger_stack_test_base.h"
#include "tools/logger_sim/firmware_memory.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Tline {
    uint32_t address;
    Bytes data;  // 16 bytes
};

Bytes line_bytes(uint8_t seed)
{
    Bytes bytes;
    bytes.reserve(16);
    for (uint8_t i = 0; i < 16; ++i)
        bytes.push_back(static_cast<uint8_t>(seed * 31 + i * 7));
    return bytes;
}

// One stage's lists: the lines, and CRC checks at the given addresses after
// the simulator's rule over a memory holding just these lines.
std::string stage_xml(const char* name, const std::vector<Tline>& lines, const std::vector<uint32_t>& checks,
                      int wrong_check = -1)
{
    sim::FirmwareMemory memory;
    std::string xml = std::string("<") + name + "><DATA>";
    for (const Tline& line : lines) {
        memory.write(line.address, line.data);
        xml += "<LINE address=\"" + std::to_string(line.address) + "\" data=\"" + hex_text(line.data) + "\"/>";
    }
    xml += "</DATA><CRC>";
    for (std::size_t i = 0; i < checks.size(); ++i) {
        unsigned crc = sim::firmware_crc(memory, checks[i]);
        if (static_cast<int>(i) == wrong_check)
            crc ^= 0x0101;
        xml += "<CHECK address=\"" + std::to_string(checks[i]) + "\" value=\"" + std::to_string(crc) + "\"/>";
    }
    return xml + "</CRC></" + name + ">";
}

const std::vector<Tline> updater_lines = {
    {0, line_bytes(1)}, {16, line_bytes(2)}, {32, line_bytes(3)}, {48, line_bytes(4)}, {96, line_bytes(5)}};
const std::vector<uint32_t> updater_checks = {0, 64};
const std::vector<Tline> firmware_lines = {{4096, line_bytes(9)}, {4112, line_bytes(10)}, {8192, line_bytes(11)}};
const std::vector<uint32_t> firmware_checks = {4096, 8192};

std::string firmware_file_text(int wrong_updater_check = -1)
{
    return "<FIRMWARE_FILE>" + stage_xml("RFU", updater_lines, updater_checks, wrong_updater_check) +
           stage_xml("FIRMWARE", firmware_lines, firmware_checks) + "</FIRMWARE_FILE>";
}

// What the window would show.
class Trecording_window : public Trfu_window_port {
public:
    void rfu_log(const char* text) override
    {
        if (text)
            lines.push_back(text);
        else
            lines.clear();
    }
    void rfu_progress(int kind, int value) override { progress.push_back({kind, value}); }
    void rfu_wait(int ms) override { waits.push_back(ms); }
    void rfu_failed(const char* text) override { failures.push_back(text); }

    std::vector<std::string> lines;
    std::vector<std::pair<int, int>> progress;
    std::vector<int> waits;
    std::vector<std::string> failures;
};

class FirmwareUpdate : public Tlogger_stack_test {
protected:
    void SetUp() override
    {
        module.setRedpHooks(&update);
        update.setWindow(&window);
        openLink("9600", listener);
    }

    void load(const std::string& text)
    {
        ASSERT_TRUE(write_file_bytes(folder.file("firmware.xml"), text));
        ASSERT_EQ(update.rfu_load_file(folder.file("firmware.xml").c_str()), 0);
    }

    bool reaches(uint32_t state)
    {
        return runUntil([&] { return update.state() == state || !window.failures.empty(); }) &&
               update.state() == state;
    }

    // The jump into the update program and the 1 s after it, on the timer.
    void enterUpdater()
    {
        update.rfu_start();
        ASSERT_TRUE(reaches(900)) << failureText();
        ASSERT_EQ(window.waits, std::vector<int>{4000});
        ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.update.running == sim::Program::updater; },
                                     std::chrono::seconds(10)));
        update.rfu_on_timer();
        EXPECT_EQ(update.state(), 950u);
        update.rfu_on_timer();
        ASSERT_EQ(update.state(), 1100u);
    }

    std::string failureText() const { return window.failures.empty() ? "" : window.failures.back(); }

    std::vector<std::size_t> writeLengths() const
    {
        std::vector<std::size_t> lengths;
        for (const sim::Received& frame : logger.received())
            if (frame.valid && frame.port == sim::port::redp && frame.command() == sim::redp::mem_write)
                lengths.push_back(frame.body().size() - 4);
        return lengths;
    }

    Ttemp_dir folder;
    Tfirmware_update update{master};
    Trecording_window window;
};

TEST_F(FirmwareUpdate, BothStagesWriteCheckAndJump)
{
    load(firmware_file_text());
    enterUpdater();
    // Lines at 0, 16, 32 go out as one write, 48 and 96 each alone; the copy
    // of the lines that the logger stored matches the file.
    EXPECT_EQ(writeLengths(), (std::vector<std::size_t>{48, 16, 16}));
    logger.read([](const sim::State& s) {
        for (const Tline& line : updater_lines)
            EXPECT_EQ(s.update.updater.read(line.address, 16), line.data);
        return 0;
    });

    ASSERT_TRUE(reaches(1900)) << failureText();
    EXPECT_EQ(window.waits, (std::vector<int>{4000, 1000, 2500}));
    update.rfu_on_timer();
    EXPECT_EQ(update.state(), 0u);
    EXPECT_TRUE(window.failures.empty());
    EXPECT_TRUE(recorded::log_contains("------------------------------ <DONE - CHECK device> ----------------"));
    EXPECT_TRUE(recorded::log_contains("-->starting RFU program @ 38400 addr 1"));
    EXPECT_EQ(module.state, 0);

    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.update.jumps == 2; }, std::chrono::seconds(10)));
    logger.read([](const sim::State& s) {
        EXPECT_EQ(s.update.running, sim::Program::firmware);
        for (const Tline& line : firmware_lines)
            EXPECT_EQ(s.update.firmware.read(line.address, 16), line.data);
        return 0;
    });
    EXPECT_EQ(writeLengths(), (std::vector<std::size_t>{48, 16, 16, 32, 16}));
    const std::vector<std::string> steps = {"- Start", "- Send RFU Data", "- Check RFU Data",
                                            "- RFU start .... (wait 5 sec)", "- RFU started - Clearing memory",
                                            "- Send Firmware Data", "- Check Firmware Data", "--> New firmware Jump"};
    EXPECT_EQ(window.lines, steps);
    // Each list starts its progress with its entry count and ends at it.
    EXPECT_EQ(window.progress.front(), std::make_pair(2, 5));
    EXPECT_EQ(window.progress.back(), std::make_pair(1, 2));
    // Normal mode: address and rate stay.
    EXPECT_EQ(master.mscp_dest, 1);
    EXPECT_EQ(logger.lineBaud(), 9600u);
}

TEST_F(FirmwareUpdate, ExtensionModeSwitchesToTheUpdateProgramAndBack)
{
    logger.update([](sim::State& s) { s.address = 254; });
    master.setParameter("mscp_dest", "254");
    ASSERT_EQ(master.getModeFlag("extension"), 1);
    load(firmware_file_text());
    enterUpdater();
    // The update program is reached at 38400 baud on address 1.
    EXPECT_EQ(master.mscp_dest, 1);
    EXPECT_TRUE(pump.until([&] { return logger.lineBaud() == 38400u; }));
    ASSERT_TRUE(reaches(1900)) << failureText();
    update.rfu_on_timer();
    EXPECT_EQ(update.state(), 0u);
    // Back to the firmware's rate and address, extension mode on again.
    EXPECT_EQ(master.mscp_dest, 254);
    EXPECT_EQ(master.getModeFlag("extension"), 1);
    EXPECT_TRUE(pump.until([&] { return logger.lineBaud() == 9600u; }));
    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.update.jumps == 2; }, std::chrono::seconds(10)));
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.address; }), 254);
}

TEST_F(FirmwareUpdate, ExtensionModeWaitsForTheSwitchWhenTheLoggerAnswersTheJump)
{
    logger.update([](sim::State& s) {
        s.address = 254;
        s.update.answer_jumps = true;
    });
    master.setParameter("mscp_dest", "254");
    ASSERT_EQ(master.getModeFlag("extension"), 1);
    load(firmware_file_text());
    update.rfu_start();
    ASSERT_TRUE(reaches(900)) << failureText();
    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.update.running == sim::Program::updater; },
                                 std::chrono::seconds(10)));
    // The answer to the jump arrives; nothing is sent to the update program
    // before the timer has switched the link to it.
    ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    pump.window.pumpAll();
    EXPECT_EQ(update.state(), 900u);
    EXPECT_TRUE(window.failures.empty()) << failureText();
    EXPECT_EQ(logger.executions({sim::port::redp, sim::redp::get}), 1u);
    update.rfu_on_timer();
    EXPECT_EQ(update.state(), 950u);
    EXPECT_EQ(master.mscp_dest, 1);
    update.rfu_on_timer();
    // The new firmware answers its jump too, so that the update passes its
    // last step without a timer and may end before a test could look at the
    // line in between: the update is done, the update program was run at its
    // rate, and the link is back at the firmware's rate and address.
    ASSERT_TRUE(runUntil([&] { return update.state() == 0u || !window.failures.empty(); }));
    EXPECT_TRUE(window.failures.empty()) << failureText();
    EXPECT_TRUE(recorded::log_contains("-->starting RFU program @ 38400 addr 1"));
    EXPECT_TRUE(recorded::log_contains("------------------------------ <DONE> ----------------"));
    EXPECT_EQ(master.mscp_dest, 254);
    EXPECT_TRUE(pump.until([&] { return logger.lineBaud() == 9600u; }));
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.address; }), 254);
    logger.read([](const sim::State& s) {
        EXPECT_EQ(s.update.jumps, 2u);
        for (const Tline& line : firmware_lines)
            EXPECT_EQ(s.update.firmware.read(line.address, 16), line.data);
        return 0;
    });
}

// Without extension mode nothing is switched, but an answered jump still
// waits for the timer, and the update program gets a session of its own.
TEST_F(FirmwareUpdate, NormalModeAnsweredJumpWaitsForTheTimerToo)
{
    logger.update([](sim::State& s) { s.update.answer_jumps = true; });
    ASSERT_EQ(master.getModeFlag("extension"), 0);
    load(firmware_file_text());
    update.rfu_start();
    ASSERT_TRUE(reaches(900)) << failureText();
    ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    pump.window.pumpAll();
    EXPECT_EQ(update.state(), 900u);
    update.rfu_on_timer();
    EXPECT_EQ(update.state(), 950u);
    update.rfu_on_timer();
    ASSERT_TRUE(runUntil([&] { return update.state() == 0u || !window.failures.empty(); }));
    EXPECT_TRUE(window.failures.empty()) << failureText();
    EXPECT_TRUE(recorded::log_contains("------------------------------ <DONE> ----------------"));
    EXPECT_EQ(window.waits, (std::vector<int>{4000, 1000, 2500}));
    EXPECT_EQ(master.mscp_dest, 1);
    EXPECT_EQ(logger.lineBaud(), 9600u);
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.update.jumps; }), 2u);
}

TEST_F(FirmwareUpdate, LoggerTakesWritesOnlyAfterInitAndClear)
{
    struct Tcounting_hooks : Tredp_hooks {
        void on_redp_set_done() override { ++sets; }
        void on_redp_mem_w_range_done() override { ++writes; }
        void on_redp_refused(uint8_t, uint8_t) override { ++refused; }
        unsigned sets = 0, writes = 0, refused = 0;
    } hooks;
    module.setRedpHooks(&hooks);
    // The memory holds the old program until it is cleared.
    logger.read([](const sim::State& s) {
        EXPECT_FALSE(s.update.updater.isErased());
        EXPECT_NE(s.update.updater.read(0, 16), Bytes(16, 0xFF));
        return 0;
    });
    const Bytes line = line_bytes(1);
    auto write = [&] {
        ASSERT_FALSE(module.start_redp_mem_write(0, line.data(), static_cast<unsigned>(line.size())));
        ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    };
    auto set = [&](uint8_t id, uint32_t value) {
        ASSERT_FALSE(module.start_redp_set(id, value));
        ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    };
    // A write and a clear before the init, and a write after the init alone,
    // are refused and change nothing.
    write();
    set(0xF1, 26044);
    set(0xF0, 26034);
    write();
    EXPECT_EQ(hooks.refused, 3u);
    EXPECT_EQ(hooks.sets, 1u);
    EXPECT_EQ(hooks.writes, 0u);
    logger.read([](const sim::State& s) {
        EXPECT_TRUE(s.update.updater.empty());
        EXPECT_FALSE(s.update.updater.isErased());
        return 0;
    });
    // After the clear the write is taken; the rest of the memory is erased.
    set(0xF1, 26044);
    write();
    EXPECT_EQ(hooks.refused, 3u);
    EXPECT_EQ(hooks.writes, 1u);
    Bytes expected = line;
    expected.push_back(0xFF);
    logger.read([&](const sim::State& s) {
        EXPECT_EQ(s.update.updater.read(0, 17), expected);
        return 0;
    });
    module.setRedpHooks(nullptr);
}

TEST_F(FirmwareUpdate, ExchangesCarryAtMost52BytesAndAStoppedOneReachesNoHook)
{
    const Bytes sixty(60, 0x5A);
    ASSERT_FALSE(module.start_redp_set(0xF0, 26034));
    ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    ASSERT_FALSE(module.start_redp_set(0xF1, 26044));
    ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    ASSERT_FALSE(module.start_redp_mem_write(0x100, sixty.data(), static_cast<unsigned>(sixty.size())));
    EXPECT_TRUE(module.start_redp_get(10));  // busy with the write
    ASSERT_TRUE(runUntil([&] { return module.state == 0; }));
    EXPECT_EQ(writeLengths(), std::vector<std::size_t>{52});
    logger.read([](const sim::State& s) {
        EXPECT_EQ(s.update.updater.read(0x100, 53), [] {
            Bytes expected(52, 0x5A);
            expected.push_back(0xFF);
            return expected;
        }());
        return 0;
    });

    // The probe is stopped after the logger took it; its answer, held back on
    // the line, arrives afterwards and reaches no hook.
    load(firmware_file_text());
    module.trace |= 0x100;
    logger.update([](sim::State& s) { s.misbehaviour.frame_delay = std::chrono::milliseconds(300); });
    update.rfu_start();
    ASSERT_TRUE(pump.until([&] { return logger.executions({sim::port::redp, sim::redp::get}) == 1; }));
    ASSERT_EQ(module.state, Tmodule_resource::STATE_REDP);
    module.stop_redp();
    EXPECT_EQ(module.state, 0);
    recorded::clear_log();
    ASSERT_TRUE(pump.untilLogged("#>mlpOnRx"));
    pump.window.pumpAll();
    EXPECT_EQ(update.state(), 100u);
    EXPECT_TRUE(window.failures.empty());
}

TEST_F(FirmwareUpdate, CrcMismatchStopsBeforeTheJump)
{
    load(firmware_file_text(1));
    update.rfu_start();
    ASSERT_TRUE(runUntil([&] { return !window.failures.empty(); }));
    EXPECT_EQ(update.state(), 0u);
    EXPECT_EQ(failureText().rfind("ERROR : CRC wrong ! rx=x", 0), 0u) << failureText();
    EXPECT_TRUE(window.waits.empty());
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.update.jumps; }), 0u);
    EXPECT_EQ(module.state, 0);
}

TEST_F(FirmwareUpdate, RefusedWriteOfTheUpdateProgramStopsTheUpdate)
{
    load(firmware_file_text());
    enterUpdater();
    logger.update([](sim::State& s) { s.misbehaviour.refuse.insert({sim::port::redp, sim::redp::mem_write}); });
    ASSERT_TRUE(runUntil([&] { return !window.failures.empty(); }));
    EXPECT_EQ(update.state(), 0u);
    EXPECT_NE(failureText().find("refused"), std::string::npos) << failureText();
    // No write went on after the refused one, nothing was checked, no jump.
    EXPECT_EQ(logger.executions({sim::port::redp, sim::redp::mem_read}), 2u);
    logger.read([](const sim::State& s) {
        EXPECT_TRUE(s.update.firmware.empty());
        EXPECT_EQ(s.update.running, sim::Program::updater);
        return 0;
    });
    EXPECT_EQ(writeLengths().size(), 4u);
}

TEST_F(FirmwareUpdate, NoAnswerStopsTheUpdateWithAnError)
{
    load(firmware_file_text());
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert({sim::port::redp, sim::redp::set}); });
    update.rfu_start();
    ASSERT_TRUE(runUntil([&] { return !window.failures.empty(); }));
    EXPECT_EQ(update.state(), 0u);
    EXPECT_EQ(failureText(), "ERROR : firmware update : no answer from the logger");
    EXPECT_TRUE(recorded::log_contains("ERROR : Timeout. No Answer"));
    EXPECT_EQ(module.state, 0);
}

TEST_F(FirmwareUpdate, BusyModuleRefusesTheStart)
{
    load(firmware_file_text());
    ASSERT_FALSE(module.start_redp_get(10));
    update.rfu_start();
    EXPECT_EQ(update.state(), 0u);
    EXPECT_EQ(failureText(), "ERROR : firmware update : the logger link is busy, request not sent");
}

TEST_F(FirmwareUpdate, UnsoundFileIsRefusedAndNothingIsProgrammed)
{
    const std::string good_line = "<LINE address=\"0\" data=\"" + hex_text(line_bytes(1)) + "\"/>";
    const std::string check = "<CHECK address=\"0\" value=\"1\"/>";
    const std::string firmware = "<FIRMWARE><DATA>" + good_line + "</DATA><CRC>" + check + "</CRC></FIRMWARE>";
    auto file = [&](const std::string& data, const std::string& crc) {
        return "<F><RFU><DATA>" + data + "</DATA><CRC>" + crc + "</CRC></RFU>" + firmware + "</F>";
    };
    const std::string cases[] = {
        file("", check),
        file(good_line, ""),
        file("<LINE data=\"" + hex_text(line_bytes(1)) + "\"/>", check),
        file("<LINE address=\"x1\" data=\"" + hex_text(line_bytes(1)) + "\"/>", check),
        file("<LINE address=\"0\" data=\"" + hex_text(line_bytes(1)).substr(2) + "\"/>", check),
        file("<LINE address=\"0\" data=\"" + hex_text(line_bytes(1)) + "00\"/>", check),
        file("<LINE address=\"0\" data=\"" + hex_text(line_bytes(1)).substr(1) + "G\"/>", check),
        file(good_line, "<CHECK address=\"0\" value=\"65536\"/>"),
        file(good_line, "<CHECK value=\"1\"/>"),
        "<F><RFU><DATA>" + good_line + "</DATA><CRC>" + check + "</CRC></RFU></F>",
        "<F><RFU>",
    };
    for (const std::string& text : cases) {
        ASSERT_TRUE(write_file_bytes(folder.file("bad.xml"), text));
        EXPECT_EQ(update.rfu_load_file(folder.file("bad.xml").c_str()), 1) << text;
        EXPECT_FALSE(update.loaded());
    }
    EXPECT_EQ(update.rfu_load_file(folder.file("missing.xml").c_str()), 1);
    update.rfu_start();
    EXPECT_EQ(failureText(), "ERROR : no valid firmware file loaded, nothing programmed");
    pump.window.pumpAll();
    EXPECT_TRUE(logger.received().empty());

    ASSERT_TRUE(write_file_bytes(folder.file("good.xml"), file(good_line, check)));
    EXPECT_EQ(update.rfu_load_file(folder.file("good.xml").c_str()), 0);
    EXPECT_TRUE(recorded::log_contains("      : reading firmware file \"" + folder.file("good.xml") + "\""));
}

}  // namespace

TEST_F(FirmwareUpdate, ALineThatDropsMidTransferStopsTheUpdateAtOnce)
{
    load(firmware_file_text());
    // The master hears of the line, as in the program.
    io.setMaster(&master);
    // The answer to the second write of the update program is cut and the line closed.
    logger.update([](sim::State& s) {
        s.misbehaviour.close_in_answer_to = sim::Command{sim::port::redp, sim::redp::mem_write};
        s.misbehaviour.close_after_frames = 1;
        s.misbehaviour.close_for_good = true;
    });
    update.rfu_start();
    ASSERT_TRUE(runUntil([&] { return !window.failures.empty(); }, 5));
    EXPECT_EQ(failureText(), "ERROR : firmware update : connection to the logger lost");
    EXPECT_TRUE(recorded::log_contains("ERROR : module resource : connection to the logger lost @ 3200"));
    EXPECT_FALSE(recorded::log_contains("Timeout"));
    EXPECT_EQ(update.state(), 0u);
    EXPECT_EQ(module.state, 0);
    EXPECT_EQ(master.getLinkState(), Tcalyxo_master::LINK_DISCONNECTED);
    // The logger still runs its firmware, with the two writes it took.
    logger.read([](const sim::State& s) {
        EXPECT_EQ(s.update.running, sim::Program::firmware);
        EXPECT_EQ(s.update.jumps, 0u);
        EXPECT_EQ(s.update.updater.writtenCount(), 64u);
        return 0;
    });
    EXPECT_EQ(writeLengths(), (std::vector<std::size_t>{48, 16}));
}
