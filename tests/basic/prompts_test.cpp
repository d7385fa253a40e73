// The prompt dialogs, answered through their own keys and buttons once their
// modal loop runs: what each hands back, and the input each refuses.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "programs/basic/wask_pulse.h"
#include "programs/basic/wask_snr.h"
#include "programs/basic/wdownload_select.h"
#include "tests/basic/basic_test_support.h"
#include "tests/support/recording_program.h"
#include "ui/formask.h"

namespace {

class Prompts : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }
    void SetUp() override { recorded::clear_log(); }
};

// Types text into the dialog's field (its old text selected first), then
// presses key in it, or clicks the button of that name.
void answer(QWidget* dialog, const char* field, const QString& text, int key, const char* button = nullptr)
{
    auto* edit = child_of<QLineEdit>(dialog, field);
    edit->selectAll();
    edit->insert(text);
    if (button)
        child_of<QPushButton>(dialog, button)->click();
    else
        type_key(edit, key);
}

TEST_F(Prompts, ValuePromptTakesOnlyAWholeNumberInRangeOrTheIntervalsSeconds)
{
    TFormAsk ask;
    struct Tcase {
        std::string typed;
        int key;
        int expected;  // -1: refused (or cancelled), the dialog left by Escape
    };
    // -1 is Cancel: no number that the field takes may share it.
    const Tcase numbers[] = {
        {" +42", Qt::Key_Return, 42},   {"0", Qt::Key_Enter, 0},        {"2147483647", Qt::Key_Return, 2147483647},
        {"-5", Qt::Key_Return, -1},     {"4294967296", Qt::Key_Return, -1}, {"4294967295", Qt::Key_Return, -1},
        {"2147483648", Qt::Key_Return, -1}, {"12ab", Qt::Key_Return, -1}, {"1e6", Qt::Key_Return, -1},
        {"1,5", Qt::Key_Return, -1},    {"", Qt::Key_Enter, -1},         {std::string(64, '1'), Qt::Key_Return, -1},
        {"77", Qt::Key_Escape, -1},
    };
    for (const Tcase& c : numbers) {
        const std::string typed = c.typed;
        const bool refused = c.expected == -1 && c.key != Qt::Key_Escape;
        when_modal([&](QWidget* dialog) {
            EXPECT_EQ(child_of<QLabel>(dialog, "lb_texte")->text().toStdString(), "ACQ counter");
            EXPECT_TRUE(child_of<QLineEdit>(dialog, "ed_SNR")->isVisible());
            EXPECT_FALSE(child_of<QComboBox>(dialog, "ComboBox1")->isVisible());
            EXPECT_FALSE(child_of<QLabel>(dialog, "lb_error")->isVisible());
            answer(dialog, "ed_SNR", QString::fromStdString(typed), c.key);
            if (!refused) {
                EXPECT_FALSE(dialog->isVisible()) << typed << " was refused";
                if (dialog->isVisible())
                    static_cast<QDialog*>(dialog)->done(0);
                return;
            }
            // Still open, naming the field, what was typed and the range.
            EXPECT_TRUE(dialog->isVisible());
            const std::string why = child_of<QLabel>(dialog, "lb_error")->text().toStdString();
            EXPECT_EQ(why, "ACQ counter: \"" + typed + "\" is no whole number from 0 to 2147483647");
            if (typed == "-5")
                save_grab(dialog, "basic_ask_value_refused");
            type_key(child_of<QLineEdit>(dialog, "ed_SNR"), Qt::Key_Escape);
        });
        EXPECT_EQ(ask.ask_value("ACQ counter", 0), c.expected) << typed;
    }
    // A refused text, then one corrected in the same dialog: the corrected one.
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_SNR", "12ab", Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        answer(dialog, "ed_SNR", "12", Qt::Key_Return);
    });
    EXPECT_EQ(ask.ask_value("ACQ counter", 0), 12);
    when_modal([](QWidget* dialog) { answer(dialog, "ed_SNR", "5", 0, "bt_Cancel"); });
    EXPECT_EQ(ask.ask_value(nullptr, 0), -1);

    when_modal([](QWidget* dialog) {
        auto* list = child_of<QComboBox>(dialog, "ComboBox1");
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->count(), 10);
        save_grab(dialog, "basic_ask_interval");
        child_of<QPushButton>(dialog, "bt_OK")->click();
    });
    EXPECT_EQ(ask.ask_value("ACQ Interval", 1), -1);
    when_modal([](QWidget* dialog) {
        auto* list = child_of<QComboBox>(dialog, "ComboBox1");
        list->setCurrentIndex(list->findText("6 Hours"));
        type_key(list, Qt::Key_Return);
    });
    EXPECT_EQ(ask.ask_value("ACQ Interval", 1), 21600);
}

// Enter pressed on a button of a modal prompt: that button's answer, never
// the prompt's confirmation. A dialog left open fails and is closed.
void enter_on(QWidget* dialog, const char* button)
{
    type_key(child_of<QPushButton>(dialog, button), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible()) << button << ": Enter did nothing";
    if (dialog->isVisible())
        static_cast<QDialog*>(dialog)->done(0);
}

TEST_F(Prompts, EnterOnAFocusedButtonPressesThatButtonInEveryPrompt)
{
    TFormAsk ask;
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_SNR", "123456", 0);
        enter_on(dialog, "bt_Cancel");
    });
    EXPECT_EQ(ask.ask_value("ACQ counter", 0), -1);
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_SNR", "42", 0);
        enter_on(dialog, "bt_OK");
    });
    EXPECT_EQ(ask.ask_value("ACQ counter", 0), 42);

    // A serial number is programmed for good: Cancel must drop it.
    TFormAskSnr snr;
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_SNR", "123456", 0);
        enter_on(dialog, "bt_Cancel");
    });
    EXPECT_EQ(snr.ask_snr(), 0u);
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_SNR", "123456", 0);
        enter_on(dialog, "bt_OK");
    });
    EXPECT_EQ(snr.ask_snr(), 123456u);

    TFdowload_select select;
    int32_t start = -1;
    int32_t count = -1;
    uint8_t incremental = 9;
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_start_download", "4096", 0);
        enter_on(dialog, "bt_cancel");
    });
    EXPECT_FALSE(select.ask_download_range(&start, &count, &incremental));
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_count", "10", 0);
        enter_on(dialog, "bt_range");
    });
    ASSERT_TRUE(select.ask_download_range(&start, &count, &incremental));
    EXPECT_EQ((std::vector<int>{start, count, incremental}), (std::vector<int>{4096, 10, 0}));
    // Enter in a field of this prompt chooses nothing: it has five answers.
    when_modal([](QWidget* dialog) {
        type_key(child_of<QLineEdit>(dialog, "ed_count"), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        enter_on(dialog, "Button1");
    });
    ASSERT_TRUE(select.ask_download_range(&start, &count, &incremental));
    EXPECT_EQ(incremental, 1);

    Tcalyxo_master master;
    TFormAsk_pulse pulse(master);
    pulse.pulse_dialog_show();
    type_key(child_of<QPushButton>(&pulse, "bt_Cancel"), Qt::Key_Return);
    EXPECT_FALSE(pulse.isVisible());
    EXPECT_TRUE(recorded::log_lines().empty());
    pulse.pulse_dialog_show();
    type_key(child_of<QLineEdit>(&pulse, "ed_SNR"), Qt::Key_Return);
    EXPECT_TRUE(pulse.isVisible());
    type_key(child_of<QPushButton>(&pulse, "bt_OK"), Qt::Key_Return);
    EXPECT_FALSE(pulse.isVisible());
    EXPECT_EQ(recorded::log_lines(),
              std::vector<std::string>{"ERROR : pulse meter programming not started : no logger is connected"});
    event_remove_resource(&master);
}

TEST(SerialNumberText, OnlyDigitsAfterAnOptionalSAreASerialNumber)
{
    struct Tcase {
        const char* text;
        bool accepted;
        uint32_t value;
    };
    const Tcase cases[] = {
        {"S00701529", true, 701529}, {"701529", true, 701529},   {" 42 ", true, 42},     {"4294967295", true, 4294967295u},
        {"0", true, 0},              {"7O1529", false, 0},       {"s00701529", false, 0}, {"", false, 0},
        {"S", false, 0},             {"4294967296", false, 0},   {"-5", false, 0},        {"+5", false, 0},
        {"12 34", false, 0},         {"SS12", false, 0},         {"99999999999999999999", false, 0},
    };
    for (const Tcase& c : cases) {
        uint32_t value = 12345;
        const char* why = nullptr;
        EXPECT_EQ(read_serial_number(c.text, &value, &why), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(why, nullptr) << c.text;
        } else {
            EXPECT_EQ(value, 12345u) << c.text;
            EXPECT_NE(why, nullptr) << c.text;
        }
    }
}

TEST_F(Prompts, SerialNumberPromptKeepsItsDialogOpenOnAWrongNumber)
{
    TFormAskSnr ask;
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_SNR", "7O1529", Qt::Key_Return);
        // Still open, saying why, and nothing handed back yet.
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(child_of<QLabel>(dialog, "lb_error")->text().isEmpty());
        save_grab(dialog, "basic_ask_snr_refused");
        answer(dialog, "ed_SNR", "S00701529", Qt::Key_Return);
    });
    EXPECT_EQ(ask.ask_snr(), 701529u);

    // The previous entry stays; Escape gives 0.
    when_modal([](QWidget* dialog) {
        EXPECT_EQ(child_of<QLineEdit>(dialog, "ed_SNR")->text().toStdString(), "S00701529");
        EXPECT_TRUE(child_of<QLabel>(dialog, "lb_error")->text().isEmpty());
        type_key(child_of<QLineEdit>(dialog, "ed_SNR"), Qt::Key_Escape);
    });
    EXPECT_EQ(ask.ask_snr(), 0u);
    when_modal([](QWidget* dialog) { answer(dialog, "ed_SNR", "12", 0, "bt_Cancel"); });
    EXPECT_EQ(ask.ask_snr(), 0u);
}

// A field is taken only as a whole number from 0 to 2147483647; any other text
// keeps the dialog open with a line that names the field, and nothing is chosen.
TEST_F(Prompts, DownloadFieldsTakeOnlyAWholeNumberInRange)
{
    struct Tcase {
        const char* text;
        bool accepted;
        int32_t value;
    };
    const Tcase cases[] = {
        {"4096", true, 4096},   {"  +100", true, 100},  {"2147483647", true, 2147483647},
        {"12ab", false, 0},     {"abc", false, 0},      {"", false, 0},
        {"1e6", false, 0},      {"1,5", false, 0},      {"0x10", false, 0},
        {"-0", false, 0},       {"-1", false, 0},       {" -4096", false, 0},
        {"2147483648", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const Tcase& c : cases) {
        for (const char* field : {"ed_start_download", "ed_count"}) {
            SCOPED_TRACE(std::string(field) + " \"" + c.text + "\"");
            TFdowload_select select;
            int32_t start = -7;
            int32_t count = -7;
            bool refused = false;
            when_modal([&](QWidget* dialog) {
                answer(dialog, "ed_start_download", "10", 0);
                answer(dialog, "ed_count", "20", 0);
                answer(dialog, field, c.text, 0, "bt_range");
                if (!dialog->isVisible())
                    return;
                refused = true;
                const std::string line = child_of<QLabel>(dialog, "lb_error")->text().toStdString();
                EXPECT_NE(line.find(field == std::string("ed_count") ? "Count" : "Start Address"), std::string::npos)
                    << line;
                EXPECT_NE(line.find("2147483647"), std::string::npos) << line;
                child_of<QPushButton>(dialog, "bt_cancel")->click();
            });
            EXPECT_EQ(select.ask_download_range(&start, &count, nullptr), c.accepted);
            EXPECT_EQ(refused, !c.accepted);
            if (c.accepted) {
                EXPECT_EQ(field == std::string("ed_count") ? count : start, c.value);
            }
        }
    }
}

TEST_F(Prompts, DownloadPromptGivesEachButtonsChoiceAndRefusesNegativeFields)
{
    TFdowload_select select;
    int32_t start = -1;
    int32_t count = -1;
    uint8_t incremental = 9;
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_start_download", "4096", 0);
        answer(dialog, "ed_count", "100", 0, "bt_range");
    });
    ASSERT_TRUE(select.ask_download_range(&start, &count, &incremental));
    EXPECT_EQ(start, 4096);
    EXPECT_EQ(count, 100);
    EXPECT_EQ(incremental, 0);

    when_modal([](QWidget* dialog) { child_of<QPushButton>(dialog, "Button1")->click(); });
    ASSERT_TRUE(select.ask_download_range(&start, &count, &incremental));
    EXPECT_EQ((std::vector<int>{start, count, incremental}), (std::vector<int>{0, 0, 1}));

    select.set_download_start(8192);
    when_modal([](QWidget* dialog) {
        EXPECT_EQ(child_of<QLineEdit>(dialog, "ed_start_download")->text().toStdString(), "8192");
        child_of<QPushButton>(dialog, "bt_up_to")->click();
    });
    ASSERT_TRUE(select.ask_download_range(&start, &count, nullptr));
    EXPECT_EQ((std::vector<int>{start, count}), (std::vector<int>{8192, 0}));

    when_modal([](QWidget* dialog) { child_of<QPushButton>(dialog, "bt_all")->click(); });
    ASSERT_TRUE(select.ask_download_range(&start, &count, &incremental));
    EXPECT_EQ((std::vector<int>{start, count, incremental}), (std::vector<int>{0, 0, 0}));

    // A negative count would reach the master as 4294967295 bytes.
    when_modal([](QWidget* dialog) {
        answer(dialog, "ed_start_download", "10", 0);
        answer(dialog, "ed_count", "-1", 0, "bt_range");
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_NE(child_of<QLabel>(dialog, "lb_error")->text().toStdString().find("Count"), std::string::npos);
        answer(dialog, "ed_start_download", "-4096", 0, "bt_up_to");
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_NE(child_of<QLabel>(dialog, "lb_error")->text().toStdString().find("Start Address"),
                  std::string::npos);
        save_grab(dialog, "basic_download_select_refused");
        type_key(child_of<QLineEdit>(dialog, "ed_count"), Qt::Key_Escape);
    });
    start = count = -5;
    // Cancelled: false, with the last confirmed choice written.
    EXPECT_FALSE(select.ask_download_range(&start, &count, &incremental));
    EXPECT_EQ((std::vector<int>{start, count, incremental}), (std::vector<int>{0, 0, 0}));
    when_modal([](QWidget* dialog) { child_of<QPushButton>(dialog, "bt_cancel")->click(); });
    EXPECT_FALSE(select.ask_download_range(nullptr, nullptr, nullptr));
}

TEST_F(Prompts, PulseDialogTakesTheWeightsAndProgramsOnlyWhenTheMasterStarts)
{
    Tcalyxo_master master;
    TFormAsk_pulse pulse(master);
    auto* weight = child_of<QComboBox>(&pulse, "cb_weight");
    EXPECT_EQ(pulse.windowTitle().toStdString(), "Compteur \xC3\xA0 impulsion");
    struct Tcase {
        const char* text;
        int entry;
    };
    for (const Tcase& c : {Tcase{"0.010000", 2}, Tcase{"2.000000", 0}, Tcase{"0.100000", 1}, Tcase{"1", 0},
                           Tcase{"0.01", 2}}) {
        pulse.pulse_dialog_set(2, c.text);
        EXPECT_EQ(weight->currentIndex(), c.entry) << c.text;
    }
    pulse.pulse_dialog_set(2, nullptr);
    pulse.pulse_dialog_set(7, "0.1");
    EXPECT_EQ(weight->currentIndex(), 2);

    // A serial number that is no number is refused in the dialog, which stays
    // open: «7O1529» would be programmed as 7.
    pulse.pulse_dialog_show();
    for (const char* wrong : {"7O1529", "", "12 34", "-5", "4294967296"}) {
        pulse.pulse_dialog_set(1, wrong);
        child_of<QPushButton>(&pulse, "bt_OK")->click();
        EXPECT_TRUE(pulse.isVisible()) << wrong;
        EXPECT_FALSE(child_of<QLabel>(&pulse, "lb_error")->text().isEmpty()) << wrong;
        EXPECT_TRUE(recorded::log_lines().empty()) << wrong;
    }
    save_grab(&pulse, "basic_pulse_dialog_refused");
    pulse.hide();

    // Not connected: the master refuses, and the log says so instead of
    // claiming the meter was programmed.
    pulse.pulse_dialog_set(1, "1234");
    pulse.pulse_dialog_set(0, "0.29");
    weight->setCurrentIndex(1);
    pulse.pulse_dialog_show();
    save_grab(&pulse, "basic_pulse_dialog");
    child_of<QPushButton>(&pulse, "bt_OK")->click();
    EXPECT_FALSE(pulse.isVisible());
    EXPECT_EQ(recorded::log_lines(),
              std::vector<std::string>{"ERROR : pulse meter programming not started : no logger is connected"});

    // Connected and idle: the write starts and is logged with its values.
    Tmodule_resource module;
    master.module = &module;
    master.link_state = Tcalyxo_master::LINK_CONNECTED;
    recorded::clear_log();
    pulse.pulse_dialog_show();
    child_of<QPushButton>(&pulse, "bt_OK")->click();
    EXPECT_TRUE(recorded::log_contains("INFO  : Programming pulse meter SNR=1234 index=0.290000, weight=0.100000"));
    EXPECT_FLOAT_EQ(master.pulse_weight, 0.1f);
    EXPECT_EQ(master.pulse_snr, 1234u);
    EXPECT_EQ(master.pulse_index_value, 3u);

    // Busy now: refused, and said why.
    recorded::clear_log();
    child_of<QPushButton>(&pulse, "bt_OK")->click();
    EXPECT_EQ(recorded::log_lines(),
              std::vector<std::string>{"ERROR : pulse meter programming not started : an operation is running"});

    // Cancel and Escape only hide.
    pulse.pulse_dialog_show();
    type_key(child_of<QLineEdit>(&pulse, "ed_SNR"), Qt::Key_Escape);
    EXPECT_FALSE(pulse.isVisible());
    pulse.pulse_dialog_show();
    child_of<QPushButton>(&pulse, "bt_Cancel")->click();
    EXPECT_FALSE(pulse.isVisible());
    event_remove_resource(&master);
    master.module = nullptr;
}

}  // namespace
