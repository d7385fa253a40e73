// calyxo_basic's start: the build identifier, the pre-initialisation's day
// log line, the forms in order, the start routine once before the first
// connection's station chooser, and the calibration scripts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <functional>
#include <string>
#include <vector>

#include "base/event.h"
#include "base/log.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "platform/qt/signal_form.h"
#include "platform/widgets/program_start.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/basic_program.h"
#include "programs/basic/calibration_write.h"
#include "programs/basic/version_id.h"
#include "programs/basic/status_page.h"
#include "programs/basic/wabout.h"
#include "programs/basic/wask_pulse.h"
#include "programs/basic/wask_snr.h"
#include "programs/basic/wdownload_select.h"
#include "programs/basic/wetalonnage.h"
#include "programs/basic/wgsm_console.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wpending.h"
#include "programs/basic/wprogress.h"
#include "programs/basic/wrfu.h"
#include "programs/basic/wtext.h"
#include "ui/formask.h"
#include "programs/basic/wselstation.h"
#include "ui/display_columns.h"
#include "ui/faffiche.h"
#include "tests/basic/basic_test_support.h"
#include "tests/link/link_test_support.h"
#include "tests/support/recording_program.h"
#include "tests/basic/basic_program_fixture.h"

namespace {

TEST(VersionId, WritesExactlyTheTenCharactersAndTheNul)
{
    char buffer[16];
    std::memset(buffer, 0x7F, sizeof buffer);
    get_version_id(buffer);
    EXPECT_EQ(std::string(buffer), "480315_j03");
    EXPECT_EQ(buffer[10], '\0');
    for (unsigned i = version_id_size; i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], 0x7F) << i;
    get_version_id(nullptr);
}

TEST(CalibrationWrite, ScriptsCarryTheSinglesMostSignificantByteFirst)
{
    EXPECT_EQ(std::string(calibration_script(true, 1.0, true, 0.0).c_str()), "01403f800000014400000000");
    EXPECT_EQ(std::string(calibration_script(false, 0, true, -1.5).c_str()), "0144bfc00000");
    EXPECT_EQ(std::string(calibration_script(true, 0.1, false, 0).c_str()), "01403dcccccd");
    EXPECT_EQ(std::string(calibration_script(true, -0.0, false, 0).c_str()), "014080000000");
}

TEST(CalibrationWrite, TheMasterGetsTheScriptOrTheRefusalIsLogged)
{
    Tcalyxo_master master;
    recorded::clear_log();
    EXPECT_TRUE(calibration_write(master, 1.0, 0.0));
    EXPECT_EQ(recorded::log_lines(),
              std::vector<std::string>{"ERROR : calibration write not started : no logger is connected"});

    Tmodule_resource module;
    master.module = &module;
    master.link_state = Tcalyxo_master::LINK_CONNECTED;
    struct Tcase {
        bool (*write)(Tcalyxo_master&);
        const char* script;
    };
    const Tcase cases[] = {
        {[](Tcalyxo_master& m) { return calibration_write(m, 1.0, 0.0); }, "01403f800000014400000000"},
        {[](Tcalyxo_master& m) { return calibration_write_offset(m, -1.5); }, "0144bfc00000"},
        {[](Tcalyxo_master& m) { return calibration_write_span(m, 0.1); }, "01403dcccccd"},
    };
    for (const Tcase& c : cases) {
        master.state = Tcalyxo_master::STATE_IDLE;
        recorded::clear_log();
        EXPECT_FALSE(c.write(master)) << c.script;
        EXPECT_EQ(std::string(master.script_text.c_str()), c.script);
        EXPECT_TRUE(recorded::log_lines().empty());
    }
    // The script just started is still running.
    EXPECT_TRUE(calibration_write_span(master, 2.0));
    EXPECT_EQ(recorded::log_lines(),
              std::vector<std::string>{"ERROR : calibration write not started : an operation is running"});
    EXPECT_EQ(std::string(master.script_text.c_str()), "01403dcccccd");
    event_remove_resource(&master);
    master.module = nullptr;
}

TEST(ExceptionBox, EveryExceptionThatEscapesIsShownInTheErrorBox)
{
    ensure_basic_application();
    Trecording_dialogs dialogs;
    EXPECT_FALSE(run_showing_exceptions("Calyxo Basic", [] {}));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(run_showing_exceptions("Calyxo Basic", [] { throw std::runtime_error("disk full"); }));
    EXPECT_TRUE(run_showing_exceptions("Calyxo Basic", [] { throw 42; }));
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, "disk full");
    EXPECT_FALSE(dialogs.boxes[1].text.empty());
    for (const Tmessage_box& box : dialogs.boxes) {
        EXPECT_EQ(box.caption, "Calyxo Basic");
        EXPECT_EQ(box.icon, Tbox_icon::error);
    }
}

class ProgramStart : public Tbasic_program_fixture {
protected:
    void SetUp() override
    {
        Tbasic_program_fixture::SetUp();
        makeProgram(true);
    }

    std::string dayLog() const
    {
        std::string text;
        for (const char* day : {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"})
            text += read_file_bytes(work.file(std::string("log/") + day + ".log"));
        return text;
    }


};

TEST_F(ProgramStart, FormsInOrderStartRoutineOnceThenTheStationChooser)
{
    program->preInitialise();
    EXPECT_NE(dayLog().find("\tmain_load_setup   load : \n"), std::string::npos);

    const int ready_before = recorded::application_ready_calls();
    program->createForms();
    std::vector<std::string> names;
    for (QObject* form : program->forms())
        names.push_back(form->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"Fmain", "Fsplash", "FormAskSnr", "FormAsk", "Fgsm_console", "Fabout", "Faffiche",
                                               "Fdowload_select", "Fpending", "Fppb", "Fselstation", "SignalForm",
                                               "Fprogress", "Formrfu", "Ftext", "FormEtalonnage", "FormAsk_pulse",
                                               "Fttimezone_settings"}));
    EXPECT_NE(program->result_window->windowTitle().toStdString().find("480315_j03"), std::string::npos);
    EXPECT_EQ(program->main_form->windowTitle().toStdString(), "Calyxo Basic / 480315_j03 ");
    // The pre-initialisation's line never reaches the window.
    auto* memo = child_of<QPlainTextEdit>(program->main_form, "Memo1");
    EXPECT_EQ(memo->toPlainText().toStdString().find("main_load_setup"), std::string::npos);
    for (QObject* form : program->forms()) {
        if (auto* window = qobject_cast<QWidget*>(form)) {
            EXPECT_FALSE(window->isVisible()) << form->objectName().toStdString();
        }
    }

    // The loop runs: the start routine, then the splash's tick opens the
    // chooser, modal, with the start state already drawn.
    bool chooser_seen = false;
    when_modal([&](QWidget* dialog) {
        chooser_seen = true;
        EXPECT_EQ(dialog, program->station_chooser);
        EXPECT_EQ(recorded::application_ready_calls(), ready_before + 1);
        EXPECT_TRUE(program->main_form->isVisible());
        EXPECT_EQ(child_of<QStatusBar>(program->main_form, "StatusBar1")->currentMessage().toStdString(), "Ready");
        EXPECT_EQ(child_of<QListWidget>(dialog, "lb_comports")->item(0)->text().toStdString(),
                  "0 : Offline (no connection)");
        // A second start message in the nested loop runs nothing again:
        // the start panels would put the first page in front once more.
        child_of<QTabWidget>(program->main_form, "PageControl1")->setCurrentIndex(2);
        program->signal_form->window()->postStart();
        QTimer::singleShot(0, dialog, [dialog] { type_key(dialog, Qt::Key_Escape); });
    });
    ASSERT_TRUE(loop_until([&] { return chooser_seen && program->master.state == 0; }));
    grab(program->main_form, "basic_program_started");
    EXPECT_EQ(recorded::application_ready_calls(), ready_before + 2);
    EXPECT_EQ(child_of<QTabWidget>(program->main_form, "PageControl1")->currentIndex(), 2);
    // All optional result columns on.
    for (unsigned char flag : display_columns.flags)
        EXPECT_EQ(flag, 1);
    EXPECT_EQ(program->master.getLinkState(), Tcalyxo_master::LINK_DISCONNECTED);
    // Lines after the start reach the window and the day log both.
    log_printf("INFO  : after the start");
    EXPECT_NE(memo->toPlainText().toStdString().find("INFO  : after the start"), std::string::npos);
    EXPECT_NE(dayLog().find("\tINFO  : after the start\n"), std::string::npos);
}

// A start-up folder whose "log" is a file: no day log can be written, and
// the window's log says so once instead of losing the lines without a word.
TEST_F(ProgramStart, ADayLogThatCannotBeWrittenIsSaidOnceInTheWindowsLog)
{
    ASSERT_TRUE(write_file_bytes(work.file("log"), "a file where the log folder goes"));
    program->preInitialise();
    program->createForms();
    log_printf("INFO  : first line");
    log_printf("INFO  : second line");
    const std::string shown =
        child_of<QPlainTextEdit>(program->main_form, "Memo1")->toPlainText().toStdString();
    const std::string warning = "WARNING : the day log " + work.file("log/");
    const std::size_t at = shown.find(warning);
    ASSERT_NE(at, std::string::npos) << shown;
    EXPECT_NE(shown.find(".log cannot be written (Not a directory): log lines stay in this window only", at),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find(warning, at + 1), std::string::npos) << "said more than once: " << shown;
    EXPECT_LT(shown.find("INFO  : first line"), at);
    EXPECT_NE(shown.find("INFO  : second line"), std::string::npos);
    EXPECT_EQ(read_file_bytes(work.file("log")), "a file where the log folder goes");
}

// Each window the technician can open, by the way the program opens it: its
// frame lies whole on the laptop's screen.
TEST_F(ProgramStart, EveryWindowOpensWholeOnTheScreen)
{
    program->createForms();
    TFmain* main = program->main_form;
    const QRect screen = main->screen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(laptop_screen_width, laptop_screen_height));
    auto on_screen = [&screen](QWidget* window, const char* what) {
        EXPECT_TRUE(window->isVisible()) << what;
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(screen.contains(frame)) << what << " at " << frame.x() << "," << frame.y() << " "
                                            << frame.width() << "x" << frame.height();
    };
    // The start: the main window, then the station chooser over it.
    bool chooser_seen = false;
    when_modal([&](QWidget* dialog) {
        chooser_seen = true;
        EXPECT_EQ(dialog, program->station_chooser);
        on_screen(main, "main window");
        on_screen(dialog, "station chooser");
        type_key(dialog, Qt::Key_Escape);
    });
    ASSERT_TRUE(loop_until([&] { return chooser_seen && program->master.state == 0; }));
    // Centred before the window manager drew its frame, whose size was then guessed.
    auto centred = [&screen](QWidget* window, const char* what) {
        const QPoint off = window->frameGeometry().center() - screen.center();
        EXPECT_LE(off.manhattanLength(), 20) << what << " is not in the screen's middle";
    };
    auto trigger = [main](const char* action) { child_of<QAction>(main, action)->trigger(); };

    trigger("GSMconsole1");
    on_screen(program->gsm_console, "GSM console");
    trigger("AboutVornhal1");
    on_screen(program->about, "about box");
    centred(program->about, "about box");
    program->text_window->show_text_window();
    on_screen(program->text_window, "text window");
    program->guiSet(53, "SHOW");
    on_screen(program->pending, "pending window");
    centred(program->pending, "pending window");
    program->guiSet(55, "SHOW");
    on_screen(program->progress, "progress window");
    centred(program->progress, "progress window");
    program->show_pulse_meter_form();
    on_screen(program->pulse, "pulse meter dialog");
    trigger("RFU1");
    on_screen(program->rfu, "firmware window");

    // The modal ones, seen while their loop runs, then cancelled.
    struct Tmodal {
        const char* action;
        QWidget* dialog;
        bool centred;
    };
    const Tmodal modals[] = {
        {"SetACQcounter1", program->ask, false},
        {"SNR1", program->ask_snr, false},
        {"Downloadall1", program->download_select, true},
        {"Etalonnage1", program->calibration, false},
    };
    for (const Tmodal& modal : modals) {
        bool seen = false;
        when_modal([&](QWidget* dialog) {
            seen = true;
            EXPECT_EQ(dialog, modal.dialog) << modal.action;
            on_screen(dialog, modal.action);
            if (modal.centred)
                centred(dialog, modal.action);
            type_key(dialog, Qt::Key_Escape);
        });
        trigger(modal.action);
        EXPECT_TRUE(seen) << modal.action;
    }
    for (QObject* form : program->forms())
        if (auto* window = qobject_cast<QWidget*>(form))
            window->hide();
}

// The 1 s tick: the clocks, the GSM console's countdowns, the master's tick
// (the pending window's elapsed time, then the module resource's), and the
// status page redrawn last with what they changed.
TEST_F(ProgramStart, TheSecondTickDrivesCountdownsThenTheMasterThenTheStatusPage)
{
    program->createForms();
    program->onApplicationReady();
    TFmain* main = program->main_form;
    module_view = Tmodule_view();
    module_view.setStatus(STATUS_NEXT_DOWNLOAD_ADDRESS, 4096);
    auto* elapsed = child_of<QLabel>(program->pending, "lb_time");
    auto* countdown = child_of<QLabel>(program->gsm_console, "GSM_power_on_wait_timeout");
    std::vector<std::string> order;
    const std::function<void()> countdowns = main->on_tick;
    main->on_tick = [&] {
        order.push_back("countdowns at " + elapsed->text().toStdString());
        countdowns();
    };
    main->statusPage()->download_start = [&](uint32_t) {
        order.push_back("status page at " + elapsed->text().toStdString());
    };
    program->guiSet(53, "SHOW");
    child_of<QPushButton>(program->gsm_console, "Button19")->click();
    main->set_status_refresh(true);
    order.clear();

    main->On_1Hz();
    EXPECT_EQ(order, (std::vector<std::string>{"countdowns at 00:00", "status page at 00:01"}));
    main->On_1Hz();
    EXPECT_EQ(elapsed->text().toStdString(), "00:02");
    EXPECT_EQ(countdown->text().toStdString(), "Wait: 4 sec");
    EXPECT_FALSE(countdown->isHidden());
    main->set_status_refresh(false);
    program->guiSet(53, "HIDE");
    module_view = Tmodule_view();
}

}  // namespace
