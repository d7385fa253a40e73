// The GSM console: each button's exact bytes for the modem, the PIN fields
// refused unless they hold a PIN, the master's modem commands with their log
// lines, the four countdowns, and showing and hiding.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <string>
#include <vector>

#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/wgsm_console.h"
#include "tests/basic/basic_test_support.h"
#include "tests/basic/recording_commands.h"
#include "tests/support/recording_program.h"

namespace {

class GsmConsole : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }
    void SetUp() override { recorded::clear_log(); }

    std::vector<std::string> press(const char* button)
    {
        recording.sent.clear();
        recording.calls.clear();
        child_of<QPushButton>(&console, button)->click();
        return recording.sent;
    }
    QLineEdit* edit(const char* name) { return child_of<QLineEdit>(&console, name); }
    QLabel* label(const char* name) { return child_of<QLabel>(&console, name); }

    Trecording_dialogs dialogs;
    Trecording_master recording;
    TFgsm_console console{[this]() -> Tcommand_master& { return recording; }};
};

const std::string cr = "\r";

TEST_F(GsmConsole, EachAtButtonSendsItsCommandWithCarriageReturn)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"Button1", "ATE1"},       {"Button4", "AT+IPR=9600"},     {"Button7", "AT&W"},
        {"Button2", "AT+IFC=0,0"}, {"Button5", "AT&K0"},           {"Button3", "AT+ICF=3"},
        {"Button6", "ATE0"},       {"Button10", "AT+CFUN=4"},      {"Button11", "AT+URAT=3"},
        {"Button12", "AT+CFUN=1"}, {"Button25", "AT+CSQ"},         {"Button26", "AT+CREG?"},
        {"Button22", "AT+CPIN?"},  {"Button21", "AT+CPIN=\"7906\""}, {"Button29", "AT+CPIN?"},
        {"Button34", "AT+CPIN?"},  {"Button31", "AT+CLCK=\"SC\",2"}, {"Button36", "AT+CLCK=\"SC\",2"},
        {"Button35", "AT+CFUN=16"}, {"Button30", "AT+CPIN=\"7906\""}, {"Button32", "AT+CLCK=\"SC\",1,\"7906\""},
        {"bt_send_d1", "AT+CSGT=1,\"VORNA\""}, {"bt_send_f10", ""},
    };
    for (const auto& [button, text] : cases)
        EXPECT_EQ(press(button), std::vector<std::string>{text + cr}) << button;
    EXPECT_EQ(press("bt_send_LF"), std::vector<std::string>{"\n"});
    EXPECT_EQ(press("send_CRLF"), std::vector<std::string>{"\n\r"});
    EXPECT_EQ(press("Button57"), std::vector<std::string>{"\x1a"});
    EXPECT_EQ(std::string(child_of<QPushButton>(&console, "Button7")->text().toStdString()), "AT&&W Send");
}

TEST_F(GsmConsole, ChangePinSendsCurrentThenNewAndRefusesWhatIsNoPin)
{
    edit("Edit10")->setText("1234");
    edit("Edit11")->setText("98765432");
    EXPECT_EQ(press("Button33"), std::vector<std::string>{"AT+CPWD=\"SC\",\"1234\",\"98765432\"" + cr});
    EXPECT_TRUE(dialogs.boxes.empty());

    const std::vector<std::pair<const char*, const char*>> wrong = {
        {"Edit10", ""}, {"Edit10", "123"}, {"Edit10", "12a4"}, {"Edit11", "123456789"}, {"Edit11", "7 06"},
    };
    for (const auto& [field, text] : wrong) {
        SCOPED_TRACE(std::string(field) + "=" + text);
        edit("Edit10")->setText("1234");
        edit("Edit11")->setText("5678");
        edit(field)->setText(text);
        dialogs.boxes.clear();
        EXPECT_TRUE(press("Button33").empty());
        EXPECT_EQ(dialogs.boxes.size(), 1u);
        if (std::string(field) == "Edit10") {
            EXPECT_TRUE(press("Button30").empty());
            EXPECT_TRUE(press("Button32").empty());
        }
    }
}

TEST_F(GsmConsole, DebugLinesGoWholeToTheMaster)
{
    const std::string seventy(70, 'A');
    edit("Edit_d5")->setText(QString::fromStdString(seventy));
    // The whole line and its CR go to the master; the module resource keeps 58 bytes.
    EXPECT_EQ(press("bt_send_d5"), std::vector<std::string>{seventy + cr});
}

TEST_F(GsmConsole, ModemCommandsLogStartCountdownsAndCallTheMaster)
{
    press("Button19");
    EXPECT_EQ(recording.joined(), "start_control(241)");
    EXPECT_EQ(recorded::log_lines(), (std::vector<std::string>{"START   : GSM POWER ON",
                                                               "GSM is booting up, please wait at least 5 seconds"}));
    press("Button20");
    EXPECT_EQ(recording.joined(), "start_control(240)");
    press("Button24");
    EXPECT_EQ(recording.joined(), "start_control(242)");
    press("Button28");
    EXPECT_EQ(recording.joined(), "start_control(242)");
    recorded::clear_log();
    press("Button9");
    EXPECT_EQ(recording.joined(), "start_control(243)");
    EXPECT_EQ(recorded::log_lines(), (std::vector<std::string>{"START   : Hard reset",
                                                               "Hard reset, please wait at least 5 seconds"}));
    recorded::clear_log();
    EXPECT_EQ(press("Button8"), std::vector<std::string>{"AT+CPWROFF" + cr});
    EXPECT_EQ(recorded::log_lines(), std::vector<std::string>{"GSM is stopping, please wait at least 5 seconds"});
    recording.refuse = true;
    recorded::clear_log();
    press("Button19");
    EXPECT_TRUE(recorded::log_contains("ERROR : modem command 241 not started : no logger is connected"));
}

TEST_F(GsmConsole, CountdownsCountFiveToOneAndHideOnTheSixthTick)
{
    QLabel* power_on = label("GSM_power_on_wait_timeout");
    QLabel* reset = label("GSM_reset_wait_timeout");
    EXPECT_FALSE(power_on->isVisibleTo(&console));
    press("Button9");
    EXPECT_TRUE(reset->isVisibleTo(&console));
    EXPECT_EQ(reset->text().toStdString(), "Wait: 5 sec");
    EXPECT_FALSE(power_on->isVisibleTo(&console));

    press("Button19");
    std::vector<std::string> seen;
    for (int tick = 0; tick < 2; ++tick) {
        console.gsm_console_countdown_tick();
        seen.push_back(power_on->text().toStdString());
    }
    // Pressed again while counting: it goes on from where it was.
    press("Button19");
    for (int tick = 0; tick < 4; ++tick) {
        console.gsm_console_countdown_tick();
        seen.push_back(power_on->isVisibleTo(&console) ? power_on->text().toStdString() : "hidden");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Wait: 5 sec", "Wait: 4 sec", "Wait: 3 sec", "Wait: 2 sec",
                                              "Wait: 1 sec", "hidden"}));
    EXPECT_FALSE(reset->isVisibleTo(&console));
    // Started afresh it counts from five again.
    press("Button19");
    console.gsm_console_countdown_tick();
    EXPECT_EQ(power_on->text().toStdString(), "Wait: 5 sec");
}

TEST_F(GsmConsole, ToggleShowsBelowTheGivenCornerThenHides)
{
    console.toggle_gsm_console(100, 40);
    EXPECT_TRUE(console.isVisible());
    EXPECT_EQ(console.pos(), QPoint(40, 100));
    for (int page = 0; page < 3; ++page) {
        child_of<QTabWidget>(&console, "PageControl1")->setCurrentIndex(page);
        save_grab(&console, "gsm_console_page" + std::to_string(page));
    }
    console.toggle_gsm_console(100, 40);
    EXPECT_FALSE(console.isVisible());

    // Below a main window that fills the screen: moved up onto it, whole.
    const QRect screen = console.screen()->availableGeometry();
    for (const QPoint corner : {QPoint(40, 810), QPoint(1300, 700), QPoint(-50, -20)}) {
        console.toggle_gsm_console(corner.y(), corner.x());
        EXPECT_TRUE(screen.contains(console.frameGeometry())) << corner.x() << "," << corner.y();
        console.toggle_gsm_console(0, 0);
    }
    EXPECT_EQ(console.pos().x(), 0);
}

}  // namespace
