// Closing calyxo_basic in the middle of a flash download from the simulated
// logger: the download is cancelled and ends (acquisition as it was, files
// closed), the link is closed, and only then does the window go.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "programs/basic/basic_program.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wselstation.h"
#include "tests/support/temp_dir.h"
#include "ui/faffiche.h"
#include "tests/basic/basic_program_fixture.h"
#include "tests/basic/basic_test_support.h"
#include "tests/link/link_test_support.h"
#include "tests/support/recording_program.h"
#include "tools/logger_sim/flash_records.h"
#include "tools/logger_sim/logger.h"

namespace {


constexpr uint32_t station = 812;

class Closing : public Tbasic_program_fixture {
protected:
    void SetUp() override
    {
        Tbasic_program_fixture::SetUp();
        ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
        const sim::Bytes flash = sim::acquisition_series(1700000000, 600, 60, station);
        flash_size = static_cast<uint32_t>(flash.size());
        logger.update([&flash](sim::State& s) {
            s.flash = flash;
            s.variables[sim::var::station_id] = station;
            s.variables[sim::var::acq_enable] = 1;
            s.pace_output = true;
        });
        makeProgram(true);
    }
    void TearDown() override
    {
        Tbasic_program_fixture::TearDown();
        logger.stop();
    }

    sim::Logger logger;
    uint32_t flash_size = 0;
};

TEST_F(Closing, ADownloadIsCancelledAndEndsBeforeTheProgramGoes)
{
    program->preInitialise();
    program->createForms();
    useTestPortsAndWorkFolder();
    when_modal([this](QWidget* dialog) {
        EXPECT_EQ(dialog, program->station_chooser);
        auto* list = child_of<QListWidget>(dialog, "lb_comports");
        ASSERT_EQ(list->count(), 3);
        type_text(list, "b");
        type_key(list, Qt::Key_Return);
    });
    Tcalyxo_master& master = program->master;
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));

    // The window is closed when the first block is in: the transfer reports
    // a percentage above 0.
    bool close_tried = false;
    bool closed_at_once = true;
    bool running_then = false;
    // The test acts inside the transfer, at the channels the program sees.
    set_channel_spy([&](int id, const char* text) {
        int percent = 0;
        if (close_tried || id != 55 || !text || std::sscanf(text, "%d", &percent) != 1 || percent <= 0)
            return;
        close_tried = true;
        closed_at_once = program->main_form->close();
        running_then = master.state != Tcalyxo_master::STATE_IDLE;
    });
    ASSERT_FALSE(master.start_download(0, flash_size, false));
    ASSERT_TRUE(loop_until([&] { return close_tried; }));
    EXPECT_FALSE(closed_at_once);
    EXPECT_TRUE(running_then);
    EXPECT_TRUE(program->main_form->isVisible());

    ASSERT_TRUE(loop_until([&] { return !program->main_form->isVisible(); }));
    EXPECT_EQ(master.state, Tcalyxo_master::STATE_IDLE);
    EXPECT_EQ(master.getLinkState(), Tcalyxo_master::LINK_DISCONNECTED);
    EXPECT_TRUE(recorded::log_contains("Tcalyxo_master : terminated TERMINATE_CANCELLED"));
    // Acquisition back on, as it was before the download.
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.variables.at(sim::var::acq_enable); }), 1u);
}

// Closing the program while the result window reads a file waits for the
// reading: the window and the program go without a hand-over to either.
TEST_F(Closing, AResultFileBeingReadIsWaitedFor)
{
    program->preInitialise();
    program->createForms();
    TFaffiche* window = program->result_window;
    ASSERT_NE(window, nullptr);
    bool filled = false;
    ASSERT_TRUE(window->startLoad(source_path("tests/ui/fixtures/results.xml"), false, [&] { filled = true; }));
    ASSERT_TRUE(window->loading());
    program->main_form->close();
    program->destroyForms();
    program.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(filled);
}

}  // namespace
