// Closing calyxo_start while other threads still log: the result window's
// reader warning about a cut file, and the serial worker dumping what the
// simulated logger sends. No thread but the GUI thread reaches a window in
// any order of the way out (scripts/test --tsan runs this under
// ThreadSanitizer), and the day log keeps every line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>
#include <string>

#include "platform/widgets/recording_dialogs.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/start_program.h"
#include "tests/link/link_test_support.h"
#include "tests/start/start_program_fixture.h"
#include "tests/support/recording_program.h"
#include "tests/support/shutdown_files.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_application.h"
#include "tools/logger_sim/logger.h"
#include "ui/faffiche.h"

namespace {

// The day log goes under the data folder, where the tests read it back.
class StartClosingWithThreads : public Tstart_program_fixture {
protected:
    StartClosingWithThreads() : Tstart_program_fixture(Tday_log::in_data_folder) {}
};

TEST_F(StartClosingWithThreads, WhileTheReaderOfACutFileLogs)
{
    const std::string file = data.file("cut.xml");
    ASSERT_TRUE(write_cut_measurement_file(file, 40000));
    bool filled = false;
    ASSERT_TRUE(program->result_window->startLoad(file, false, [&] { filled = true; }));
    program->destroyForms();
    EXPECT_EQ(program->frame, nullptr);
    EXPECT_TRUE(program->forms().empty());
    pump->window.pumpAll();
    QCoreApplication::processEvents();
    EXPECT_FALSE(filled);
    const std::string day_log = read_day_logs(data.path());
    EXPECT_EQ(count_of(day_log, "WARNING : measurement file " + file + " is cut at byte"), 1) << day_log;
}

TEST_F(StartClosingWithThreads, WhileTheSerialWorkerLogsWhatTheLoggerSends)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    program->globals.mode = MODE_KLVR;
    program->globals.last_connect_device_id = logger.comNumber();
    program->globals.autonnect = 1;
    program->onApplicationReady();
    ASSERT_TRUE(pump->until([&] { return program->master.idle() && program->io.isPortOpen(); }));
    // Every byte that comes is dumped by the serial worker; the standard
    // configuration's upload keeps the logger answering.
    program->io.setParameter("debug_IO", "1");
    dialogs.box_answers.push_back(Tbox_answer::ok);
    program->frame->findChild<QPushButton*>(QStringLiteral("Button4"))->click();
    ASSERT_TRUE(pump->untilLogged("serial RX "));
    const int shown = count_of(
        program->frame->findChild<QPlainTextEdit*>(QStringLiteral("Memo0"))->toPlainText().toStdString(),
        "serial RX ");

    program->destroyForms();
    EXPECT_TRUE(program->forms().empty());
    pump->window.pumpAll();
    const std::string day_log = read_day_logs(data.path());
    EXPECT_GT(shown, 0);
    EXPECT_GE(count_of(day_log, "serial RX "), shown) << day_log;
    logger.stop();
}

}  // namespace
