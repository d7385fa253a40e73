// "Get Status" from the operation master down to the simulated logger: the
// station's port is found through the COM map of the ports folder, the status
// read fills the module view and writes the status XML file, and the link
// survives a disconnection, a new connection and a line that breaks mid-read.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/main_window_port.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "tests/base/time_test_support.h"
#include "tests/e2e/master_stack.h"
#include "tests/link/link_test_support.h"
#include "tests/support/file_size_limit.h"
#include "tools/logger_sim/logger.h"

namespace {

using namespace std::chrono_literals;

constexpr unsigned pc_time = 1700000100;  // Tue 2023-11-14 23:15:00 in CET standard time
constexpr uint32_t logger_time = 1700000000;

class GetStatus : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(link_test::start_logger(logger, ports, logger_time));
        logger.update([](sim::State& s) {
            s.variables[sim::var::station_id] = 812;
            s.variables[sim::var::acq_interval0] = 600;
            s.variables[sim::var::acq_next] = logger_time + 400;
            s.variables[sim::var::acq_interval1] = 60;
            s.variables[sim::var::gsm_interval] = 7200;
            s.variables[sim::var::gsm_next] = 1700006400;
            s.variables[sim::var::gsm_duration] = 300;
            s.variables[sim::var::gsm_next_off] = 1700006700;
            s.variables[sim::var::next_download_address] = 4096;
            s.flash.assign(300, 0x5A);
            s.eeprom.write(255, {0x03});
        });
        stack.choosePort(link_test::com_port_name(logger.comNumber()));
        ASSERT_EQ(master.setup.readText(("<SETUP><PATH_STATUS_LOG path=\"" + status_dir.path() + "\"/></SETUP>").c_str()),
                  0);
        master.setParameter("verbose", "1");
        recorded::clear_log();
    }

    void tick()
    {
        master.On_1Hz();
        ASSERT_TRUE(pump.settle(io));
    }

    bool masterEnded(int times)
    {
        return pump.until([&] { return master.state == 0 && recorded_ends() >= times; });
    }
    static int recorded_ends()
    {
        return link_test::count_logged(": Tcalyxo_master : terminated ") +
               link_test::count_logged("Tcalyxo_master : terminated TERMINATE_CANCELLED");
    }

    void connect(int ends_before)
    {
        ASSERT_FALSE(master.start_connect());
        ASSERT_TRUE(masterEnded(ends_before + 1));
        ASSERT_EQ(master.getLinkState(), Tcalyxo_master::LINK_CONNECTED);
    }

    void readStatus(int ends_before)
    {
        ASSERT_FALSE(master.start_status());
        ASSERT_TRUE(masterEnded(ends_before + 1));
    }

    Tpinned_time_zone zone{"CET-1"};
    Tfake_clock clock{pc_time};
    link_test::Tevent_pump pump;
    link_test::Tports_folder ports;
    Ttemp_dir status_dir;
    sim::Logger logger;
    e2e_test::Tmaster_stack stack;
    e2e_test::Trecording_main_window& window = stack.window;
    Tmlp_io& io = stack.io;
    Tmodule_resource& module = stack.module;
    Tcalyxo_master& master = stack.master;
};

const char* const first_status_file =
    "<?xml version='1.0' encoding='utf-8' ?>\n"
    "<GET_STATUS timestamp=\"1700000100\" year=\"2023\" month=\"11\" day=\"14\" hour=\"23\" minute=\"15\" "
    "seconds=\"00\" station_id=\"812\">\n"
    "\t<VARIABLE name=\"TIME\" value=\"1700000000\" value_text=\"Tue 2023-11-14 23:13:20 GMT+01:00\"/>\n"
    "\t<VARIABLE name=\"STATION_ID\" value=\"812\"/>\n"
    "\t<VARIABLE name=\"SYSTEM_INFO\" value=\"x10100004\" acq_number=\"1\"   acq_counter=\"0\"  gsm_number=\"1\"  "
    " gsm_counter=\"0\"  acq_enabled=\"on\" mode=\"slow\"/>\n"
    "\t<VARIABLE name=\"ACQ_ENABLE\" value=\"1\"/>\n"
    "\t<VARIABLE name=\"ACQ_MODE_FAST\" value=\"0\"/>\n"
    "\t<VARIABLE name=\"ACQ_NEXT\" value=\"1700000400\" value_text=\"Tue 2023-11-14 23:20:00 GMT+01:00\"/>\n"
    "\t<VARIABLE name=\"ACQ_INTERVAL0\" value=\"600\"/>\n"
    "\t<VARIABLE name=\"ACQ_INTERVAL1\" value=\"60\"/>\n"
    "\t<VARIABLE name=\"MMS_PT\" value=\"300\"/>\n"
    "\t<VARIABLE name=\"NEXT_DOWNLOAD_ADDRESS\" value=\"4096\"/>\n"
    "\t<VARIABLE name=\"GSM_ENABLE\" value=\"1\"/>\n"
    "\t<VARIABLE name=\"GSM_INTERVAL\" value=\"7200\"/>\n"
    "\t<VARIABLE name=\"GSM_DURATION\" value=\"300\"/>\n"
    "\t<VARIABLE name=\"GSM_NEXT\" value=\"1700006400\" value_text=\"Wed 2023-11-15 01:00:00 GMT+01:00\"/>\n"
    "\t<VARIABLE name=\"GSM_NEXT_OFF\" value=\"1700006700\" value_text=\"Wed 2023-11-15 01:05:00 GMT+01:00\"/>\n"
    "\t<VARIABLE name=\"NVFLAGS\" value=\"3\"/>\n"
    "</GET_STATUS>\n";

TEST_F(GetStatus, ReadsTheLoggerThroughTheComMapAndWritesTheStatusFile)
{
    connect(0);
    EXPECT_TRUE(recorded::log_contains("INFO  : Starting to connect to the module"));
    EXPECT_TRUE(recorded::log_contains("INFO  : OK , connected to the module"));
    EXPECT_EQ(recorded::log_lines().back(), "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS");
    EXPECT_EQ(std::string(module.com_port), "____COM" + std::to_string(logger.comNumber()));

    window.calls.clear();
    readStatus(1);
    EXPECT_EQ(recorded::log_lines().back(), "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"refresh on", "busy on", "station id", "refresh off", "busy off"}));

    // Named and headed with the station the logger reported in the same read.
    EXPECT_EQ(read_file_bytes(status_dir.file("getstatus_00000812_20231114231500.xml")), first_status_file);
    EXPECT_NE(access(status_dir.file("getstatus_00000000_20231114231500.xml").c_str(), F_OK), 0);

    EXPECT_EQ(module_view.time(), logger_time);
    EXPECT_TRUE(module_view.timeValid());
    EXPECT_EQ(module_view.clockOffset(), -100);
    EXPECT_EQ(module_view.flashSize(), 0x100000u);
    EXPECT_EQ(module_view.status(STATUS_STATION_ID).value, 812u);
    EXPECT_EQ(module_view.statusItem(STATUS_ITEM_STATION_ID).value, 812u);
    EXPECT_EQ(module_view.status(STATUS_ACQ).value, 1u);
    EXPECT_EQ(module_view.status(STATUS_ACQ_MODE).value, 0u);
    EXPECT_TRUE(module_view.status(STATUS_ACQ_MODE).valid);
    EXPECT_EQ(module_view.status(STATUS_MMS_PT).value, 300u);
    EXPECT_EQ(module_view.status(STATUS_GSM_NEXT_OFF).value, 1700006700u);
    EXPECT_EQ(module_view.status(STATUS_NVFLAGS).value, 3u);
    EXPECT_FALSE(module_view.status(STATUS_LAST_BLOCK).valid);
    EXPECT_EQ(module_view.varItem(36).value, 1700006700u);
    EXPECT_EQ(module.station_id, 812u);
    EXPECT_EQ(std::string(module.status_text.c_str()),
              "806553F100"
              "820000032C"
              "9C6553F290"
              "8C0000012C"
              "8E00001000"
              "8D65540A00"
              "8F65540B2C");

    // Disconnect, connect again and read once more: the station again.
    ASSERT_FALSE(master.start_disconnect());
    ASSERT_TRUE(masterEnded(3));
    EXPECT_EQ(master.getLinkState(), Tcalyxo_master::LINK_DISCONNECTED);
    EXPECT_TRUE(master.start_status());

    clock.set(pc_time + 60);
    connect(3);
    readStatus(4);
    EXPECT_EQ(recorded::log_lines().back(), "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS");
    const std::string second = read_file_bytes(status_dir.file("getstatus_00000812_20231114231600.xml"));
    EXPECT_NE(second.find("minute=\"16\" seconds=\"00\" station_id=\"812\">\n"), std::string::npos);
    EXPECT_EQ(second.substr(second.size() - 14), "</GET_STATUS>\n");
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::var_get}), 28u);
}

TEST_F(GetStatus, LineClosedMidReadEndsTheReadInErrorAndTheNextConnectionWorks)
{
    connect(0);
    // The answer to the third variable read is cut off and the line closed.
    logger.update([](sim::State& s) {
        s.misbehaviour.close_in_answer_to = sim::Command{sim::port::gtp, sim::gtp::var_get};
        s.misbehaviour.close_after_frames = 2;
    });
    ASSERT_FALSE(master.start_status());
    ASSERT_TRUE(pump.until([&] { return master.getLinkState() == Tcalyxo_master::LINK_DISCONNECTED; }));

    // The lost line ends the read at once: no request waits for an answer
    // that cannot come.
    ASSERT_TRUE(masterEnded(2));
    EXPECT_TRUE(recorded::log_contains("ERROR : module resource : connection to the logger lost @ "));
    EXPECT_FALSE(recorded::log_contains("ERROR : Timeout - No Answer"));
    EXPECT_EQ(recorded::log_lines().back(), "ERROR : Tcalyxo_master : terminated TERMINATE_ERROR");
    EXPECT_TRUE(std::find(window.calls.begin(), window.calls.end(), "connection state") != window.calls.end());
    EXPECT_EQ(module.state, 0);
    const std::string cut = read_file_bytes(status_dir.file("getstatus_00000812_20231114231500.xml"));
    EXPECT_NE(cut.find("name=\"STATION_ID\" value=\"812\""), std::string::npos);
    EXPECT_EQ(cut.substr(cut.size() - 14), "</GET_STATUS>\n");
    EXPECT_TRUE(master.start_status());

    clock.set(pc_time + 60);
    connect(2);
    EXPECT_GE(logger.lineGeneration(), 1u);
    readStatus(3);
    EXPECT_EQ(recorded::log_lines().back(), "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS");
    EXPECT_EQ(module_view.status(STATUS_NVFLAGS).value, 3u);
}

TEST_F(GetStatus, AStatusFileThatCannotBeMadeIsReportedAndTheReadGoesOn)
{
    // A folder under a regular file cannot be made, also by root.
    ASSERT_TRUE(write_file_bytes(status_dir.file("file"), "not a folder"));
    const std::string folder = status_dir.file("file/status");
    ASSERT_EQ(master.setup.readText(("<SETUP><PATH_STATUS_LOG path=\"" + folder + "\"/></SETUP>").c_str()), 0);
    connect(0);
    readStatus(1);
    EXPECT_EQ(recorded::log_lines().back(), "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS");
    EXPECT_TRUE(recorded::log_contains("ERROR : unable to create directory \"" + folder + "\": the status is not saved"));
    EXPECT_EQ(module_view.status(STATUS_NVFLAGS).value, 3u);
}

TEST_F(GetStatus, AStatusFileCutShortByAFullDiskIsReported)
{
    connect(0);
    {
        Tfile_size_limit full(200);
        ASSERT_TRUE(full.applied());
        readStatus(1);
    }
    const std::string path = status_dir.file("getstatus_00000812_20231114231500.xml");
    EXPECT_TRUE(recorded::log_contains("ERROR : status file \"" + path + "\" could not be written completely"));
    EXPECT_EQ(read_file_bytes(path).size(), 200u);
    EXPECT_EQ(module_view.status(STATUS_NVFLAGS).value, 3u);
}

}  // namespace
