// calyxo_start through its windows, headless: the id binding, the live view
// against the simulated probe, the flow and a standard configuration against
// the simulated logger, each window and chart grabbed to a PNG.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <sstream>

#include "base/log.h"
#include "base/program_interface.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/fpending2.h"
#include "programs/start/windows/start_program.h"
#include "tests/link/link_test_support.h"
#include "tests/start/start_program_fixture.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_application.h"
#include "tests/ui/window_grab.h"
#include "calibration/fluo_sample.h"
#include "data/ruvo_fluo.h"
#include "tools/probe_sim/probe.h"

namespace {

std::string text_of(const QObject* parent, const char* name)
{
    QLabel* label = child<QLabel>(parent, name);
    return label ? label->text().toStdString() : "";
}

struct Tcase_text {
    int id;
    const char* text;
    const char* widget;
    const char* expected;
};

class StartWindows : public Tstart_program_fixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Tstart_program_fixture::SetUp());
        frame->resize(1085, 685);
    }
};

TEST_F(StartWindows, TheFormsComeInTheirOrderAndTheMainWindowIsNamedAndCaptioned)
{
    const auto& forms = program->forms();
    ASSERT_EQ(forms.size(), 7u);
    EXPECT_EQ(forms[0], static_cast<QObject*>(frame));
    EXPECT_EQ(forms[3], static_cast<QObject*>(program->pending));
    EXPECT_EQ(frame->windowTitle().toStdString(), "Calyxo Start - 480315_j03");
    QTabWidget* pages = child<QTabWidget>(frame, "PageControl1");
    ASSERT_EQ(pages->count(), 11);
    EXPECT_EQ(pages->currentWidget()->objectName().toStdString(), "ts_selector");
    EXPECT_TRUE(child<QRadioButton>(frame, "rb_VEXL")->isChecked());
    EXPECT_FALSE(child<QPushButton>(frame, "bt_store")->isEnabled());
    QComboBox* zones = child<QComboBox>(frame, "cb_ttimezone");
    EXPECT_EQ(zones->count(), 26);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        expect_grab(frame, "start_page_" + pages->currentWidget()->objectName().toStdString());
    }
}

// The four picture boxes: a plug on the "USB" panel and page, a gear on the
// "Settings" ones, each drawn (not blank) and 50 pixels square.
TEST_F(StartWindows, TheUsbAndSettingsPanelsAndPagesShowTheirPictures)
{
    auto drawn_pixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        return count;
    };
    std::vector<QImage> pictures;
    for (const char* panel : {"Panel6", "Panel7"}) {
        QPushButton* button = child<QPushButton>(frame, panel);
        ASSERT_FALSE(button->icon().isNull()) << panel;
        EXPECT_EQ(button->iconSize(), QSize(50, 50));
        pictures.push_back(button->icon().pixmap(QSize(50, 50)).toImage());
    }
    for (const char* box : {"Image_usb", "Image_settings"}) {
        QLabel* label = child<QLabel>(frame, box);
        ASSERT_FALSE(label->pixmap().isNull()) << box;
        EXPECT_EQ(label->pixmap().size(), QSize(50, 50));
        pictures.push_back(label->pixmap().toImage());
    }
    for (const QImage& picture : pictures) {
        const int pixels = drawn_pixels(picture);
        EXPECT_GT(pixels, 250);                // something is drawn
        EXPECT_LT(pixels, 50 * 50 - 250);      // on a transparent ground
    }
    EXPECT_EQ(pictures[0], pictures[2]);  // the same plug on panel and page
    EXPECT_EQ(pictures[1], pictures[3]);
    EXPECT_NE(pictures[0], pictures[1]);
    QDir().mkpath(QStringLiteral("grabs"));
    EXPECT_TRUE(pictures[0].save(QStringLiteral("grabs/start_picture_usb.png")));
    EXPECT_TRUE(pictures[1].save(QStringLiteral("grabs/start_picture_settings.png")));
}

TEST_F(StartWindows, TheIdsReachTheirWidgets)
{
    struct Tcase {
        int id;
        const char* text;
        const char* widget;
        const char* expected;
    };
    const Tcase cases[] = {
        {319, "3.61 V", "lb_vbat", "3.61 V"},
        {319, "3.61 V", "lb_acq_vbat", "3.61 V"},
        {72, "900 seconds", "lb_acq_interval", "15 minutes (900 sec)"},
        {73, "45", "lb_gsm_interval", "45 seconds"},
        {83, "12.11.2026 12:00:00", "lb_time", "12.11.2026 12:00:00"},
        {150, "4711", "lb_snr", "4711"},
        {150, "4711", "lb_download_snr", "4711"},
        {2000, "1500.00 [mV*s]", "lb_surface", "1500.00 [mV*s]"},
        {113, "acq", "pl_operation", "ACQuistion underway"},
        {113, "NOP", "pl_operation", "---"},
        {100021, "1", "pl_app_caption", "Fluo View"},
        {100000, "", "pl_app_caption", ""},
    };
    for (const Tcase& c : cases) {
        frame->guiSet(c.id, c.text);
        EXPECT_EQ(text_of(frame, c.widget), c.expected) << c.id;
    }
    // In idle mode the pages of the modes keep their labels.
    frame->guiSet(308, "12.5");
    EXPECT_EQ(text_of(frame, "lb_cal_on_A"), "---");
    EXPECT_EQ(text_of(frame, "lb_lampA_on"), "---");
    EXPECT_EQ(child<QLineEdit>(frame, "fluo_cal_ed_SNR")->text().toStdString(), "4711");

    frame->guiSet(1000, "-3");
    EXPECT_EQ(child<QComboBox>(frame, "cb_ttimezone")->currentText().toStdString(), "UTC-3");
    EXPECT_EQ(frame->guiGet(1000), "-3");
    frame->guiSet(1000, "101");
    EXPECT_EQ(frame->guiGet(1000), "101");

    frame->guiSet(112, "CONNECTED");
    EXPECT_EQ(child<QPushButton>(frame, "bt_conn_disconn")->text().toStdString(), "Disconnect");
    frame->guiSet(49, "klvr");
    EXPECT_EQ(frame->guiGet(49), "KLVR");
    frame->addComPort("COM7", 7);
    frame->guiSet(51, "7");
    EXPECT_EQ(frame->guiGet(51), "7");
    frame->guiSet(111, "1");
    EXPECT_EQ(frame->guiGet(111), "1");
    frame->guiSet(100023, "1");
    EXPECT_EQ(child<QTabWidget>(frame, "PageControl1")->currentWidget()->objectName().toStdString(), "ts_download");

    QProgressBar* bar = child<QProgressBar>(program->pending, "ProgressBar1");
    frame->guiSet(55, "40");
    frame->guiSet(55, "abc");
    EXPECT_EQ(bar->value(), 40);
    frame->guiSet(55, "0");
    EXPECT_EQ(bar->value(), 0);
    frame->guiSet(55, "SHOW");
    EXPECT_TRUE(program->pending->isVisible());
    expect_grab(program->pending, "start_pending");
    frame->guiSet(55, "HIDE");
    EXPECT_FALSE(program->pending->isVisible());

    // The flash gauge: half the flash used, a quarter downloaded.
    program->master.flash_size = 1048576;
    program->master.flash_used = 524288;
    program->master.next_download_address = 262144;
    frame->guiSet(321, "100000");
    EXPECT_EQ(text_of(frame, "download_percentage"), "50.0% of 1048576 bytes");
    EXPECT_EQ(text_of(frame, "download_nda"), "262144 bytes");
    EXPECT_EQ(text_of(frame, "download_pt"), "524288 bytes");
    expect_grab(frame, "start_download_gauge");

    // Output channels: 2 also shows in the raw calibration log, 5 nowhere.
    log_select_output(2);
    log_printf("raw line");
    log_select_output(5);
    log_printf("hidden line");
    log_select_output(0);
    EXPECT_TRUE(child<QPlainTextEdit>(frame, "mm_cal_raw")->toPlainText().contains("raw line"));
    EXPECT_TRUE(child<QPlainTextEdit>(frame, "Memo0")->toPlainText().contains("raw line"));
    EXPECT_FALSE(child<QPlainTextEdit>(frame, "Memo0")->toPlainText().contains("hidden line"));

    // A line a worker thread logs reaches the main log only, even when the GUI
    // thread has selected another channel before it is handed over.
    log_select_output(2);
    std::thread worker([] { log_printf("worker line"); });
    worker.join();
    log_flush_worker_lines();
    log_select_output(0);
    EXPECT_TRUE(child<QPlainTextEdit>(frame, "Memo0")->toPlainText().contains("worker line"));
    EXPECT_FALSE(child<QPlainTextEdit>(frame, "mm_cal_raw")->toPlainText().contains("worker line"));
}

// Every id the windows know, by group: what each one changes, and that the
// sample labels of the calibration and view pages change only in their mode.
TEST_F(StartWindows, EveryIdOfTheBindingTableReachesItsWidgets)
{
    auto style_of = [&](const char* name) {
        QWidget* widget = child<QWidget>(frame, name);
        return widget ? widget->styleSheet().toUpper().toStdString() : std::string();
    };
    auto page = [&] { return child<QTabWidget>(frame, "PageControl1")->currentWidget()->objectName().toStdString(); };
    // Group 1: the application panel by mode, the operation panel.
    struct Tpanel {
        int id;
        const char* text;
        const char* widget;
        const char* caption;
        const char* colour;  // "" the button face
    };
    const Tpanel panels[] = {
        {100020, "1", "pl_app_caption", "Fluo Cal", "#FFFFFF"},
        {100021, "1", "pl_app_caption", "Fluo View", "#FFFFFF"},
        {100025, "1", "pl_app_caption", "Fluo Flow", "#FFFFFF"},
        {100000, "1", "pl_app_caption", "", ""},
        {113, "Acq", "pl_operation", "ACQuistion underway", "#73FF73"},
        {113, "gsm", "pl_operation", "GSM Communication underway", "#C5C6FF"},
        {113, "NOP", "pl_operation", "---", "#C0C0C0"},
    };
    for (const Tpanel& c : panels) {
        SCOPED_TRACE(c.id);
        frame->guiSet(c.id, c.text);
        EXPECT_EQ(text_of(frame, c.widget), c.caption);
        const std::string style = style_of(c.id == 113 ? "pl_operation" : "pl_app");
        if (*c.colour) {
            EXPECT_NE(style.find(c.colour), std::string::npos) << style;
        } else {
            EXPECT_EQ(style, "");
        }
    }
    // Group 2: the pages; 100000 and 100002 change none.
    const std::pair<int, const char*> pages[] = {
        {100001, "ts_settings"}, {100010, "ts_usb"},      {100011, "ts_status"}, {100020, "ts_fluo_cal"},
        {100021, "ts_fluo_view"}, {100022, "ts_acq"},     {100023, "ts_download"}, {100024, "ts_gsm"},
        {100025, "ts_fluo_flow"},
    };
    for (const auto& p : pages) {
        frame->guiSet(p.first, "1");
        EXPECT_EQ(page(), p.second) << p.first;
    }
    for (int id : {100000, 100002}) {
        frame->guiSet(id, "1");
        EXPECT_EQ(page(), "ts_fluo_flow") << id;
    }
    // Group 3: texts of the status, acquisition, GSM and download pages.
    const Tcase_text texts[] = {
        {72, "3600", "lb_acq_interval", "1 hour (3600 sec)"}, {73, "86400", "lb_gsm_interval", "1 day (86400 sec)"},
        {83, "01.02.2026 03:04:05", "lb_time", "01.02.2026 03:04:05"},
        {84, "02.02.2026 00:00:00", "lb_acq_next", "02.02.2026 00:00:00"},
        {86, "1234", "lb_size", "1234"},
        {87, "03.02.2026 00:00:00", "lb_gsm_next", "03.02.2026 00:00:00"},
        {88, "64", "lb_next_download", "64"},
        {150, "4711", "lb_snr", "4711"},    {150, "4711", "lb_download_snr", "4711"},
        {319, "3.61 V", "lb_vbat", "3.61 V"}, {2000, "12.00 [mV*s]", "lb_surface", "12.00 [mV*s]"},
    };
    for (const Tcase_text& c : texts) {
        frame->guiSet(c.id, c.text);
        EXPECT_EQ(text_of(frame, c.widget), c.expected) << c.id;
    }
    EXPECT_EQ(child<QLineEdit>(frame, "fluo_cal_ed_SNR")->text().toStdString(), "4711");  // 150, group 4
    frame->guiSet(156, "815");
    EXPECT_EQ(child<QLineEdit>(frame, "fluo_cal_ed_SNR")->text().toStdString(), "815");
    for (const auto& next : {std::make_pair(85, "lb_acq_next"), std::make_pair(89, "lb_gsm_next")}) {
        frame->guiSet(next.first, "1");
        EXPECT_NE(style_of(next.second).find("#C0FFC0"), std::string::npos) << next.first;
        frame->guiSet(next.first, "0");
        EXPECT_NE(style_of(next.second).find("#A8A8A8"), std::string::npos) << next.first;
    }
    frame->guiSet(49, "vexl");
    EXPECT_TRUE(child<QRadioButton>(frame, "rb_VEXL")->isChecked());
    frame->guiSet(49, "KLVR");
    EXPECT_TRUE(child<QRadioButton>(frame, "rb_KLVR")->isChecked());
    frame->addComPort("COM9", 9);
    frame->guiSet(51, "9");
    EXPECT_EQ(child<QComboBox>(frame, "cb_com_port")->currentText().toStdString(), "COM9");
    frame->guiSet(51, "200");
    EXPECT_EQ(child<QComboBox>(frame, "cb_com_port")->currentIndex(), -1);
    frame->guiSet(111, "1");
    EXPECT_TRUE(child<QCheckBox>(frame, "cb_autoconnect")->isChecked());
    frame->guiSet(111, "0");
    EXPECT_FALSE(child<QCheckBox>(frame, "cb_autoconnect")->isChecked());
    frame->guiSet(112, "connected");
    EXPECT_NE(style_of("pl_connected").find("#FFEB43"), std::string::npos);
    EXPECT_EQ(child<QPushButton>(frame, "bt_conn_disconn")->text().toStdString(), "Disconnect");
    frame->guiSet(112, "DISCONNECTED");
    EXPECT_NE(style_of("pl_connected").find("#000000"), std::string::npos);
    EXPECT_EQ(child<QPushButton>(frame, "bt_conn_disconn")->text().toStdString(), "Connect");
    frame->guiSet(1000, "2");
    EXPECT_EQ(frame->guiGet(1000), "2");
    frame->guiSet(2001, "1");
    EXPECT_TRUE(child<QRadioButton>(frame, "rb_chart_unit_ppb")->isEnabled());
    frame->guiSet(2001, "0");
    EXPECT_FALSE(child<QRadioButton>(frame, "rb_chart_unit_ppb")->isEnabled());
    // Group 4: the calibration page's store button, identity and stored values.
    frame->guiSet(151, "ENABLED");
    EXPECT_TRUE(child<QPushButton>(frame, "bt_store")->isEnabled());
    frame->guiSet(151, "disabled");
    EXPECT_FALSE(child<QPushButton>(frame, "bt_store")->isEnabled());
    frame->guiSet(152, "I,II,V");
    EXPECT_EQ(child<QComboBox>(frame, "fluo_cal_cb_configuration")->currentData().toInt(), 2);
    frame->guiSet(153, "VEXL PX-2");
    EXPECT_EQ(child<QComboBox>(frame, "fluo_cal_cb_model")->currentData().toInt(), 2);
    frame->guiSet(600, "panel_stored_values");
    EXPECT_EQ(child<QTabWidget>(frame, "PageControlCal")->currentWidget()->objectName().toStdString(),
              "tb_fluo_cal_stored_values");
    for (const auto& lamp : {std::make_pair(10001, "pl_tx"), std::make_pair(10002, "pl_rx")}) {
        frame->guiSet(lamp.first, "1");
        EXPECT_NE(style_of(lamp.second).find(lamp.first == 10001 ? "#FFBF43" : "#40FFFF"), std::string::npos);
        frame->guiSet(lamp.first, "0");
        EXPECT_EQ(style_of(lamp.second), "") << lamp.first;
    }
    frame->guiSet(500, "1");  // redraws both charts
    EXPECT_FALSE(child<Tpaint_box>(frame, "PaintBox_flow")->picture().isNull());
    EXPECT_FALSE(child<Tpaint_box>(frame, "PaintBox_cal")->picture().isNull());

    // Groups 5 to 7: the sample labels, each id in each mode.
    const char letters[] = {'A', 'B', 'C', 'T'};
    const char* kinds[] = {"off", "on", "delta"};
    for (uint8_t mode : {Tcalyxo_start_master::APP_IDLE, Tcalyxo_start_master::APP_CALIBRATION,
                         Tcalyxo_start_master::APP_VIEW}) {
        program->master.setMode(mode);
        for (int index = 0; index < 14; ++index) {
            const int id = 307 + index;
            SCOPED_TRACE(std::to_string(id) + " in mode " + std::to_string(mode));
            std::string cal, view, acq;
            if (index < 12) {
                const std::string l(1, letters[index / 3]);
                const std::string kind = kinds[index % 3];
                cal = "lb_cal_" + kind + "_" + l;
                view = "lb_lamp" + l + "_" + kind;
                acq = kind == "on" ? "" : "lb_acq_lamp" + l + "_" + kind;
            } else {
                cal = index == 12 ? "lb_cal_on_bat" : "lb_cal_on_temp";
                view = index == 12 ? "lb_vbat" : "lb_temp";
                acq = index == 12 ? "lb_acq_vbat" : "lb_acq_temp";
            }
            const std::string before_cal = text_of(frame, cal.c_str());
            const std::string before_view = text_of(frame, view.c_str());
            const std::string value = std::to_string(id) + "." + std::to_string(mode);
            frame->guiSet(id, value.c_str());
            EXPECT_EQ(text_of(frame, cal.c_str()), mode == Tcalyxo_start_master::APP_CALIBRATION ? value : before_cal);
            // The battery's view label is also group 3's: it always follows.
            const bool view_follows = mode == Tcalyxo_start_master::APP_VIEW || id == 319;
            EXPECT_EQ(text_of(frame, view.c_str()), view_follows ? value : before_view);
            if (!acq.empty()) {
                EXPECT_EQ(text_of(frame, acq.c_str()), value);
            }
        }
        frame->guiSet(10000, "2");
        EXPECT_NE(style_of("pl_new_data").find("#00FF00"), std::string::npos);
        EXPECT_EQ(style_of("pl_cal_new").find("#00FF00") != std::string::npos,
                  mode == Tcalyxo_start_master::APP_CALIBRATION);
        frame->guiSet(10000, "0");
        EXPECT_EQ(style_of("pl_new_data"), "");
    }
    program->master.setMode(Tcalyxo_start_master::APP_IDLE);
}

TEST_F(StartWindows, ALiveViewAgainstTheProbeFillsTheViewPageAndItsTable)
{
    probe_sim::Probe probe;
    probe.update([](probe_sim::Setup& s) {
        ASSERT_TRUE(probe_sim::apply_lamp_text("A:100:50", s.script));
        ASSERT_TRUE(probe_sim::apply_lamp_text("T:40:7.5", s.script));
    });
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    startOn(probe, MODE_VEXL);

    click("Panel11");
    EXPECT_EQ(text_of(frame, "pl_app_caption"), "Fluo View");
    child<QCheckBox>(frame, "cb_lampe_B")->setChecked(false);
    child<QCheckBox>(frame, "cb_lampe_C")->setChecked(false);
    click("Button21");
    QTableView* table = child<QTableView>(frame, "StringGridView");
    ASSERT_TRUE(tickUntil([&] { return table->model()->rowCount() == 1; }));
    ASSERT_EQ(probe.heard().size(), 1u);
    EXPECT_EQ(probe.heard()[0].byte, 64 + 1 + 8);  // lamps A and T only
    EXPECT_EQ(table->model()->index(0, 3).data().toString().toStdString().substr(0, 2), "50");
    EXPECT_EQ(table->model()->index(0, 4).data().toString().toStdString(), "-");  // no lamp B
    EXPECT_NE(text_of(frame, "lb_lampA_delta"), "---");
    EXPECT_TRUE(child<QPushButton>(frame, "bt_store")->isEnabled());
    expect_grab(frame, "start_fluo_view");

    // The table saved as CSV; a folder that cannot take it says so.
    dialogs.file_answers.push_back(data.file("view.csv"));
    click("Button18");
    std::ifstream csv(data.file("view.csv"));
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.rfind("Timestamp;Date;GMT;delta A;", 0), 0u) << header;
    dialogs.file_answers.push_back(data.path() + "/missing/view.csv");
    click("Button18");
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().icon, Tbox_icon::error);
}

// "Save .dat file" after a calculation that failed says why in a box and
// leaves the file under the chosen name as it was.
TEST_F(StartWindows, ASaveOfFailedConstantsIsRefusedInABox)
{
    const std::string dat = data.file("calibration.dat");
    ASSERT_TRUE(write_file_bytes(dat, "earlier constants\r\n"));
    const std::string broken = data.file("broken.xml");
    ASSERT_TRUE(write_file_bytes(broken, "not a CALIBRATION file"));
    dialogs.file_answers.push_back(broken);
    click("bt_cal_xml");
    dialogs.boxes.clear();
    dialogs.file_answers.push_back(dat);
    click("bt_save_calibrat");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
    EXPECT_EQ(dialogs.boxes[0].text.rfind("No tracer calibrated (calibration.check_validity() => Error code = ", 0), 0u)
        << dialogs.boxes[0].text;
    EXPECT_EQ(read_file_bytes(dat), "earlier constants\r\n");
}

// A solution of the calibration: the probe's lamp deltas in it (bases 100 mV).
struct Tsolution {
    int tracer;
    int concentration;
    int deltas[4];
};

const Tsolution solutions[] = {
    {TRACER_WATER, CONCENTRATION_0_NTU, {5, 6, 7, 4}},
    {TRACER_WATER, CONCENTRATION_1_NTU, {8, 9, 10, 14}},
    {TRACER_WATER, CONCENTRATION_10_NTU, {12, 14, 16, 44}},
    {TRACER_WATER, CONCENTRATION_100_NTU, {40, 50, 60, 404}},
    {TRACER_URANINE, CONCENTRATION_10_PPB, {105, 7, 8, 5}},
    {TRACER_URANINE, CONCENTRATION_100_PPB, {1005, 56, 27, 14}},
    {TRACER_SULFORHODAMINE_B, CONCENTRATION_10_PPB, {6, 86, 9, 5}},
    {TRACER_SULFORHODAMINE_B, CONCENTRATION_100_PPB, {25, 806, 107, 9}},
    {TRACER_AMINO_G_ACID, CONCENTRATION_10_PPB, {6, 7, 57, 5}},
    {TRACER_AMINO_G_ACID, CONCENTRATION_100_PPB, {15, 26, 507, 6}},
};

TEST_F(StartWindows, AProbeCalibrationThroughTheWindowsWritesFilesThatConvertBack)
{
    probe_sim::Probe probe;
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    startOn(probe, MODE_VEXL);
    fillCalibrationPage("1234", 2, 1);
    click("bt_cal_start");
    ASSERT_EQ(program->master.appMode(), Tcalyxo_start_master::APP_CALIBRATION);

    QPushButton* store = child<QPushButton>(frame, "bt_store");
    QComboBox* tracer = child<QComboBox>(frame, "cb_tracer");
    QComboBox* concentration = child<QComboBox>(frame, "cb_concentration");
    for (const Tsolution& solution : solutions) {
        SCOPED_TRACE(solution.tracer * 100 + solution.concentration);
        probe.update([&](probe_sim::Setup& s) {
            const char letters[4] = {'A', 'B', 'C', 'T'};
            for (int lamp = 0; lamp < 4; ++lamp)
                ASSERT_TRUE(probe_sim::apply_lamp_text(std::string(1, letters[lamp]) + ":100:" +
                                                           std::to_string(solution.deltas[lamp]),
                                                       s.script));
        });
        tracer->setCurrentIndex(tracer->findData(solution.tracer));
        concentration->setCurrentIndex(concentration->findData(solution.concentration));
        const size_t heard = probe.heard().size();
        // A reading taken in this solution (the next request after its levels were set).
        ASSERT_TRUE(tickUntil([&] { return probe.heard().size() > heard + 1 || (probe.heard().size() > heard && heard == 0); }, 40));
        ASSERT_TRUE(tickUntil([&] { return store->isEnabled(); }, 20));
        EXPECT_EQ(text_of(frame, "lb_cal_delta_A"), std::to_string(solution.deltas[0]) + ".00");
        store->click();
    }
    EXPECT_EQ(child<QTableView>(frame, "StringGridCal")->model()->rowCount(), 10);
    expect_grab(frame, "start_fluo_cal");
    QDir().mkpath(QStringLiteral("grabs"));
    EXPECT_TRUE(child<Tpaint_box>(frame, "PaintBox_cal")->picture().save(QStringLiteral("grabs/start_cal_chart.png")));

    dialogs.file_answers.push_back(data.file("calibration.xml"));
    click("bt_cal_save");
    dialogs.file_answers.push_back(data.file("calibration.dat"));
    click("bt_save_calibrat");
    std::ifstream xml(data.file("calibration.xml"));
    std::stringstream xml_text;
    xml_text << xml.rdbuf();
    EXPECT_NE(xml_text.str().find("CALIBRATION"), std::string::npos);

    Truvo_fluo constants;
    ASSERT_EQ(constants.getcalib(data.file("calibration.dat").c_str(), 0), 0);
    Tppb_sample sample;
    sample.lamp_mV[0] = 105;
    sample.lamp_valid[0] = 1;
    sample.turbidity_mV = 4;  // clear water
    sample.turbidity_valid = 1;
    const bool uranine[3] = {true, false, false};
    constants.convert(&sample, uranine, 0.0);
    EXPECT_NEAR(sample.ppb[0], 10.0, 0.5);

    // The live view reads the constants and shows ppb.
    click("bt_cal_stop");
    ASSERT_TRUE(tickUntil([&] { return program->master.appMode() == 0; }, 20));
    dialogs.file_answers.push_back(data.file("calibration.dat"));
    click("Button17");
    ASSERT_TRUE(program->master.view.calibration.valid);
    probe.update([](probe_sim::Setup& s) {
        for (const char* lamp : {"A:100:105", "B:100:7", "C:100:8", "T:100:5"})
            ASSERT_TRUE(probe_sim::apply_lamp_text(lamp, s.script));
    });
    click("Button21");
    QTableView* table = child<QTableView>(frame, "StringGridView");
    ASSERT_TRUE(tickUntil([&] { return table->model()->rowCount() == 1; }, 40));
    const double ppb_a = table->model()->index(0, 8).data().toString().toDouble();
    EXPECT_NEAR(ppb_a, 10.0, 1.0);
    EXPECT_TRUE(recorded::log_contains("Lamp A : "));
}

// The flow as a new user runs it: KLVR mode, the flow configuration uploaded,
// "Fluo Flow" > "Start" for a while. Every reading is drawn inside the y axis
// as one line, "Surface" shows the integral, and the ppb unit redraws the
// readings converted.
TEST_F(StartWindows, AFlowAgainstTheLoggerDrawsEveryReadingAndItsIntegral)
{
    link_test::Tvirtual_time clock{*pump, 1800000000};
    sim::Logger logger;
    ASSERT_NO_FATAL_FAILURE(startOnFlowingLogger(logger));
    dialogs.box_answers.push_back(Tbox_answer::ok);
    click("Button4");
    ASSERT_TRUE(tickUntil([&] { return recorded::log_contains("INFO : UPLOAD Ok !"); }, 120));

    click("Panel13");
    click("bt_flow_start");
    QTableView* table = child<QTableView>(frame, "StringGridView");
    const Tsamples_serie& mv = program->master.flow.mv_series;
    unsigned taken = 0;
    ASSERT_TRUE(tickUntil([&] { return mv.count() >= 8; }, 240, [&] { return link_test::wait_for_reading(logger, taken); }))
        << mv.count();
    click("bt_flow_stop");
    ASSERT_TRUE(tickUntil([&] { return program->master.appMode() == 0 && program->master.idle(); }));
    const unsigned readings = mv.count();
    EXPECT_EQ(table->model()->rowCount(), static_cast<int>(readings));

    // The integral of the readings, recomputed here, is what "Surface" shows.
    std::vector<Tsample_point> points(readings);
    double integral = 0, low = 1e300, high = -1e300;
    for (unsigned i = 0; i < readings; ++i) {
        ASSERT_FALSE(mv.getPoint(&points[i], i));
        low = std::min(low, points[i].y);
        high = std::max(high, points[i].y);
        if (i > 0)
            integral += (points[i].x - points[i - 1].x) * (points[i].y + points[i - 1].y) * 0.5;
    }
    EXPECT_GT(points.back().x, points.front().x);
    EXPECT_GT(high, low);  // the tracer passes: the readings differ
    char surface[64];
    std::snprintf(surface, sizeof surface, "%0.2f [mV*s]", integral);
    EXPECT_EQ(text_of(frame, "lb_surface"), surface);

    // The y axis holds every reading: its labels go from 0 to at least the highest.
    const Tplot_win32& chart = frame->flowChart();
    const Tplot_layer& grid = *chart.parameters.options.layers.at(0);
    ASSERT_TRUE(grid.name.equals("grid", 1));
    ASSERT_GE(grid.y_labels.count(), 2);
    EXPECT_STREQ(grid.y_labels.text(0), "0");
    EXPECT_GE(std::atof(grid.y_labels.text(grid.y_labels.count() - 1)), high);
    // The line goes through every reading: each drawn in the line's grey.
    const Tplot_layer& line = *chart.parameters.options.layers.at(1);
    ASSERT_TRUE(line.name.equals("line_filled", 1));
    ASSERT_EQ(line.series.count(), readings);
    const QImage picture = child<Tpaint_box>(frame, "PaintBox_flow")->picture();
    for (unsigned i = 0; i < readings; ++i) {
        SCOPED_TRACE(i);
        Tsample_point unit;
        ASSERT_FALSE(line.series.getPoint(&unit, i));
        EXPECT_GE(unit.y, 0.0);
        EXPECT_LE(unit.y, 1.0);
        const QPoint at = chart.pixelOf(unit.x, unit.y);
        bool on_line = false;
        for (int dx = -1; dx <= 1 && !on_line; ++dx)
            for (int dy = -1; dy <= 1 && !on_line; ++dy)
                on_line = (picture.pixel(at.x() + dx, at.y() + dy) & 0xFFFFFF) == 0x404040u;
        EXPECT_TRUE(on_line) << at.x() << "," << at.y();
    }
    // The time ticks are marks at the bottom: no black line crosses the plot.
    ASSERT_GT(grid.x_axis.tickCount(), 0);
    for (int k = 0; k < grid.x_axis.tickCount(); ++k) {
        const QPoint tick = chart.pixelOf(grid.x_axis.tick(k), 0.5);
        if (tick.x() > chart.pixelOf(0, 0).x() + 1 && tick.x() < chart.pixelOf(1, 0).x() - 1) {
            EXPECT_NE(picture.pixel(tick) & 0xFFFFFF, 0x000000u) << "tick " << k;
        }
    }
    QDir().mkpath(QStringLiteral("grabs"));
    EXPECT_TRUE(picture.save(QStringLiteral("grabs/start_flow_chart.png")));
    expect_grab(frame, "start_fluo_flow");

    std::ifstream xml(data.file("acq.xml"));
    std::stringstream text;
    text << xml.rdbuf();
    EXPECT_NE(text.str().find("<time v=\""), std::string::npos);

    // A calibration: ppb can be chosen and draws the readings converted.
    QRadioButton* ppb = child<QRadioButton>(frame, "rb_chart_unit_ppb");
    QRadioButton* millivolts = child<QRadioButton>(frame, "rv_chart_unit_mv");
    EXPECT_FALSE(ppb->isEnabled());
    dialogs.file_answers.push_back(source_path("tests/calibration/fixtures/calibration_1234_20261210.dat"));
    click("Button5");
    ASSERT_TRUE(ppb->isEnabled());
    ppb->click();
    EXPECT_EQ(program->master.flow.chart_unit, 1);
    EXPECT_EQ(program->master.flow.ppb_series.count(), readings);
    EXPECT_EQ(chart.parameters.options.title.c_str(), std::string("Concentration [ppb]"));
    EXPECT_TRUE(child<Tpaint_box>(frame, "PaintBox_flow")->picture().save(QStringLiteral("grabs/start_flow_chart_ppb.png")));
    // A failed load: back to mV, and the radio says so.
    dialogs.file_answers.push_back(data.file("missing.dat"));
    click("Button5");
    EXPECT_FALSE(ppb->isEnabled());
    EXPECT_FALSE(ppb->isChecked());
    EXPECT_TRUE(millivolts->isChecked());
    EXPECT_EQ(program->master.flow.chart_unit, 0);
    EXPECT_EQ(chart.parameters.options.title.c_str(), std::string("[mV]"));
}

// After "Get Status" the left "Serial Number" box shows the station id read.
TEST_F(StartWindows, GetStatusShowsTheStationIdInTheSerialNumberBox)
{
    sim::Logger logger;
    logger.update([](sim::State& s) { s.variables[sim::var::station_id] = 812; });
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    startOn(logger, MODE_KLVR);
    click("Button11");
    ASSERT_TRUE(tickUntil([&] { return program->master.idle() && text_of(frame, "lb_snr") == "812"; }, 30));
    EXPECT_EQ(text_of(frame, "lb_station_id"), "812");
    EXPECT_FALSE(recorded::log_contains("OnNotification(VIEW_UPDATED)"));
}

// The interval dialogs of the status, acquisition and GSM pages: the chosen
// interval is set on the logger, a cancelled dialog sets nothing.
TEST_F(StartWindows, TheIntervalDialogsSetTheLoggersIntervals)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    startOn(logger, MODE_KLVR);
    // The dialog is modal: answered from inside its own loop.
    auto choose = [](const char* interval) {
        QTimer::singleShot(0, [interval] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            QComboBox* list = dialog->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
            ASSERT_NE(list, nullptr);
            if (!interval) {
                dialog->findChild<QPushButton*>(QStringLiteral("bt_Cancel"))->click();
                return;
            }
            list->setCurrentIndex(list->findText(QString::fromLatin1(interval)));
            dialog->findChild<QPushButton*>(QStringLiteral("bt_OK"))->click();
        });
    };
    auto variable = [&](uint8_t id) { return logger.read([id](const sim::State& s) { return s.variables.at(id); }); };
    struct Tcase {
        const char* button;
        const char* interval;
        uint8_t variable;
        uint32_t seconds;
    };
    const Tcase cases[] = {
        {"Button13", "15 Minutes", sim::var::acq_interval0, 900},
        {"Button2", "1 Hour", sim::var::acq_interval0, 3600},
        {"Button1", "6 Hours", sim::var::gsm_interval, 21600},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.button);
        recorded::clear_log();
        choose(c.interval);
        click(c.button);
        ASSERT_TRUE(tickUntil([&] { return program->master.idle(); }, 20));
        EXPECT_EQ(variable(c.variable), c.seconds);
        EXPECT_TRUE(recorded::log_contains("INFO : Parameter changed, Ok !"));
    }
    const uint32_t before = variable(sim::var::gsm_interval);
    recorded::clear_log();
    choose(nullptr);
    click("Button1");
    EXPECT_TRUE(program->master.idle());
    EXPECT_EQ(variable(sim::var::gsm_interval), before);
    EXPECT_FALSE(recorded::log_contains("Parameter changed"));
}

TEST_F(StartWindows, AStandardConfigurationIsUploadedOnlyWhenConfirmed)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    startOn(logger, MODE_KLVR);
    dialogs.box_answers.push_back(Tbox_answer::cancel);
    click("Button8");
    EXPECT_TRUE(program->master.idle());
    EXPECT_STREQ(program->globals.display_mode.c_str(), "");

    dialogs.box_answers.push_back(Tbox_answer::ok);
    click("Button8");
    EXPECT_STREQ(program->globals.display_mode.c_str(), "KLVR_VEXL");
    ASSERT_TRUE(tickUntil([&] { return recorded::log_contains("INFO : UPLOAD Ok !"); }, 120));
    EXPECT_TRUE(recorded::log_contains("SUCCESS : EEPROM Verification ok"));
    const auto page0 = logger.read([](const sim::State& s) { return s.eeprom.page(0); });
    EXPECT_EQ(page0[0], 0x84);
    EXPECT_EQ(page0[1], 0x07);
}

}  // namespace
