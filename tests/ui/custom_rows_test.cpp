// The custom layout's rows made off the GUI thread: by the load's job, and
// handed to the custom model before the window fills; the cells and the
// column widths are those of rows read on the GUI thread.
#include <gtest/gtest.h>

#include <QTableView>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/xml_parser.h"
#include "tests/support/recording_program.h"
#include "tests/ui/result_window_support.h"
#include "ui/custom_filter_model.h"

namespace {

const char filter_text[] =
    "<FILTER type=\"match\">"
    "<COLUMN name=\"Uranine\" unit=\"ppb\" element=\"a145\" attribute=\"v\" c1=\"1000\"/>"
    "<COLUMN name=\"Day\" unit=\"d\" element=\"TimeStamp\" time_zone=\"3600\"/>"
    "<COLUMN name=\"Raw\" element=\"a201\" attribute=\"hexa\"/>"
    "</FILTER>";

// The table of custom.xml under that filter at zone 101.
const char expected_table[] =
    "Timestamp;Timestamp;Uranine;Day;Raw;\r\n"
    "ISO;UNIX;ppb;d;;\r\n"
    "1970-01-01T01:00:00+1:00;0;1500.000000;25569.041667;0A0B0C;\r\n"
    "2026-07-01T16:00:00+2:00;1782914400;-250.000000;46204.625000;-;\r\n";

class CustomRows : public ResultWindowTest {
protected:
    void useFilter()
    {
        const std::string path = dir.file("filter.xml");
        ASSERT_TRUE(write_file_bytes(path, filter_text));
        dialogs.file_answers.push_back(path);
        trigger("CustomFilter1");
        ASSERT_TRUE(checked("CustomFilter1"));
    }
    std::vector<int> widths()
    {
        QTableView* grid = window->findChild<QTableView*>("StringGrid1");
        std::vector<int> all;
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            all.push_back(grid->columnWidth(column));
        return all;
    }
};

}  // namespace

// A load in the custom layout hands the job's rows to the model before the
// fill runs; cells and widths are those the filter gave when it was applied.
TEST_F(CustomRows, TheLoadsJobMakesTheRowsBeforeTheFill)
{
    const std::string file = dir.file("custom.xml");
    ASSERT_TRUE(write_file_bytes(file, read_file_bytes(ui_fixture("custom.xml"))));
    load(file);
    useFilter();
    ASSERT_EQ(table_text(), expected_table);
    const std::vector<int> applied_widths = widths();

    int rows_at_fill = -1;
    ASSERT_TRUE(window->startLoad(file, false, [&] {
        rows_at_fill = grid_rows(window.get());
        window->fillCustomGrid();
    }));
    ASSERT_TRUE(wait_for_load(window.get()));
    EXPECT_EQ(rows_at_fill, 4);
    EXPECT_EQ(table_text(), expected_table);
    EXPECT_EQ(widths(), applied_widths);

    // A change of zone shows the rows in hand: the file is not read again.
    ASSERT_EQ(std::remove(file.c_str()), 0);
    recorded::clear_log();
    display_time_zone = 0;
    window->fillCustomGrid();
    EXPECT_FALSE(recorded::log_contains("ERROR : Custom filter"));
    EXPECT_EQ(grid_cell(window.get(), 2, 2), "1500.000000");
    EXPECT_EQ(grid_cell(window.get(), 3, 0), "2026-07-01T14:00:00+0:00");
}

// Rows made on a thread of their own show the same table as a GUI-thread read.
TEST_F(CustomRows, RowsMadeOnAnotherThreadShowTheSameTable)
{
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(ui_fixture("custom.xml").c_str()), 0);
    reader.loadFilter([&] {
        const std::string path = dir.file("filter.xml");
        EXPECT_TRUE(write_file_bytes(path, filter_text));
        return path;
    }().c_str());
    Tcolumn_filter filter;
    std::string error;
    ASSERT_TRUE(read_column_filter(reader.getFilterRoot(), &filter, &error)) << error;
    std::unique_ptr<Tcustom_rows> rows;
    std::thread worker([&] { rows = std::make_unique<Tcustom_rows>(filter, reader.timeIndex()); });
    worker.join();
    ASSERT_TRUE(rows->error().empty()) << rows->error();
    EXPECT_EQ(rows->records(), 2);
    Tcustom_filter_model model;
    model.showRows(std::move(*rows), 101);
    EXPECT_EQ(model.tableText(), expected_table);
}
