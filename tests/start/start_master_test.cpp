// The controller end to end: the live view against the simulated probe (VEXL),
// the flow measurement, status and quick sync against the simulated logger
// (KLVR), driven by its own 1 Hz tick on the virtual clock.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "programs/start/globals.h"
#include "programs/start/module_view_hooks.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/start_master.h"
#include "tests/link/link_test_support.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "base/time_calendar.h"
#include "tools/logger_sim/flash_records.h"
#include "tools/probe_sim/probe.h"

namespace {

class Trecording_window : public Tno_window_port {
public:
    void addViewRow(const Tfluo_measure& measure) override { rows.push_back(measure); }
    void plotFlow(const Tsamples_serie& serie, const char* title, double) override
    {
        flow_points = serie.count();
        flow_title = title;
    }
    void errorBox(const char* text) override { boxes.push_back(text); }
    void showStationId() override { ++station_ids_shown; }
    unsigned station_ids_shown = 0;
    void showResult(const char* xml_path) override { results.push_back(xml_path); }
    std::vector<std::string> results;
    std::vector<Tfluo_measure> rows;
    unsigned flow_points = 0;
    std::string flow_title;
    std::vector<std::string> boxes;
};

bool gui_was_set(int id, const std::string& text)
{
    for (const auto& call : recorded::gui_calls())
        if (call.first == id && call.second == text)
            return true;
    return false;
}

std::string read_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class StartMaster : public ::testing::Test {
protected:
    void SetUp() override
    {
        globals.data_dir.assign(data.path().c_str());
        master.setWindow(&window);
        flash_parser_hooks_install(&hooks);
        for (int lamp = 0; lamp < 4; ++lamp)
            recorded::set_gui_value(GUI_VIEW_LAMP_A + lamp, "1");
    }
    void TearDown() override
    {
        flash_parser_hooks_install(nullptr);
        recorded::clear_gui_values();
    }

    // Starts the controller on the simulated logger or probe; true once
    // connected. The tick waits for that device to be quiet.
    template <class Device>
    bool connectTo(const Device& device, uint8_t mode)
    {
        peer_quiet = link_test::Tevent_pump::quiet_device(device);
        globals.mode = mode;
        globals.last_connect_device_id = device.comNumber();
        globals.autonnect = 1;
        master.start();
        return pump.until([] { return gui_was_set(GUI_CONNECTION, "CONNECTED"); }) &&
               pump.until([&] { return master.idle(); });
    }

    // Seconds of the controller's tick on the virtual clock, until done holds.
    // Each second is given once the line is quiet and before_tick, when
    // given, holds.
    bool tickUntil(const std::function<bool()>& done, int seconds = 60, const std::function<bool()>& before_tick = {})
    {
        for (int s = 0; s < seconds; ++s) {
            if (!pump.untilLineQuiet(io, peer_quiet, done) || done())
                return done();
            if (before_tick && !before_tick())
                return done();
            pump.window.advance(1000);
        }
        return done();
    }
    link_test::Tevent_pump::Tpeer_quiet peer_quiet = [](const Tserial_resource&) { return true; };

    link_test::Tevent_pump pump;
    link_test::Tports_folder ports;
    Ttemp_dir data;
    Tglobals globals;
    Tmlp_io io;
    Tmodule_resource module;
    Tcalyxo_start_master master{globals, io, module};
    Trecording_window window;
    Tmodule_view_hooks hooks;
};

TEST_F(StartMaster, TheLiveViewAsksTheProbeEveryFifteenSecondsAndShowsEachLine)
{
    probe_sim::Probe probe;
    probe.update([](probe_sim::Setup& s) {
        ASSERT_TRUE(probe_sim::apply_lamp_text("A:100:50", s.script));
        ASSERT_TRUE(probe_sim::apply_lamp_text("B:80:20", s.script));
        ASSERT_TRUE(probe_sim::apply_lamp_text("C:60:10", s.script));
        ASSERT_TRUE(probe_sim::apply_lamp_text("T:40:7.5", s.script));
    });
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    ASSERT_TRUE(connectTo(probe, MODE_VEXL));
    EXPECT_TRUE(recorded::log_contains("@ 9600"));

    master.start_view();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_VIEW);
    EXPECT_TRUE(gui_was_set(GUI_APP_VIEW, "1"));
    ASSERT_TRUE(tickUntil([&] { return window.rows.size() == 1; }));
    ASSERT_EQ(probe.heard().size(), 1u);
    EXPECT_EQ(probe.heard()[0].byte, 64 + 15);  // all four lamps, unframed
    EXPECT_NEAR(window.rows[0].delta[0], 50.0f, 0.5f);
    EXPECT_NEAR(window.rows[0].delta[3], 7.5f, 0.5f);
    EXPECT_TRUE(recorded::log_contains("RX : "));
    EXPECT_TRUE(gui_was_set(GUI_CAL_STORE_BUTTON, "enabled"));

    // Fifteen seconds later the next reading; no logger frame ever went out.
    ASSERT_TRUE(tickUntil([&] { return window.rows.size() == 2; }, 20));
    for (const auto& heard : probe.heard())
        EXPECT_GE(heard.byte, 0x40) << "a logger frame reached the probe";
    EXPECT_EQ(probe.heard().size(), 2u);

    // Stop ends the view at once: the calibration can start right away, and
    // takes its readings.
    master.stop_view();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_IDLE);
    recorded::clear_log();
    master.start_calibration();
    EXPECT_FALSE(recorded::log_contains("application busy"));
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_CALIBRATION);
    const size_t heard = probe.heard().size();
    ASSERT_TRUE(tickUntil([&] { return probe.heard().size() > heard; }, 20));
    EXPECT_EQ(probe.heard().back().byte, Tmaster_fluo_cal::all_lamps_request);
    master.stop_calibration();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_IDLE);
    master.start_view();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_VIEW);
}

TEST_F(StartMaster, EachStopEndsOnlyItsOwnActivity)
{
    globals.mode = MODE_VEXL;
    master.start();
    master.start_view();
    ASSERT_EQ(master.appMode(), Tcalyxo_start_master::APP_VIEW);
    master.stop_calibration();
    master.stop_flow();
    EXPECT_FALSE(master.stopRequested());
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_VIEW);
    master.stop_view();
    EXPECT_TRUE(master.stopRequested());
}

TEST_F(StartMaster, AFlowNeedsALogger)
{
    globals.mode = MODE_VEXL;
    master.start();
    master.start_flow();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_IDLE);
    EXPECT_TRUE(recorded::log_contains("Fluo Flow needs a logger"));
    EXPECT_FALSE(master.flow.logOpen());
}

TEST_F(StartMaster, LoggerOperationsSendNothingToAProbe)
{
    globals.mode = MODE_VEXL;
    master.start();
    const std::vector<std::function<void()>> operations = {
        [&] { master.start_get_status(); },        [&] { master.start_get_info(); },
        [&] { master.start_clear_flash(); },       [&] { master.start_quick_sync(); },
        [&] { master.start_command(3); },          [&] { master.start_set_parameter(1, 900); },
        [&] { master.start_standard_config(1); }, [&] { master.start_download(0, 0, false); },
    };
    for (size_t i = 0; i < operations.size(); ++i) {
        recorded::clear_log();
        operations[i]();
        EXPECT_TRUE(master.idle()) << i;
        EXPECT_TRUE(recorded::log_contains("needs a logger: choose KLVR mode")) << i;
    }
    EXPECT_STREQ(globals.display_mode.c_str(), "");
}

// In VEXL mode the flow's Stop sends no logger break frame to the probe.
TEST_F(StartMaster, TheFlowStopSendsNothingToAProbe)
{
    probe_sim::Probe probe;
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    ASSERT_TRUE(connectTo(probe, MODE_VEXL));
    master.stop_flow();
    EXPECT_TRUE(recorded::log_contains("Fluo Flow Stop: no logger to break in VEXL mode"));
    tickUntil([] { return false; }, 8);
    EXPECT_TRUE(probe.heard().empty()) << probe.heard().size() << " bytes, the first "
                                       << static_cast<int>(probe.heard()[0].byte);
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_IDLE);
    EXPECT_TRUE(master.idle());
    EXPECT_FALSE(recorded::log_contains("INFO : Break sent"));
}

TEST_F(StartMaster, ConnectIsRefusedWhileAnOperationRuns)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    master.start_get_status();
    ASSERT_FALSE(master.idle());
    master.start_connect();
    EXPECT_TRUE(recorded::log_contains("Connect refused"));
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }));
    EXPECT_TRUE(io.isPortOpen());
}

TEST_F(StartMaster, TheStatusFillsTheLabelsAndTheFlashSize)
{
    sim::Logger logger;
    ASSERT_TRUE(link_test::start_logger(logger, ports, 1700000000));
    logger.update([](sim::State& s) {
        s.variables[39] = 0x45;
        s.variables[40] = 0xFFFFFFFF;
    });
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    EXPECT_TRUE(recorded::log_contains("@ 38400"));
    master.start_get_status();
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }));
    EXPECT_EQ(master.flash_size, 0x800000u);
    EXPECT_TRUE(gui_was_set(GUI_FLASH_GAUGE, "800000"));
    EXPECT_TRUE(gui_was_set(GUI_NEXT_DOWNLOAD, "--ERROR-uninitialized--"));
    EXPECT_TRUE(recorded::log_contains("flash_size=8388608"));
}

// After a status read the station id read is the module's, and the left box
// is redrawn with it; the module view's updates are traced with Verbose only.
TEST_F(StartMaster, TheStationIdReadIsShownAndViewUpdatesAreTracedWithVerboseOnly)
{
    sim::Logger logger;
    ASSERT_TRUE(link_test::start_logger(logger, ports, 1700000000));
    logger.update([](sim::State& s) { s.variables[sim::var::station_id] = 812; });
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    recorded::clear_log();
    const unsigned shown = window.station_ids_shown;
    master.start_get_status();
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }));
    EXPECT_TRUE(gui_was_set(GUI_SERIAL_NUMBER, "812"));
    EXPECT_EQ(module.station_id, 812u);
    EXPECT_GT(window.station_ids_shown, shown);
    EXPECT_FALSE(recorded::log_contains("OnNotification(VIEW_UPDATED)"));
    EXPECT_TRUE(recorded::log_contains("OnNotification("));  // the controller's own trace stays

    master.setIoVerbose("1");
    recorded::clear_log();
    master.start_get_info();
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }));
    EXPECT_TRUE(recorded::log_contains("OnNotification(VIEW_UPDATED)"));
}

constexpr uint32_t day_2026_12_10 = 1796860800;  // 00:00:00 UTC
unsigned quarter_past_noon() { return day_2026_12_10 + 12 * 3600 + 14 * 60 + 40; }

TEST_F(StartMaster, AQuickSyncPutsTheNextAcquisitionAndCallOnTheQuarter)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    time_set_clock(quarter_past_noon);
    master.start_quick_sync();
    const bool done = tickUntil([&] { return master.idle(); });
    time_set_clock(nullptr);
    ASSERT_TRUE(done);
    const auto vars = logger.read([](const sim::State& s) { return s.variables; });
    EXPECT_EQ(vars.at(2), day_2026_12_10 + 12 * 3600 + 30 * 60);
    EXPECT_EQ(vars.at(33), day_2026_12_10 + 12 * 3600 + 31 * 60);
}

TEST_F(StartMaster, ADownloadIsConvertedAndShownInTheResultWindow)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    logger.update([](sim::State& s) {
        const sim::Bytes records = sim::acquisition_series(1796904000, 600, 3, s.stationId());
        s.flash.insert(s.flash.end(), records.begin(), records.end());
    });
    Ttemp_dir bin;
    module.setParameter("path_bin", bin.path().c_str());
    master.data_directory.assign(data.path().c_str());
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    master.start_download(0, 0, false);
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }, 120));
    ASSERT_EQ(window.results.size(), 1u) << "no result shown";
    EXPECT_EQ(window.results[0].rfind(data.path(), 0), 0u);
    EXPECT_NE(read_text(window.results[0]).find("fluorometer"), std::string::npos);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(StartMaster, AFlowStopEndsEvenWhenItsBreakCannotLeave)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    master.start_flow();
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }));
    logger.stop();
    ASSERT_TRUE(pump.until([] { return recorded::log_contains("Disconnected"); }));
    master.stop_flow();
    ASSERT_TRUE(tickUntil([&] { return master.appMode() == Tcalyxo_start_master::APP_IDLE && master.idle(); }, 10));
    EXPECT_TRUE(recorded::log_contains("the break did not leave the port"));
    // The state machine is free again: a connection can be asked for.
    recorded::clear_log();
    master.start_connect();
    EXPECT_FALSE(recorded::log_contains("Connect refused"));
}

TEST_F(StartMaster, ACustomConfigurationThatCannotBeReadIsReportedAndUploadsNothing)
{
    globals.mode = MODE_KLVR;
    master.start();
    const std::string missing = data.file("missing.xml");
    master.start_custom_upload(missing.c_str());
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0], "Error while reading the configuration file ! See log\n" + missing +
                                   "\nthe file does not exist");
    EXPECT_TRUE(master.idle());

    // One value its field cannot hold: nothing is uploaded, the box names it.
    const std::string refused = data.file("refused.xml");
    ASSERT_TRUE(write_file_bytes(refused, "<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\">"
                                          "<GSM_STEP value=\"5\"/><ETHERNET_IP mscp_port=\"70000\"/>"
                                          "</CONFIGURATION></STATION></STATIONS></SETUP>"));
    master.start_custom_upload(refused.c_str());
    ASSERT_EQ(window.boxes.size(), 2u);
    EXPECT_EQ(window.boxes[1], "Error while reading the configuration file ! See log\n" + refused +
                                   "\nTeeprom_configurer, ETHERNET_IP mscp_port=\"70000\" is out of range");
    EXPECT_TRUE(master.idle());

    // A measurement file is no setup file.
    const std::string measurement = data.file("measurement.xml");
    ASSERT_TRUE(write_file_bytes(measurement, "<MEASUREMENTS><STATION id=\"1\"/></MEASUREMENTS>"));
    master.start_custom_upload(measurement.c_str());
    ASSERT_EQ(window.boxes.size(), 3u);
    EXPECT_EQ(window.boxes[2], "Error while reading the configuration file ! See log\n" + measurement +
                                   "\nthe file holds no STATIONS/STATION: it is no setup file");
    EXPECT_TRUE(master.idle());
}

TEST_F(StartMaster, VerboseSetsTheControllerAndLinkTraces)
{
    master.setParameter("verbose", "1025");  // bits 0 and 10
    EXPECT_EQ(master.trace, 8u);
    EXPECT_EQ(io.trace, static_cast<unsigned>(Tmlp_io::TRACE_VERBOSE));
    master.setParameter("verbose", "0");
    EXPECT_EQ(master.trace, 0u);
    EXPECT_EQ(io.trace, 0u);
}

TEST(StartMasterQuickSync, TheNextAcquisitionIsOnTheQuarterAtLeastThirtySecondsAway)
{
    const uint32_t day = 1700000000 - 1700000000 % 86400;
    EXPECT_EQ(Tcalyxo_start_master::quickSyncNext(day + 12 * 3600 + 14 * 60 + 40), day + 12 * 3600 + 30 * 60);
    EXPECT_EQ(Tcalyxo_start_master::quickSyncNext(day + 12 * 3600 + 29 * 60 + 45), day + 12 * 3600 + 45 * 60);
}

TEST_F(StartMaster, AFlowRecordsTheLoggersReadingsIntoAcqXmlAndItsChart)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));

    master.start_flow();
    ASSERT_EQ(master.appMode(), Tcalyxo_start_master::APP_FLOW);
    EXPECT_TRUE(master.flow.logOpen());
    // The start sequence's acquisition (control 65) dumps its reading.
    ASSERT_TRUE(tickUntil([&] { return window.rows.size() >= 1 && master.idle(); }));
    EXPECT_GE(window.flow_points, 1u);
    EXPECT_EQ(window.flow_title, "[mV]");

    master.stop_flow();
    ASSERT_TRUE(tickUntil([&] { return master.appMode() == Tcalyxo_start_master::APP_IDLE && master.idle(); }));
    EXPECT_TRUE(recorded::log_contains("INFO : Break sent"));
    EXPECT_FALSE(master.flow.logOpen());

    const std::string xml = read_text(data.path() + "/acq.xml");
    EXPECT_NE(xml.find("<time v=\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("fluorometer"), std::string::npos) << xml;
    EXPECT_NE(xml.find("</time>\n"), std::string::npos);

    // A second flow draws its own curve.
    master.start_flow();
    EXPECT_EQ(master.flow.mv_series.count(), 0u);
}

class StartMasterScheduled : public StartMaster {
protected:
    link_test::Tvirtual_time clock{pump, 1800000000};
};

// The logger runs its own acquisitions: at Next On it acquires, counts it and
// moves Next On on by its interval; a status read shows Next On ahead.
TEST_F(StartMasterScheduled, TheLoggerAcquiresOnItsScheduleAndNextOnMovesOn)
{
    sim::Logger logger;
    uint32_t due = 0;
    logger.update([&](sim::State& s) {
        s.schedule.run = true;
        s.clock.set(1800000000);
        s.clock.setRunning(false);
        due = s.clock.now();
        s.variables[sim::var::acq_next] = due;  // due now
        s.variables[sim::var::acq_interval0] = 600;
    });
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.variables.at(sim::var::acq_counter) == 1; },
                                 std::chrono::seconds(5)));
    const auto after = logger.read([](const sim::State& s) {
        return std::make_pair(s.variables.at(sim::var::acq_next), s.flash.size());
    });
    EXPECT_EQ(after.first, due + 600);
    EXPECT_GT(after.second, 0u);
    // Missed acquisitions are not made up: one acquisition, Next On the first one ahead.
    logger.update([&](sim::State& s) { s.clock.set(due + 600 * 5 + 10); });
    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.variables.at(sim::var::acq_counter) == 2; },
                                 std::chrono::seconds(5)));
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.variables.at(sim::var::acq_next); }), due + 600 * 6);

    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    master.start_get_status();
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }, 20));
    Tmy_string next;
    calendar_format(&next, due + 600 * 6, globals.ttimezone, 1);
    EXPECT_TRUE(gui_was_set(GUI_ACQ_NEXT, next.c_str())) << next.c_str();
}

// Started, the flow program takes a reading every flow interval until the
// flow's Stop breaks its loop: several readings, each logged, drawn and
// integrated.
TEST_F(StartMasterScheduled, TheFlowProgramTakesAReadingEveryFlowIntervalUntilItsBreak)
{
    sim::Logger logger;
    logger.update([](sim::State& s) {
        s.schedule.run = true;
        s.schedule.flow_interval = std::chrono::milliseconds(400);
    });
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    master.start_flow();
    unsigned readings = 0;
    ASSERT_TRUE(tickUntil([&] { return window.rows.size() >= 5; }, 120,
                          [&] { return link_test::wait_for_reading(logger, readings); }))
        << window.rows.size();
    EXPECT_TRUE(logger.read([](const sim::State& s) { return s.acq_running; }));
    EXPECT_GE(window.flow_points, 5u);
    EXPECT_GE(master.flow.mv_series.count(), 5u);
    EXPECT_NE(master.flow.integral, 0.0);

    master.stop_flow();
    ASSERT_TRUE(tickUntil([&] { return master.appMode() == Tcalyxo_start_master::APP_IDLE && master.idle(); }));
    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return !s.acq_running && s.schedule.flow_left == 0; },
                                 std::chrono::seconds(5)));
    const unsigned taken = logger.read([](const sim::State& s) { return s.schedule.flow_taken; });
    // The loop stays broken: no reading comes after the break.
    const size_t rows = window.rows.size();
    tickUntil([] { return false; }, 3);
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.schedule.flow_taken; }), taken);
    EXPECT_EQ(window.rows.size(), rows);
    const std::string xml = read_text(data.path() + "/acq.xml");
    size_t blocks = 0;
    for (size_t at = xml.find("<time v="); at != std::string::npos; at = xml.find("<time v=", at + 1))
        ++blocks;
    EXPECT_EQ(blocks, rows);
}

// The logger's operations of the controller against the simulated logger, one
// after the other on one connection: each does what it says on the logger and
// ends idle.
TEST_F(StartMaster, TheLoggerOperationsReachTheLogger)
{
    sim::Logger logger;
    ASSERT_TRUE(link_test::start_logger(logger, ports, 1700000000));
    logger.update([](sim::State& s) {
        s.variables[sim::var::station_id] = 812;
        s.variables[sim::var::next_download_address] = 64;
        s.flash = sim::acquisition_records(1700000000 - 600, 812);
    });
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));
    auto run = [&](const std::function<void()>& operation) {
        recorded::clear_log();
        recorded::clear_gui();
        operation();
        EXPECT_FALSE(master.idle());
        return tickUntil([&] { return master.idle(); }, 30);
    };
    auto variable = [&](uint8_t id) { return logger.read([id](const sim::State& s) { return s.variables.at(id); }); };

    // Set parameter: the acquisition interval dialog's variable 1.
    ASSERT_TRUE(run([&] { master.start_set_parameter(1, 900); }));
    EXPECT_EQ(variable(sim::var::acq_interval0), 900u);
    EXPECT_TRUE(recorded::log_contains("INFO : Parameter changed, Ok !"));
    ASSERT_TRUE(run([&] { master.start_set_parameter(32, 7200); }));
    EXPECT_EQ(variable(sim::var::gsm_interval), 7200u);
    // A variable the logger has not: refused, and said so.
    ASSERT_TRUE(run([&] { master.start_set_parameter(250, 1); }));
    EXPECT_TRUE(recorded::log_contains("ERROR : unable to change parameter"));

    // ACQ now: one acquisition, into the flash and shown.
    const size_t flash_before = logger.read([](const sim::State& s) { return s.flash.size(); });
    ASSERT_TRUE(run([&] { master.start_command(3); }));
    EXPECT_EQ(variable(sim::var::acq_counter), 1u);
    EXPECT_GT(logger.read([](const sim::State& s) { return s.flash.size(); }), flash_before);
    EXPECT_TRUE(gui_was_set(GUI_SAMPLE_LAMP_A_BASE + 2, "-"));  // delta A cleared first
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::control}), 1u);

    // GSM now: the command reaches the logger.
    ASSERT_TRUE(run([&] { master.start_command(4); }));
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::control}), 2u);
    EXPECT_FALSE(recorded::log_contains("ERROR"));

    // Get info: serial, next download address and flash used.
    const size_t used = logger.read([](const sim::State& s) { return s.flash.size(); });
    ASSERT_TRUE(run([&] { master.start_get_info(); }));
    EXPECT_TRUE(gui_was_set(GUI_SERIAL_NUMBER, "812"));
    EXPECT_TRUE(gui_was_set(GUI_NEXT_DOWNLOAD, "64"));
    EXPECT_TRUE(gui_was_set(GUI_FLASH_USED, std::to_string(used)));
    EXPECT_EQ(master.flash_used, used);

    // Clear flash: empty, and the info read again says so.
    ASSERT_TRUE(run([&] { master.start_clear_flash(); }));
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.flash.size(); }), 0u);
    EXPECT_TRUE(gui_was_set(GUI_FLASH_USED, "0"));
    EXPECT_TRUE(gui_was_set(GUI_NEXT_DOWNLOAD, "0"));
    EXPECT_EQ(master.next_download_address, 0u);
}

// In KLVR mode the calibration and the live view take their readings through
// the logger's acquisition (ACQ now) every 15 s.
TEST_F(StartMaster, InLoggerModeTheCalibrationAndTheViewReadThroughTheLogger)
{
    sim::Logger logger;
    ASSERT_TRUE(link_test::start_logger(logger, ports, 1700000000));
    ASSERT_TRUE(connectTo(logger, MODE_KLVR));

    const uint32_t before = time_now();
    master.start_calibration();
    ASSERT_EQ(master.appMode(), Tcalyxo_start_master::APP_CALIBRATION);
    ASSERT_TRUE(tickUntil([&] { return sample_value_defined(master.calibration.current().delta[LAMP_A]); }, 30));
    EXPECT_NEAR(master.calibration.current().delta[LAMP_A], 812.0f, 1.0f);
    // The start pushed the logger's own acquisition and call four hours away.
    for (uint8_t id : {sim::var::acq_next, sim::var::gsm_next}) {
        const uint32_t pushed = logger.read([id](const sim::State& s) { return s.variables.at(id); });
        EXPECT_GE(pushed, before + 14400) << int(id);
        EXPECT_LE(pushed, time_now() + 14400) << int(id);
    }
    master.stop_calibration();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_IDLE);
    ASSERT_TRUE(tickUntil([&] { return master.idle(); }, 10));

    master.start_view();
    ASSERT_EQ(master.appMode(), Tcalyxo_start_master::APP_VIEW);
    ASSERT_TRUE(tickUntil([&] { return window.rows.size() >= 2; }, 40)) << window.rows.size();
    EXPECT_NEAR(window.rows[0].delta[LAMP_A], 812.0f, 1.0f);
    EXPECT_GE(logger.read([](const sim::State& s) { return s.variables.at(sim::var::acq_counter); }), 3u);
    master.stop_view();
    EXPECT_EQ(master.appMode(), Tcalyxo_start_master::APP_IDLE);
}

}  // namespace
