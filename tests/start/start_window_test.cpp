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
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_application.h"
#include "tests/ui/window_grab.h"
#include "calibration/fluo_sample.h"
#include "data/ruvo_fluo.h"
#include "tools/probe_sim/probe.h"

namespace {

Tstart_program* under_test = nullptr;

void forward_log(const char* line) { under_test->logOutput(line); }
void forward_gui(int id, const char* text) { under_test->guiSet(id, text); }
const char* forward_gui_get(int id) { return under_test->guiGet(id); }
void forward_select(int channel) { under_test->selectOutput(channel); }
void forward_clear() { under_test->clearOutput(); }

template <class T>
T* child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

std::string text_of(const QObject* parent, const char* name)
{
    QLabel* label = child<QLabel>(parent, name);
    return label ? label->text().toStdString() : "";
}

class StartWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_ui_application(); }

    void SetUp() override
    {
        program = std::make_unique<Tstart_program>();
        under_test = program.get();
        program->globals.data_dir.assign(data.path().c_str());
        program->createForms();
        pump = std::make_unique<link_test::Tevent_pump>();
        program->installHooks();
        recorded::set_log_forward(forward_log);
        recorded::set_gui_forward(forward_gui);
        recorded::set_gui_get_forward(forward_gui_get);
        recorded::set_output_forward(forward_select, forward_clear);
        frame = program->frame;
        frame->resize(1085, 685);
    }

    void TearDown() override
    {
        recorded::set_log_forward(nullptr);
        recorded::set_gui_forward(nullptr);
        recorded::set_gui_get_forward(nullptr);
        recorded::set_output_forward(nullptr, nullptr);
        pump.reset();
        program.reset();
        under_test = nullptr;
    }

    void startOn(int com, uint8_t mode)
    {
        program->globals.mode = mode;
        program->globals.last_connect_device_id = com;
        program->globals.autonnect = 1;
        program->onApplicationReady();
        ASSERT_TRUE(pump->until([&] { return child<QPushButton>(frame, "bt_conn_disconn")->text() == "Disconnect"; }));
        ASSERT_TRUE(pump->until([&] { return program->master.idle(); }));
    }

    bool tickUntil(const std::function<bool()>& done, int seconds = 60)
    {
        for (int s = 0; s < seconds; ++s) {
            if (pump->window.pumpUntil(done, 30))
                return true;
            pump->window.advance(1000);
        }
        return done();
    }

    void click(const char* name)
    {
        QPushButton* b = child<QPushButton>(frame, name);
        ASSERT_NE(b, nullptr);
        b->click();
    }

    Ttemp_dir data;
    link_test::Tports_folder ports;
    std::unique_ptr<Tstart_program> program;
    std::unique_ptr<link_test::Tevent_pump> pump;
    TFframe* frame = nullptr;
    Trecording_dialogs dialogs;
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

TEST_F(StartWindows, ALiveViewAgainstTheProbeFillsTheViewPageAndItsTable)
{
    probe_sim::Probe probe;
    probe.update([](probe_sim::Setup& s) {
        ASSERT_TRUE(probe_sim::apply_lamp_text("A:100:50", s.script));
        ASSERT_TRUE(probe_sim::apply_lamp_text("T:40:7.5", s.script));
    });
    ASSERT_TRUE(probe.start({0, ports.path()})) << probe.error();
    startOn(probe.comNumber(), MODE_VEXL);

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
    startOn(probe.comNumber(), MODE_VEXL);
    click("Panel12");
    child<QLineEdit>(frame, "fluo_cal_ed_SNR")->setText(QStringLiteral("1234"));
    QComboBox* model = child<QComboBox>(frame, "fluo_cal_cb_model");
    model->setCurrentIndex(model->findData(2));
    QComboBox* configuration = child<QComboBox>(frame, "fluo_cal_cb_configuration");
    configuration->setCurrentIndex(configuration->findData(1));
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

TEST_F(StartWindows, AFlowAgainstTheLoggerDrawsItsChartAndWritesAcqXml)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    startOn(logger.comNumber(), MODE_KLVR);
    click("Panel13");
    click("bt_flow_start");
    QTableView* table = child<QTableView>(frame, "StringGridView");
    ASSERT_TRUE(tickUntil([&] { return table->model()->rowCount() >= 1 && program->master.idle(); }));
    EXPECT_EQ(program->master.flow.mv_series.count(), 1u);
    Tpaint_box* chart = child<Tpaint_box>(frame, "PaintBox_flow");
    ASSERT_FALSE(chart->picture().isNull());
    QDir().mkpath(QStringLiteral("grabs"));
    EXPECT_TRUE(chart->picture().save(QStringLiteral("grabs/start_flow_chart.png")));
    expect_grab(frame, "start_fluo_flow");
    click("bt_flow_stop");
    ASSERT_TRUE(tickUntil([&] { return program->master.appMode() == 0 && program->master.idle(); }));
    std::ifstream xml(data.file("acq.xml"));
    std::stringstream text;
    text << xml.rdbuf();
    EXPECT_NE(text.str().find("<time v=\""), std::string::npos);
}

TEST_F(StartWindows, AStandardConfigurationIsUploadedOnlyWhenConfirmed)
{
    sim::Logger logger;
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    startOn(logger.comNumber(), MODE_KLVR);
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
