// The "COM configuration" page: values into their fields by key, the read
// that empties them first, the write that sends each field in its order, and
// the fields the logger cannot use refused before anything is sent.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <string>
#include <vector>

#include "base/my_string.h"
#include "link/calyxo_master.h"
#include "link/module_view.h"
#include "platform/manual_signal_window.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/basic/com_page.h"
#include "programs/basic/wmain.h"
#include "tests/basic/basic_test_support.h"
#include "tests/basic/recording_commands.h"
#include "tests/support/recording_program.h"

namespace {

class ComPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }
    void SetUp() override
    {
        event_queue_attach(&pump);
        child_of<QTimer>(&window, "Timer1")->stop();
        child_of<QTimer>(&window, "Timer2")->stop();
        window.setCommandMaster(&recording);
        recorded::clear_log();
    }
    void TearDown() override
    {
        pump.pumpAll();
        event_queue_detach();
    }
    QLineEdit* edit(const char* name) { return child_of<QLineEdit>(&window, name); }
    // A complete set of settings as a read brings them.
    void readBack()
    {
        const std::vector<std::pair<const char*, const char*>> values = {
            {"GSM_INTERVAL", "7200"}, {"HTTP_PORT", "80"},         {"PIN_CODE", "1234"},
            {"HTTP_HOST", "data.example.org"}, {"HTTP_URL", "/in"}, {"APN_USERNAME", "au"},
            {"APN_PASSWORD", "ap"},   {"APN", "internet"},         {"USERNAME", "su"},
            {"PASSWORD", "sp"},       {"GPRS_MAX_DATA_SIZE", "20000"},
        };
        for (const auto& [key, value] : values)
            window.show_com_setting(key, value);
    }

    Tmanual_signal_window pump;
    Trecording_dialogs dialogs;
    Tcalyxo_master master;
    TFmain window{master};
    Trecording_master recording;
};

TEST_F(ComPage, SettingsGoIntoTheFieldOfTheirKeyWithoutRegardToCase)
{
    auto* upload = child_of<QPushButton>(&window, "Button3");
    EXPECT_FALSE(upload->isEnabled());
    window.show_com_setting("apn", "internet.provider");
    window.show_com_setting("APN_USER", "nobody");
    for (const TFcom_page::Tfield& field : TFcom_page::fields)
        EXPECT_EQ(edit(field.name)->text().toStdString(),
                  std::string(field.name) == "ed_APN" ? "internet.provider" : "")
            << field.name;
    EXPECT_TRUE(upload->isEnabled());
}

TEST_F(ComPage, ReadEmptiesEveryFieldFirstAndAsksForPageSix)
{
    readBack();
    child_of<QPushButton>(&window, "Button2")->click();
    for (const TFcom_page::Tfield& field : TFcom_page::fields)
        EXPECT_TRUE(edit(field.name)->text().isEmpty()) << field.name;
    EXPECT_FALSE(child_of<QPushButton>(&window, "Button3")->isEnabled());
    EXPECT_EQ(recording.joined(), "start_eeprom_download(64,0)");
    EXPECT_EQ(recorded::log_lines(), std::vector<std::string>{"START   : EEPROM download (COM)"});

    recorded::clear_log();
    recording.refuse = true;
    child_of<QPushButton>(&window, "Button2")->click();
    EXPECT_TRUE(recorded::log_contains("ERROR : Read current COM settings not started : no logger is connected"));
}

TEST_F(ComPage, WriteConfirmsThenSendsEveryFieldInOrder)
{
    readBack();
    edit("ed_APN")->setText("web.sim");
    dialogs.box_answers = {Tbox_answer::cancel, Tbox_answer::ok};
    child_of<QPushButton>(&window, "Button3")->click();
    EXPECT_TRUE(recording.calls.empty());
    child_of<QPushButton>(&window, "Button3")->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].buttons, Tbox_buttons::ok_cancel);
    EXPECT_EQ(recording.joined(),
              "setParameter(GSM_INTERVAL,7200); setParameter(PIN_CODE,1234); "
              "setParameter(HTTP_HOST,data.example.org); setParameter(HTTP_PORT,80); setParameter(HTTP_URL,/in); "
              "setParameter(APN_USERNAME,au); setParameter(APN_PASSWORD,ap); setParameter(APN,web.sim); "
              "setParameter(USERNAME,su); setParameter(PASSWORD,sp); setParameter(GPRS_MAX_DATA_SIZE,20000); "
              "start_com_settings_upload()");
    EXPECT_TRUE(recorded::log_contains("START   : EEPROM change & upload (COM)"));
}

TEST_F(ComPage, FieldsTheLoggerCannotUseAreRefusedAndNothingIsSent)
{
    struct Tcase {
        const char* field;
        const char* text;
        const char* named;
    };
    const Tcase cases[] = {
        {"ed_port", "8080", "port"},          {"ed_port", "", "port"},
        {"ed_port", "0", "port"},             {"ed_GSM_INTERVAL", "0", "GSM_INTERVAL"},
        {"ed_GSM_INTERVAL", "", "GSM_INTERVAL"}, {"ed_APN", "", "APN"},
        {"ed_HTTP_HOST", "", "HTTP_HOST"},    {"ed_PIN", "12", "PIN"},
        {"ed_PIN", "12a4", "PIN"},            {"ed_PIN", "123456789", "PIN"},
        {"ed_MAX_DATA_SIZE", "lots", "MAX_DATA_SIZE"},
    };
    for (const Tcase& entry : cases) {
        SCOPED_TRACE(std::string(entry.field) + "=" + entry.text);
        readBack();
        dialogs.boxes.clear();
        edit(entry.field)->setText(entry.text);
        child_of<QPushButton>(&window, "Button3")->click();
        EXPECT_TRUE(recording.calls.empty());
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_NE(dialogs.boxes[0].text.find(entry.named), std::string::npos) << dialogs.boxes[0].text;
    }
    // An empty PIN (a SIM without one) and the largest port are fine.
    readBack();
    edit("ed_PIN")->setText("");
    edit("ed_port")->setText("255");
    child_of<QPushButton>(&window, "Button3")->click();
    EXPECT_EQ(recording.calls.back(), "start_com_settings_upload()");
    window.show();
    child_of<QTabWidget>(&window, "PageControl1")->setCurrentIndex(4);
    save_grab(&window, "com_page_values");
}

}  // namespace
