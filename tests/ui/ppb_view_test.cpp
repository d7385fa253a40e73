#include "ui/fppb.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <cstdio>
#include <filesystem>

#include <sys/stat.h>

#include "tests/support/file_size_limit.h"
#include "tests/support/recording_program.h"
#include "tests/ui/result_window_support.h"
#include "tests/ui/window_grab.h"

namespace {

// A result as the ppb view prints it: rounded to a float first.
std::string shown(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(static_cast<float>(value)));
    return text;
}

// The ppb view beside a result window on ppb_records.xml; lamp A alone, no
// turbidity correction, so the tracer fit's points convert back exactly.
class PpbView : public ResultWindowTest {
protected:
    void SetUp() override
    {
        ResultWindowTest::SetUp();
        view = std::make_unique<TFppb>();
        display_time_zone = 0;
        load(ui_fixture("ppb_records.xml"));
        edit("ed_turbsens")->setText("0");
    }
    void TearDown() override
    {
        view.reset();
        ResultWindowTest::TearDown();
    }
    QLineEdit* edit(const char* name) { return view->findChild<QLineEdit*>(name); }
    QLabel* label(const char* name) { return view->findChild<QLabel*>(name); }
    void click(const char* name) { view->findChild<QPushButton*>(name)->click(); }
    std::string cell(int row, int column) { return grid_cell(view.get(), row, column); }
    void loadConstants(const std::string& path)
    {
        dialogs.file_answers.push_back(path);
        click("Button1");
    }

    std::unique_ptr<TFppb> view;
};

// The zone is the program's: making the view leaves it as it is.
TEST_F(PpbView, StartsWithItsCaptionsAndLeavesTheZoneAlone)
{
    display_time_zone = -3;
    TFppb another;
    EXPECT_EQ(display_time_zone, -3);
    EXPECT_EQ(another.windowTitle().toStdString(), "ppb conversion");
    EXPECT_EQ(edit("ed_turbsens")->text().toStdString(), "0");
    EXPECT_EQ(another.findChild<QLineEdit*>("ed_turbsens")->text().toStdString(), "1");
    EXPECT_TRUE(another.findChild<QCheckBox*>("cb_tracerA")->isChecked());
    EXPECT_FALSE(another.findChild<QCheckBox*>("cb_tracerB")->isChecked());
    EXPECT_EQ(another.findChild<QLabel*>("lb_cond_c2")->text().toStdString(), "---");
}

TEST_F(PpbView, ConvertsEachRecordWithTheLoadedConstants)
{
    loadConstants(ui_fixture("calibrat.dat"));
    ASSERT_EQ(dialogs.file_dialogs.back().filter, "DAT file (*.dat)|*.dat|All files (*.*)|*.*");
    EXPECT_EQ(dialogs.file_dialogs.back().default_extension, "dat");
    EXPECT_EQ(label("pl_result")->text().toStdString(), "");
    EXPECT_NE(label("pl_result")->styleSheet().indexOf("#00ff00"), -1);
    EXPECT_EQ(label("lb_ca")->text().toStdString(), "40.000000");
    EXPECT_EQ(label("lb_cond_b0")->text().toStdString(), "1.000000");
    EXPECT_EQ(label("lb_cond_c0")->text().toStdString(), "25.000000");
    EXPECT_EQ(label("lb_cond_c1")->text().toStdString(), "0.015000");
    EXPECT_EQ(label("lb_cond_c2")->text().toStdString(), "-0.000100");

    trigger("Converttoppb1");
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(grid_rows(view.get()), 6);
    EXPECT_EQ(cell(1, 4), "-");
    click("Button2");
    EXPECT_EQ(grid_row(view.get(), 0),
              (std::vector<std::string>{"Timestamp", "Date", "GMT", "T [\u00B0C]", "LED1 [ppb]", "LED2 [ppb]",
                                        "LED3 [ppb]", "TURB []", "Cond. [uS]"}));
    ASSERT_EQ(grid_rows(view.get()), 6);
    // Net signals of the tracer's own points give its concentrations back.
    EXPECT_EQ(grid_row(view.get(), 1)[0], "1782914400");
    EXPECT_EQ(cell(1, 1), "01.07.2026 14:00:00");
    EXPECT_EQ(cell(1, 2), "0");
    EXPECT_EQ(cell(1, 3), "20.00");
    EXPECT_EQ(cell(1, 4), "100.000");
    EXPECT_EQ(cell(2, 4), "10.000");
    // The on/off difference wins over the typed slot (which would give 10 ppb).
    EXPECT_EQ(cell(3, 4), "100.000");
    EXPECT_EQ(cell(3, 3), "-");
    // Below the floor of tracer A (0.0105, as a float 0.01049999...).
    EXPECT_EQ(cell(4, 4), "0.010");
    EXPECT_EQ(cell(4, 3), "7.50");
    // Lamp B is valid but not selected: its floor; no lamp A, no lamp C.
    EXPECT_EQ(cell(5, 4), "-");
    EXPECT_EQ(cell(5, 5), "0.100");
    EXPECT_EQ(cell(5, 6), "-");
    EXPECT_EQ(cell(5, 2), "0");
    for (int row = 1; row <= 4; ++row)
        EXPECT_EQ(cell(row, 8), "-") << row;

    // The conductivity and turbidity as the conversion gives them.
    Tppb_sample sample;
    sample.lamp_mV[1] = 500;
    sample.lamp_valid[1] = 1;
    sample.turbidity_mV = 41;
    sample.turbidity_valid = 1;
    sample.temperature = 20;
    sample.conductivity_raw = 100;
    sample.conductivity_valid = 1;
    const bool tracers[3] = {true, false, false};
    view->constants().convert(&sample, tracers, 0);
    EXPECT_EQ(cell(5, 7), shown(sample.turbidity));
    EXPECT_EQ(cell(5, 8), shown(sample.conductivity));
    expect_texts_fit_their_columns(view.get());
    expect_grab(view.get(), "ppb_view");

    // The table stays as converted while the result window loads another file.
    const std::string before = grid_row(view.get(), 1)[4];
    load(ui_fixture("results.xml"));
    EXPECT_EQ(grid_rows(view.get()), 6);
    EXPECT_EQ(cell(1, 4), before);
    click("Button2");
    EXPECT_EQ(grid_rows(view.get()), 3);
}

// Emptied constants would give every row tracer A's floor (0.010) and a
// turbidity of 1.000, values no measurement gave: the result columns show
// "-" instead, the time and temperature stay, and a line says why.
TEST_F(PpbView, WithoutConstantsTheResultColumnsShowDashesAndALineSaysWhy)
{
    const std::vector<std::string> first_row_without_results = {
        "1782914400", "01.07.2026 14:00:00", "0", "20.00", "-", "-", "-", "-", "-"};
    auto expect_no_results = [&](QWidget* view_shown, const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(grid_row(view_shown, 1), first_row_without_results);
        for (int row = 1; row < grid_rows(view_shown); ++row)
            for (int column = 4; column < 9; ++column)
                EXPECT_EQ(grid_cell(view_shown, row, column), "-") << row << "," << column;
        auto* line = view_shown->findChild<QLabel*>("lb_no_constants");
        EXPECT_TRUE(line->isVisible());
        EXPECT_EQ(line->text().toStdString(), "No calibration constants are loaded: nothing is converted (\"-\").");
    };
    // Before any constants.
    edit("ed_turbsens")->setText("1");
    recorded::clear_log();
    click("Button2");
    expect_no_results(view.get(), "no load yet");
    EXPECT_TRUE(recorded::log_contains("INFO  : ppb conversion : No calibration constants are loaded"));
    expect_grab(view.get(), "ppb_view_without_constants");

    // Loaded: converted, and the line goes.
    edit("ed_turbsens")->setText("0");
    loadConstants(ui_fixture("calibrat.dat"));
    click("Button2");
    EXPECT_EQ(cell(1, 4), "100.000");
    EXPECT_FALSE(label("lb_no_constants")->isVisible());

    // A cancelled load has emptied the constants: the panel says so, and so
    // does the next run.
    dialogs.file_answers.clear();
    click("Button1");
    EXPECT_EQ(label("pl_result")->text().toStdString(), "");
    EXPECT_EQ(label("pl_result")->styleSheet().toStdString(), "");
    EXPECT_EQ(label("lb_ca")->text().toStdString(), "---");
    click("Button2");
    expect_no_results(view.get(), "cancelled load");

    // A refused load.
    loadConstants(dir.file("missing.dat"));
    click("Button2");
    expect_no_results(view.get(), "refused load");

    // A view of its own that never had constants.
    TFppb fresh;
    fresh.prepareGrid();
    fresh.Button2Click();
    expect_no_results(&fresh, "fresh view");
}

// The constants file of a calibration without tracer B: its signals are the
// no-value marker.
std::string constants_without_tracer_b()
{
    std::string text = read_file_bytes(ui_fixture("calibrat.dat"));
    char undefined[400];
    std::snprintf(undefined, sizeof undefined, "%7.2f", 1.797e308);
    for (const char* line : {"L1  110.00\r\n", "L2  860.00\r\n", "L3  150.00\r\n", "L4   48.00\r\n",
                             "-8  140.00 ", "-7  860.00 "}) {
        const std::string found = line;
        const size_t at = text.find(found);
        if (at == std::string::npos)
            return "";
        const size_t number = found.find_first_of("0123456789", 3);
        const size_t end = found.find_first_of(" \r", number);
        text.replace(at + number, end - number, undefined);
    }
    return text;
}

TEST_F(PpbView, ConstantsOfSomeTracersConvertThoseAndShowTheOthersAsDash)
{
    const std::string text = constants_without_tracer_b();
    ASSERT_FALSE(text.empty());
    ASSERT_TRUE(write_file_bytes(dir.file("without_b.dat"), text));
    loadConstants(dir.file("without_b.dat"));
    // Loaded, not failed: green, naming what cannot be converted.
    EXPECT_EQ(label("pl_result")->text().toStdString(), "undefined: B");
    EXPECT_NE(label("pl_result")->styleSheet().indexOf("#00ff00"), -1);
    EXPECT_EQ(label("lb_cond_b0")->text().toStdString(), "1.000000");

    click("Button2");
    EXPECT_EQ(cell(1, 4), "100.000");
    EXPECT_EQ(cell(2, 4), "10.000");
    // Tracer B alone: its lamp's reading has no constants to convert with.
    view->findChild<QCheckBox*>("cb_tracerA")->setChecked(false);
    view->findChild<QCheckBox*>("cb_tracerB")->setChecked(true);
    click("Button2");
    EXPECT_EQ(cell(5, 5), "-");
    // Nowhere an "inf" or a "nan": not on screen, nor on the clipboard.
    view->findChild<QAction*>("copytoclipboard1")->trigger();
    EXPECT_EQ(dialogs.clipboard.find("inf"), std::string::npos) << dialogs.clipboard;
    EXPECT_EQ(dialogs.clipboard.find("nan"), std::string::npos) << dialogs.clipboard;
    EXPECT_NE(dialogs.clipboard.find(";-;"), std::string::npos) << dialogs.clipboard;
    expect_grab(view.get(), "ppb_view_without_tracer_b");
}

// The custom layout has a units row more than the records: the view still
// has one row per record.
TEST_F(PpbView, RowsFollowTheRecordsWhateverTheResultLayout)
{
    const std::string filter = dir.file("filter.xml");
    ASSERT_TRUE(write_file_bytes(filter, "<F><COLUMN name=\"A\" element=\"a145\" attribute=\"v\"/></F>"));
    dialogs.file_answers.push_back(filter);
    trigger("CustomFilter1");
    ASSERT_EQ(grid_rows(window.get()), 7);
    loadConstants(ui_fixture("calibrat.dat"));
    click("Button2");
    EXPECT_EQ(grid_rows(view.get()), 6);
    EXPECT_EQ(cell(5, 5), "0.100");

    // Escape on its grid hides the view.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    ASSERT_TRUE(view->isVisible());
    QCoreApplication::sendEvent(view->findChild<QTableView*>("StringGrid1"), &escape);
    EXPECT_FALSE(view->isVisible());
}

// As the result table, a file without records gives one row, here of "-",
// before a conversion run and after it.
TEST_F(PpbView, FileWithoutRecordsGivesOneRowOfDashes)
{
    const std::string path = dir.file("empty.xml");
    ASSERT_TRUE(write_file_bytes(path, "<FLASH_CONTENT><DATA></DATA></FLASH_CONTENT>"));
    load(path);
    ASSERT_EQ(grid_rows(window.get()), 2);
    loadConstants(ui_fixture("calibrat.dat"));
    const std::vector<std::string> dashes(9, "-");
    trigger("Converttoppb1");
    ASSERT_EQ(grid_rows(view.get()), 2);
    EXPECT_EQ(grid_row(view.get(), 1), dashes);
    click("Button2");
    ASSERT_EQ(grid_rows(view.get()), 2);
    EXPECT_EQ(grid_row(view.get(), 1), dashes);
    view->findChild<QAction*>("copytoclipboard1")->trigger();
    EXPECT_EQ(dialogs.clipboard.substr(dialogs.clipboard.find("\r\n") + 2), "-;-;-;-;-;-;-;-;-;\r\n");
    expect_grab(view.get(), "ppb_view_without_records");
}

TEST_F(PpbView, FailedConstantsLoadShowsItsBitsOnRed)
{
    loadConstants(ui_fixture("calibrat.dat"));
    loadConstants(dir.file("missing.dat"));
    // The number, and what it means beside it.
    EXPECT_EQ(label("pl_result")->text().toStdString(), "2: the file cannot be opened");
    EXPECT_NE(label("pl_result")->styleSheet().indexOf("#ff0000"), -1);
    expect_grab(view.get(), "ppb_view_failed_load");
    // Several faults are named in the order of their bits.
    const std::string broken = dir.file("broken.dat");
    ASSERT_TRUE(write_file_bytes(broken, "not a constants file\r\n"));
    loadConstants(broken);
    EXPECT_EQ(label("pl_result")->text().toStdString(),
              "248: the lamp count is not 2 to 5, the turbidity lamp's signal is not above the water's, a turbidity "
              "effect is not above the water's, a tracer's point count is not 1 to 3, a value is missing or no number");
    expect_grab(view.get(), "ppb_view_failed_load_many");
    for (const char* name : {"lb_ca", "lb_c0", "lb_c1", "lb_c2", "lb_cond_b0", "lb_cond_c0", "lb_cond_c1", "lb_cond_c2"})
        EXPECT_EQ(label(name)->text().toStdString(), "---") << name;
}

// A FIFO chosen as the constants file froze the view on the open: it is
// refused at once, as a file that cannot be opened, and says why in the log.
TEST_F(PpbView, AFifoChosenAsConstantsFileIsRefusedAtOnce)
{
    loadConstants(ui_fixture("calibrat.dat"));
    const std::string fifo = dir.file("fifo.dat");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    recorded::clear_log();
    loadConstants(fifo);
    EXPECT_EQ(label("pl_result")->text().toStdString().rfind("2", 0), 0u) << label("pl_result")->text().toStdString();
    EXPECT_EQ(label("lb_ca")->text().toStdString(), "---");
    EXPECT_TRUE(recorded::log_contains("ERROR : calibration file " + fifo + " is a FIFO, not a regular file"));
}

TEST_F(PpbView, SensitivityThatIsNoNumberIsRefusedWithAMessage)
{
    loadConstants(ui_fixture("calibrat.dat"));
    for (const char* text : {"abc", "1,5", "", "2x"}) {
        dialogs.boxes.clear();
        recorded::clear_log();
        edit("ed_turbsens")->setText(QString::fromUtf8(text));
        click("Button2");
        ASSERT_EQ(dialogs.boxes.size(), 1u) << text;
        EXPECT_NE(dialogs.boxes[0].text.find("Turbidity Sensitivity"), std::string::npos);
        EXPECT_TRUE(recorded::log_contains("ERROR : Turbidity Sensitivity")) << text;
        EXPECT_EQ(grid_row(view.get(), 1), std::vector<std::string>(9, "-")) << "nothing converted for " << text;
    }
    edit("ed_turbsens")->setText(" 2.5e-1 ");
    dialogs.boxes.clear();
    click("Button2");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(grid_rows(view.get()), 6);
}

TEST_F(PpbView, ExportsTheTableTextAndReportsAFileThatCannotBeWritten)
{
    loadConstants(ui_fixture("calibrat.dat"));
    click("Button2");
    QAbstractItemModelTester tester(view->findChild<QTableView*>("StringGrid1")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    trigger("Converttoppb1");
    click("Button2");
    view->findChild<QAction*>("copytoclipboard1")->trigger();
    const std::string text = dialogs.clipboard;
    EXPECT_EQ(text.substr(0, text.find("\r\n") + 2),
              "Timestamp;Date;GMT;T [\u00B0C];LED1 [ppb];LED2 [ppb];LED3 [ppb];TURB [];Cond. [uS];\r\n");
    EXPECT_NE(text.find("1782914400;01.07.2026 14:00:00;0;20.00;100.000;"), std::string::npos);
    dialogs.file_answers.push_back(dir.file("ppb.txt"));
    view->findChild<QAction*>("Savetabular1")->trigger();
    EXPECT_EQ(read_file_bytes(dir.file("ppb.txt")), text);

    dialogs.file_answers.push_back(dir.file("ppb.txt"));
    {
        Tfile_size_limit full(text.size() / 2);
        ASSERT_TRUE(full.applied());
        view->findChild<QAction*>("Savetabular1")->trigger();
    }
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(read_file_bytes(dir.file("ppb.txt")), text);
}

}  // namespace
