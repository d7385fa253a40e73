#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTableView>
#include <QTimer>
#include <QPushButton>
#include <QComboBox>
#include <QPlainTextEdit>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/widgets/log_memo.h"
#include "tests/support/recording_program.h"
#include "tests/ui/result_window_support.h"
#include "tests/ui/window_grab.h"
#include "ui/display_options.h"

namespace {

using Trow = std::vector<std::string>;

const char match_filter[] =
    "<FILTER type=\"Match\">"
    "<COLUMN name=\"Uranine\" unit=\"ppb\" element=\"a145\" attribute=\"v\" c1=\"1000\"/>"
    "<COLUMN name=\"Day\" unit=\"d\" element=\"TimeStamp\" time_zone=\"3600\"/>"
    "<COLUMN name=\"Ch2\" unit=\"#\" element=\"a195\" attribute=\"v\">"
    "<FIELD_FILTER field=\"channel_id\" value=\"2\"/><NOTE/><FIELD_FILTER field=\"mode_id\" value=\"27\"/></COLUMN>"
    "<COLUMN name=\"Raw\" element=\"a201\" attribute=\"hexa\"/>"
    "<OTHER name=\"skipped\"/>"
    "<COLUMN name=\"None\" element=\"a199\" attribute=\"v\"/>"
    "<COLUMN name=\"Offset\" element=\"a145\" attribute=\"v\" c0=\"0.5\" c1=\"\"/>"
    "</FILTER>";

const char sequential_filter[] =
    "<COLUMNS>"
    "<COLUMN name=\"A\" unit=\"mV\" element=\"a145\" attribute=\"v\"/>"
    "<COLUMN name=\"B\" unit=\"mV\" element=\"a146\" attribute=\"v\"/>"
    "<COLUMN name=\"C\" unit=\"mV\" element=\"a147\" attribute=\"v\"/>"
    "</COLUMNS>";

class CustomFilter : public ResultWindowTest {
protected:
    // Loads a filter through "Custom Filter...".
    void useFilter(const std::string& name, const std::string& text)
    {
        const std::string path = dir.file(name);
        ASSERT_TRUE(write_file_bytes(path, text));
        dialogs.file_answers.push_back(path);
        trigger("CustomFilter1");
    }
    // "Time zone..." answered with zone and saved.
    void chooseTimeZone(const char* zone)
    {
        QTimer::singleShot(0, [zone] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            QComboBox* list = dialog->findChild<QComboBox*>("cb_ttimezone");
            list->setCurrentIndex(list->findText(zone));
            dialog->findChild<QPushButton*>("bt_save")->click();
        });
        trigger("Timezone2");
    }
    Trow row(int r) { return grid_row(window.get(), r); }
};

TEST_F(CustomFilter, MatchModePicksElementsByNameAndFieldFilters)
{
    load(ui_fixture("custom.xml"));
    recorded::clear_log();
    useFilter("match.xml", match_filter);
    EXPECT_EQ(dialogs.file_dialogs.back().filter, "XML files (*.xml)|*.xml|All files (*.*)|*.*");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(recorded::log_contains("<COLUMN name=\"Uranine\""));
    EXPECT_TRUE(checked("CustomFilter1"));
    for (const Tdisplay_choice& choice : display_type_items)
        EXPECT_FALSE(checked(choice.object_name)) << choice.object_name;

    ASSERT_EQ(grid_rows(window.get()), 4);
    EXPECT_EQ(row(0), (Trow{"Timestamp", "Timestamp", "Uranine", "Day", "Ch2", "Raw", "None", "Offset"}));
    EXPECT_EQ(row(1), (Trow{"ISO", "UNIX", "ppb", "d", "#", "", "", ""}));
    EXPECT_EQ(row(2), (Trow{"1970-01-01T01:00:00+1:00", "0", "1500.000000", "25569.041667", "22", "0A0B0C", "-",
                            "2.000000"}));
    EXPECT_EQ(row(3), (Trow{"2026-07-01T16:00:00+2:00", "1782914400", "-250.000000", "46204.625000", "33", "-", "-",
                            "0.250000"}));
    EXPECT_EQ(table_text(),
              "Timestamp;Timestamp;Uranine;Day;Ch2;Raw;None;Offset;\r\n"
              "ISO;UNIX;ppb;d;#;;;;\r\n"
              "1970-01-01T01:00:00+1:00;0;1500.000000;25569.041667;22;0A0B0C;-;2.000000;\r\n"
              "2026-07-01T16:00:00+2:00;1782914400;-250.000000;46204.625000;33;-;-;0.250000;\r\n");
    expect_grab(window.get(), "result_window_custom_filter");
}

TEST_F(CustomFilter, SequentialModeTakesTheChildrenInTurn)
{
    load(ui_fixture("sequence.xml"));
    useFilter("sequence_filter.xml", sequential_filter);
    ASSERT_EQ(grid_rows(window.get()), 7);
    EXPECT_EQ(row(0), (Trow{"Timestamp", "Timestamp", "A", "B", "C"}));
    EXPECT_EQ(row(1), (Trow{"ISO", "UNIX", "mV", "mV", "mV"}));
    auto values = [&](int r) {
        const Trow cells = row(r);
        return Trow(cells.begin() + 2, cells.end());
    };
    EXPECT_EQ(values(2), (Trow{"1", "2", "3"}));
    // A missing child leaves its column "-" and the next ones still fill.
    EXPECT_EQ(values(3), (Trow{"4", "-", "6"}));
    // A repeated child names no remaining column: the row ends there.
    EXPECT_EQ(values(4), (Trow{"7", "-", "-"}));
    // A child that no column names ends the row at once; so does an empty step.
    EXPECT_EQ(values(5), (Trow{"-", "-", "-"}));
    EXPECT_EQ(values(6), (Trow{"-", "-", "-"}));
    // Asked for out of order, each row still gives its own cells.
    EXPECT_EQ(grid_cell(window.get(), 3, 4), "6");
    EXPECT_EQ(grid_cell(window.get(), 2, 3), "2");
}

TEST_F(CustomFilter, LoadsAndTheZoneRefillTheCustomLayoutWhileItIsChecked)
{
    load(ui_fixture("custom.xml"));
    useFilter("match.xml", match_filter);
    load(ui_fixture("sequence.xml"));
    ASSERT_EQ(grid_rows(window.get()), 7);
    EXPECT_EQ(grid_cell(window.get(), 2, 2), "1000.000000");
    EXPECT_EQ(grid_cell(window.get(), 2, 4), "-");
    // show_result always fills the standard layout: the check mark follows.
    show_result_and_wait(ui_fixture("results.xml").c_str());
    EXPECT_FALSE(checked("CustomFilter1"));
    EXPECT_EQ(headings().size(), 69u);
    load(ui_fixture("custom.xml"));
    EXPECT_EQ(headings().size(), 69u);
}

// A filter that cannot be read, or whose scaling is no number, leaves the
// layout and the check marks as they were, and says why.
TEST_F(CustomFilter, UnusableFiltersAreRefusedAndTheLayoutStays)
{
    load(ui_fixture("custom.xml"));
    trigger("BQS141");
    recorded::clear_log();
    useFilter("broken.xml", "<FILTER><COLUMN name=\"x\"></FILTER>");
    EXPECT_FALSE(checked("CustomFilter1"));
    EXPECT_TRUE(checked("BQS141"));
    EXPECT_TRUE(recorded::log_contains("ERROR : Custom filter"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(optional_headings(), (Trow{"T [\u00B0C]", "RH [%]", "Tdew [\u00B0C]"}));
    // A later load still fills the standard layout.
    load(ui_fixture("sequence.xml"));
    EXPECT_EQ(grid_rows(window.get()), 6);
    EXPECT_EQ(headings().size(), 6u);

    for (const char* scale : {"c0=\"abc\"", "c1=\"1,5\"", "c1=\"1.2.3\"", "c0=\"1-2\"", "time_zone=\"3600s\"",
                              "time_zone=\"99999999999\""}) {
        dialogs.boxes.clear();
        useFilter("scale.xml", std::string("<FILTER type=\"match\"><COLUMN name=\"ok\" element=\"a145\"/>"
                                           "<COLUMN name=\"Scaled\" element=\"a145\" attribute=\"v\" ") +
                                   scale + "/></FILTER>");
        ASSERT_EQ(dialogs.boxes.size(), 1u) << scale;
        std::string named = scale;  // c1="1,5" is named as c1 "1,5"
        named.replace(named.find('='), 1, " ");
        EXPECT_NE(dialogs.boxes[0].text.find("column 2 \"Scaled\": " + named + " is no number"), std::string::npos)
            << dialogs.boxes[0].text;
        EXPECT_FALSE(checked("CustomFilter1"));
        EXPECT_EQ(headings().size(), 6u);
    }

    // XML of another kind, or no XML, is refused with the file and the reason.
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string reason;
    } refused[] = {
        {ui_fixture("custom.xml"), "refused, no COLUMN element: XML of another kind (its root is <FLASH_CONTENT>)"},
        {dir.file("missing.xml"), "cannot read the file: it does not exist"},
        {fifo, "cannot read the file: it is a FIFO, not a regular file"},
    };
    const std::string setup = dir.file("setup.xml");
    ASSERT_TRUE(write_file_bytes(setup, "<SETUP><STATIONS><STATION id=\"1\"/></STATIONS></SETUP>"));
    dialogs.boxes.clear();
    dialogs.file_answers.push_back(setup);
    trigger("CustomFilter1");
    for (const auto& file : refused) {
        dialogs.file_answers.push_back(file.path);
        trigger("CustomFilter1");
    }
    ASSERT_EQ(dialogs.boxes.size(), 1 + std::size(refused));
    EXPECT_EQ(dialogs.boxes[0].text, "Custom filter " + setup +
                                         ": refused, no COLUMN element: XML of another kind (its root is <SETUP>)"
                                         "; the table keeps its layout");
    for (std::size_t i = 0; i < std::size(refused); ++i)
        EXPECT_EQ(dialogs.boxes[1 + i].text,
                  "Custom filter " + refused[i].path + ": " + refused[i].reason + "; the table keeps its layout");
    EXPECT_FALSE(checked("CustomFilter1"));
    EXPECT_EQ(headings().size(), 6u);

    // A cancelled dialog changes nothing, not even the item's check mark.
    trigger("CustomFilter1");
    EXPECT_FALSE(checked("CustomFilter1"));
    useFilter("sequence_filter.xml", sequential_filter);
    ASSERT_TRUE(checked("CustomFilter1"));
    trigger("CustomFilter1");
    EXPECT_TRUE(checked("CustomFilter1"));
    // A display type ends the custom layout.
    trigger("KLVR121");
    EXPECT_FALSE(checked("CustomFilter1"));
}

namespace {

TFaffiche* log_window = nullptr;

void log_into_window(const char* line)
{
    if (log_window)
        log_window->appendLog(line);
}

}  // namespace

// The filter's elements reach the window's log as in calyxo_show: a value of
// megabytes is one cut line there (laying it out whole took minutes), and the
// filter is used as usual.
TEST_F(CustomFilter, TenMebibyteAttributeIsLoggedCutAndTheFilterUsed)
{
    load(ui_fixture("custom.xml"));
    log_window = window.get();
    recorded::set_log_forward(&log_into_window);
    const std::string huge(10u << 20, 'n');
    useFilter("huge.xml", "<FILTER type=\"match\"><COLUMN name=\"Uranine\" note=\"" + huge +
                              "\" element=\"a145\" attribute=\"v\"/></FILTER>");
    recorded::set_log_forward(nullptr);
    log_window = nullptr;

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(checked("CustomFilter1"));
    EXPECT_EQ(row(0), (Trow{"Timestamp", "Timestamp", "Uranine"}));
    QPlainTextEdit* memo = window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    ASSERT_NE(memo, nullptr);
    const std::string log = memo->toPlainText().toStdString();
    EXPECT_LT(log.size(), 3 * log_window_line_bytes);
    const std::string shown_start = "    <COLUMN name=\"Uranine\"\n";
    EXPECT_NE(log.find(shown_start), std::string::npos) << log.substr(0, 300);
    EXPECT_NE(log.find("nnnn [... "), std::string::npos);
    EXPECT_NE(log.find(" more bytes not shown]\n</FILTER>"), std::string::npos)
        << log.substr(log.size() > 300 ? log.size() - 300 : 0);
    expect_grab(window.get(), "result_window_long_filter_value");
}

// A measurement file edited by hand: a cell whose text is no number of its
// kind shows "-" where the column computes with it, the text where it shows it.
TEST_F(CustomFilter, FieldsThatAreNoNumberShowADash)
{
    const std::string path = dir.file("edited.xml");
    ASSERT_TRUE(write_file_bytes(path, "<FLASH_CONTENT><DATA>"
                                       "<time v=\"abc\"><a145 v=\"1.2.3\"/></time>"
                                       "<time v=\"3600\"><a145 v=\"2.5\"/></time>"
                                       "<time v=\"-1\"><a145 v=\"1e\"/></time>"
                                       "</DATA></FLASH_CONTENT>"));
    display_time_zone = 0;
    load(path);
    useFilter("filter.xml", "<FILTER type=\"match\">"
                            "<COLUMN name=\"Scaled\" element=\"a145\" attribute=\"v\" c1=\"2\"/>"
                            "<COLUMN name=\"Text\" element=\"a145\" attribute=\"v\"/>"
                            "<COLUMN name=\"Day\" element=\"timestamp\"/>"
                            "</FILTER>");
    ASSERT_TRUE(dialogs.boxes.empty());
    ASSERT_EQ(grid_rows(window.get()), 5);
    EXPECT_EQ(row(2), (Trow{"-", "abc", "-", "1.2.3", "-"}));
    EXPECT_EQ(row(3), (Trow{"1970-01-01T01:00:00+0:00", "3600", "5.000000", "2.5", "25569.041667"}));
    EXPECT_EQ(row(4), (Trow{"-", "-1", "-", "1e", "-"}));
}

// The filter reads its cells from the file when it is applied: of a file cut
// inside its second step it shows the first; a file gone or changed since the
// load refuses the filter with a box, and the table stays as it was.
TEST_F(CustomFilter, FilterReadsTheFileWhenItIsApplied)
{
    const std::string whole = read_file_bytes(ui_fixture("custom.xml"));
    const std::string cut = dir.file("cut.xml");
    ASSERT_TRUE(write_file_bytes(cut, whole.substr(0, whole.find("<a145 v=\"-0.25\"") + 5)));
    recorded::clear_log();
    load(cut);
    EXPECT_TRUE(recorded::log_contains("WARNING : measurement file " + cut + " is cut at byte"));
    EXPECT_TRUE(dialogs.boxes.empty());
    useFilter("match.xml", match_filter);
    ASSERT_EQ(grid_rows(window.get()), 3);
    EXPECT_EQ(row(2), (Trow{"1970-01-01T01:00:00+1:00", "0", "1500.000000", "25569.041667", "22", "0A0B0C", "-",
                            "2.000000"}));
    useFilter("sequence_filter.xml", sequential_filter);
    EXPECT_EQ(row(2), (Trow{"1970-01-01T01:00:00+1:00", "0", "1.5", "-", "-"}));

    const std::string changed = dir.file("changed.xml");
    ASSERT_TRUE(write_file_bytes(changed, whole));
    load(changed);
    ASSERT_EQ(grid_rows(window.get()), 4);
    const std::string shown = table_text();
    ASSERT_TRUE(write_file_bytes(changed, whole + "\r\n"));
    const struct {
        const char* what;
        std::string reason;
    } refusals[] = {
        {"changed", "has changed since it was read"},
        {"gone", "does not exist"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        if (refusal.reason == "does not exist") {
            ASSERT_EQ(std::remove(changed.c_str()), 0);
        }
        recorded::clear_log();
        dialogs.boxes.clear();
        useFilter("match.xml", match_filter);
        const std::string text = "Custom filter: cannot read the measurement file " + changed + " again: it " +
                                 refusal.reason + "; the table keeps its layout";
        EXPECT_TRUE(recorded::log_contains("ERROR : " + text));
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, text);
        EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
        // The sequential layout stays, with its cells, for the eye and for "Save tabular".
        EXPECT_TRUE(checked("CustomFilter1"));
        EXPECT_EQ(table_text(), shown);
    }
    // A refill for another time zone needs no second reading of the file
    // that is gone: the rows held are shown with the new zone's dates.
    dialogs.boxes.clear();
    chooseTimeZone("UTC-3");
    EXPECT_TRUE(dialogs.boxes.empty());
    ASSERT_EQ(grid_rows(window.get()), 4);
    EXPECT_EQ(grid_cell(window.get(), 3, 0), "2026-07-01T11:00:00-3:00");
}

TEST_F(CustomFilter, TimeZoneDialogRefillsTheCustomLayout)
{
    load(ui_fixture("custom.xml"));
    useFilter("match.xml", match_filter);
    chooseTimeZone("UTC-3");
    EXPECT_EQ(display_time_zone, -3);
    EXPECT_TRUE(checked("CustomFilter1"));
    EXPECT_EQ(grid_cell(window.get(), 3, 0), "2026-07-01T11:00:00-3:00");
}

TEST_F(CustomFilter, ModelPassesTheItemModelTester)
{
    load(ui_fixture("custom.xml"));
    useFilter("match.xml", match_filter);
    QAbstractItemModelTester tester(window->findChild<QTableView*>("StringGrid1")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    load(ui_fixture("sequence.xml"));
    const int rows = grid_rows(window.get());
    load(dir.file("missing.xml"));
    EXPECT_EQ(grid_rows(window.get()), rows);
    expect_texts_fit_their_columns(window.get());
    useFilter("sequence_filter.xml", sequential_filter);
    load(ui_fixture("sequence.xml"));
    EXPECT_EQ(grid_rows(window.get()), 7);
}

}  // namespace
