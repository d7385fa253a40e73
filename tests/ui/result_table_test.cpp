#include <gtest/gtest.h>

#include <QLabel>

#include <QAbstractItemModelTester>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "tests/support/file_size_limit.h"
#include "tests/support/recording_program.h"
#include "tests/ui/result_window_support.h"
#include "tests/ui/window_grab.h"
#include "ui/display_options.h"

namespace {

using Theadings = std::vector<std::string>;

const std::string degree_c = "[\u00B0C]";
const std::string T = "T " + degree_c;

// Every cell of the window's rows must be the cell under the same heading in
// the golden table text of all columns.
void expect_cells_as_in_golden(QWidget* window)
{
    const std::string golden = read_file_bytes(ui_fixture("results_all_columns.txt"));
    std::vector<Theadings> rows;
    std::size_t start = 0;
    while (start < golden.size()) {
        const std::size_t end = golden.find("\r\n", start);
        Theadings cells;
        for (std::size_t cell = start; cell < end;) {
            const std::size_t semicolon = golden.find(';', cell);
            cells.push_back(golden.substr(cell, semicolon - cell));
            cell = semicolon + 1;
        }
        rows.push_back(cells);
        start = end + 2;
    }
    ASSERT_EQ(rows.size(), 3u);
    const Theadings headings = grid_row(window, 0);
    for (int r = 1; r <= 2; ++r) {
        const Theadings shown = grid_row(window, r);
        ASSERT_EQ(shown.size(), headings.size());
        for (std::size_t c = 0; c < headings.size(); ++c) {
            const auto at = std::find(rows[0].begin(), rows[0].end(), headings[c]);
            ASSERT_NE(at, rows[0].end()) << headings[c];
            EXPECT_EQ(shown[c], rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(at - rows[0].begin())])
                << "row " << r << " " << headings[c];
        }
    }
}

struct Tdisplay_type_case {
    const char* item;
    Theadings headings;
    bool enables_ppb;
};

void PrintTo(const Tdisplay_type_case& c, std::ostream* out)
{
    *out << c.item;
}

class DisplayTypes : public ResultWindowTest, public ::testing::WithParamInterface<Tdisplay_type_case> {};

// Each type shows its own column set and no other, with exactly its item checked.
TEST_P(DisplayTypes, ShowTheirColumnsAndCheckOnlyTheirItem)
{
    load(ui_fixture("results.xml"));
    trigger("ExtensionGPS1");
    set_display_option("ppb_conversion", "disabled");
    trigger(GetParam().item);
    EXPECT_EQ(optional_headings(), GetParam().headings);
    for (const Tdisplay_choice& choice : display_type_items)
        EXPECT_EQ(checked(choice.object_name), std::string(choice.object_name) == GetParam().item) << choice.object_name;
    for (const Tdisplay_choice& choice : display_extension_items)
        EXPECT_FALSE(checked(choice.object_name)) << choice.object_name;
    EXPECT_FALSE(checked("CustomFilter1"));
    EXPECT_EQ(find_action(window.get(), "Converttoppb1")->isEnabled(), GetParam().enables_ppb);
    EXPECT_EQ(grid_rows(window.get()), 3);
    expect_cells_as_in_golden(window.get());
}

INSTANTIATE_TEST_SUITE_P(
    All, DisplayTypes,
    ::testing::Values(
        Tdisplay_type_case{"KLVRVEXL1",
                           {T, "F1 [mV]", "F2 [mV]", "F3 [mV]", "F4 [mV]", "F5Off [mV]", "F5On  [mV]", "F6Off [mV]",
                            "F6On  [mV]", "F7Off [mV]", "F7On  [mV]", "F8Off [mV]", "F8On  [mV]"},
                           true},
        Tdisplay_type_case{"KLVR11",
                           {T, "Vbat [V]", "I161[mA]", "I162[mA]", "V169[V]", "V170[V]", "P168[#]", "P171[#]",
                            "P173[#]", "P175[#]", "In", "I178[mA]", "I180[mA]", "V176[mA]"},
                           true},
        Tdisplay_type_case{"KLVR121", {T, "Vbat [V]", "P168[#]", "P171[#]", "P173[#]", "P175[#]", "In"}, false},
        Tdisplay_type_case{"BQS141", {T, "RH [%]", "Tdew " + degree_c}, false},
        Tdisplay_type_case{"HVQ_485_P_T", {T, "P"}, false},
        Tdisplay_type_case{"BQS161", {T, "P168[#]", "P171[#]", "P173[#]", "P175[#]", "RH [%]"}, false}),
    [](const ::testing::TestParamInfo<Tdisplay_type_case>& param_info) { return std::string(param_info.param.item); });

struct Textension_case {
    const char* item;
    Theadings added;
};

void PrintTo(const Textension_case& c, std::ostream* out)
{
    *out << c.item;
}

class Extensions : public ResultWindowTest, public ::testing::WithParamInterface<Textension_case> {};

// On "HVQ-485 P+T°" each extension adds its columns in display order.
TEST_P(Extensions, AddTheirColumnsToTheDisplayType)
{
    load(ui_fixture("results.xml"));
    trigger("HVQ_485_P_T");
    trigger(GetParam().item);
    std::vector<std::string> expected = GetParam().added;
    EXPECT_EQ(optional_headings(), expected);
    EXPECT_TRUE(checked(GetParam().item));
    EXPECT_TRUE(checked("HVQ_485_P_T"));
    expect_cells_as_in_golden(window.get());
}

const std::string F9T = "F9T " + degree_c;

INSTANTIATE_TEST_SUITE_P(
    All, Extensions,
    ::testing::Values(
        Textension_case{"ExtensionCoder1",
                        {T, "C166[#]", "C17[#]", "C172[#]", "C174[#]", "P", "CNT0 v", "CNT0 SN", "CNT1 v", "CNT1 SN",
                         "CNT2 v", "CNT2 SN", "CNT3 v", "CNT3 SN"}},
        Textension_case{"ExtensionFluorimeter1",
                        {T, "F1 [mV]", "F2 [mV]", "F3 [mV]", "F4 [mV]", "F5Off [mV]", "F5On  [mV]", "F6Off [mV]",
                         "F6On  [mV]", "F7Off [mV]", "F7On  [mV]", "F8Off [mV]", "F8On  [mV]", "F9m1/m0", F9T, "P"}},
        Textension_case{"ExtensionElster1",
                        {T, "P", "SN", "Vb [m3]", "Vm [m3]", "VbD", "VmD", "VbT", "VmT", "VbA", "VmA", "Qb", "Qm", "C",
                         "T", "p"}},
        Textension_case{"ExtensionTRELK1", {T, "P", "CO2", "Radon"}},
        Textension_case{"ExtensionGPS1", {T, "P", "latitude", "longitude", "heading", "speed"}}),
    [](const ::testing::TestParamInfo<Textension_case>& param_info) { return std::string(param_info.param.item); });

// The golden text was written from the cell rules by fixtures/make_results_golden.py.
TEST_F(ResultWindowTest, AllColumnsGiveTheGoldenTableTextOnClipboardAndInTheFile)
{
    load(ui_fixture("results.xml"));
    EXPECT_TRUE(dialogs.boxes.empty());
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].filter, "XML files (*.xml)|*.xml|All files (*.*)|*.*");
    EXPECT_EQ(dialogs.file_dialogs[0].default_extension, "xml");
    ASSERT_EQ(headings().size(), 69u);
    EXPECT_EQ(headings().back(), "speed");
    const std::string golden = read_file_bytes(ui_fixture("results_all_columns.txt"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(table_text(), golden);

    dialogs.file_answers.push_back(dir.file("table.txt"));
    trigger("Savetabular2");
    EXPECT_EQ(read_file_bytes(dir.file("table.txt")), golden);
    EXPECT_EQ(dialogs.file_dialogs.back().mode, Tfile_dialog_mode::save);

    dialogs.clipboard.clear();
    trigger("copytoclipboard1");
    EXPECT_EQ(dialogs.clipboard, golden);
    dialogs.file_answers.push_back(dir.file("popup.txt"));
    trigger("Savetabular1");
    EXPECT_EQ(read_file_bytes(dir.file("popup.txt")), golden);
    expect_texts_fit_their_columns(window.get());
    expect_grab(window.get(), "result_window_all_columns");
    // The columns beyond the window's width, a page at a time, for a reader of the grabs.
    QScrollBar* across = window->findChild<QTableView*>("StringGrid1")->horizontalScrollBar();
    for (int page = 2; across->value() < across->maximum(); ++page) {
        across->setValue(across->value() + across->pageStep());
        expect_grab(window.get(), "result_window_all_columns_" + std::to_string(page));
    }
}

// The widest cell of a column may be in any row, and a negative, a huge or a
// non-finite value is wider than the layout's 40 pixels; the user can still
// make a column narrower.
TEST_F(ResultWindowTest, ColumnsWidenToTheirWidestCellInAnyRow)
{
    const std::string path = dir.file("wide.xml");
    ASSERT_TRUE(write_file_bytes(path,
        "<FLASH_CONTENT><DATA>"
        "<time v=\"1782914400\"><a144 v=\"1.5\"/><a145 v=\"2\"/><a166 v=\"1\"/><a170 v=\"0.5\"/></time>"
        "<time v=\"1782918000\"><a144 v=\"-1234.5\"/><a145 v=\"inf\"/><a148 v=\"nan\"/><a166 v=\"-9876543210\"/>"
        "<a170 v=\"123456.123456\"/><a48 v1_pre=\"4294967295\" v1_post=\"99999\" v2_pre=\"1\" v2_post=\"2\"/></time>"
        "<time v=\"1782921600\"><a144 v=\"3\"/><a145 v=\"-inf\"/></time>"
        "</DATA></FLASH_CONTENT>"));
    load(path);
    ASSERT_EQ(grid_rows(window.get()), 4);
    ASSERT_EQ(grid_cell(window.get(), 2, 3), "-1234.50");
    expect_texts_fit_their_columns(window.get());
    QTableView* grid = window->findChild<QTableView*>("StringGrid1");
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        EXPECT_GE(grid->columnWidth(column), column == 0 ? 80 : column == 1 ? 140 : column == 2 ? 35 : 40) << column;
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(3), QHeaderView::Interactive);
    expect_grab(window.get(), "result_window_wide_values");
}

TEST_F(ResultWindowTest, ThreeDigitOptionTakesEffectAtTheNextFill)
{
    load(ui_fixture("results.xml"));
    trigger("BQS141");
    ASSERT_EQ(grid_cell(window.get(), 1, 3), "12.35");
    trigger("three_digit_for_temperature");
    EXPECT_TRUE(checked("three_digit_for_temperature"));
    EXPECT_EQ(grid_cell(window.get(), 1, 3), "12.35");
    trigger("ExtensionFluorimeter1");
    EXPECT_EQ(grid_cell(window.get(), 1, 3), "12.346");
    // F9T follows the option too; Tdew does not.
    const std::vector<std::string> heads = headings();
    const std::vector<std::string> row = grid_row(window.get(), 1);
    for (std::size_t c = 0; c < heads.size(); ++c) {
        if (heads[c] == F9T) {
            EXPECT_EQ(row[c], "18.765");
        }
        if (heads[c] == "Tdew " + degree_c) {
            EXPECT_EQ(row[c], "7.13");
        }
    }
    trigger("three_digit_for_temperature");
    EXPECT_FALSE(checked("three_digit_for_temperature"));
}

// A checkable item toggles itself before its handler runs; the handlers must
// still leave an extension checked and a display type applied again.
TEST_F(ResultWindowTest, CheckedItemsKeepTheirMarkWhenClickedAgain)
{
    load(ui_fixture("results.xml"));
    trigger("BQS141");
    trigger("ExtensionGPS1");
    const Theadings with_gps = optional_headings();
    ASSERT_EQ(with_gps.size(), 7u);
    trigger("ExtensionGPS1");
    EXPECT_TRUE(checked("ExtensionGPS1"));
    EXPECT_EQ(optional_headings(), with_gps);

    trigger("BQS141");
    EXPECT_TRUE(checked("BQS141"));
    EXPECT_FALSE(checked("ExtensionGPS1"));
    EXPECT_EQ(optional_headings(), (Theadings{T, "RH [%]", "Tdew " + degree_c}));
    trigger("ExtensionGPS1");
    EXPECT_TRUE(checked("ExtensionGPS1"));
    EXPECT_EQ(optional_headings(), with_gps);
}

TEST_F(ResultWindowTest, ZoneOfTheDatesFollowsTheOptionAtTheNextFill)
{
    load(ui_fixture("results.xml"));
    EXPECT_EQ(grid_cell(window.get(), 1, 1), "01.07.2026 16:00:00");
    EXPECT_EQ(grid_cell(window.get(), 1, 2), "2");
    EXPECT_EQ(grid_cell(window.get(), 2, 1), "15.01.2026 15:00:00");
    EXPECT_EQ(grid_cell(window.get(), 2, 2), "1");
    set_display_option("TTIMEZONE", "-5");
    EXPECT_EQ(display_time_zone, -5);
    EXPECT_EQ(grid_cell(window.get(), 1, 1), "01.07.2026 16:00:00");
    trigger("KLVR121");
    EXPECT_EQ(grid_cell(window.get(), 1, 1), "01.07.2026 09:00:00");
    EXPECT_EQ(grid_cell(window.get(), 1, 2), "-5");
}

TEST_F(ResultWindowTest, UnreadableFileIsReportedAndKeepsTheTableItReplaced)
{
    load(ui_fixture("results.xml"));
    ASSERT_EQ(grid_rows(window.get()), 3);
    const std::string shown = table_text();
    recorded::clear_log();
    // Each is refused with the file and the reason; none is waited on or
    // shown as an empty table.
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(write_file_bytes(dir.file("setup.xml"), "<SETUP><STATIONS><STATION id=\"7\"/></STATIONS></SETUP>"));
    ASSERT_TRUE(write_file_bytes(dir.file("text.xml"), "station 7"));
    ASSERT_TRUE(write_file_bytes(dir.file("cut.xml"), "<FLASH_CONTENT><DA"));
    const struct {
        std::string path;
        std::string reason;
    } refused[] = {
        {dir.file("missing.xml"), "does not exist"},
        {dir.path(), "is a folder, not a file"},
        {fifo, "is a FIFO, not a regular file"},
        {dir.file("setup.xml"), "is XML of another kind (its root is <SETUP>)"},
        {dir.file("text.xml"), "is not XML (no element)"},
        {dir.file("cut.xml"), "is cut at byte 18"},
    };
    for (const auto& file : refused) {
        dialogs.boxes.clear();
        load(file.path);
        const std::string text = "Cannot read the measurement file " + file.path + ": it " + file.reason;
        ASSERT_EQ(dialogs.boxes.size(), 1u) << file.path;
        EXPECT_EQ(dialogs.boxes[0].text, text);
        EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
        EXPECT_TRUE(recorded::log_contains("ERROR : " + text)) << text;
        EXPECT_EQ(table_text(), shown);
    }
    // Still the records of the file: another layout shows them too.
    trigger("BQS141");
    EXPECT_EQ(grid_cell(window.get(), 1, 3), "12.35");

    // A cancelled dialog changes nothing.
    dialogs.boxes.clear();
    trigger("LoadXMLresult1");
    EXPECT_TRUE(dialogs.boxes.empty());
}

// A record's time is one value for the Timestamp, the Date and the offset; a
// time that is no 32-bit time shows as none rather than as another one.
TEST_F(ResultWindowTest, TimeColumnsShowOneValue)
{
    const std::string path = dir.file("times.xml");
    ASSERT_TRUE(write_file_bytes(path,
        "<FLASH_CONTENT><DATA>"
        "<time v=\"4102444800\"><a144 v=\"1\"/></time>"
        "<time v=\"4294967296\"><a144 v=\"2\"/></time>"
        "<time v=\"-3600\"><a144 v=\"3\"/></time>"
        "<time v=\"0\"><a144 v=\"4\"/></time>"
        "</DATA></FLASH_CONTENT>"));
    display_time_zone = 0;
    load(path);
    ASSERT_EQ(grid_rows(window.get()), 5);
    EXPECT_EQ(grid_row(window.get(), 1)[0], "4102444800");
    EXPECT_EQ(grid_row(window.get(), 1)[1], "01.01.2100 00:00:00");
    for (int row : {2, 3}) {
        const std::vector<std::string> cells = grid_row(window.get(), row);
        EXPECT_EQ(std::vector<std::string>(cells.begin(), cells.begin() + 4),
                  (std::vector<std::string>{"-", "", "", row == 2 ? "2.00" : "3.00"})) << row;
    }
    EXPECT_EQ(grid_row(window.get(), 4)[1], "01.01.1970 00:00:00");
}

// A file edited by hand: a field that is no number of its kind shows "-",
// never a part of it, a wrapped value or 0; the numbers beside it still show.
TEST_F(ResultWindowTest, FieldsThatAreNoNumberOfTheirKindShowADash)
{
    const std::string path = dir.file("edited.xml");
    ASSERT_TRUE(write_file_bytes(path,
        "<FLASH_CONTENT><DATA>"
        "<time v=\"abc\"><a144 v=\"1.2.3\"/><a163 v=\"99999999999999999999\"/><a149 v=\"4\"/></time>"
        "<time v=\"100\"><a144 v=\"1,5\"/><a163 v=\"12.5\"/><a149 v=\" -2.5e1 \"/></time>"
        "<time v=\"200\"><a144 v=\"+21.5\"/><a163 v=\"- 7\"/><a149 v=\"e5\"/></time>"
        "<time v=\"1-2\"><a144 v=\".5\"/><a163 v=\"9223372036854775807\"/><a149 v=\"5.\"/></time>"
        "<time><a144 v=\"1e\"/><a163 v=\"-12\"/><a149 v=\"\"/></time>"
        "</DATA></FLASH_CONTENT>"));
    display_time_zone = 0;
    load(path);
    const std::vector<std::string> heads = headings();
    auto column = [&](const char* heading) {
        return static_cast<int>(std::find(heads.begin(), heads.end(), heading) - heads.begin());
    };
    const int temperature = column("T [\u00B0C]");
    const int humidity = column("RH [%]");
    const int index = column("In");
    ASSERT_LT(index, static_cast<int>(heads.size()));
    const struct {
        const char* time;
        const char* temperature;
        const char* index;
        const char* humidity;
    } rows[] = {
        {"-", "-", "-", "4.00"},
        {"100", "-", "-", "-25.00"},
        {"200", "21.50", "-", "-"},
        {"-", "0.50", "9223372036854775807", "5.00"},
        {"0", "-", "-12", "-"},
    };
    ASSERT_EQ(grid_rows(window.get()), 1 + static_cast<int>(std::size(rows)));
    for (int r = 0; r < static_cast<int>(std::size(rows)); ++r) {
        SCOPED_TRACE(r);
        const std::vector<std::string> cells = grid_row(window.get(), r + 1);
        EXPECT_EQ(cells[0], rows[r].time);
        EXPECT_EQ(cells[temperature], rows[r].temperature);
        EXPECT_EQ(cells[index], rows[r].index);
        EXPECT_EQ(cells[humidity], rows[r].humidity);
    }
}

// show_result reloads the reader while the window shows it: the views must
// never ask for records that are gone (the sanitizer build checks it), and the
// standard fill clears the custom check mark.
TEST_F(ResultWindowTest, ShowResultReloadsInTheStandardLayoutWithoutABox)
{
    QAbstractItemModelTester tester(window->findChild<QTableView*>("StringGrid1")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    window->show();
    load(ui_fixture("results.xml"));
    Tdisplay_columns gps_only;
    gps_only.flags[34] = 1;
    show_result_and_wait(ui_fixture("results.xml").c_str(), &gps_only);
    EXPECT_EQ(optional_headings(), Theadings{"latitude"});
    EXPECT_EQ(grid_cell(window.get(), 1, 3), "46.5123456");
    recorded::clear_log();
    show_result_and_wait(dir.file("missing.xml").c_str());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(recorded::log_contains("ERROR : Cannot read the measurement file"));
    EXPECT_EQ(grid_rows(window.get()), 3);
    EXPECT_EQ(optional_headings(), Theadings{"latitude"});
    show_result_and_wait(ui_fixture("results.xml").c_str());
    EXPECT_EQ(headings().size(), 69u);
    EXPECT_FALSE(checked("CustomFilter1"));
}

// The file is read on a worker; until the window has taken it (its hand-over
// runs on the GUI thread), the table keeps what it showed, a second load is
// refused with a log line, and the window says that it reads.
TEST_F(ResultWindowTest, ASecondLoadWhileOneRunsIsRefused)
{
    window->show();
    load(ui_fixture("sequence.xml"));
    ASSERT_EQ(grid_rows(window.get()), 6);
    recorded::clear_log();
    dialogs.file_answers.push_back(ui_fixture("results.xml"));
    trigger("LoadXMLresult1");
    ASSERT_TRUE(window->loading());
    EXPECT_TRUE(window->findChild<QLabel*>("load_status")->isVisible());
    EXPECT_EQ(grid_rows(window.get()), 6);
    dialogs.file_answers.push_back(ui_fixture("custom.xml"));
    trigger("LoadXMLresult1");
    EXPECT_FALSE(show_result(ui_fixture("custom.xml").c_str()));
    EXPECT_TRUE(recorded::log_contains("WARNING : Load XML result: a measurement file is still being read; " +
                                       ui_fixture("custom.xml") + " is not loaded"));
    ASSERT_TRUE(wait_for_load(window.get()));
    EXPECT_FALSE(window->findChild<QLabel*>("load_status")->isVisible());
    // The first one is shown, the refused ones never come.
    EXPECT_EQ(grid_rows(window.get()), 3);
    EXPECT_EQ(grid_cell(window.get(), 1, 0), "1782914400");
    QCoreApplication::processEvents();
    EXPECT_EQ(grid_rows(window.get()), 3);
    EXPECT_TRUE(dialogs.boxes.empty());
}

// Once a load has handed its file over, the next one is taken at once,
// while the steps it replaced are still being freed.
TEST_F(ResultWindowTest, TheNextLoadIsTakenAsSoonAsTheLastIsHandedOver)
{
    window->show();
    load(ui_fixture("sequence.xml"));
    bool next_started = false;
    ASSERT_TRUE(window->startLoad(ui_fixture("results.xml"), false, [&] {
        window->fillGrid(display_columns);
        next_started = window->startLoad(ui_fixture("custom.xml"), false, [&] { window->fillGrid(display_columns); });
    }));
    ASSERT_TRUE(wait_for_load(window.get()));
    EXPECT_TRUE(next_started);
    EXPECT_FALSE(recorded::log_contains("still being read"));
    // custom.xml's steps, the first at time 0.
    EXPECT_EQ(grid_rows(window.get()), 3);
    EXPECT_EQ(grid_cell(window.get(), 1, 0), "0");
}

// Closing the window while its file is read waits for the worker: nothing
// is handed to a window that is gone, and the next window loads as usual.
TEST_F(ResultWindowTest, WindowClosedDuringALoad)
{
    window->show();
    dialogs.file_answers.push_back(ui_fixture("results.xml"));
    trigger("LoadXMLresult1");
    ASSERT_TRUE(window->loading());
    window.reset();
    EXPECT_EQ(TFaffiche::instance(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(show_result(ui_fixture("results.xml").c_str()));

    window = std::make_unique<TFaffiche>();
    load(ui_fixture("results.xml"));
    EXPECT_EQ(grid_rows(window.get()), 3);
}

TEST_F(ResultWindowTest, ExportToAFileThatCannotBeWrittenShowsTheErrorAndKeepsTheFile)
{
    load(ui_fixture("results.xml"));
    ASSERT_TRUE(write_file_bytes(dir.file("kept.txt"), "previous"));
    dialogs.file_answers.push_back(dir.file("kept.txt"));
    {
        // A disk that takes 100 bytes of the table.
        Tfile_size_limit full(100);
        ASSERT_TRUE(full.applied());
        trigger("Savetabular2");
    }
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("kept.txt"), std::string::npos);
    EXPECT_EQ(read_file_bytes(dir.file("kept.txt")), "previous");

    // A folder under the chosen name: the rename fails, no temporary is left.
    std::filesystem::create_directories(dir.file("folder/inside"));
    dialogs.file_answers.push_back(dir.file("folder"));
    trigger("Savetabular1");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder/inside")));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        files += entry.path().filename() != "folder" && entry.path().filename() != "kept.txt";
    EXPECT_EQ(files, 0) << "a temporary file is left";
    // Cancelled: nothing asked, nothing written.
    trigger("Savetabular2");
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(ResultWindowTest, EscapeOnTheGridHidesTheWindowUnlessItIsTheOnlyOne)
{
    window->show();
    QTableView* grid = window->findChild<QTableView*>("StringGrid1");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    window->setEscapeHides(false);
    QCoreApplication::sendEvent(grid, &escape);
    EXPECT_TRUE(window->isVisible());
    window->setEscapeHides(true);
    QCoreApplication::sendEvent(grid, &escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ResultWindowTest, ModelPassesTheItemModelTesterThroughLoadsAndLayouts)
{
    QAbstractItemModel* model = window->findChild<QTableView*>("StringGrid1")->model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    load(ui_fixture("results.xml"));
    trigger("KLVR11");
    trigger("ExtensionElster1");
    load(dir.file("missing.xml"));
    load(ui_fixture("results.xml"));
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->rowCount(model->index(0, 0)), 0);
}

}  // namespace
