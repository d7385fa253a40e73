#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QTableView>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/signal_form.h"
#include "platform/widgets/recording_dialogs.h"
#include "tests/ui/ui_application.h"
#include "tests/support/temp_dir.h"
#include "ui/display_columns.h"
#include "ui/faffiche.h"

// A fixture file of tests/ui/fixtures.
std::string ui_fixture(const std::string& name);

// The cells of a grid as the view shows them: row 0 the headings.
std::vector<std::string> grid_row(QWidget* window, int row);
int grid_rows(QWidget* window);
std::string grid_cell(QWidget* window, int row, int column);
QAction* find_action(QWidget* window, const char* name);
// Every heading and every cell of the window's grid fits its column whole in
// the fonts the grid draws with, and no text is elided.
void expect_texts_fit_their_columns(QWidget* window);
// Runs the GUI thread's events until the window has taken the file it reads
// (its fill done); false when that took longer than a test may wait.
bool wait_for_load(TFaffiche* window);
// show_result, waited for.
void show_result_and_wait(const char* path, const Tdisplay_columns* set = nullptr);

// A result window as the programs set it up at start (every column on, zone
// 101), every box and file dialog answered by the recording handler.
class ResultWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void trigger(const char* action) { find_action(window.get(), action)->trigger(); }
    bool checked(const char* action) { return find_action(window.get(), action)->isChecked(); }
    // "Load XML result..." on the file, waited for.
    void load(const std::string& path);
    std::vector<std::string> headings() { return grid_row(window.get(), 0); }
    std::vector<std::string> optional_headings();
    std::string table_text();

    Ttemp_dir dir;
    Trecording_dialogs dialogs;
    // The file reads end in a posted event, which this delivers.
    TSignalForm signals_form;
    std::unique_ptr<TFaffiche> window;
};
