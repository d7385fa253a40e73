// The pending and progress windows, the splash's one tick, the about box and
// the text window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <string>

#include "base/event.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "platform/manual_signal_window.h"
#include "programs/basic/wabout.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wpending.h"
#include "programs/basic/wprogress.h"
#include "programs/basic/wsplash.h"
#include "programs/basic/wtext.h"
#include "tests/basic/basic_test_support.h"

namespace {

class SmallWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }
    void SetUp() override
    {
        event_queue_attach(&pump);
        pump.pumpAll();
    }
    void TearDown() override
    {
        event_remove_resource(&master);
        event_queue_detach();
    }

    Tmanual_signal_window pump;
    Tcalyxo_master master;
};

TEST_F(SmallWindows, PendingWindowCountsMinutesAndSecondsWhileShown)
{
    TFpending pending(master);
    EXPECT_EQ(pending.windowTitle().toStdString(), "Pending operation.....");
    EXPECT_EQ(child_of<QLabel>(&pending, "Label1")->text().toStdString(),
              "Please wait a while making acquisitions this can be long (> 1 min)");
    auto* time = child_of<QLabel>(&pending, "lb_time");
    pending.pending_tick();
    EXPECT_EQ(pending.elapsed(), 0);
    pending.pending_show();
    EXPECT_EQ(time->text().toStdString(), "00:00");
    for (int i = 0; i < 75; ++i)
        pending.pending_tick();
    EXPECT_EQ(time->text().toStdString(), "01:15");
    for (int i = 75; i < 6000; ++i)
        pending.pending_tick();
    EXPECT_EQ(time->text().toStdString(), "100:00");
    save_grab(&pending, "basic_pending_long");
    pending.pending_hide();
    pending.pending_tick();
    EXPECT_EQ(pending.elapsed(), 6000);
    pending.pending_show();
    EXPECT_EQ(time->text().toStdString(), "00:00");

    // Cancel hides the window and stops the master.
    child_of<QPushButton>(&pending, "Button1")->click();
    EXPECT_FALSE(pending.isVisible());
    EXPECT_EQ(master.STOP.pending.load(), 1);
}

TEST_F(SmallWindows, ProgressCancelStopsTheMasterAndLeavesTheWindow)
{
    TFprogress progress(master);
    EXPECT_EQ(progress.windowTitle().toStdString(), "Transfer progress monitor");
    auto* gauge = child_of<QProgressBar>(&progress, "progress_gauge");
    EXPECT_EQ(gauge->value(), 0);
    progress.progress_show();
    // The gauge repaints without running the loop: nothing queued is handled
    // inside the sender's call.
    bool handled = false;
    QTimer::singleShot(0, [&handled] { handled = true; });
    for (int percent : {0, 10, 55, 100}) {
        progress.progress_set_percent(percent);
        EXPECT_EQ(gauge->value(), percent);
    }
    EXPECT_FALSE(handled);
    ASSERT_TRUE(loop_until([&handled] { return handled; }));
    progress.progress_set_percent(140);
    EXPECT_EQ(gauge->value(), 100);
    progress.progress_set_percent(-3);
    EXPECT_EQ(gauge->value(), 0);
    child_of<QPushButton>(&progress, "Button1")->click();
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(master.STOP.pending.load(), 1);
    progress.progress_hide();
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(SmallWindows, SplashTicksOnceShowingTheMainWindowAndStartingTheConnection)
{
    Tmodule_resource module;
    master.module = &module;
    TFmain main(master);
    TFsplash splash(main, master);
    auto* timer = child_of<QTimer>(&splash, "Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 10);
    EXPECT_FALSE(main.isVisible());
    splash.Timer1Timer();
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(master.START_CONNECT.pending.load(), 1);
    event_remove_resource(&master);
    master.module = nullptr;
}

TEST_F(SmallWindows, AboutBoxHidesOnOkAndTextWindowKeepsTheLastText)
{
    TFabout about;
    EXPECT_EQ(about.windowTitle().toStdString(), "About us");
    EXPECT_EQ(child_of<QLabel>(&about, "Label1")->text().toStdString(), "Visit us at");
    EXPECT_FALSE(child_of<QLabel>(&about, "Label2")->text().isEmpty());
    // The compiler's date and time: "Mmm dd yyyy", "hh:mm:ss".
    EXPECT_EQ(child_of<QLabel>(&about, "lb_date")->text().size(), 11);
    EXPECT_EQ(child_of<QLabel>(&about, "lb_time")->text().size(), 8);
    about.show_about();
    EXPECT_TRUE(about.isVisible());
    save_grab(&about, "basic_about");
    child_of<QPushButton>(&about, "Button1")->click();
    EXPECT_FALSE(about.isVisible());
    about.show_about();
    EXPECT_TRUE(about.isVisible());
    about.hide();

    TFtext text;
    EXPECT_EQ(text.windowTitle().toStdString(), "Ftext");
    auto* edit = child_of<QTextEdit>(&text, "RichEdit1");
    text.show_text_window();
    EXPECT_TRUE(edit->toPlainText().isEmpty());
    text.set_text_window("<STATION id=\"812\">\n</STATION>");
    EXPECT_EQ(edit->toPlainText().toStdString(), "<STATION id=\"812\">\n</STATION>");
    text.set_text_window("second");
    EXPECT_EQ(edit->toPlainText().toStdString(), "second");
    save_grab(&text, "basic_text_window");
    text.set_text_window(nullptr);
    EXPECT_TRUE(edit->toPlainText().isEmpty());
}

}  // namespace
