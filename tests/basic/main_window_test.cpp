// The main window's frame: caption and pages, the link and access panels
// through the master's states, the busy indicator, the station number, the
// log text with "Copy" and "Clear Log", the time-zone lists and date fields,
// and closing while an operation runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QStatusTipEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/event.h"
#include "base/log.h"
#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "platform/manual_signal_window.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/window_style.h"
#include "programs/basic/wmain.h"
#include "tests/base/time_test_support.h"
#include "tests/basic/basic_test_support.h"
#include "tests/support/recording_program.h"

namespace {

std::string colour(const QWidget* widget)
{
    return background_of(widget).name().toStdString();
}

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }

    void SetUp() override
    {
        module_view = Tmodule_view();
        event_queue_attach(&pump);
        pump.pumpAll();
        recorded::clear_log();
        // The ticks are driven by hand.
        child_of<QTimer>(&window, "Timer1")->stop();
        child_of<QTimer>(&window, "Timer2")->stop();
    }
    void TearDown() override
    {
        pump.pumpAll();
        event_queue_detach();
        recorded::set_log_forward(nullptr);
    }

    void startUp()
    {
        window.menusAndPages();
        window.startPanels();
        window.initialPanels();
    }
    void setLink(uint8_t state)
    {
        master.link_state = state;
        window.show_connection_state();
    }
    // The two colours of four ticks of blinking, which must alternate.
    std::set<std::string> alternation(const QWidget* panel)
    {
        std::vector<std::string> seen;
        for (int tick = 0; tick < 4; ++tick) {
            window.OnTimer2Hz();
            seen.push_back(colour(panel));
        }
        EXPECT_NE(seen[0], seen[1]);
        EXPECT_EQ(seen[0], seen[2]);
        EXPECT_EQ(seen[1], seen[3]);
        return {seen.begin(), seen.end()};
    }
    // The enabled state of connect, disconnect and abort (buttons and menu items).
    std::vector<bool> controls()
    {
        return {child_of<QPushButton>(&window, "bt_com_connect")->isEnabled(),
                child_of<QAction>(&window, "Connect1")->isEnabled(),
                child_of<QPushButton>(&window, "bt_com_disconnect")->isEnabled(),
                child_of<QAction>(&window, "Disconnect1")->isEnabled(),
                child_of<QAction>(&window, "Abortconnection1")->isEnabled()};
    }

    Tmanual_signal_window pump;
    Trecording_dialogs dialogs;
    Tcalyxo_master master;
    TFmain window{master};
};

TEST_F(MainWindow, StartsWithItsCaptionPagesAndPanels)
{
    startUp();
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), "Calyxo Basic / 480315_j03 ");
    auto* pages = child_of<QTabWidget>(&window, "PageControl1");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"TB_sysstatus", "System Status"},   {"ts_sys_config", "System Configuration"},
        {"ts_acq", "Acquisitions"},          {"ts_health", "Probes Health"},
        {"ts_com_config", "COM configuration"},
    };
    ASSERT_EQ(pages->count(), 5);
    for (int i = 0; i < pages->count(); ++i) {
        EXPECT_EQ(pages->widget(i)->objectName().toStdString(), expected[i].first);
        EXPECT_EQ(pages->tabText(i).toStdString(), expected[i].second);
    }
    EXPECT_EQ(pages->currentWidget()->objectName().toStdString(), "TB_sysstatus");
    EXPECT_EQ(child_of<QLabel>(&window, "lb_station_id")->text().toStdString(), "---");
    EXPECT_EQ(child_of<QLabel>(&window, "pl_operation")->text().toStdString(), "---");
    EXPECT_EQ(child_of<QLabel>(&window, "pl_com_status")->text().toStdString(), "Disconnected");
    EXPECT_EQ(child_of<QLabel>(&window, "pl_com_port")->text().toStdString(), "---");
    EXPECT_EQ(child_of<QLabel>(&window, "pl_com_mode")->text().toStdString(), "---");
    EXPECT_EQ(child_of<QLabel>(&window, "pl_authentication_status")->text().toStdString(), "free");
    EXPECT_EQ(child_of<QStatusBar>(&window, "StatusBar1")->currentMessage().toStdString(), "Ready");
    EXPECT_TRUE(child_of<QPlainTextEdit>(&window, "Memo1")->isReadOnly());
    EXPECT_EQ(child_of<QTimer>(&window, "Timer1")->interval(), 1000);
    EXPECT_EQ(child_of<QTimer>(&window, "Timer2")->interval(), 500);
    // Only img_off of the modem pictures shows.
    for (const char* name : {"img_on", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0", "img_csq5",
                             "img_gprs", "img_3g", "img_4g", "img_connected", "img_connecting", "img_done"})
        EXPECT_FALSE(window.modemImage(name)->isVisible()) << name;
    EXPECT_TRUE(window.modemImage("img_off")->isVisible());
    // Every output selector on "Keep"; only the first four visible.
    for (int i = 0; i < 8; ++i) {
        auto* list = child_of<QListWidget>(&window, ("lbs" + std::to_string(i)).c_str());
        EXPECT_EQ(list->currentRow(), 2) << i;
        EXPECT_EQ(list->isHidden(), i >= 4) << i;
        EXPECT_EQ(list->isEnabled(), i < 4) << i;
    }
    save_grab(&window, "basic_main_start");
}

TEST_F(MainWindow, FitsALaptopScreenWithEveryPageWholeAndEightLinesOfLog)
{
    startUp();
    window.show();
    const QRect screen = window.screen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(laptop_screen_width, laptop_screen_height));
    // Title bar and task bar included, at its smallest and at the size it opens with.
    const int room = laptop_screen_height - laptop_task_bar - laptop_title_bar;
    EXPECT_LE(window.minimumSizeHint().height(), room);
    EXPECT_LE(window.minimumSizeHint().width(), laptop_screen_width);
    EXPECT_LE(window.height(), room);
    EXPECT_TRUE(screen.contains(window.frameGeometry()));

    auto* pages = child_of<QTabWidget>(&window, "PageControl1");
    auto* memo = child_of<QPlainTextEdit>(&window, "Memo1");
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QWidget* page = pages->widget(i);
        const std::string name = page->objectName().toStdString();
        EXPECT_LE(page->minimumSizeHint().height(), page->height()) << name;
        EXPECT_LE(page->minimumSizeHint().width(), page->width()) << name;
        const int margins = 2 * static_cast<int>(memo->document()->documentMargin());
        EXPECT_GE((memo->viewport()->height() - margins) / memo->fontMetrics().lineSpacing(), 8) << name;
        save_grab(&window, "basic_main_page_" + name);
    }
}

TEST_F(MainWindow, LinkPanelFollowsConnectDisconnectAndALostLine)
{
    startUp();
    auto* status = child_of<QLabel>(&window, "pl_com_status");
    EXPECT_EQ(controls(), (std::vector<bool>{true, true, false, false, false}));
    EXPECT_EQ(colour(status), "#000000");
    EXPECT_EQ(text_colour_of(status).name().toStdString(), "#ffffff");

    // Connecting: only abort, the panel blinking between its two yellows.
    Tcomport port;
    std::snprintf(port.port, sizeof port.port, "\\\\.\\COM3");
    master.current_port = &port;
    setLink(Tcalyxo_master::LINK_CONNECTING);
    EXPECT_EQ(status->text().toStdString(), "Connecting...");
    EXPECT_EQ(controls(), (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(child_of<QLabel>(&window, "pl_com_port")->text().toStdString(), "\\\\.\\COM3");
    EXPECT_EQ(child_of<QLabel>(&window, "pl_com_mode")->text().toStdString(), "direct");
    std::vector<std::string> blink;
    for (int tick = 0; tick < 4; ++tick) {
        window.OnTimer2Hz();
        blink.push_back(colour(status));
    }
    EXPECT_EQ(blink, (std::vector<std::string>{"#f3c303", "#ffff40", "#f3c303", "#ffff40"}));

    // Connected: disconnect and abort, steady yellow.
    setLink(Tcalyxo_master::LINK_CONNECTED);
    EXPECT_EQ(status->text().toStdString(), "USB opened");
    EXPECT_EQ(controls(), (std::vector<bool>{false, false, true, true, true}));
    for (int tick = 0; tick < 3; ++tick) {
        window.OnTimer2Hz();
        EXPECT_EQ(colour(status), "#ffeb43");
    }
    window.show();
    save_grab(&window, "basic_main_connected");

    setLink(Tcalyxo_master::LINK_DISCONNECTING);
    EXPECT_EQ(status->text().toStdString(), "Disconnecting...");
    EXPECT_EQ(controls(), (std::vector<bool>{false, false, false, false, false}));
    EXPECT_EQ(alternation(status), (std::set<std::string>{"#03af03", "#c0ffc0"}));

    setLink(Tcalyxo_master::LINK_ABORTING);
    EXPECT_EQ(status->text().toStdString(), "Aborting...");
    EXPECT_EQ(controls(), (std::vector<bool>{false, false, false, false, false}));
    EXPECT_EQ(alternation(status), (std::set<std::string>{"#7f0000", "#ff0000"}));

    // A lost line: the master reports the link down; connect comes back.
    setLink(Tcalyxo_master::LINK_CONNECTED);
    master.current_port = nullptr;
    setLink(Tcalyxo_master::LINK_DISCONNECTED);
    EXPECT_EQ(status->text().toStdString(), "Disconnected");
    EXPECT_EQ(controls(), (std::vector<bool>{true, true, false, false, false}));
    EXPECT_EQ(child_of<QLabel>(&window, "pl_com_port")->text().toStdString(), "---");

    auto* access = child_of<QLabel>(&window, "pl_authentication_status");
    EXPECT_EQ(access->text().toStdString(), "free");
    EXPECT_EQ(text_colour_of(access).name().toStdString(), "#000000");
    EXPECT_EQ(background_of(access), button_face());
}

TEST_F(MainWindow, BusyIndicatorAndStationNumber)
{
    startUp();
    auto* bar = child_of<QStatusBar>(&window, "StatusBar1");
    window.show_busy(true);
    EXPECT_EQ(bar->currentMessage().toStdString(), "Running...");
    EXPECT_EQ(colour(bar), "#c0c0c0");
    window.show_busy(false);
    EXPECT_EQ(bar->currentMessage().toStdString(), "Ready");
    EXPECT_EQ(background_of(bar), button_face());
    // What a menu sends while hovered leaves the text alone.
    QStatusTipEvent tip(QString{});
    QApplication::sendEvent(&window, &tip);
    EXPECT_EQ(bar->currentMessage().toStdString(), "Ready");

    auto* label = child_of<QLabel>(&window, "lb_station_id");
    auto* group = child_of<QGroupBox>(&window, "GroupBox6");
    window.show_station_id();
    EXPECT_EQ(label->text().toStdString(), "-");
    EXPECT_EQ(background_of(group), button_face());
    module_view.setStatus(STATUS_STATION_ID, 812);
    window.show_station_id();
    EXPECT_EQ(label->text().toStdString(), "812");
    EXPECT_EQ(colour(label), "#9fc3ff");
    EXPECT_EQ(colour(group), "#9fc3ff");
    module_view.clearValid();
    window.show_station_id();
    EXPECT_EQ(label->text().toStdString(), "-");
    EXPECT_EQ(background_of(label), button_face());

    window.set_status_refresh(true);
    EXPECT_TRUE(window.statusRefresh());
    window.set_status_refresh(false);
    EXPECT_FALSE(window.statusRefresh());
}

TEST_F(MainWindow, LogTextCopiesWithCrLfAndClearsWithoutTouchingTheRest)
{
    auto* memo = child_of<QPlainTextEdit>(&window, "Memo1");
    window.CopyLog1Click();
    EXPECT_EQ(dialogs.clipboard, "");
    window.logLine("A");
    window.logLine("B");
    window.logLine(nullptr);
    window.CopyLog1Click();
    EXPECT_EQ(dialogs.clipboard, "A\r\nB\r\n");
    child_of<QAction>(&window, "ClearLog1")->trigger();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    window.logLine("C %d 100%");
    child_of<QAction>(&window, "CopyLog1")->trigger();
    EXPECT_EQ(dialogs.clipboard, "C %d 100%\r\n");
}

// The window that the recorded log lines go on to, as the program's sink does.
TFmain* log_window = nullptr;
void to_log_window(const char* line)
{
    if (log_window)
        log_window->logLine(line);
}

TEST_F(MainWindow, WorkerThreadLinesReachTheLogTextInOrderOnTheGuiThread)
{
    log_window = &window;
    recorded::set_log_forward(&to_log_window);
    log_printf("before");
    std::thread worker([] {
        for (int i = 0; i < 200; ++i)
            log_printf("worker line %d", i);
    });
    worker.join();
    auto* memo = child_of<QPlainTextEdit>(&window, "Memo1");
    // Handed over by the queue: nothing reached the window from the worker.
    EXPECT_EQ(memo->toPlainText().toStdString(), "before");
    ASSERT_TRUE(pump.pumpUntil([&] { return memo->blockCount() == 201; }, 10000));
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(memo->document()->findBlockByNumber(i + 1).text().toStdString(), "worker line " + std::to_string(i));
    log_window = nullptr;
}

struct Tzone_case {
    const char* tz;
    int selected;  // -1: none
    int offset;
};

class MainWindowZones : public MainWindow, public ::testing::WithParamInterface<Tzone_case> {};

TEST_P(MainWindowZones, TimeZoneListsSelectThePcZone)
{
    Tpinned_time_zone zone(GetParam().tz);
    startUp();
    for (const char* name : {"timezone_gsm_next", "timezone_acq_next"}) {
        auto* list = child_of<QComboBox>(&window, name);
        ASSERT_EQ(list->count(), 25);
        EXPECT_EQ(list->itemText(0).toStdString(), "GMT-12");
        EXPECT_EQ(list->itemText(12).toStdString(), "GMT+0");
        EXPECT_EQ(list->itemText(24).toStdString(), "GMT+12");
        EXPECT_EQ(list->currentIndex(), GetParam().selected) << name;
        EXPECT_EQ(TFmain::timeZoneOffset(list), GetParam().offset) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, MainWindowZones,
                         ::testing::Values(Tzone_case{"UTC0", 12, 0}, Tzone_case{"CET-1CEST,M3.5.0,M10.5.0/3", 13, 3600},
                                           Tzone_case{"IST-5:30", -1, 0}, Tzone_case{"EST5EDT", 7, -18000},
                                           Tzone_case{"NZST-12", 24, 43200}));

TEST(MainWindowDates, DateFieldsStartTodayAndAnHourFromNow)
{
    ensure_basic_application();
    Tpinned_time_zone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    // 2026-07-31 22:30 UTC: 23:30 standard time today, tomorrow's 00:30 an hour on.
    Tfake_clock clock(utc_seconds(2026, 7, 31, 22, 30));
    Tcalyxo_master master;
    TFmain window(master);
    const std::vector<std::pair<const char*, const char*>> fields = {
        {"ed_gsm_next_year", "2026"},   {"ed_gsm_next_month", "7"},   {"ed_gsm_next_day", "31"},
        {"ed_gsm_next_hour", "17"},     {"ed_gsm_next_minutes", "30"}, {"ed_gsm_next_seconds", "00"},
        {"ed_acq_next_year", "2026"},   {"ed_acq_next_month", "8"},   {"ed_acq_next_day", "1"},
        {"ed_acq_next_hour", "0"},      {"ed_acq_next_minutes", "00"}, {"ed_acq_next_seconds", "00"},
    };
    for (const auto& field : fields)
        EXPECT_EQ(child_of<QLineEdit>(&window, field.first)->text().toStdString(), field.second) << field.first;
}

TEST_F(MainWindow, OneHertzTickShowsTheClocksAndTicksTheMaster)
{
    Tpinned_time_zone zone("CET-1");
    Tfake_clock clock(utc_seconds(2023, 11, 14, 22, 15, 0));
    window.On_1Hz();
    EXPECT_EQ(child_of<QLabel>(&window, "lb_timesec_txt")->text().toStdString(), "Tue 2023-11-14 23:15:00 GMT+01:00");
    EXPECT_EQ(child_of<QLabel>(&window, "lb_time_txt2")->text().toStdString(), "-");
    module_view.setTime(utc_seconds(2023, 11, 14, 22, 13, 20), utc_seconds(2023, 11, 14, 22, 15, 0));
    window.On_1Hz();
    EXPECT_EQ(child_of<QLabel>(&window, "lb_time_txt2")->text().toStdString(), "Tue 2023-11-14 23:13:20 GMT+01:00");
}

TEST_F(MainWindow, ClosingWhileAnOperationRunsCancelsItDisconnectsAndThenQuits)
{
    startUp();
    Tmodule_resource module;
    master.module = &module;
    master.link_state = Tcalyxo_master::LINK_CONNECTED;
    master.state = 340;  // a download under way
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(pump.quitRequested());
    EXPECT_EQ(master.STOP.pending.load(), 1);
    EXPECT_TRUE(recorded::log_contains("INFO  : the program closes once the running operation has ended"));
    event_remove_from_queue(&master.STOP);

    // The operation ends: the disconnection follows, still no quit.
    master.state = Tcalyxo_master::STATE_IDLE;
    window.show_busy(false);
    EXPECT_FALSE(pump.quitRequested());
    EXPECT_EQ(master.START_DISCONNECT.pending.load(), 1);
    EXPECT_TRUE(window.isVisible());
    event_remove_from_queue(&master.START_DISCONNECT);

    // The disconnection ends: now the program quits.
    master.state = Tcalyxo_master::STATE_IDLE;
    master.link_state = Tcalyxo_master::LINK_DISCONNECTED;
    window.show_busy(false);
    EXPECT_TRUE(pump.quitRequested());
    EXPECT_FALSE(window.isVisible());
    master.module = nullptr;
}

TEST_F(MainWindow, ALinkThatWillNotCloseDoesNotHoldTheProgram)
{
    startUp();
    Tmodule_resource module;
    master.module = &module;
    master.link_state = Tcalyxo_master::LINK_CONNECTED;
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_EQ(master.START_DISCONNECT.pending.load(), 1);
    event_remove_from_queue(&master.START_DISCONNECT);
    // The disconnection failed: the link still counts as connected.
    master.state = Tcalyxo_master::STATE_IDLE;
    window.show_busy(false);
    EXPECT_EQ(master.START_DISCONNECT.pending.load(), 0);
    EXPECT_TRUE(pump.quitRequested());
    EXPECT_FALSE(window.isVisible());
    master.module = nullptr;
}

TEST_F(MainWindow, ClosingIdleAndDisconnectedQuitsAtOnceAndASecondCloseInsists)
{
    startUp();
    window.show();
    child_of<QAction>(&window, "Exit1")->trigger();
    EXPECT_TRUE(pump.quitRequested());
    EXPECT_FALSE(window.isVisible());

    Tmanual_signal_window second;
    event_queue_attach(&second);
    second.pumpAll();
    Tcalyxo_master busy_master;
    TFmain busy(busy_master);
    busy_master.state = 200;
    busy.show();
    EXPECT_FALSE(busy.close());
    EXPECT_FALSE(second.quitRequested());
    EXPECT_TRUE(busy.close());
    EXPECT_TRUE(second.quitRequested());
    event_remove_resource(&busy_master);
    event_queue_attach(&pump);
    pump.pumpAll();
}

}  // namespace
