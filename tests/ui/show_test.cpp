#include "programs/show/result_viewer.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTableView>

#include <filesystem>
#include <memory>

#include "platform/widgets/recording_dialogs.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/result_window_support.h"
#include "tests/ui/ui_application.h"
#include "tests/ui/window_grab.h"
#include "platform/widgets/program_start.h"

namespace {

// calyxo_show's forms in a working folder of their own, the log reaching the
// result window's text area as the program's log sink does.
class ResultViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensure_ui_application();
        display_columns.setAll(0);
        display_time_zone = display_time_zone_at_start;
        previous_dir = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        recorded::set_log_forward(&result_memo_append);
        viewer = std::make_unique<Tresult_viewer>();
    }
    void TearDown() override
    {
        viewer.reset();
        recorded::set_log_forward(nullptr);
        std::filesystem::current_path(previous_dir);
        display_columns.setAll(0);
    }
    std::string memo()
    {
        return viewer->resultWindow().findChild<QPlainTextEdit*>("Memo1")->toPlainText().toStdString();
    }

    Ttemp_dir dir;
    Trecording_dialogs dialogs;
    std::filesystem::path previous_dir;
    std::unique_ptr<Tresult_viewer> viewer;
};

TEST_F(ResultViewer, StartsWithoutSetupFileInTheDefaultFolderWithEverythingOn)
{
    EXPECT_EQ(display_time_zone, 101);
    viewer->start();
    EXPECT_NE(memo().find("ERROR : unable to read \"setup.xml\" file correctly"), std::string::npos) << memo();
    TFaffiche& window = viewer->resultWindow();
    EXPECT_EQ(window.OpenDialog1.initial_path, viewer->setup().getPath("PATH_DATA_XML"));
    EXPECT_EQ(window.SaveDialog1.initial_path, window.OpenDialog1.initial_path);
    EXPECT_TRUE(find_action(&window, "Converttoppb1")->isEnabled());
    EXPECT_EQ(display_columns.countColumns(), 66);
    EXPECT_TRUE(find_action(&window, "KLVRVEXL1")->isChecked());
    EXPECT_EQ(window.windowTitle().toStdString(), "Calyxo Show / 480315_j03 ");
}

TEST_F(ResultViewer, OpensFilesFromTheSetupsDataFolderIntoTheTable)
{
    std::filesystem::create_directories(dir.file("measures"));
    ASSERT_TRUE(write_file_bytes(dir.file("setup.xml"),
                                 "<SETUP><PATH_DATA_XML path=\"" + dir.file("measures") + "\"/></SETUP>"));
    viewer->start();
    TFaffiche& window = viewer->resultWindow();
    EXPECT_EQ(window.OpenDialog1.initial_path, dir.file("measures"));
    EXPECT_EQ(window.SaveDialog1.initial_path, dir.file("measures"));

    window.show();
    dialogs.file_answers.push_back(ui_fixture("results.xml"));
    find_action(&window, "LoadXMLresult1")->trigger();
    ASSERT_TRUE(wait_for_load(&window));
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].initial_path, dir.file("measures"));
    EXPECT_EQ(grid_rows(&window), 3);
    EXPECT_EQ(grid_row(&window, 0).size(), 69u);
    EXPECT_EQ(grid_cell(&window, 1, 0), "1782914400");
    expect_grab(&window, "calyxo_show");

    // The ppb conversion opens beside it on the same records.
    find_action(&window, "Converttoppb1")->trigger();
    EXPECT_TRUE(viewer->ppbView().isVisible());
    EXPECT_EQ(grid_rows(&viewer->ppbView()), 3);

    // Escape on the grid leaves the only window shown.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window.findChild<QTableView*>("StringGrid1"), &escape);
    EXPECT_TRUE(window.isVisible());
}

// What the platform window hands the window manager: once a display name is
// set, Qt appends " \u2014 " and the name to a caption that does not end with it.
std::string caption_for_window_manager(const QWidget& form)
{
    const QString title = form.windowTitle();
    const QString name = QGuiApplication::applicationDisplayName();
    return (title.endsWith(name) ? title : title + QString::fromUtf8(" \u2014 ") + name).toStdString();
}

TEST_F(ResultViewer, CaptionsReachTheWindowManagerWithNothingAppended)
{
    name_program(result_viewer_title);
    EXPECT_EQ(QGuiApplication::applicationName().toStdString(), "Calyxo Show");
    EXPECT_EQ(caption_for_window_manager(viewer->resultWindow()), "Calyxo Show / 480315_j03 ");
    EXPECT_EQ(caption_for_window_manager(viewer->ppbView()), "ppb conversion");
    EXPECT_EQ(caption_for_window_manager(viewer->timeZoneDialog()), "Settings");
}

}  // namespace
