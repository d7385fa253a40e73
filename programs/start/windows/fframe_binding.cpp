// The main window's side of the id binding: the texts, colours, pages and
// lamps that the logic sets by id, the values it reads back, the output
// channels of the log and the flash gauge.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cmath>
#include <cstdio>

#include "base/parse.h"
#include "calibration/fluo_sample.h"
#include "calibration/master_fluo_cal.h"
#include "link/gui_ids.h"
#include "link/module_resource.h"
#include "platform/widgets/log_memo.h"
#include "programs/start/globals.h"
#include "programs/start/interval_name.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/start_master.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/fpending2.h"
#include "programs/start/windows/view_table_model.h"
#include "ui/faffiche.h"
#include "ui/ttimezone_settings.h"

namespace {

// "" is the button face.
void colour(QWidget* widget, const char* rgb, const char* text_rgb = nullptr)
{
    if (!widget)
        return;
    QString style;
    if (rgb && *rgb)
        style += QStringLiteral("background-color: %1;").arg(QLatin1String(rgb));
    if (text_rgb)
        style += QStringLiteral("color: %1;").arg(QLatin1String(text_rgb));
    widget->setStyleSheet(style);
}

bool same_text(const char* a, const char* b)
{
    return text_compare_nocase(a, b) == 0;
}

void select_by_object(QComboBox* box, int object)
{
    box->setCurrentIndex(box->findData(object));
}

struct Tpage_id {
    int id;
    const char* page;
};
const Tpage_id page_ids[] = {
    {GUI_PAGE_SETTINGS, "ts_settings"}, {GUI_PAGE_USB, "ts_usb"},          {GUI_PAGE_STATUS, "ts_status"},
    {GUI_APP_CALIBRATION, "ts_fluo_cal"}, {GUI_APP_VIEW, "ts_fluo_view"},  {GUI_PAGE_ACQ, "ts_acq"},
    {GUI_PAGE_DOWNLOAD, "ts_download"}, {GUI_PAGE_GSM, "ts_gsm"},          {GUI_APP_FLOW, "ts_fluo_flow"},
};

constexpr const char* button_face = "";
constexpr const char* white = "#FFFFFF";
constexpr int lamp_new_data = 0;
constexpr int lamp_rx = 1;
constexpr int lamp_tx = 2;
constexpr int sample_label_count = 14;

}  // namespace

void TFframe::resetBinding()
{
    output_channel = 0;
    for (int& counter : lamp_counters)
        counter = 0;
}

void TFframe::guiSet(int id, const char* text_in)
{
    Tgui_value v;
    v.id = id;
    v.text = text_in ? text_in : "";
    parse_int(v.text, &v.value);
    v.qtext = QString::fromUtf8(v.text);
    // Every group that knows the id acts, in this order: one id may change
    // several components.
    setApplicationPanels(v);
    showPageOf(v);
    setLinkAndStatus(v);
    setCalibrationPage(v);
    setSampleLabels(v);
}

// Group 1: the application and operation panels.
void TFframe::setApplicationPanels(const Tgui_value& v)
{
    const char* text = v.text;
    const int id = v.id;
    switch (id) {
    case GUI_APP_IDLE:
        colour(pl_app, button_face);
        pl_app_text->setText(QString());
        break;
    case GUI_APP_CALIBRATION:
    case GUI_APP_VIEW:
    case GUI_APP_FLOW:
        colour(pl_app, white);
        pl_app_text->setText(id == GUI_APP_CALIBRATION ? QStringLiteral("Fluo Cal")
                             : id == GUI_APP_VIEW      ? QStringLiteral("Fluo View")
                                                       : QStringLiteral("Fluo Flow"));
        break;
    case GUI_OPERATION:
        if (same_text(text, "ACQ")) {
            pl_operation->setText(QStringLiteral("ACQuistion underway"));
            colour(pl_operation, "#73FF73");
        } else if (same_text(text, "GSM")) {
            pl_operation->setText(QStringLiteral("GSM Communication underway"));
            colour(pl_operation, "#C5C6FF");
        } else {
            pl_operation->setText(QStringLiteral("---"));
            colour(pl_operation, "#C0C0C0");
        }
        break;
    default:
        break;
    }
}

// Group 2: the pages.
void TFframe::showPageOf(const Tgui_value& v)
{
    const int id = v.id;
    for (const Tpage_id& entry : page_ids)
        if (entry.id == id)
            selectPage(entry.page);
}

// Group 3: the connection, status, download and flow labels.
void TFframe::setLinkAndStatus(const Tgui_value& v)
{
    const char* text = v.text;
    const int value = v.value;
    const QString& qtext = v.qtext;
    const int id = v.id;
    switch (id) {
    case GUI_CONNECTION_MODE:
        if (same_text(text, "VEXL"))
            rb_VEXL->setChecked(true);
        else if (same_text(text, "KLVR"))
            rb_KLVR->setChecked(true);
        break;
    case GUI_COM_PORT:
        select_by_object(cb_com_port, value);
        if (cb_com_port->currentIndex() < 0)
            cb_com_port->setEditText(QStringLiteral("---"));
        break;
    case GUI_PROGRESS: {
        if (same_text(text, "SHOW") && pending)
            pending->show();
        else if (same_text(text, "HIDE") && pending)
            pending->hide();
        const int percent = value == 0 && std::string(text) != "0" ? -1 : value;
        if (pending && percent >= 0 && percent <= 100)
            pending->ProgressBar1->setValue(percent);
        break;
    }
    case GUI_ACQ_INTERVAL:
        lb_acq_interval->setText(QString::fromStdString(interval_name(value)));
        break;
    case GUI_GSM_INTERVAL:
        lb_gsm_interval->setText(QString::fromStdString(interval_name(value)));
        break;
    case GUI_LOGGER_TIME:
        lb_time->setText(qtext);
        break;
    case GUI_ACQ_NEXT:
        lb_acq_next->setText(qtext);
        break;
    case GUI_ACQ_ENABLED:
        colour(lb_acq_next, value == 1 ? "#C0FFC0" : "#A8A8A8");
        break;
    case GUI_FLASH_USED:
        lb_size->setText(qtext);
        drawFlashGauge();
        break;
    case GUI_GSM_NEXT:
        lb_gsm_next->setText(qtext);
        break;
    case GUI_NEXT_DOWNLOAD:
        lb_next_download->setText(qtext);
        drawFlashGauge();
        break;
    case GUI_GSM_ENABLED:
        colour(lb_gsm_next, value == 1 ? "#C0FFC0" : "#A8A8A8");
        break;
    case GUI_AUTOCONNECT:
        cb_autoconnect->setChecked(value != 0);
        break;
    case GUI_CONNECTION:
        if (same_text(text, "CONNECTED")) {
            colour(pl_connected, "#FFEB43", "#000000");
            bt_conn_disconn->setText(QStringLiteral("Disconnect"));
        } else if (same_text(text, "DISCONNECTED")) {
            colour(pl_connected, "#000000", "#FFFFFF");
            bt_conn_disconn->setText(QStringLiteral("Connect"));
        }
        break;
    case GUI_SERIAL_NUMBER:
        lb_snr->setText(qtext);
        lb_download_snr->setText(qtext);
        break;
    case GUI_CAL_SERIAL:
        fluo_cal_ed_SNR->setText(qtext);
        break;
    case GUI_SAMPLE_BATTERY:
        lb_vbat->setText(qtext);
        break;
    case GUI_FLASH_GAUGE:
        drawFlashGauge();
        break;
    case GUI_TIME_ZONE:
        select_by_object(cb_ttimezone, value < 0 ? 10000 - value : value);
        break;
    case GUI_FLOW_AREA:
        lb_surface->setText(qtext);
        break;
    case GUI_FLOW_PPB_ENABLED:
        rb_chart_unit_ppb->setEnabled(value == 1);
        // Without ppb the flow draws mV: the radio says so.
        if (value != 1)
            rv_chart_unit_mv->setChecked(true);
        break;
    default:
        break;
    }
}

// Group 4: the calibration page and the link lamps.
void TFframe::setCalibrationPage(const Tgui_value& v)
{
    const char* text = v.text;
    const int value = v.value;
    const QString& qtext = v.qtext;
    const int id = v.id;
    switch (id) {
    case GUI_SERIAL_NUMBER:
        fluo_cal_ed_SNR->setText(qtext);
        break;
    case GUI_CAL_STORE_BUTTON:
        if (same_text(text, "enabled"))
            bt_store->setEnabled(true);
        else if (same_text(text, "disabled"))
            bt_store->setEnabled(false);
        break;
    case GUI_CAL_CONFIGURATION:
        select_by_object(fluo_cal_cb_configuration, configurationCode(text));
        break;
    case GUI_CAL_MODEL:
        select_by_object(fluo_cal_cb_model, modelCode(text));
        break;
    case GUI_CAL_REDRAW_CHARTS:
        drawCharts();
        break;
    case GUI_CAL_PANEL:
        if (same_text(text, "PANEL_STORED_VALUES"))
            PageControlCal->setCurrentIndex(1);
        break;
    case GUI_TX_LAMP:
    case GUI_RX_LAMP: {
        const bool tx = id == GUI_TX_LAMP;
        QWidget* panel = tx ? static_cast<QWidget*>(pl_tx) : pl_rx;
        if (value >= 1) {
            colour(panel, tx ? "#FFBF43" : "#40FFFF");
            lamp_counters[tx ? lamp_tx : lamp_rx] = value;
        } else {
            colour(panel, button_face);
        }
        break;
    }
    default:
        break;
    }
}

// Groups 5 to 7: the sample labels of the running mode's page and of the acquisition page.
void TFframe::setSampleLabels(const Tgui_value& v)
{
    const int value = v.value;
    const QString& qtext = v.qtext;
    const int id = v.id;
    const uint8_t mode = master.appMode();
    if (id >= GUI_SAMPLE_LAMP_A_BASE && id < GUI_SAMPLE_LAMP_A_BASE + sample_label_count) {
        const int index = id - GUI_SAMPLE_LAMP_A_BASE;
        if (mode == Tcalyxo_start_master::APP_CALIBRATION && sample_labels[0][index])
            sample_labels[0][index]->setText(qtext);
        if (mode == Tcalyxo_start_master::APP_VIEW && sample_labels[1][index])
            sample_labels[1][index]->setText(qtext);
        if (sample_labels[2][index])
            sample_labels[2][index]->setText(qtext);
    }
    if (id == GUI_CAL_NEW_DATA) {
        const char* lit = value >= 1 ? "#00FF00" : button_face;
        if (value >= 1)
            lamp_counters[lamp_new_data] = value;
        if (mode == Tcalyxo_start_master::APP_CALIBRATION)
            colour(pl_cal_new, lit);
        colour(pl_new_data, lit);
    }
}

std::string TFframe::guiGet(int id)
{
    const uint8_t mode = master.appMode();
    switch (id) {
    case GUI_CONNECTION_MODE:
        return rb_VEXL->isChecked() ? "VEXL" : "KLVR";
    case GUI_COM_PORT:
        return std::to_string(cb_com_port->currentIndex() >= 0 ? cb_com_port->currentData().toInt() : 0);
    case GUI_AUTOCONNECT:
        return cb_autoconnect->isChecked() ? "1" : "0";
    case GUI_TIME_ZONE: {
        const int tag = cb_ttimezone->currentIndex() >= 0 ? cb_ttimezone->currentData().toInt() : 0;
        return std::to_string(time_zone_code(tag));
    }
    case GUI_CAL_TRACER:
        if (mode == Tcalyxo_start_master::APP_CALIBRATION)
            return tracerName(cb_tracer->currentIndex() >= 0 ? cb_tracer->currentData().toInt() : 0);
        return "";
    case GUI_CAL_CONCENTRATION:
        if (mode == Tcalyxo_start_master::APP_CALIBRATION)
            return concentrationName(cb_concentration->currentIndex() >= 0 ? cb_concentration->currentData().toInt()
                                                                           : 0);
        return "";
    default:
        break;
    }
    if (id >= GUI_VIEW_LAMP_A && id < GUI_VIEW_LAMP_A + 4 && mode == Tcalyxo_start_master::APP_VIEW)
        return cb_lampe[id - GUI_VIEW_LAMP_A]->isChecked() ? "1" : "0";
    return "";
}

void TFframe::clearOutput()
{
    switch (output_channel) {
    case OUTPUT_CHANNEL_MAIN:
        Memo0->clear();
        break;
    case OUTPUT_CHANNEL_CALIBRATION_RAW:
        mm_cal_raw->clear();
        break;
    case OUTPUT_CHANNEL_CALIBRATION_CONSTANTS:
        mm_cal_cal->clear();
        break;
    case OUTPUT_CHANNEL_GSM:
        mm_gsm->clear();
        break;
    default:
        break;
    }
}

void TFframe::logLine(int channel, const char* line)
{
    const QString text = log_window_text(line ? line : "");
    QPlainTextEdit* also = channel == OUTPUT_CHANNEL_CALIBRATION_RAW         ? mm_cal_raw
                           : channel == OUTPUT_CHANNEL_CALIBRATION_CONSTANTS ? mm_cal_cal
                           : channel == OUTPUT_CHANNEL_GSM                   ? mm_gsm
                                                                             : nullptr;
    if (channel < OUTPUT_CHANNEL_MAIN || channel > OUTPUT_CHANNEL_GSM)
        return;
    Memo0->appendPlainText(text);
    if (also)
        also->appendPlainText(text);
}

void TFframe::lampTick()
{
    QWidget* lamps[3] = {pl_new_data, pl_rx, pl_tx};
    for (int i = 0; i < 3; ++i) {
        if (lamp_counters[i] <= 0)
            continue;
        if (--lamp_counters[i] == 0) {
            colour(lamps[i], button_face);
            if (i == lamp_new_data)
                colour(pl_cal_new, button_face);
        }
    }
}

void TFframe::showStationId()
{
    Tmodule_resource* module = master.moduleResource();
    if (module && module->station_id != 0) {
        lb_station_id->setText(QString::number(module->station_id));
        colour(lb_station_id, "#9FC3FF");
    } else {
        lb_station_id->setText(QStringLiteral("-"));
        colour(lb_station_id, button_face);
    }
}

void TFframe::clearComPorts()
{
    cb_com_port->clear();
}

void TFframe::addComPort(const char* text, int number)
{
    cb_com_port->addItem(QString::fromUtf8(text), number);
}

void TFframe::clearViewTable()
{
    view_rows->clear();
}

void TFframe::addViewRow(const Tfluo_measure& measure)
{
    view_rows->add(measure);
}

void TFframe::showStoredValues(const Tmaster_fluo_cal& run)
{
    std::vector<const Tfluo_sample*> samples;
    run.collectSamples(&samples);
    std::vector<Tfluo_sample> copies;
    for (const Tfluo_sample* sample : samples)
        if (sample)
            copies.push_back(*sample);
    stored_values->setSamples(std::move(copies));
}

void TFframe::plotCalibration(const Tsamples_serie& serie)
{
    calibration_chart.parameters.buildLinePointPlot(&serie);
    drawCharts();
}

void TFframe::plotFlow(const Tsamples_serie& serie, const char* title, double min_span)
{
    flow_chart.parameters.buildFilledPlot(&serie, static_cast<unsigned>(min_span), title);
    drawCharts();
}

void TFframe::drawCharts()
{
    if (!PaintBox_cal || !PaintBox_flow)
        return;
    calibration_chart.setSize(PaintBox_cal->width(), PaintBox_cal->height());
    calibration_chart.draw();
    PaintBox_cal->setImage(calibration_chart.image());
    flow_chart.setSize(PaintBox_flow->width(), PaintBox_flow->height());
    flow_chart.draw();
    PaintBox_flow->setImage(flow_chart.image());
}

void TFframe::drawFlashGauge()
{
    const double F = master.flash_size;
    const int32_t S = static_cast<int32_t>(master.flash_used);
    const int32_t N = static_cast<int32_t>(master.next_download_address);
    int start = 0;
    int length = 0;
    if (F == 0 || S == -1 || N == -1) {
        for (QLabel* l : {download_percentage, download_nda, download_pt})
            l->setText(QStringLiteral("- - -"));
    } else {
        const double s = std::max(0.0, std::min(static_cast<double>(S), F));
        const double n = std::min(std::max(0.0, std::min(static_cast<double>(N), F)), s);
        char text[64];
        std::snprintf(text, sizeof text, "%.1f%% of %.0f bytes", s * 100 / F, F);
        download_percentage->setText(QString::fromLatin1(text));
        std::snprintf(text, sizeof text, "%d bytes", N);
        download_nda->setText(QString::fromLatin1(text));
        std::snprintf(text, sizeof text, "%d bytes", S);
        download_pt->setText(QString::fromLatin1(text));
        start = static_cast<int>(std::lround(n * 100 / F));
        length = static_cast<int>(std::lround(s * 100 / F)) - start;
    }
    const int w = std::max(PaintBox_flash->width(), 10);
    const int h = std::max(PaintBox_flash->height(), 4);
    QImage gauge(w, h, QImage::Format_RGB888);
    gauge.fill(Qt::white);
    QPainter painter(&gauge);
    const int u = w - 6;
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, u + 4, h - 1);
    const int a = u * start / 100 + 2;
    const int b = u * length / 100 + 2;
    painter.setPen(QPen(QColor(0x00, 0x00, 0x80), 1));
    painter.setBrush(QColor(0x00, 0x00, 0x80));
    painter.drawRect(1, 1, a, h - 3);
    painter.setPen(QPen(QColor(0x80, 0x80, 0x00), 1));
    painter.setBrush(QColor(0x80, 0x80, 0x00));
    painter.drawRect(a + 1, 1, b, h - 3);
    painter.end();
    PaintBox_flash->setImage(gauge);
}

void TFframe::showResult(const char* xml_path)
{
    char zone[16];
    std::snprintf(zone, sizeof zone, "%d", static_cast<int>(globals.ttimezone));
    set_display_option("ttimezone", zone);
    if (globals.display_mode.equals("KLVR_VEXL", 0) || globals.display_mode.equals("KLVR_VEXL_COM", 0))
        set_display_option("display_type", "klvr-vexl");
    show_result(xml_path);
}
