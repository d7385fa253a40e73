// A technician's calibration walk through calyxo_start's windows, headless:
// water and Uranine at 10 and 100 ppb from the simulated probe, "Calc
// Calibration", the constants on screen, in the log and in the saved file,
// read back and converted in Fluo View and Fluo Flow; then the program closed
// during a flow, against the simulated logger; and the tables of that walk
// showing every value whole.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "calibration/fluo_sample.h"
#include "data/ruvo_fluo.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/start/fluo_conversion.h"
#include "programs/start/globals.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/start_program.h"
#include "tests/link/link_test_support.h"
#include "tests/start/start_program_fixture.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/column_check.h"
#include "tests/ui/ui_application.h"
#include "tests/ui/window_grab.h"
#include "tools/logger_sim/logger.h"
#include "tools/probe_sim/probe.h"

namespace {

// The constants file the walk saves. To regenerate it after a deliberate
// change of the file's layout, run this test with CALYXO_GOLDEN_OUT set to a
// folder of your own (the test writes the bytes it saved there), read the
// difference line by line and copy the file over this one.
const std::string walk_constants = "tests/start/fixtures/calibration_1_20261211.dat";

// A run of 20 digits or more: a no-value marker printed as a number.
bool holds_marker_digits(const std::string& text)
{
    static const std::regex digits("[0-9]{20,}");
    return std::regex_search(text, digits);
}

class CalibrationWalk : public Tstart_program_fixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Tstart_program_fixture::SetUp());
        // A laptop screen's window.
        frame->resize(1366, 768);
    }

    void setProbe(probe_sim::Probe& probe, const int deltas[4])
    {
        probe.update([&](probe_sim::Setup& s) {
            const char letters[4] = {'A', 'B', 'C', 'T'};
            for (int lamp = 0; lamp < 4; ++lamp)
                ASSERT_TRUE(probe_sim::apply_lamp_text(
                    std::string(1, letters[lamp]) + ":100:" + std::to_string(deltas[lamp]), s.script));
        });
    }

    // The probe put in a solution, a reading taken in it and stored.
    void store(probe_sim::Probe& probe, int tracer, int concentration, const int deltas[4])
    {
        setProbe(probe, deltas);
        QComboBox* tracers = child<QComboBox>(frame, "cb_tracer");
        QComboBox* concentrations = child<QComboBox>(frame, "cb_concentration");
        tracers->setCurrentIndex(tracers->findData(tracer));
        concentrations->setCurrentIndex(concentrations->findData(concentration));
        const size_t heard = probe.heard().size();
        // The next request after the levels were set is answered with them.
        ASSERT_TRUE(tickUntil([&] { return probe.heard().size() > heard + 1 || (heard == 0 && probe.heard().size() > 0); },
                              40));
        QPushButton* button = child<QPushButton>(frame, "bt_store");
        ASSERT_TRUE(tickUntil([&] { return button->isEnabled(); }, 20));
        button->click();
    }

    bool logHoldsMarkerDigits() const
    {
        for (const std::string& line : recorded::log_lines())
            if (holds_marker_digits(line))
                return true;
        return false;
    }
};

const int water_deltas[4] = {5, 6, 7, 4};
const int uranine_10_deltas[4] = {105, 7, 8, 5};
const int uranine_100_deltas[4] = {1005, 56, 27, 14};

TEST_F(CalibrationWalk, AUranineCalibrationIsShownSavedReadBackAndConvertsLampAInTheLiveView)
{
    probe_sim::Probe probe;
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    startOn(probe, MODE_VEXL);
    fillCalibrationPage("1", 1, 1);
    program->master.calibration.setDate(2026, 12, 11);
    click("bt_cal_start");
    store(probe, TRACER_WATER, CONCENTRATION_0_NTU, water_deltas);
    store(probe, TRACER_URANINE, CONCENTRATION_10_PPB, uranine_10_deltas);
    store(probe, TRACER_URANINE, CONCENTRATION_100_PPB, uranine_100_deltas);
    ASSERT_EQ(child<QTableView>(frame, "StringGridCal")->model()->rowCount(), 3);

    // The constants on screen and in the log: the signals without samples say "undefined".
    recorded::clear_log();
    click("Button15");
    const std::string shown = child<QPlainTextEdit>(frame, "mm_cal_cal")->toPlainText().toStdString();
    EXPECT_NE(shown.find("Uranine\nL1 1005.00\nL2   56.00\nL3   27.00\nL4   14.00\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("1 NTU\nL1 undefined\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("-8 undefined      log(ppb) & signal (mV)"), std::string::npos) << shown;
    EXPECT_FALSE(holds_marker_digits(shown));
    // Tracers B and C have no samples: their checks fail on values the log names.
    EXPECT_TRUE(recorded::log_contains("error : TB_10_LB>=TB_100_LB   undefined>=undefined"));
    EXPECT_TRUE(recorded::log_contains("error : TC_10_LC>=TC_100_LC   undefined>=undefined"));
    EXPECT_FALSE(logHoldsMarkerDigits());
    EXPECT_FALSE(holds_marker_digits(child<QPlainTextEdit>(frame, "Memo0")->toPlainText().toStdString()));

    // Saved under the offered name; byte for byte the golden file.
    const std::string saved = data.file("calibration_1_20261211.dat");
    dialogs.file_answers.push_back(saved);
    click("bt_save_calibrat");
    ASSERT_FALSE(dialogs.file_dialogs.empty());
    EXPECT_NE(dialogs.file_dialogs.back().initial_path.find("calibration_1_20261211.dat"), std::string::npos)
        << dialogs.file_dialogs.back().initial_path;
    const std::string bytes = read_file_bytes(saved);
    EXPECT_FALSE(holds_marker_digits(bytes));
    if (const char* folder = std::getenv("CALYXO_GOLDEN_OUT")) {
        ASSERT_TRUE(write_file_bytes(std::string(folder) + "/calibration_1_20261211.dat", bytes));
    }
    EXPECT_EQ(bytes, read_file_bytes(source_path(walk_constants)));

    // Read back: lamp A converts (without a turbidity correction), B, C and the turbidity do not.
    Truvo_fluo constants;
    EXPECT_EQ(constants.getcalib(saved.c_str(), 0), CALIB_VALUE_UNDEFINED);
    EXPECT_TRUE(constants.loaded());
    EXPECT_TRUE(constants.convertible(LAMP_A));
    EXPECT_FALSE(constants.convertible(LAMP_B));
    EXPECT_FALSE(constants.convertible(LAMP_C));
    EXPECT_FALSE(constants.turbidity_defined);

    // Fluo View with that file: the load says what converts, each reading gives lamp A's ppb.
    click("bt_cal_stop");
    ASSERT_TRUE(tickUntil([&] { return program->master.appMode() == 0; }, 20));
    recorded::clear_log();
    dialogs.file_answers.push_back(saved);
    click("Button17");
    EXPECT_TRUE(recorded::log_contains("without constants, not converted: B, C, turbidity"));
    EXPECT_TRUE(recorded::log_contains("without turbidity standards, converted without the turbidity correction: A"));
    EXPECT_TRUE(recorded::log_contains("turbidity effect on tracer #1: no turbidity standards, none taken off"));
    EXPECT_TRUE(recorded::log_contains("tracer #2: signals without a measurement, no fit"));
    EXPECT_FALSE(logHoldsMarkerDigits());
    EXPECT_FALSE(recorded::log_contains("308.2"));  // nor the marker's logarithm
    setProbe(probe, uranine_10_deltas);
    click("Panel11");
    click("Button21");
    QTableView* table = child<QTableView>(frame, "StringGridView");
    ASSERT_TRUE(tickUntil([&] { return table->model()->rowCount() == 1; }, 40));
    EXPECT_EQ(table->model()->index(0, 8).data().toString().toStdString(), "10.00");  // ppb A
    EXPECT_EQ(table->model()->index(0, 9).data().toString().toStdString(), "-");      // ppb B
    EXPECT_EQ(table->model()->index(0, 11).data().toString().toStdString(), "-");     // NTU
    EXPECT_TRUE(recorded::log_contains("Lamp A : 10.000 ppb"));
    EXPECT_TRUE(recorded::log_contains("Lamp B : - ppb"));
    double ppb = 0;
    ASSERT_TRUE(convert_lamp_value(constants, LAMP_A, uranine_10_deltas[0], uranine_10_deltas[3], &ppb));
    EXPECT_NEAR(ppb, 10.0, 1e-6);
    expect_grab(frame, "start_walk_fluo_view");
}

// The flow with the walk's constants draws lamp A in ppb, each point the live
// view's conversion of its reading; closing the window during the flow breaks
// the logger's loop as Stop does and says what the logger keeps.
TEST_F(CalibrationWalk, AFlowDrawsLampAInPpbAndTheCloseEndsTheLoggersLoop)
{
    link_test::Tvirtual_time clock{*pump, 1800000000};
    sim::Logger logger;
    ASSERT_NO_FATAL_FAILURE(startOnFlowingLogger(logger));

    click("Panel13");
    recorded::clear_log();
    dialogs.file_answers.push_back(source_path(walk_constants));
    click("Button5");
    EXPECT_TRUE(recorded::log_contains("Fluo Flow: the ppb chart draws the tracer of lamp A"));
    QRadioButton* ppb_unit = child<QRadioButton>(frame, "rb_chart_unit_ppb");
    ASSERT_TRUE(ppb_unit->isEnabled());
    ppb_unit->click();
    click("bt_flow_start");
    const Tsamples_serie& mv = program->master.flow.mv_series;
    const Tsamples_serie& ppb = program->master.flow.ppb_series;
    ASSERT_TRUE(tickUntil([&] { return mv.count() >= 1; }, 240));
    // Each reading is stamped with the program's clock at its arrival. The
    // logger's loop keeps the line busy, so that no tick moves that clock on:
    // it is moved a second with each reading, as a flow's passes lie apart.
    for (unsigned reading = 2; reading <= 4; ++reading) {
        pump->window.advance(1000);
        ASSERT_TRUE(pump->until([&] { return mv.count() >= reading; })) << mv.count();
    }
    ASSERT_TRUE(logger.waitUntil([](const sim::State& s) { return s.schedule.flow_left > 0; },
                                 std::chrono::seconds(5)));

    // Every reading has its ppb point: lamp A's delta converted as the live view does.
    QTableView* table = child<QTableView>(frame, "StringGridView");
    const unsigned readings = mv.count();
    ASSERT_EQ(ppb.count(), readings);
    ASSERT_EQ(table->model()->rowCount(), static_cast<int>(readings));
    Truvo_fluo constants;
    ASSERT_EQ(constants.getcalib(source_path(walk_constants).c_str(), 0), CALIB_VALUE_UNDEFINED);
    double previous_time = 0;
    for (unsigned i = 0; i < readings; ++i) {
        SCOPED_TRACE(i);
        const double delta_a = table->model()->index(static_cast<int>(i), 3).data().toString().toDouble();
        const double delta_t = table->model()->index(static_cast<int>(i), 6).data().toString().toDouble();
        double expected = 0;
        ASSERT_TRUE(convert_lamp_value(constants, LAMP_A, delta_a, static_cast<float>(delta_t), &expected));
        Tsample_point point;
        ASSERT_FALSE(ppb.getPoint(&point, i));
        EXPECT_NEAR(point.y, expected, expected * 1e-3);
        EXPECT_GT(point.y, 10.0);  // lamp A's ~800 mV: well above the 10 ppb signal
        EXPECT_GT(point.x, previous_time);  // the points spread along the time axis
        previous_time = point.x;
    }
    expect_grab(frame, "start_walk_fluo_flow_ppb");

    // The window closes in the middle of the flow: the logger's loop ends.
    recorded::clear_log();
    frame->close();
    EXPECT_TRUE(logger.waitUntil([](const sim::State& s) { return s.schedule.flow_left == 0 && !s.acq_running; },
                                 std::chrono::seconds(5)));
    EXPECT_TRUE(recorded::log_contains("INFO : Break sent"));
    EXPECT_TRUE(recorded::log_contains("INFO : Fluo Flow ended by the close: the logger keeps the next acquisition at"));
    EXPECT_EQ(program->master.appMode(), 0);
    EXPECT_FALSE(program->master.flow.logOpen());
}

// The Fluo View table after a few readings and the Stored Values table after
// a few samples: every heading and cell whole in the window's font, the
// layout's widths kept as the least, the columns still resizable.
TEST_F(CalibrationWalk, TheTablesShowEveryHeadingAndValueWhole)
{
    probe_sim::Probe probe;
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    startOn(probe, MODE_VEXL);
    QTableView* view_table = child<QTableView>(frame, "StringGridView");
    EXPECT_EQ(view_table->columnWidth(1), 120);  // the layout's width for "Date"
    EXPECT_EQ(view_table->columnWidth(11), 50);
    click("Panel12");
    program->master.calibration.setDate(2026, 12, 11);
    click("bt_cal_start");
    const int wide_water[4] = {12345, 6, 7, 4};
    store(probe, TRACER_WATER, CONCENTRATION_0_NTU, wide_water);
    store(probe, TRACER_URANINE, CONCENTRATION_100_PPB, uranine_100_deltas);
    store(probe, TRACER_WATER, CONCENTRATION_100_NTU, water_deltas);
    QTableView* stored = child<QTableView>(frame, "StringGridCal");
    ASSERT_EQ(stored->model()->rowCount(), 3);
    expect_view_texts_fit_their_columns(stored);
    child<QTabWidget>(frame, "PageControlCal")->setCurrentWidget(child<QWidget>(frame, "tb_fluo_cal_stored_values"));
    expect_grab(frame, "start_tables_stored_values");
    click("bt_cal_stop");
    ASSERT_TRUE(tickUntil([&] { return program->master.appMode() == 0; }, 20));

    dialogs.file_answers.push_back(source_path("tests/calibration/fixtures/calibration_1234_20261210.dat"));
    click("Button17");
    click("Panel11");
    click("Button21");
    const int readings[3][4] = {{105, 7, 8, 5}, {98765, 1234, 8, 5}, {1005, 56, 27, 14}};
    for (int i = 0; i < 3; ++i) {
        setProbe(probe, readings[i]);
        ASSERT_TRUE(tickUntil([&] { return view_table->model()->rowCount() == i + 1; }, 40)) << i;
    }
    expect_view_texts_fit_their_columns(view_table);
    EXPECT_GE(view_table->columnWidth(1), 120);
    EXPECT_GE(view_table->columnWidth(11), 50);
    expect_grab(frame, "start_tables_fluo_view");

    // A column the user narrows stays so until a wider value comes.
    QHeaderView* header = view_table->horizontalHeader();
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(stored->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    const int narrow = header->minimumSectionSize();
    header->resizeSection(7, narrow);
    EXPECT_EQ(view_table->columnWidth(7), narrow);
    ASSERT_TRUE(tickUntil([&] { return view_table->model()->rowCount() == 4; }, 40));
    EXPECT_GT(view_table->columnWidth(7), narrow);
    expect_view_texts_fit_their_columns(view_table);
}

}  // namespace
