#pragma once

#include <QMainWindow>
#include <QWidget>

#include <string>

#include "calibration/plot_win32.h"
#include "programs/start/start_window_port.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class TFpending2;
class Tcalyxo_start_master;
class Tglobals;
class Tstored_values_model;
class Tview_table_model;

// A surface that shows a picture drawn elsewhere (a chart, the flash gauge).
class Tpaint_box : public QWidget {
public:
    explicit Tpaint_box(const char* name, QWidget* parent);
    void setImage(const QImage& picture);
    const QImage& picture() const { return image; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage image;

public:
    std::function<void()> on_resize;
};

// calyxo_start's main window: a page for every activity, the link lamps, the
// main log and the texts that the logic writes by id (fframe_binding.cpp).
class TFframe : public QMainWindow, public Tstart_window_port {
public:
    TFframe(Tcalyxo_start_master& master, Tglobals& globals);
    ~TFframe() override;
    TFframe(const TFframe&) = delete;
    TFframe& operator=(const TFframe&) = delete;

    void setPending(TFpending2* window) { pending = window; }

    // The id binding.
    void guiSet(int id, const char* text);
    std::string guiGet(int id);
    void resetBinding();
    void selectOutput(int channel) { output_channel = channel; }
    int outputChannel() const { return output_channel; }
    void clearOutput();
    void logLine(int channel, const char* line);

    // Tstart_window_port
    void clearComPorts() override;
    void addComPort(const char* text, int number) override;
    void clearViewTable() override;
    void addViewRow(const Tfluo_measure& measure) override;
    void showStoredValues(const Tmaster_fluo_cal& run) override;
    void plotCalibration(const Tsamples_serie& serie) override;
    void plotFlow(const Tsamples_serie& serie, const char* title, double min_span) override;
    void showResult(const char* xml_path) override;
    void errorBox(const char* text) override;
    void showStationId() override;
    void lampTick() override;

    void drawCharts();
    void drawFlashGauge();

    // Handlers.
    void showSelectorPage(int id);
    void Panel17Click();
    void pl_txClick();
    void bt_conn_disconnClick();
    void confirmStandardConfig(int type);
    void Button20Click();
    void Button11Click();
    void changeInterval(int dialog_id, int variable);
    void Button7Click();
    void bt_clrClick();
    void Panel8Click();
    void Button17Click();
    void Button22Click();
    void bt_cal_startClick();
    void bt_storeClick();
    void bt_cal_xmlClick();
    void bt_cal_saveClick();
    void bt_save_calibratClick();
    void Button5Click();
    void copytoclipboard1Click();

    QWidget* pl_app = nullptr;
    QLabel* pl_app_text = nullptr;
    QLabel* pl_operation = nullptr;
    QLabel* pl_connected = nullptr;
    QPushButton* pl_tx = nullptr;
    QLabel* pl_rx = nullptr;
    QLabel* pl_new_data = nullptr;
    QLabel* pl_cal_new = nullptr;
    QLabel* lb_station_id = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTabWidget* PageControlCal = nullptr;
    QRadioButton* rb_VEXL = nullptr;
    QRadioButton* rb_KLVR = nullptr;
    QComboBox* cb_com_port = nullptr;
    QCheckBox* cb_autoconnect = nullptr;
    QPushButton* bt_conn_disconn = nullptr;
    QComboBox* cb_ttimezone = nullptr;
    QLabel* lb_snr = nullptr;
    QLabel* lb_time = nullptr;
    QLabel* lb_acq_interval = nullptr;
    QLabel* lb_acq_next = nullptr;
    QLabel* lb_gsm_interval = nullptr;
    QLabel* lb_gsm_next = nullptr;
    QLabel* lb_size = nullptr;
    QLabel* lb_next_download = nullptr;
    QLabel* lb_download_snr = nullptr;
    QLabel* download_percentage = nullptr;
    QLabel* download_pt = nullptr;
    QLabel* download_nda = nullptr;
    QLabel* lb_vbat = nullptr;
    QLabel* lb_surface = nullptr;
    QLineEdit* fluo_cal_ed_SNR = nullptr;
    QComboBox* fluo_cal_cb_model = nullptr;
    QComboBox* fluo_cal_cb_configuration = nullptr;
    QComboBox* cb_tracer = nullptr;
    QComboBox* cb_concentration = nullptr;
    QPushButton* bt_store = nullptr;
    QRadioButton* rv_chart_unit_mv = nullptr;
    QRadioButton* rb_chart_unit_ppb = nullptr;
    QCheckBox* cb_lampe[4] = {};
    QCheckBox* cb_tracer_lamp[3] = {};
    QPlainTextEdit* Memo0 = nullptr;
    QPlainTextEdit* mm_cal_raw = nullptr;
    QPlainTextEdit* mm_cal_cal = nullptr;
    QPlainTextEdit* mm_gsm = nullptr;
    QTableView* StringGridView = nullptr;
    QTableView* StringGridCal = nullptr;
    Tpaint_box* PaintBox_cal = nullptr;
    Tpaint_box* PaintBox_flow = nullptr;
    Tpaint_box* PaintBox_flash = nullptr;
    QWidget* pl_settings_expert = nullptr;
    QWidget* pl_gsm_advanced = nullptr;
    // The sample labels of ids 307-320: calibration page, view page, acquisition page.
    QLabel* sample_labels[3][14] = {};

    Tview_table_model* view_rows = nullptr;
    Tstored_values_model* stored_values = nullptr;

    // The flow chart as last drawn.
    const Tplot_win32& flowChart() const { return flow_chart; }

protected:
    // A flow's loop on the logger ends with the window.
    void closeEvent(QCloseEvent* event) override;

private:
    // One gui_set call: its id, its text and the text's leading number.
    struct Tgui_value {
        int id = 0;
        const char* text = "";
        int value = 0;
        QString qtext;
    };
    void setApplicationPanels(const Tgui_value& v);
    void showPageOf(const Tgui_value& v);
    void setLinkAndStatus(const Tgui_value& v);
    void setCalibrationPage(const Tgui_value& v);
    void setSampleLabels(const Tgui_value& v);

    void buildPages();
    QWidget* selectorPage();
    QWidget* settingsPage();
    QWidget* usbPage();
    QWidget* configurationPage();
    QWidget* statusPage();
    QWidget* acquisitionPage();
    QWidget* downloadPage();
    QWidget* gsmPage();
    QWidget* viewPage();
    QWidget* calibrationPage();
    QWidget* flowPage();
    QWidget* latestGroup(int row, const char* prefix_on, QWidget* parent);
    void selectPage(const char* name);
    // Serial, model and configuration of the calibration page, into the run.
    void calibrationIdentity();
    bool confirm(const char* question);
    std::string chooseFile(bool save, const char* filter, const char* extension, const std::string& initial);

    Tcalyxo_start_master& master;
    Tglobals& globals;
    TFpending2* pending = nullptr;
    Tplot_win32 calibration_chart;
    Tplot_win32 flow_chart;
    int output_channel = 0;
    int lamp_counters[3] = {};  // new data, receive, send
};
