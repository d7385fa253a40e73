#pragma once

// The master connected to the simulated logger over a pty, for the tests of
// its operations: each test starts one operation and waits for the master's
// termination line, giving the one-second tick while it waits when told to.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/main_window_port.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/sequence_report.h"
#include "tests/e2e/master_stack.h"
#include "tests/link/link_test_support.h"
#include "tools/logger_sim/logger.h"

namespace operations_test {

// The main window's side of the operations: what they show.
using Tshown = e2e_test::Trecording_main_window;

constexpr const char* master_success = "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS";
constexpr const char* master_cancelled = "Tcalyxo_master : terminated TERMINATE_CANCELLED";
constexpr const char* master_error = "ERROR : Tcalyxo_master : terminated TERMINATE_ERROR";

class Operations : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
        logger.update([](sim::State& s) {
            s.variables[sim::var::acq_enable] = 1;
            s.variables[sim::var::station_id] = 812;
        });
        stack.choosePort(link_test::com_port_name(logger.comNumber()));
        master.setParameter("verbose", "1");
        module.trace |= TRACE_OPERATOR;
        ASSERT_FALSE(master.start_connect());
        ASSERT_EQ(finish(), master_success);
        ASSERT_EQ(master.getLinkState(), Tcalyxo_master::LINK_CONNECTED);
        recorded::clear_log();
        recorded::clear_gui();
        logger.clearReceived();
    }

    // Waits for the next termination line of the master and returns it ("" when
    // none came). With ticking, the one-second tick is given whenever the line
    // is quiet, so that lost answers time out.
    std::string finish(bool ticking = false)
    {
        const int before = ends();
        auto ended = [&] { return master.state == 0 && ends() > before; };
        if (!ticking && !pump.window.pumpUntil(ended, link_test::generous_ms))
            return "";
        for (int second = 0; ticking && second < 120; ++second) {
            if (!pump.untilQuiet(io, logger, ended) || ended())
                break;
            master.On_1Hz();
        }
        for (const std::string& line : recorded::log_lines())
            if (line.find("Tcalyxo_master : terminated") != std::string::npos)
                last_end = line;
        return ends() > before ? last_end : "";
    }

    // Pumps until the logger has run the command n times.
    bool waitExecuted(sim::Command command, unsigned n)
    {
        return pump.until([&] { return logger.executions(command) >= n; });
    }

    uint32_t loggerVariable(uint8_t id)
    {
        return logger.read([id](const sim::State& s) { return s.variables.at(id); });
    }

    static bool logged(const std::string& line)
    {
        for (const std::string& one : recorded::log_lines())
            if (one == line)
                return true;
        return false;
    }

    static int ends() { return link_test::count_logged("Tcalyxo_master : terminated"); }

    link_test::Tevent_pump pump;
    link_test::Tports_folder ports;
    sim::Logger logger;
    e2e_test::Tmaster_stack stack;
    Tcomport& port = stack.port;
    Tshown& shown = stack.window;
    Tmlp_io& io = stack.io;
    Tmodule_resource& module = stack.module;
    Tcalyxo_master& master = stack.master;
    std::string last_end;
};

}  // namespace operations_test
