// The main window's commands: every menu item and button, its log line and
// the master call it makes (against a recording master), the prompts answered
// and cancelled, the refusals reported, the next-on times and the output
// masks; and the probes health page.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <string>
#include <vector>

#include "base/my_string.h"
#include "data/flash_parser_data.h"
#include "link/calyxo_master.h"
#include "link/module_view.h"
#include "platform/manual_signal_window.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/command_master.h"
#include "programs/basic/health_page.h"
#include "programs/basic/main_commands.h"
#include "programs/basic/wmain.h"
#include "tests/base/time_test_support.h"
#include "tests/basic/basic_test_support.h"
#include "tests/basic/recording_commands.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr unsigned fixed_now = 1700000000;
unsigned fixed_clock()
{
    return fixed_now;
}

class MainCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }

    void SetUp() override
    {
        module_view = Tmodule_view();
        event_queue_attach(&pump);
        time_set_clock(fixed_clock);
        child_of<QTimer>(&window, "Timer1")->stop();
        child_of<QTimer>(&window, "Timer2")->stop();
        window.menusAndPages();
        window.startPanels();
        window.initialPanels();
        window.setCommandMaster(&recording);
        window.ask_value = [this](const char* prompt, int mode) {
            prompts.push_back(std::string(prompt) + "/" + std::to_string(mode));
            return value_answer;
        };
        window.ask_snr = [this] { return snr_answer; };
        window.ask_download_range = [this](int32_t* start, int32_t* count, uint8_t* incremental) {
            *start = 16;
            *count = 32;
            *incremental = 1;
            return range_answer;
        };
        window.show_form = [this](const char* form) { forms.emplace_back(form); };
        recorded::clear_log();
    }
    void TearDown() override
    {
        time_set_clock(nullptr);
        pump.pumpAll();
        event_queue_detach();
    }

    void reset()
    {
        recording.calls.clear();
        forms.clear();
        prompts.clear();
        recorded::clear_log();
    }
    void trigger(const char* action) { child_of<QAction>(&window, action)->trigger(); }
    void click(const char* button) { child_of<QPushButton>(&window, button)->click(); }
    std::vector<std::string> lines() { return recorded::log_lines(); }
    void setField(const char* name, const char* text) { child_of<QLineEdit>(&window, name)->setText(text); }

    Tmanual_signal_window pump;
    Trecording_dialogs dialogs;
    Tcalyxo_master master;
    TFmain window{master};
    Trecording_master recording;
    int value_answer = -1;
    uint32_t snr_answer = 0;
    bool range_answer = false;
    std::vector<std::string> forms;
    std::vector<std::string> prompts;
};

// Menu item, button, log line, the calls.
struct Tfixed_case {
    const char* action;
    const char* button;
    const char* log_line;
    const char* calls;
};

const Tfixed_case fixed_cases[] = {
    {"Connect1", "bt_com_connect", nullptr, "start_connect()"},
    {"Disconnect1", "bt_com_disconnect", nullptr, "start_disconnect()"},
    {"Abortconnection1", nullptr, nullptr, "stop()"},
    {"GetStatus1", "bt_status", "START   : get status", "start_status()"},
    {"QuickSync1", "bt_quicksync", nullptr, "start_quick_sync(0)"},
    {"ExportEEPROM1", nullptr, nullptr, "start_eeprom_download(127,0)"},
    {"GetEUIMAC1", nullptr, nullptr, "start_parameter_get(162)"},
    {"GetCOMdebug1", nullptr, nullptr, "start_parameter_get(169)"},
    {"Ping1", nullptr, nullptr, "ping()"},
    {"Switchto9600baud1", nullptr, nullptr, "setParameter(baudrate,9600); setParameter(mscp_dest,254)"},
    {"GSMconfig1", nullptr, "START   : GSM config", "start_control(240)"},
    {"GSMpoweron1", nullptr, "START   : GSM POWER ON", "start_control(241)"},
    {"GSMpoweroff1", nullptr, "START   : GSM POWER OFF", "start_control(242)"},
    {"GSMonnow1", "bt_gsm_on", "START   : GSM now", "start_control(4)"},
    {"KeyMAC1", nullptr, "START   : Key + MAC ", "start_key_and_mac(0,2)"},
    {"GTP821", nullptr, nullptr, "start_set_var(130,0,0)"},
    {"GetHealth1", "bt_health", "START   : get Health", "start_get_health()"},
    {"StartAcquisitionNOW1", "bt_acqnow", "START   : ACQnow start", "start_control(3)"},
    {"BreakACQSequence1", nullptr, "INFO   : break LOOP", "break_loop()"},
    {"Compteurimpulsion1", nullptr, nullptr, "start_macro_read()"},
    {nullptr, "bt_setTime", "START   : set Time", "start_set_var(0,1700000000,0)"},
    {nullptr, "Button1", "START   : Clear Alarm counters", "start_control(10)"},
    {nullptr, "bt_gsm_enable", "START   : GSM enable", "start_set_var(35,1,0)"},
    {nullptr, "bt_gsm_disable", "START   : GSM disable", "start_set_var(35,0,0)"},
    {nullptr, "bt_gsm_off", "START   : GSM off now", "start_set_var(36,2,1)"},
    {nullptr, "bt_sms_now", "START   : SMS now", "start_control(5)"},
    {nullptr, "bt_gsm_offplus", "START   : set GSM off +15 minutes)", "start_add_var(36,900)"},
    {nullptr, "bt_acqOn", "START   : ACQ on", "start_set_var(3,1,0)"},
    {nullptr, "bt_acqOff", "START   : ACQ off", "start_set_var(3,0,0)"},
    {nullptr, "bt_slow", nullptr, "start_control(0)"},
    {nullptr, "bt_fast", nullptr, "start_control(1)"},
    {nullptr, "bt_outset", "START   : set digital outputs", "start_out_control(5,255,0)"},
};

TEST_F(MainCommands, EveryFixedCommandLogsItsLineAndMakesItsCallFromMenuAndButton)
{
    for (const Tfixed_case& entry : fixed_cases) {
        for (int via_button = 0; via_button < 2; ++via_button) {
            const char* name = via_button ? entry.button : entry.action;
            if (!name)
                continue;
            SCOPED_TRACE(name);
            reset();
            // Connect is offered only while disconnected, the rest of the link's commands only while connected.
            const bool link_command = entry.calls == std::string("start_disconnect()") || entry.calls == std::string("stop()");
            master.link_state = link_command ? Tcalyxo_master::LINK_CONNECTED : Tcalyxo_master::LINK_DISCONNECTED;
            window.show_connection_state();
            via_button ? click(name) : trigger(name);
            EXPECT_EQ(recording.joined(), entry.calls);
            const std::vector<std::string> expected_lines =
                entry.log_line ? std::vector<std::string>{entry.log_line} : std::vector<std::string>{};
            EXPECT_EQ(lines(), expected_lines);
        }
    }
}

TEST_F(MainCommands, MenusHoldTheirItemsInOrderWithShortcuts)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"File", {"Exit"}},
        {"Communication Functions", {"Connect", "Disconnect", "Abort connection"}},
        {"System functions",
         {"Get Status", "Upload EEPROM", "Quick Sync", "Set GSM next on", "Export EEPROM", "Get EUI (MAC)",
          "Get COM debug"}},
        {"Advanced Functions",
         {"Ping", "Verbose A", "Verbose B", "Verbose C - Rx/Tx", "Switch to 9600 baud / Addr 254",
          "Alternate (slow) download", "GSM config (AT+IPR@115200)", "GSM power on", "GSM power off",
          "GSM console", "GSM on now!", "SNR", "Key + MAC", "RFU", "GTP 82"}},
        {"ACQ functions",
         {"Get Health", "Start Acquisition NOW", "Download all", "Set Absolute Pulse Counter #0",
          "Set Absolute Pulse Counter #1", "Set ACQ_counter", "Set GSM Counter", "Set ACQ Interval",
          "Break ACQ Sequence", "Etalonnage"}},
        {"Configuration", {"Compteur \u00e0 impulsion"}},
        {"Help", {"About Vornhal"}},
    };
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<int>(expected.size()));
    for (int i = 0; i < menus.size(); ++i) {
        EXPECT_EQ(menus[i]->text().toStdString(), expected[i].first);
        std::vector<std::string> items;
        for (QAction* item : menus[i]->menu()->actions())
            items.push_back(item->text().toStdString());
        EXPECT_EQ(items, expected[i].second);
    }
    const std::vector<std::pair<const char*, const char*>> shortcuts = {
        {"Connect1", "F5"},         {"Disconnect1", "F7"},          {"Abortconnection1", "F8"},
        {"GetStatus1", "Ctrl+S"},   {"UploadEEPROM1", "Ctrl+U"},    {"QuickSync1", "Ctrl+Y"},
        {"SetGSMnexton1", "Ctrl+B"}, {"Ping1", "Ctrl+P"},           {"GSMonnow1", "Ctrl+G"},
        {"SNR1", "Ctrl+Q"},         {"KeyMAC1", "Ctrl+K"},          {"GetHealth1", "Ctrl+H"},
        {"StartAcquisitionNOW1", "Ctrl+A"}, {"Downloadall1", "Ctrl+D"},
    };
    for (const auto& [action, keys] : shortcuts)
        EXPECT_EQ(child_of<QAction>(&window, action)->shortcut().toString().toStdString(), keys) << action;
    for (const char* check : {"VerboseA1", "VerboseB1", "VerboseC1", "Alternateslowdownload1"})
        EXPECT_TRUE(child_of<QAction>(&window, check)->isCheckable()) << check;
    save_grab(&window, "main_window_commands");
}

TEST_F(MainCommands, ValuePromptsWriteTheirVariableOrNothingWhenCancelled)
{
    struct Tcase {
        const char* action;
        const char* prompt;
        const char* log_line;
        const char* call;
    };
    const Tcase cases[] = {
        {"SetAbsolutePulseCounter01", "Absolute Pulse Counter #0/0", "START   : set Absolute Pulse Counter #0 : 1234",
         "start_set_var(41,1234,0)"},
        {"SetAbsolutePulseCounter11", "Absolute Pulse Counter #1/0", "START   : set Absolute Pulse Counter #1 : 1234",
         "start_set_var(42,1234,0)"},
        {"SetACQcounter1", "ACQ counter/0", "START   : set ACQ_counter : 1234", "start_set_var(7,1234,0)"},
        {"SetGSMCounter1", "GSM counter/0", "START   : set GSM_counter : 1234", "start_set_var(10,1234,0)"},
        {"SetACQInterval1", "ACQ Interval/1", "START   : set Acq Interval #0 : 1234", "start_set_var(1,1234,0)"},
    };
    for (const Tcase& entry : cases) {
        SCOPED_TRACE(entry.action);
        reset();
        value_answer = 1234;
        trigger(entry.action);
        EXPECT_EQ(prompts, std::vector<std::string>{entry.prompt});
        EXPECT_EQ(lines(), std::vector<std::string>{entry.log_line});
        EXPECT_EQ(recording.joined(), entry.call);
        reset();
        value_answer = -1;
        trigger(entry.action);
        EXPECT_TRUE(lines().empty());
        EXPECT_TRUE(recording.calls.empty());
    }
}

TEST_F(MainCommands, SnrAndDownloadStartOnlyWhenTheirDialogsAnswer)
{
    trigger("SNR1");
    EXPECT_TRUE(recording.calls.empty());
    snr_answer = 4711;
    trigger("SNR1");
    EXPECT_EQ(recording.joined(), "start_program_snr(4711)");

    for (const char* name : {"Downloadall1", "bt_download_all"}) {
        SCOPED_TRACE(name);
        reset();
        range_answer = false;
        std::string_view(name) == "Downloadall1" ? trigger(name) : click(name);
        EXPECT_TRUE(lines().empty());
        EXPECT_TRUE(recording.calls.empty());
        range_answer = true;
        std::string_view(name) == "Downloadall1" ? trigger(name) : click(name);
        EXPECT_EQ(lines(), std::vector<std::string>{"START   : download"});
        EXPECT_EQ(recording.joined(), "start_download(16,32,1)");
    }
}

TEST_F(MainCommands, ClearFlashAsksFirstAndCancelSendsNothing)
{
    dialogs.box_answers = {Tbox_answer::cancel, Tbox_answer::ok};
    click("bt_clr");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Do you really want to clear the Memory ?");
    EXPECT_EQ(dialogs.boxes[0].buttons, Tbox_buttons::ok_cancel);
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(recording.calls.empty());
    click("bt_clr");
    EXPECT_EQ(lines(), std::vector<std::string>{"START   : clear flash"});
    EXPECT_EQ(recording.joined(), "start_control(6)");
}

TEST_F(MainCommands, UploadFromSetupFileShowsReadErrorsAndRefusals)
{
    // Cancelled file dialog: nothing.
    trigger("UploadEEPROM1");
    ASSERT_EQ(dialogs.file_dialogs.size(), 1u);
    EXPECT_EQ(dialogs.file_dialogs[0].filter, "setup file (.xml)|*.xml|All files|*.*");
    EXPECT_EQ(dialogs.file_dialogs[0].default_extension, "xml");
    EXPECT_TRUE(recording.calls.empty());

    dialogs.file_answers = {"/tmp/site.xml"};
    click("bt_upload");
    EXPECT_EQ(recording.joined(), "start_eeprom_upload_file(/tmp/site.xml)");
    EXPECT_TRUE(dialogs.boxes.empty());

    reset();
    recording.upload_result = 1;
    Ttemp_dir scratch;
    const std::string empty = scratch.file("empty.xml");
    ASSERT_TRUE(write_file_bytes(empty, ""));
    dialogs.file_answers = {empty};
    click("bt_upload");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Erreur de lecture du fichier de configuration ! Voir log\n" + empty +
                                         " : ce n'est pas du XML (un fichier vide)");

    // An XML file the compiler refuses: its first error follows the file.
    reset();
    dialogs.boxes.clear();
    recording.upload_result = 1;
    recording.upload_error_text = "the file holds no STATIONS/STATION: it is no setup file";
    const std::string no_station = scratch.file("no_station.xml");
    ASSERT_TRUE(write_file_bytes(no_station, "<DATA/>"));
    dialogs.file_answers = {no_station};
    click("bt_upload");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Erreur de lecture du fichier de configuration ! Voir log\n" + no_station +
                                         " : the file holds no STATIONS/STATION: it is no setup file");
    EXPECT_EQ(dialogs.boxes[0].buttons, Tbox_buttons::ok);

    reset();
    dialogs.boxes.clear();
    recording.upload_result = Tcalyxo_master::UPLOAD_REFUSED;
    dialogs.file_answers = {"/tmp/site.xml"};
    click("bt_upload");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(lines(), std::vector<std::string>{"ERROR : Upload EEPROM not started : no logger is connected"});
}

TEST_F(MainCommands, ARefusedStartIsLoggedAfterItsLine)
{
    recording.refuse = true;
    trigger("GetStatus1");
    EXPECT_EQ(lines(), (std::vector<std::string>{"START   : get status",
                                                 "ERROR : Get Status not started : no logger is connected"}));
    reset();
    click("bt_acqOn");
    EXPECT_EQ(lines(), (std::vector<std::string>{"START   : ACQ on",
                                                 "ERROR : Enable Acquisitions not started : no logger is connected"}));
    // Export EEPROM shows its text window only when the download started.
    reset();
    trigger("ExportEEPROM1");
    EXPECT_TRUE(forms.empty());
    recording.refuse = false;
    trigger("ExportEEPROM1");
    EXPECT_EQ(forms, std::vector<std::string>{"text"});
}

TEST_F(MainCommands, CheckItemsSetVerboseFlagsAndSlowDownload)
{
    trigger("VerboseB1");
    trigger("VerboseB1");
    trigger("VerboseA1");
    trigger("VerboseC1");
    EXPECT_EQ(recording.joined(),
              "setParameter(verbose,513); setParameter(verbose,1); setParameter(verbose,257); "
              "setParameter(verbose,1281)");
    reset();
    trigger("Alternateslowdownload1");
    trigger("Alternateslowdownload1");
    EXPECT_EQ(recording.joined(), "setParameter(slow_download,1); setParameter(slow_download,0)");
}

TEST_F(MainCommands, FormsAreShownByTheirCommands)
{
    trigger("GSMconsole1");
    trigger("RFU1");
    trigger("Etalonnage1");
    EXPECT_EQ(forms, (std::vector<std::string>{"gsm_console", "rfu", "calibration"}));
    EXPECT_TRUE(recording.calls.empty());
}

TEST_F(MainCommands, NextOnTimesAreReadInTheirZoneAndWrongFieldsSendNothing)
{
    const char* const gsm[] = {"ed_gsm_next_year", "ed_gsm_next_month", "ed_gsm_next_day",
                               "ed_gsm_next_hour", "ed_gsm_next_minutes", "ed_gsm_next_seconds"};
    const char* const values[] = {"2024", "06", "15", "12", "30", "00"};
    for (int i = 0; i < 6; ++i)
        setField(gsm[i], values[i]);
    auto* zone = child_of<QComboBox>(&window, "timezone_gsm_next");
    zone->setCurrentIndex(zone->findData(3600));
    click("bt_gsm_next");
    EXPECT_EQ(lines(), std::vector<std::string>{"START   : set GSM next on"});
    EXPECT_EQ(recording.joined(), "start_set_var(33," + std::to_string(utc_seconds(2024, 6, 15, 11, 30)) + ",0)");

    reset();
    setField("ed_acq_next_year", "2024");
    setField("ed_acq_next_month", "0");
    click("bt_acq_next");
    EXPECT_TRUE(recording.calls.empty());
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_NE(dialogs.boxes.back().text.find("month"), std::string::npos);
}

TEST(MainCommandsUnwired, APromptThatIsNotWiredStopsTheProgramInsteadOfAnsweringCancelled)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ensure_basic_application();
    Tcalyxo_master master;
    TFmain window(master);
    for (const char* action : {"SNR1", "SetACQcounter1", "Downloadall1", "GSMconsole1", "AboutVornhal1"})
        EXPECT_DEATH(child_of<QAction>(&window, action)->trigger(), "is not wired") << action;
}

// A field outside its range is refused with its name and range, never moved
// to the nearest value it may hold.
TEST(EnteredTime, RefusesAFieldOutsideItsRangeOrNoWholeNumber)
{
    struct Tcase {
        std::vector<const char*> fields;
        unsigned time;                // when accepted
        const char* refusal;          // null: accepted
    };
    const Tcase cases[] = {
        {{"2024", "12", "31", "23", "59", "59"}, utc_seconds(2024, 12, 31, 23, 59, 59), nullptr},
        {{" 2024", "+6", "15", "00", "00", "00"}, utc_seconds(2024, 6, 15), nullptr},
        {{"2024", "02", "29", "12", "00", "00"}, utc_seconds(2024, 2, 29, 12), nullptr},
        {{"2106", "02", "07", "06", "28", "15"}, 4294967295u, nullptr},
        {{"1970", "01", "01", "00", "00", "00"}, 0, nullptr},
        {{"2024", "13", "15", "12", "00", "00"}, 0, "month: \"13\" is no whole number from 1 to 12"},
        {{"2024", "-1", "15", "12", "00", "00"}, 0, "month: \"-1\" is no whole number from 1 to 12"},
        {{"2024", "0", "15", "12", "00", "00"}, 0, "month: \"0\" is no whole number from 1 to 12"},
        {{"2025", "02", "31", "12", "00", "00"}, 0, "day: \"31\" is no whole number from 1 to 28"},
        {{"2025", "02", "29", "12", "00", "00"}, 0, "day: \"29\" is no whole number from 1 to 28"},
        {{"2024", "04", "31", "12", "00", "00"}, 0, "day: \"31\" is no whole number from 1 to 30"},
        {{"2024", "06", "00", "12", "00", "00"}, 0, "day: \"00\" is no whole number from 1 to 30"},
        {{"2024", "06", "15", "-1", "00", "00"}, 0, "hour: \"-1\" is no whole number from 0 to 23"},
        {{"2024", "06", "15", "24", "00", "00"}, 0, "hour: \"24\" is no whole number from 0 to 23"},
        {{"2024", "06", "15", "", "00", "00"}, 0, "hour: \"\" is no whole number from 0 to 23"},
        {{"2024", "06", "15", "12", "99", "00"}, 0, "minute: \"99\" is no whole number from 0 to 59"},
        {{"2024", "06", "15", "12", "3x", "00"}, 0, "minute: \"3x\" is no whole number from 0 to 59"},
        {{"2024", "06", "15", "12", "00", "60"}, 0, "second: \"60\" is no whole number from 0 to 59"},
        {{"abc", "06", "15", "12", "00", "00"}, 0, "year: \"abc\" is no whole number from 1970 to 2106"},
        {{"26", "06", "15", "12", "00", "00"}, 0, "year: \"26\" is no whole number from 1970 to 2106"},
        {{"1969", "12", "31", "23", "59", "59"}, 0, "year: \"1969\" is no whole number from 1970 to 2106"},
        {{"4294969322", "06", "15", "12", "00", "00"}, 0, "year: \"4294969322\" is no whole number"},
        {{"2106", "12", "31", "23", "59", "59"}, 0, "outside what the logger's clock holds"},
    };
    for (const Tcase& entry : cases) {
        Tmy_string texts[6];
        for (int i = 0; i < 6; ++i)
            texts[i].printf("%s", entry.fields[i]);
        uint32_t time = 7;
        Tmy_string error;
        const bool accepted = entered_time(texts, 0, &time, &error);
        SCOPED_TRACE(std::string(entry.fields[0]) + "-" + entry.fields[1] + "-" + entry.fields[2] + " " +
                     entry.fields[3] + ":" + entry.fields[4] + ":" + entry.fields[5]);
        EXPECT_EQ(accepted, entry.refusal == nullptr) << error.c_str();
        if (entry.refusal == nullptr) {
            EXPECT_EQ(time, entry.time);
        } else {
            EXPECT_EQ(time, 7u);
            EXPECT_NE(std::string(error.c_str()).find(entry.refusal), std::string::npos) << error.c_str();
        }
    }
}

TEST_F(MainCommands, OutputMasksComeFromTheFourVisibleLists)
{
    const int rows[] = {0, 1, 2, 2};
    for (int i = 0; i < 4; ++i)
        child_of<QListWidget>(&window, ("lbs" + std::to_string(i)).c_str())->setCurrentRow(rows[i]);
    click("bt_outset");
    EXPECT_EQ(recording.joined(), "start_out_control(5,252,1)");

    uint8_t keep = 0;
    uint8_t set = 0;
    const int all_forced[] = {0, 0, 1, 1, 0, 1, 2, 0};
    output_masks(all_forced, &keep, &set);
    EXPECT_EQ(keep, 0x40);
    EXPECT_EQ(set, 0x93);
}

// A time step with the given valid slots.
struct Tslot_value {
    unsigned slot;
    double value;
    int64_t integer;
};
void fill_step(Tflash_parser_data& step, const std::vector<Tslot_value>& values)
{
    Tflash_parser_value by_slot[flash_parser_slot_count];
    for (const Tslot_value& v : values) {
        by_slot[v.slot].value = v.value;
        by_slot[v.slot].integer = v.integer;
        by_slot[v.slot].valid = true;
    }
    ASSERT_TRUE(step.take(by_slot));
}

TEST_F(MainCommands, HealthPageShowsEachValueInItsFormatAndClearsToDashes)
{
    std::vector<Tpressure_health> fed;
    window.healthPage()->pressure_feed = [&fed](const Tpressure_health& values) { fed.push_back(values); };
    Tflash_parser_data step;
    fill_step(step, {{22, 7, 7},
                     {21, 123456, 123456},
                     {62, 21.456, 21},
                     {87, 3.14159, 3},
                     {63, 12.345, 12},
                     {81, 5, 5},
                     {11, 0.12345, 0},
                     {flash_parser_type_slot(164), 1013.5, 1013},
                     {flash_parser_type_slot(180), -1.25, -1}});
    window.show_health(&step);
    const std::vector<std::pair<const char*, const char*>> shown = {
        {"lb48_r", "0007"}, {"lb48_l", "123456"}, {"lb144", "21.46"}, {"lb169", "3.142"},
        {"lb145", "12.3"},  {"lb163", "5"},       {"lb22_1", "0.123"}, {"lb160", "----"},
    };
    for (const auto& [label, text] : shown)
        EXPECT_EQ(child_of<QLabel>(&window, label)->text().toStdString(), text) << label;
    ASSERT_EQ(fed.size(), 1u);
    EXPECT_TRUE(fed[0].valid[0]);
    EXPECT_DOUBLE_EQ(fed[0].value[0], 1013.5);
    EXPECT_FALSE(fed[0].valid[1]);
    EXPECT_TRUE(fed[0].valid[2]);
    EXPECT_DOUBLE_EQ(fed[0].value[2], -1.25);
    EXPECT_FALSE(fed[0].valid[3]);
    auto* pages = child_of<QTabWidget>(&window, "PageControl1");
    window.show();
    pages->setCurrentWidget(window.healthPage());
    save_grab(&window, "health_page_values");

    // Get health brings the page to the front and clears it.
    pages->setCurrentIndex(0);
    trigger("GetHealth1");
    EXPECT_EQ(pages->currentWidget(), window.healthPage());
    for (unsigned i = 0; i < TFhealth_page::entry_count; ++i)
        EXPECT_EQ(child_of<QLabel>(&window, TFhealth_page::entries[i].label)->text().toStdString(), "----");
    ASSERT_EQ(fed.size(), 2u);
    for (bool valid : fed[1].valid)
        EXPECT_FALSE(valid);
}

}  // namespace
