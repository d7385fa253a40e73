#pragma once

// The product's stack for one simulated logger, shared by the end-to-end
// fixtures: link selector, module resource and master over the logger's pty,
// with the event pump and the tick driven by the test.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "link/calyxo_master.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "tests/link/link_test_support.h"
#include "tools/logger_sim/logger.h"

inline std::string hex_text(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char pair[3];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

class Tlogger_stack_test : public ::testing::Test {
protected:
    // Starts the logger and opens the link at baud; the module resource
    // reports its ends to owner.
    void openLink(const char* baud, Tsequence& owner)
    {
        ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
        io.setMaster(&listener);
        io.setModuleResource(&module);
        module.setOwner(&owner);
        module.setMlpIo(&io);
        master.module = &module;
        master.io = &io;
        io.setParameter("sel_com_interface", "COM");
        io.setParameter("port", link_test::com_port_name(logger.comNumber()).c_str());
        io.setParameter("baudrate", baud);
        ASSERT_FALSE(io.request(1));
        ASSERT_TRUE(pump.until([&] { return listener.count("io:SUCCESS") == 1; }));
    }

    // Pumps until done holds, giving the one-second tick whenever the line is
    // quiet, so that a lost answer times out and is asked for again.
    bool runUntil(const std::function<bool()>& done, int ticks = 40)
    {
        for (int round = 0; round < ticks; ++round) {
            if (!pump.untilQuiet(io, logger, done) || done())
                return done();
            module.On_1Hz();
            pump.settle(io);
        }
        return done();
    }

    link_test::Tevent_pump pump;
    link_test::Tports_folder ports;
    sim::Logger logger;
    link_test::Tlistener listener;
    Tmlp_io io;
    Tmodule_resource module;
    Tcalyxo_master master;
};
