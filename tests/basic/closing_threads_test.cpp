// Closing calyxo_basic while other threads still log: the result window's
// reader warning about a cut file, and the serial worker dumping what the
// simulated logger sends. No thread but the GUI thread reaches a window in
// any order of the way out (scripts/test --tsan runs this under
// ThreadSanitizer), and the day log keeps every line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <memory>
#include <string>

#include "link/calyxo_master.h"
#include "programs/basic/basic_program.h"
#include "programs/basic/wmain.h"
#include "tests/basic/basic_program_fixture.h"
#include "tests/basic/basic_test_support.h"
#include "tests/link/link_test_support.h"
#include "tests/support/recording_program.h"
#include "tests/support/shutdown_files.h"
#include "tests/support/temp_dir.h"
#include "tools/logger_sim/flash_records.h"
#include "tools/logger_sim/logger.h"
#include "ui/faffiche.h"

namespace {

constexpr uint32_t station = 813;

class ClosingWithThreads : public Tbasic_program_fixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Tbasic_program_fixture::SetUp());
        makeProgram(true);
        program->preInitialise();
        program->createForms();
    }
    void TearDown() override
    {
        Tbasic_program_fixture::TearDown();
        logger.stop();
    }

    sim::Logger logger;
};

TEST_F(ClosingWithThreads, WhileTheReaderOfACutFileLogs)
{
    const std::string file = work.file("cut.xml");
    ASSERT_TRUE(write_cut_measurement_file(file, 40000));
    bool filled = false;
    ASSERT_TRUE(program->result_window->startLoad(file, false, [&] { filled = true; }));
    program->main_form->close();
    program->destroyForms();
    EXPECT_EQ(program->main_form, nullptr);
    EXPECT_TRUE(program->forms().empty());
    QCoreApplication::processEvents();
    EXPECT_FALSE(filled);
    // Logged on the reader's thread while or after the windows went.
    const std::string day_log = read_day_logs(work.path());
    EXPECT_EQ(count_of(day_log, "WARNING : measurement file " + file + " is cut at byte"), 1) << day_log;
}

TEST_F(ClosingWithThreads, WhileTheSerialWorkerLogsWhatTheLoggerSends)
{
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    const sim::Bytes flash = sim::acquisition_series(1700000000, 600, 60, station);
    logger.update([&flash](sim::State& s) {
        s.flash = flash;
        s.variables[sim::var::station_id] = station;
        s.pace_output = true;
    });
    useTestPortsAndWorkFolder();
    chooseTestPortWhenAsked();
    Tcalyxo_master& master = program->master;
    ASSERT_TRUE(idleWith(Tcalyxo_master::LINK_CONNECTED));
    // Every byte that comes is dumped by the serial worker.
    program->io.setParameter("debug_IO", "1");
    ASSERT_FALSE(master.start_download(0, static_cast<uint32_t>(flash.size()), false));
    ASSERT_TRUE(loop_until([] { return recorded::log_contains("serial RX "); }));
    const int shown =
        count_of(child_of<QPlainTextEdit>(program->main_form, "Memo1")->toPlainText().toStdString(), "serial RX ");

    program->destroyForms();
    EXPECT_TRUE(program->forms().empty());
    const std::string day_log = read_day_logs(work.path());
    EXPECT_GE(count_of(day_log, "serial RX "), shown) << day_log;
    EXPECT_GT(shown, 0);
}

}  // namespace
