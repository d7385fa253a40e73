// The numeric channels of gui_set and the modem lines of the dump decoder,
// each id against the widget it reaches.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <string>
#include <vector>

#include "link/basicio_dump.h"
#include "link/calyxo_master.h"
#include "programs/basic/gui_channels.h"
#include "programs/basic/wask_pulse.h"
#include "programs/basic/wmain.h"
#include "programs/basic/wpending.h"
#include "programs/basic/wprogress.h"
#include "tests/basic/basic_test_support.h"
#include "tests/support/recording_program.h"

namespace {

const char* const all_images[] = {"img_on",   "img_off",  "img_pin",  "img_puk",  "img_pin_ok",    "img_csq_qm",
                                  "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4",      "img_csq5",
                                  "img_gprs", "img_3g",   "img_4g",   "img_connected", "img_connecting", "img_done"};

class GuiChannels : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }

    void SetUp() override
    {
        targets.main = &main;
        targets.pending = &pending;
        targets.progress = &progress;
        targets.pulse = &pulse;
        main.startPanels();
    }

    void set(int id, const char* text) { gui_channel_set(targets, id, text); }

    // The names of the modem pictures that show.
    std::vector<std::string> shown() const
    {
        std::vector<std::string> names;
        for (const char* name : all_images)
            if (main.modemImage(name)->isVisibleTo(&main))
                names.emplace_back(name);
        return names;
    }
    void showOnly(std::initializer_list<const char*> names)
    {
        for (const char* name : all_images)
            main.modemImage(name)->setVisible(false);
        for (const char* name : names)
            main.modemImage(name)->setVisible(true);
    }

    QLabel* label(QWidget* form, const char* name) { return child_of<QLabel>(form, name); }

    Tcalyxo_master master;
    TFmain main{master};
    TFpending pending{master};
    TFprogress progress{master};
    TFormAsk_pulse pulse{master};
    Tgui_targets targets;
};

TEST_F(GuiChannels, SignalBarsFollowTheCsqRanges)
{
    struct Tcase {
        const char* text;
        const char* image;
    };
    const Tcase cases[] = {
        {"-1", "img_csq_qm"}, {"0", "img_csq0"},   {"2", "img_csq0"},    {"3", "img_csq1"},    {"5", "img_csq1"},
        {"6", "img_csq2"},    {"9", "img_csq2"},   {"10", "img_csq3"},   {"16", "img_csq3"},   {"17", "img_csq4"},
        {"24", "img_csq4"},   {"25", "img_csq5"},  {"31", "img_csq5"},   {"32", "img_csq_qm"}, {"99", "img_csq_qm"},
        {"abc", "img_csq0"},  {nullptr, "img_csq0"}, {" 1 7", "img_csq4"},
    };
    for (const Tcase& c : cases) {
        showOnly({"img_on", "img_csq3", "img_gprs"});
        set(50, c.text);
        // One picture of the signal group, the other groups untouched.
        const std::string signal = c.image;
        std::vector<std::string> expected{"img_on"};
        if (signal == "img_csq_qm")
            expected.push_back(signal);
        for (const char* bar : {"img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4", "img_csq5"})
            if (signal == bar)
                expected.emplace_back(bar);
        expected.emplace_back("img_gprs");
        EXPECT_EQ(shown(), expected) << (c.text ? c.text : "null");
    }
    main.show();
    save_grab(&main, "basic_main_signal_bars");
}

TEST_F(GuiChannels, ModemStatesShowAndHideTheirPictures)
{
    struct Tcase {
        const char* text;
        std::vector<std::string> after;
    };
    // Each case starts from every picture shown, so what is hidden shows too.
    const std::vector<Tcase> cases = {
        {"COM_POWER_ON", {"img_on", "img_csq_qm"}},
        {"COM_POWER_OFF", {"img_off"}},
        {"COM_SIM_PIN", {"img_pin", "img_csq_qm", "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4",
                         "img_csq5", "img_gprs", "img_3g", "img_4g", "img_connected", "img_connecting", "img_done"}},
        {"COM_SIM_PUK", {"img_puk", "img_csq_qm", "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4",
                         "img_csq5", "img_gprs", "img_3g", "img_4g", "img_connected", "img_connecting", "img_done"}},
        {"COM_SIM_READY", {"img_pin_ok", "img_csq_qm", "img_csq0", "img_csq1", "img_csq2", "img_csq3", "img_csq4",
                           "img_csq5", "img_gprs", "img_3g", "img_4g", "img_connected", "img_connecting",
                           "img_done"}},
        {"com_gprs", {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0", "img_csq1",
                      "img_csq2", "img_csq3", "img_csq4", "img_csq5", "img_gprs", "img_connected", "img_connecting",
                      "img_done"}},
        {"COM_3G", {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0", "img_csq1",
                    "img_csq2", "img_csq3", "img_csq4", "img_csq5", "img_3g", "img_connected", "img_connecting",
                    "img_done"}},
        {"COM_4G", {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0", "img_csq1",
                    "img_csq2", "img_csq3", "img_csq4", "img_csq5", "img_4g", "img_connected", "img_connecting",
                    "img_done"}},
        {"COM_CONNECTED", {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0",
                           "img_csq1", "img_csq2", "img_csq3", "img_csq4", "img_csq5", "img_gprs", "img_3g",
                           "img_4g", "img_connected"}},
        {"COM_CONNECTING", {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0",
                            "img_csq1", "img_csq2", "img_csq3", "img_csq4", "img_csq5", "img_gprs", "img_3g",
                            "img_4g", "img_connecting"}},
        {"COM_DONE", {"img_on", "img_off", "img_pin", "img_puk", "img_pin_ok", "img_csq_qm", "img_csq0", "img_csq1",
                      "img_csq2", "img_csq3", "img_csq4", "img_csq5", "img_gprs", "img_3g", "img_4g", "img_done"}},
    };
    std::vector<std::string> everything(std::begin(all_images), std::end(all_images));
    for (const Tcase& c : cases) {
        for (const char* name : all_images)
            main.modemImage(name)->setVisible(true);
        set(51, c.text);
        EXPECT_EQ(shown(), c.after) << c.text;
    }
    for (const char* unchanged : {"COM_REG2", "COM_REG0", "", "POWER_ON"}) {
        showOnly({"img_on", "img_csq2"});
        set(51, unchanged);
        EXPECT_EQ(shown(), (std::vector<std::string>{"img_on", "img_csq2"})) << unchanged;
    }
    set(51, nullptr);
    EXPECT_EQ(shown(), (std::vector<std::string>{"img_on", "img_csq2"}));
}

TEST_F(GuiChannels, PendingProgressOperationAndPulseChannels)
{
    set(52, "Please wait a few seconds...");
    EXPECT_EQ(label(&pending, "Label1")->text().toStdString(), "Please wait a few seconds...");
    set(52, nullptr);
    EXPECT_EQ(label(&pending, "Label1")->text().toStdString(), "Please wait a few seconds...");
    set(53, "SHOW");
    EXPECT_TRUE(pending.isVisible());
    for (int i = 0; i < 7; ++i)
        pending.pending_tick();
    EXPECT_EQ(label(&pending, "lb_time")->text().toStdString(), "00:07");
    set(53, "show");  // again, while shown: the time starts afresh
    EXPECT_EQ(label(&pending, "lb_time")->text().toStdString(), "00:00");
    set(53, "other");
    EXPECT_TRUE(pending.isVisible());
    save_grab(&pending, "basic_pending");
    set(53, "hide");
    EXPECT_FALSE(pending.isVisible());

    auto* gauge = child_of<QProgressBar>(&progress, "progress_gauge");
    set(54, "INFO    : Downloading 4096 bytes, please wait. Minimum required time is 5 sec");
    EXPECT_EQ(label(&progress, "Label1")->text().toStdString(),
              "INFO    : Downloading 4096 bytes, please wait. Minimum required time is 5 sec");
    set(55, "SHOW");
    EXPECT_TRUE(progress.isVisible());
    set(55, "50%");
    EXPECT_EQ(gauge->value(), 50);
    save_grab(&progress, "basic_progress");
    set(55, nullptr);
    EXPECT_EQ(gauge->value(), 0);
    set(55, "100");
    EXPECT_EQ(gauge->value(), 100);
    set(55, "hide");
    EXPECT_FALSE(progress.isVisible());

    auto* panel = child_of<QLabel>(&main, "pl_operation");
    struct Tcase {
        const char* text;
        const char* shown;
        const char* colour;
    };
    const Tcase operations[] = {
        {"acq", "ACQuistion underway", "#73ff73"}, {"GSM", "GSM Communication underway", "#c5c6ff"},
        {"NOP", "---", "#c0c0c0"},                 {"", "---", "#c0c0c0"},
        {"ACQ", "ACQuistion underway", "#73ff73"}, {nullptr, "---", "#c0c0c0"},
    };
    for (const Tcase& c : operations) {
        set(113, c.text);
        EXPECT_EQ(panel->text().toStdString(), c.shown);
        EXPECT_EQ(background_of(panel).name().toStdString(), c.colour);
    }

    set(0, "1234");
    set(1, "701529");
    EXPECT_EQ(child_of<QLineEdit>(&pulse, "ed_index")->text().toStdString(), "1234");
    EXPECT_EQ(child_of<QLineEdit>(&pulse, "ed_SNR")->text().toStdString(), "701529");
    auto* weight = child_of<QComboBox>(&pulse, "cb_weight");
    set(2, "0.100000");
    EXPECT_EQ(weight->currentIndex(), 1);
}

TEST_F(GuiChannels, IdsWithoutAChannelChangeNothing)
{
    set(53, "SHOW");
    set(55, "SHOW");
    set(55, "40");
    set(113, "ACQ");
    showOnly({"img_off"});
    for (int id : {3, 49, 56, 112, 114, -1, -113, 1000}) {
        set(id, "HIDE");
        set(id, "0");
        set(id, "COM_POWER_ON");
    }
    EXPECT_TRUE(pending.isVisible());
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(child_of<QProgressBar>(&progress, "progress_gauge")->value(), 40);
    EXPECT_EQ(label(&main, "pl_operation")->text().toStdString(), "ACQuistion underway");
    EXPECT_EQ(shown(), std::vector<std::string>{"img_off"});
    pending.pending_hide();
    progress.progress_hide();
}

TEST(GsmDumpDisplay, LogsTheLineAndSendsTheSignalOrTheState)
{
    recorded::clear_log();
    recorded::clear_gui();
    Tbasic_gsm_display display;
    display.show_gsm_dump_info(nullptr);
    struct Tcase {
        int code;
        int value;
        const char* text;
        std::vector<std::pair<int, std::string>> sent;
    };
    const std::vector<Tcase> cases = {
        {1, 0, "SIM PIN", {{51, "COM_SIM_PIN"}}},
        {2, 0, "SIM PUK", {{51, "COM_SIM_PUK"}}},
        {3, 0, "SIM READY", {{51, "COM_SIM_READY"}}},
        {4, 0, "reg 0", {{51, "COM_REG0"}}},
        {9, 0, "reg 5", {{51, "COM_REG5"}}},
        {10, 0, "2G", {{51, "COM_GPRS"}}},
        {11, 0, "3G", {{51, "COM_3G"}}},
        {12, 0, "4G", {{51, "COM_4G"}}},
        {13, 17, "+CSQ: 17,0", {{50, "17"}}},
        {13, -3, "+CSQ: ?", {{50, "-3"}}},
        {14, 0, "opening", {{51, "COM_CONNECTING"}}},
        {15, 0, "open", {{51, "COM_CONNECTED"}}},
        {16, 0, "done", {{51, "COM_DONE"}}},
        {17, 0, "closed", {{51, "COM_DONE"}}},
        {18, 0, "power on", {{51, "COM_POWER_ON"}}},
        {19, 0, "power off", {{51, "COM_POWER_OFF"}}},
        {0, 0, "AT+CSQ 100% %s %d", {}},
        {20, 0, "unknown", {}},
        {255, 0, "unknown", {}},
    };
    for (const Tcase& c : cases) {
        recorded::clear_log();
        recorded::clear_gui();
        Tgsm_dump_info info;
        info.state = static_cast<uint8_t>(c.code);
        info.value = c.value;
        info.text.assign(c.text);
        display.show_gsm_dump_info(&info);
        EXPECT_EQ(recorded::log_lines(), std::vector<std::string>{c.text}) << c.code;
        EXPECT_EQ(recorded::gui_calls(), c.sent) << c.code;
    }
}

}  // namespace
