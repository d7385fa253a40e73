#pragma once

// calyxo_start with its windows, headless, as its window tests set it up: a
// data folder and a ports folder of their own, the program with its forms and
// hooks, the recording interface forwarded to it (gui_get and the output
// channels included), and the virtual clock driven through the event pump.

#include <gtest/gtest.h>

#include <QObject>
#include <QPushButton>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/widgets/recording_dialogs.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/start_program.h"
#include "tests/link/link_test_support.h"
#include "tests/support/temp_dir.h"
#include "tools/logger_sim/logger.h"

// The child of parent named name, a failed expectation when there is none.
template <class T>
T* child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class Tstart_program_fixture : public ::testing::Test {
protected:
    // Where the day log goes: nowhere, or under the data folder (for the
    // tests that read it back).
    enum class Tday_log { none, in_data_folder };

    explicit Tstart_program_fixture(Tday_log day_log = Tday_log::none) : day_log_(day_log) {}

    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Connects to the simulated logger or probe; the tick waits for it to be quiet.
    template <class Device>
    void startOn(const Device& device, uint8_t mode)
    {
        peer_quiet = link_test::Tevent_pump::quiet_device(device);
        program->globals.mode = mode;
        program->globals.last_connect_device_id = device.comNumber();
        program->globals.autonnect = 1;
        program->onApplicationReady();
        ASSERT_TRUE(pump->until([&] { return child<QPushButton>(frame, "bt_conn_disconn")->text() == "Disconnect"; }));
        ASSERT_TRUE(pump->until([&] { return program->master.idle(); }));
    }

    // The simulated logger running a flow, a reading every 300 ms, and the
    // program connected to it in KLVR mode.
    void startOnFlowingLogger(sim::Logger& logger);

    // Seconds of the virtual clock, each given once the line is quiet and
    // before_tick, when given, holds, until done holds.
    bool tickUntil(const std::function<bool()>& done, int seconds = 60, const std::function<bool()>& before_tick = {});

    void click(const char* name);
    // The calibration page shown, with the probe's serial number, model and
    // configuration chosen.
    void fillCalibrationPage(const char* serial_number, int model, int configuration);

    Ttemp_dir data;
    link_test::Tports_folder ports;
    std::unique_ptr<Tstart_program> program;
    std::unique_ptr<link_test::Tevent_pump> pump;
    link_test::Tevent_pump::Tpeer_quiet peer_quiet = [](const Tserial_resource&) { return true; };
    TFframe* frame = nullptr;
    Trecording_dialogs dialogs;

private:
    Tday_log day_log_;
};
