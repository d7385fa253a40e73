#include "programs/start/windows/fframe.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "base/log.h"
#include "base/paths.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "calibration/fluo_sample.h"
#include "calibration/master_fluo_cal.h"
#include "link/mlp_io.h"
#include "platform/widgets/dialog_seam.h"
#include "programs/start/globals.h"
#include "programs/start/start_gui_ids.h"
#include "programs/start/start_master.h"
#include "programs/start/version.h"
#include "programs/start/windows/panel_pictures.h"
#include "programs/start/windows/start_program_interface.h"
#include "programs/start/windows/view_table_model.h"
#include "ui/column_fit.h"
#include "ui/ttimezone_settings.h"

namespace {

constexpr int frame_width = 1085;
constexpr int frame_height = 685;
constexpr int view_column_widths[] = {80, 120, 30};
constexpr int view_column_width_rest = 50;
constexpr int gsm_power_off_delay = 2;

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* label(const char* name, const char* text, QWidget* parent)
{
    return named(new QLabel(QString::fromUtf8(text), parent), name);
}

// A fixed picture of its own size.
QLabel* picture_box(const char* name, const QPixmap& picture, QWidget* parent)
{
    QLabel* box = named(new QLabel(parent), name);
    box->setPixmap(picture);
    box->setFixedSize(picture.size());
    return box;
}

QLabel* value_label(const char* name, const char* text, QWidget* parent)
{
    QLabel* value = label(name, text, parent);
    value->setAutoFillBackground(true);
    value->setStyleSheet(QStringLiteral("background-color: #FFFFFF;"));
    value->setMinimumWidth(160);
    return value;
}

QLabel* lamp(const char* name, const char* text, QWidget* parent)
{
    QLabel* panel = label(name, text, parent);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameShape(QFrame::Panel);
    panel->setAutoFillBackground(true);
    panel->setMinimumSize(40, 22);
    return panel;
}

template <class Handler>
QPushButton* button(const char* name, const char* caption, QWidget* parent, Handler handler)
{
    QPushButton* b = named(new QPushButton(QString::fromUtf8(caption), parent), name);
    QObject::connect(b, &QPushButton::clicked, parent, handler);
    return b;
}

QPlainTextEdit* text_area(const char* name, QWidget* parent)
{
    QPlainTextEdit* text = named(new QPlainTextEdit(parent), name);
    text->setReadOnly(true);
    return text;
}

QWidget* page(const char* name)
{
    return named(new QWidget, name);
}


}  // namespace

Tpaint_box::Tpaint_box(const char* name, QWidget* parent) : QWidget(parent)
{
    setObjectName(QLatin1String(name));
    setMinimumSize(120, 60);
}

void Tpaint_box::setImage(const QImage& picture)
{
    image = picture;
    update();
}

void Tpaint_box::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!image.isNull())
        painter.drawImage(0, 0, image);
}

void Tpaint_box::resizeEvent(QResizeEvent*)
{
    if (on_resize)
        on_resize();
}

TFframe::TFframe(Tcalyxo_start_master& master_in, Tglobals& globals_in) : master(master_in), globals(globals_in)
{
    setObjectName(QStringLiteral("Fframe"));
    char version[version_id_size];
    get_version_id(version);
    setWindowTitle(QStringLiteral("Calyxo Start - %1").arg(QString::fromLatin1(version)));
    resize(frame_width, frame_height);

    auto* central = named(new QWidget(this), "central");
    auto* columns = new QHBoxLayout(central);

    auto* left = named(new QWidget(central), "Panel2");
    auto* left_column = new QVBoxLayout(left);
    pl_connected = lamp("pl_connected", "USB", left);
    pl_tx = button("pl_tx", "TX", left, [this] { pl_txClick(); });
    pl_rx = lamp("pl_rx", "RX", left);
    pl_app = named(new QWidget(left), "pl_app");
    pl_app->setAutoFillBackground(true);
    pl_app_text = label("pl_app_caption", "", pl_app);
    (new QVBoxLayout(pl_app))->addWidget(pl_app_text);
    auto* serial_group = named(new QGroupBox(QStringLiteral("Serial Number"), left), "GroupBox_serial");
    lb_station_id = label("lb_station_id", "---", serial_group);
    lb_station_id->setAutoFillBackground(true);
    (new QVBoxLayout(serial_group))->addWidget(lb_station_id);
    for (QWidget* w : {static_cast<QWidget*>(pl_connected), static_cast<QWidget*>(pl_tx),
                       static_cast<QWidget*>(pl_rx), pl_app, static_cast<QWidget*>(serial_group)})
        left_column->addWidget(w);
    left_column->addStretch();
    columns->addWidget(left);

    auto* right = new QVBoxLayout;
    pl_operation = lamp("pl_operation", "---", central);
    right->addWidget(pl_operation);
    auto* panel_central = named(new QSplitter(Qt::Vertical, central), "Panel_central");
    PageControl1 = named(new QTabWidget(panel_central), "PageControl1");
    Memo0 = text_area("Memo0", panel_central);
    Memo0->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* popup = new QMenu(Memo0);
    popup->addAction(QStringLiteral("copy to clipboard"), this, [this] { copytoclipboard1Click(); })
        ->setObjectName(QStringLiteral("copytoclipboard1"));
    connect(Memo0, &QWidget::customContextMenuRequested, this,
            [popup, this](const QPoint& at) { popup->popup(Memo0->mapToGlobal(at)); });
    panel_central->addWidget(PageControl1);
    panel_central->addWidget(Memo0);
    right->addWidget(panel_central, 1);
    columns->addLayout(right, 1);
    setCentralWidget(central);

    view_rows = new Tview_table_model(globals.ttimezone, this);
    stored_values = new Tstored_values_model(this);
    buildPages();
    PageControl1->setCurrentIndex(0);
    rb_VEXL->setChecked(true);

    calibration_chart.setCanvas(nullptr);
    flow_chart.setCanvas(nullptr);
    PaintBox_cal->on_resize = [this] { drawCharts(); };
    PaintBox_flow->on_resize = [this] { drawCharts(); };
    PaintBox_flash->on_resize = [this] { drawFlashGauge(); };
    master.calibration.plotSeries();
    master.flow.showChart();
}

TFframe::~TFframe() = default;

void TFframe::buildPages()
{
    PageControl1->addTab(selectorPage(), QStringLiteral("Selector"));
    PageControl1->addTab(settingsPage(), QStringLiteral("Settings"));
    PageControl1->addTab(usbPage(), QStringLiteral("USB"));
    PageControl1->addTab(configurationPage(), QStringLiteral("Configuration"));
    PageControl1->addTab(statusPage(), QStringLiteral("Status"));
    PageControl1->addTab(acquisitionPage(), QStringLiteral("Acquisition"));
    PageControl1->addTab(downloadPage(), QStringLiteral("Download"));
    PageControl1->addTab(gsmPage(), QStringLiteral("GSM Com"));
    PageControl1->addTab(viewPage(), QStringLiteral("Fluo View"));
    PageControl1->addTab(calibrationPage(), QStringLiteral("Fluo Cal"));
    PageControl1->addTab(flowPage(), QStringLiteral("Fluo Flow"));
}

QWidget* TFframe::selectorPage()
{
    QWidget* p = page("ts_selector");
    auto* grid = new QGridLayout(p);
    struct Tpanel {
        const char* name;
        const char* caption;
        const char* colour;
        std::function<void()> click;
        QPixmap (*picture)(int) = nullptr;
    };
    const Tpanel panels[] = {
        {"Panel6", "USB", "#FFEB43", [this] { master.showSettings(); guiSet(GUI_PAGE_USB, "1"); }, usb_picture},
        {"Panel7", "Settings", "#C0C0C0", [this] { master.showSettings(); guiSet(GUI_PAGE_SETTINGS, "1"); },
         settings_picture},
        {"Panel9", "Acquisition", "#73FF73", [this] { guiSet(GUI_PAGE_ACQ, "1"); }},
        {"Panel10", "        GSM - Remote communication", "#C5C6FF", [this] { guiSet(GUI_PAGE_GSM, "1"); }},
        {"Panel11", "Fluo View", "#9FC3FF", [this] { guiSet(GUI_APP_VIEW, "1"); }},
        {"Panel12", "Fluo Cal", "#9FC3FF", [this] { guiSet(GUI_APP_CALIBRATION, "1"); }},
        {"Panel14", "Status", "#FFBF43", [this] { guiSet(GUI_PAGE_STATUS, "1"); }},
        {"Panel15", "Upload configuration", "#40FFFF", [this] { selectPage("ts_configuration"); }},
        {"Panel16", "Download data", "#C0FFC0", [this] { guiSet(GUI_PAGE_DOWNLOAD, "1"); }},
        {"Panel13", "Fluo Flow", "#9FC3FF", [this] { guiSet(GUI_APP_FLOW, "1"); }},
    };
    int i = 0;
    for (const Tpanel& panel : panels) {
        QPushButton* b = named(new QPushButton(QString::fromUtf8(panel.caption), p), panel.name);
        b->setMinimumHeight(60);
        if (panel.picture) {
            b->setIcon(QIcon(panel.picture(panel_picture_size)));
            b->setIconSize(QSize(panel_picture_size, panel_picture_size));
        }
        b->setStyleSheet(QStringLiteral("background-color: %1;").arg(QLatin1String(panel.colour)));
        connect(b, &QPushButton::clicked, this, panel.click);
        grid->addWidget(b, i / 2, i % 2);
        ++i;
    }
    return p;
}

QWidget* TFframe::settingsPage()
{
    QWidget* p = page("ts_settings");
    auto* column = new QVBoxLayout(p);
    column->addWidget(picture_box("Image_settings", settings_picture(panel_picture_size), p));
    auto* zone_group = named(new QGroupBox(QStringLiteral("Timezone"), p), "GroupBox_timezone");
    auto* zone_column = new QVBoxLayout(zone_group);
    zone_column->addWidget(label("Label_timezone", "User's selected timezone", zone_group));
    cb_ttimezone = named(new QComboBox(zone_group), "cb_ttimezone");
    fill_time_zone_list(cb_ttimezone);
    zone_column->addWidget(cb_ttimezone);
    zone_column->addWidget(label("Label_note",
                                 "note : time zone is used to display data. But the program also stores the UNIX "
                                 "timestamp of each measurement",
                                 zone_group));
    column->addWidget(zone_group);
    column->addWidget(button("bt_save", "Save", p, [] { gui_action(GUI_ACTION_SAVE_TIME_ZONE); }));
    auto* expert = named(new QCheckBox(QStringLiteral("expert settings"), p), "cb_settings_expert");
    pl_settings_expert = named(new QWidget(p), "pl_settings_expert");
    (new QVBoxLayout(pl_settings_expert))->addWidget(button("Panel17", "Debug Rx/Tx", pl_settings_expert, [this] {
        Panel17Click();
    }));
    pl_settings_expert->setVisible(false);
    connect(expert, &QCheckBox::toggled, pl_settings_expert, &QWidget::setVisible);
    column->addWidget(expert);
    column->addWidget(pl_settings_expert);
    column->addStretch();
    return p;
}

QWidget* TFframe::usbPage()
{
    QWidget* p = page("ts_usb");
    auto* column = new QVBoxLayout(p);
    column->addWidget(picture_box("Image_usb", usb_picture(panel_picture_size), p));
    auto* mode_group = named(new QGroupBox(QStringLiteral("Communication Mode"), p), "GroupBox_mode");
    auto* mode_column = new QVBoxLayout(mode_group);
    rb_VEXL = named(new QRadioButton(QStringLiteral("VEXL mode. Sensor connected directly"), mode_group), "rb_VEXL");
    rb_KLVR = named(new QRadioButton(QStringLiteral("KLVR mode. sensor connected to logger"), mode_group), "rb_KLVR");
    mode_column->addWidget(rb_VEXL);
    mode_column->addWidget(rb_KLVR);
    column->addWidget(mode_group);
    cb_autoconnect = named(new QCheckBox(QStringLiteral("Auto Connect"), p), "cb_autoconnect");
    column->addWidget(cb_autoconnect);
    cb_com_port = named(new QComboBox(p), "cb_com_port");
    cb_com_port->setEditable(true);
    cb_com_port->setEditText(QStringLiteral("---"));
    column->addWidget(cb_com_port);
    column->addWidget(button("bt_com_refresh", "Refresh list", p, [this] { master.fillComPorts(); }));
    bt_conn_disconn = button("bt_conn_disconn", "Connect", p, [this] { bt_conn_disconnClick(); });
    column->addWidget(bt_conn_disconn);
    column->addWidget(button("bt_com_save", "Save", p, [this] { master.save_connection_settings(); }));
    column->addStretch();
    return p;
}

QWidget* TFframe::configurationPage()
{
    QWidget* p = page("ts_configuration");
    auto* column = new QVBoxLayout(p);
    auto* standard = named(new QGroupBox(QStringLiteral("Standard Configuration"), p), "GroupBox_standard");
    auto* standard_column = new QVBoxLayout(standard);
    standard_column->addWidget(button("Button8", "KLVR-VEXL", standard, [this] { confirmStandardConfig(1); }));
    standard_column->addWidget(button("Button9", "KLVR-VEXL-COM", standard, [this] { confirmStandardConfig(2); }));
    auto* special = named(new QGroupBox(QStringLiteral("Special configuration"), p), "GroupBox_special");
    auto* special_column = new QVBoxLayout(special);
    special_column->addWidget(
        button("Button3", "KLVR-VEXL(-COM) - For calibration", special, [this] { confirmStandardConfig(3); }));
    special_column->addWidget(
        button("Button4", "KLVR-VEXL(-COM) - For flow measurement", special, [this] { confirmStandardConfig(4); }));
    auto* custom = named(new QGroupBox(QStringLiteral("Custom Configuration"), p), "GroupBox_custom");
    (new QVBoxLayout(custom))
        ->addWidget(button("Button20", "Upload Custom Configuration ......", custom, [this] { Button20Click(); }));
    column->addWidget(standard);
    column->addWidget(special);
    column->addWidget(custom);
    column->addStretch();
    return p;
}

QWidget* TFframe::statusPage()
{
    QWidget* p = page("ts_status");
    auto* grid = new QGridLayout(p);
    grid->addWidget(button("Button11", "Get Status", p, [this] { Button11Click(); }), 0, 0);
    grid->addWidget(button("Button12", "Set Time - Quick Sync", p, [this] { master.start_quick_sync(); }), 0, 1);
    grid->addWidget(button("Button13", "Change ACQ Interval", p, [this] { changeInterval(GUI_ACQ_INTERVAL, 1); }), 0,
                    2);
    struct Trow {
        const char* caption;
        QLabel** value;
        const char* name;
    };
    const Trow rows[] = {
        {"Serial Number :", &lb_snr, "lb_snr"},
        {"TIME :", &lb_time, "lb_time"},
        {"ACQ INTERVAL :", &lb_acq_interval, "lb_acq_interval"},
        {"ACQ NEXT :", &lb_acq_next, "lb_acq_next"},
        {"GSM INTERVAL :", &lb_gsm_interval, "lb_gsm_interval"},
        {"GSM NEXT :", &lb_gsm_next, "lb_gsm_next"},
        {"Size of occupied flash :", &lb_size, "lb_size"},
        {"Flash Next Download :", &lb_next_download, "lb_next_download"},
    };
    int row = 1;
    for (const Trow& r : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(r.caption), p), row, 0);
        *r.value = value_label(r.name, "---", p);
        grid->addWidget(*r.value, row, 1, 1, 2);
        ++row;
    }
    grid->setRowStretch(row, 1);
    return p;
}

QWidget* TFframe::acquisitionPage()
{
    QWidget* p = page("ts_acq");
    auto* grid = new QGridLayout(p);
    static const char* const lamp_names[4] = {"A", "B", "C", "T"};
    static const char* const lamp_titles[4] = {"Lamp A", "Lamp B", "Lamp C", "Lamp Turbidity"};
    for (int lamp_index = 0; lamp_index < 4; ++lamp_index) {
        auto* group = new QGroupBox(QString::fromUtf8(lamp_titles[lamp_index]), p);
        auto* rows = new QGridLayout(group);
        const std::string delta = std::string("lb_acq_lamp") + lamp_names[lamp_index] + "_delta";
        const std::string off = std::string("lb_acq_lamp") + lamp_names[lamp_index] + "_off";
        rows->addWidget(new QLabel(QStringLiteral("delta"), group), 0, 0);
        sample_labels[2][lamp_index * 3 + 2] = value_label(delta.c_str(), "-", group);
        rows->addWidget(sample_labels[2][lamp_index * 3 + 2], 0, 1);
        rows->addWidget(new QLabel(QStringLiteral("off"), group), 1, 0);
        sample_labels[2][lamp_index * 3] = value_label(off.c_str(), "-", group);
        rows->addWidget(sample_labels[2][lamp_index * 3], 1, 1);
        grid->addWidget(group, lamp_index / 2, lamp_index % 2);
    }
    auto* tb = new QGroupBox(QStringLiteral("Temperature && Battery"), p);
    auto* tb_rows = new QGridLayout(tb);
    tb_rows->addWidget(new QLabel(QStringLiteral("T"), tb), 0, 0);
    sample_labels[2][13] = value_label("lb_acq_temp", "-", tb);
    tb_rows->addWidget(sample_labels[2][13], 0, 1);
    tb_rows->addWidget(new QLabel(QStringLiteral("Vbat"), tb), 1, 0);
    sample_labels[2][12] = value_label("lb_acq_vbat", "-", tb);
    tb_rows->addWidget(sample_labels[2][12], 1, 1);
    grid->addWidget(tb, 2, 0);
    grid->addWidget(button("Button10", "start ACQuisition", p, [this] { master.start_command(3); }), 3, 0);
    pl_new_data = lamp("pl_new_data", "", p);
    grid->addWidget(pl_new_data, 3, 1);
    grid->addWidget(button("Button2", "Change ACQ Interval", p, [this] { changeInterval(GUI_ACQ_INTERVAL, 1); }), 4,
                    0);
    return p;
}

QWidget* TFframe::downloadPage()
{
    QWidget* p = page("ts_download");
    auto* grid = new QGridLayout(p);
    grid->addWidget(button("bt_all", "Download all", p, [this] { master.start_download(0, 0, false); }), 0, 0);
    grid->addWidget(button("bt_inc", "Download Incremental", p, [this] { master.start_download(0, 0, true); }), 0, 1);
    grid->addWidget(button("Button7", "Get Info", p, [this] { Button7Click(); }), 0, 2);
    grid->addWidget(button("bt_clr", "Clear Flash", p, [this] { bt_clrClick(); }), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Serial Number :"), p), 1, 0);
    lb_download_snr = value_label("lb_download_snr", "---", p);
    grid->addWidget(lb_download_snr, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Memory occupation :"), p), 2, 0);
    download_percentage = value_label("download_percentage", "- - - ", p);
    grid->addWidget(download_percentage, 2, 1);
    PaintBox_flash = new Tpaint_box("PaintBox_flash", p);
    PaintBox_flash->setMinimumSize(300, 24);
    grid->addWidget(PaintBox_flash, 3, 0, 1, 4);
    download_pt = value_label("download_pt", "- - - ", p);
    grid->addWidget(download_pt, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Next download address :"), p), 5, 0);
    download_nda = value_label("download_nda", "- - - ", p);
    grid->addWidget(download_nda, 5, 1);
    grid->setRowStretch(6, 1);
    return p;
}

QWidget* TFframe::gsmPage()
{
    QWidget* p = page("ts_gsm");
    auto* column = new QVBoxLayout(p);
    mm_gsm = text_area("mm_gsm", p);
    column->addWidget(mm_gsm, 1);
    column->addWidget(button("Button14", "GSM now", p, [this] { master.start_command(4); }));
    column->addWidget(button("Button1", "Change GSM interval", p, [this] { changeInterval(GUI_GSM_INTERVAL, 32); }));
    auto* advanced = named(new QCheckBox(QStringLiteral("Advanced functions"), p), "cb_gsm_advanced");
    pl_gsm_advanced = named(new QWidget(p), "pl_gsm_advanced");
    (new QVBoxLayout(pl_gsm_advanced))
        ->addWidget(button("Panel8", "GSM Power off", pl_gsm_advanced, [this] { Panel8Click(); }));
    pl_gsm_advanced->setVisible(false);
    connect(advanced, &QCheckBox::toggled, pl_gsm_advanced, &QWidget::setVisible);
    column->addWidget(advanced);
    column->addWidget(pl_gsm_advanced);
    return p;
}

// The "Latest" group: on, off and delta of each lamp, battery and temperature;
// row 0 the calibration page's names, row 1 the view page's.
QWidget* TFframe::latestGroup(int row, const char* prefix, QWidget* parent)
{
    auto* group = named(new QGroupBox(QStringLiteral("Latest"), parent), row == 0 ? "GroupBox_cal_latest" : "GroupBox_latest");
    auto* grid = new QGridLayout(group);
    static const char* const letters[4] = {"A", "B", "C", "T"};
    static const char* const columns[3] = {"On", "Off", "Delta"};
    for (int c = 0; c < 3; ++c)
        grid->addWidget(new QLabel(QString::fromUtf8(columns[c]), group), 0, c + 1);
    for (int l = 0; l < 4; ++l) {
        grid->addWidget(new QLabel(QStringLiteral("Lamp %1").arg(QLatin1String(letters[l])), group), l + 1, 0);
        // Column order on, off, delta; ids base (off) 307 + 3l, on + 1, delta + 2.
        const int offsets[3] = {1, 0, 2};
        static const char* const view_parts[3] = {"_on", "_off", "_delta"};
        static const char* const cal_parts[3] = {"lb_cal_on_", "lb_cal_off_", "lb_cal_delta_"};
        for (int c = 0; c < 3; ++c) {
            const std::string name = row == 0 ? std::string(cal_parts[c]) + letters[l]
                                              : std::string(prefix) + letters[l] + view_parts[c];
            QLabel* value = value_label(name.c_str(), "---", group);
            value->setMinimumWidth(70);
            sample_labels[row][l * 3 + offsets[c]] = value;
            grid->addWidget(value, l + 1, c + 1);
        }
    }
    grid->addWidget(new QLabel(QStringLiteral("Vbat"), group), 5, 0);
    sample_labels[row][12] = value_label(row == 0 ? "lb_cal_on_bat" : "lb_vbat", "---", group);
    grid->addWidget(sample_labels[row][12], 5, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("T\u00B0"), group), 6, 0);
    sample_labels[row][13] = value_label(row == 0 ? "lb_cal_on_temp" : "lb_temp", "---", group);
    grid->addWidget(sample_labels[row][13], 6, 1);
    return group;
}

QWidget* TFframe::viewPage()
{
    QWidget* p = page("ts_fluo_view");
    auto* grid = new QGridLayout(p);
    grid->addWidget(latestGroup(1, "lb_lamp", p), 0, 0, 3, 1);
    lb_vbat = sample_labels[1][12];
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(button("Button16", "Clear", p, [this] { clearViewTable(); }));
    buttons->addWidget(button("Button17", "Load calibration file ... ", p, [this] { Button17Click(); }));
    buttons->addWidget(button("Button18", "Save", p, [this] { Button22Click(); }));
    buttons->addWidget(button("Button21", "Start", p, [this] { master.start_view(); }));
    buttons->addWidget(button("bt_fluo_view_stop", "Stop", p, [this] { master.stop_view(); }));
    grid->addLayout(buttons, 0, 1);
    auto* channels = named(new QGroupBox(QStringLiteral("Measured Channels"), p), "GroupBox_channels");
    auto* channel_column = new QVBoxLayout(channels);
    static const char* const lamp_boxes[4] = {"cb_lampe_A", "cb_lampe_B", "cb_lampe_C", "cb_lampe_T"};
    static const char* const lamp_captions[4] = {"Lamp A", "Lamp B", "Lamp C", "Lamp T"};
    for (int l = 0; l < 4; ++l) {
        cb_lampe[l] = named(new QCheckBox(QString::fromUtf8(lamp_captions[l]), channels), lamp_boxes[l]);
        cb_lampe[l]->setChecked(true);
        channel_column->addWidget(cb_lampe[l]);
    }
    grid->addWidget(channels, 0, 2);
    auto* tracers = named(new QGroupBox(QStringLiteral("Used tracers"), p), "GroupBox_tracers");
    auto* tracer_column = new QVBoxLayout(tracers);
    static const char* const tracer_boxes[3] = {"cb_tracerA", "cb_tracerB", "cb_tracerC"};
    static const char* const tracer_captions[3] = {"Tracer for lamp A", "Tracer for lamp B", "Tracer for lamp C"};
    for (int l = 0; l < 3; ++l) {
        cb_tracer_lamp[l] = named(new QCheckBox(QString::fromUtf8(tracer_captions[l]), tracers), tracer_boxes[l]);
        cb_tracer_lamp[l]->setChecked(l == 0);
        connect(cb_tracer_lamp[l], &QCheckBox::toggled, this, [this, l](bool on) { master.view.setTracer(l, on); });
        tracer_column->addWidget(cb_tracer_lamp[l]);
    }
    grid->addWidget(tracers, 1, 2);
    StringGridView = named(new QTableView(p), "StringGridView");
    StringGridView->setModel(view_rows);
    std::vector<int> least_widths(Tview_table_model::column_count, view_column_width_rest);
    std::copy(std::begin(view_column_widths), std::end(view_column_widths), least_widths.begin());
    keep_columns_fitted(StringGridView, least_widths);
    grid->addWidget(StringGridView, 3, 0, 1, 3);
    grid->setRowStretch(3, 1);
    return p;
}

QWidget* TFframe::calibrationPage()
{
    QWidget* p = page("ts_fluo_cal");
    auto* grid = new QGridLayout(p);
    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("Sensor Serial Number"), p), 0, 0);
    fluo_cal_ed_SNR = named(new QLineEdit(QStringLiteral("1"), p), "fluo_cal_ed_SNR");
    form->addWidget(fluo_cal_ed_SNR, 0, 1);
    auto add_choice = [&](int row, const char* caption, QComboBox*& box, const char* name, const char* prompt) {
        form->addWidget(new QLabel(QString::fromUtf8(caption), p), row, 0);
        box = named(new QComboBox(p), name);
        box->setPlaceholderText(QString::fromUtf8(prompt));
        box->setCurrentIndex(-1);
        form->addWidget(box, row, 1);
    };
    add_choice(1, "Sensor Model", fluo_cal_cb_model, "fluo_cal_cb_model", "-- select model --");
    add_choice(2, "Sensor configuration", fluo_cal_cb_configuration, "fluo_cal_cb_configuration",
               "-- select config --");
    add_choice(3, "Current Tracer", cb_tracer, "cb_tracer", "-- select tracer currently used --");
    add_choice(4, "Current Concentration", cb_concentration, "cb_concentration", "-- select --");
    for (int code = 1; code <= 2; ++code)
        fluo_cal_cb_model->addItem(QString::fromUtf8(modelName(code)), code);
    for (int code = 1; code <= 3; ++code)
        fluo_cal_cb_configuration->addItem(QString::fromUtf8(configurationName(code)), code);
    static const char* const tracers[8] = {"water with turbidity",        "optic I   - Uranine",
                                           "optic I   - Eosine",          "optic II  - Sulforhodamine B",
                                           "optic II  - Amidorhodamine G", "optic III - Amino G acide",
                                           "optic V   - Naphtionate",     "optic VII - Naphthalene Disulfonate"};
    for (int code = 1; code <= 8; ++code)
        cb_tracer->addItem(QString::fromUtf8(tracers[code - 1]), code);
    for (int code = 1; code <= 10; ++code)
        cb_concentration->addItem(QString::fromUtf8(concentrationName(code)), code);
    for (QComboBox* box : {fluo_cal_cb_model, fluo_cal_cb_configuration, cb_tracer, cb_concentration})
        box->setCurrentIndex(-1);
    grid->addLayout(form, 0, 0);
    PaintBox_cal = new Tpaint_box("PaintBox_cal", p);
    PaintBox_cal->setMinimumSize(360, 200);
    grid->addWidget(PaintBox_cal, 0, 1, 2, 1);
    grid->addWidget(latestGroup(0, "", p), 1, 0);
    auto* buttons = new QHBoxLayout;
    pl_cal_new = lamp("pl_cal_new", "", p);
    buttons->addWidget(pl_cal_new);
    bt_store = button("bt_store", "Store value", p, [this] { bt_storeClick(); });
    bt_store->setEnabled(false);
    buttons->addWidget(bt_store);
    buttons->addWidget(button("Button19", "Clear", p, [this] { master.calibration.clearSamples(); }));
    buttons->addWidget(button("bt_cal_xml", "Load XML", p, [this] { bt_cal_xmlClick(); }));
    buttons->addWidget(button("bt_cal_save", "Save XML", p, [this] { bt_cal_saveClick(); }));
    buttons->addWidget(button("bt_cal_start", "Start", p, [this] { bt_cal_startClick(); }));
    buttons->addWidget(button("bt_cal_stop", "Stop", p, [this] { master.stop_calibration(); }));
    grid->addLayout(buttons, 2, 0, 1, 2);
    PageControlCal = named(new QTabWidget(p), "PageControlCal");
    QWidget* low = page("ts_cal_low");
    mm_cal_raw = text_area("mm_cal_raw", low);
    (new QVBoxLayout(low))->addWidget(mm_cal_raw);
    QWidget* stored = page("tb_fluo_cal_stored_values");
    StringGridCal = named(new QTableView(stored), "StringGridCal");
    StringGridCal->setModel(stored_values);
    keep_columns_fitted(StringGridCal, {});
    (new QVBoxLayout(stored))->addWidget(StringGridCal);
    QWidget* constants = page("TabSheet12");
    auto* constants_column = new QVBoxLayout(constants);
    mm_cal_cal = text_area("mm_cal_cal", constants);
    constants_column->addWidget(mm_cal_cal);
    auto* constants_buttons = new QHBoxLayout;
    constants_buttons->addWidget(
        button("bt_save_calibrat", "Save .dat file", constants, [this] { bt_save_calibratClick(); }));
    constants_buttons->addWidget(button("Button15", "Calc Calibration", constants, [this] { master.calc_calibration(); }));
    constants_column->addLayout(constants_buttons);
    PageControlCal->addTab(low, QStringLiteral("Log low level"));
    PageControlCal->addTab(stored, QStringLiteral("Stored Values"));
    PageControlCal->addTab(constants, QStringLiteral("Calibration values"));
    grid->addWidget(PageControlCal, 3, 0, 1, 2);
    grid->setRowStretch(3, 1);
    return p;
}

QWidget* TFframe::flowPage()
{
    QWidget* p = page("ts_fluo_flow");
    auto* grid = new QGridLayout(p);
    PaintBox_flow = new Tpaint_box("PaintBox_flow", p);
    PaintBox_flow->setMinimumSize(500, 300);
    grid->addWidget(PaintBox_flow, 0, 0, 4, 1);
    grid->addWidget(button("bt_flow_start", "Start", p, [this] { master.start_flow(); }), 0, 1);
    grid->addWidget(button("bt_flow_stop", "Stop", p, [this] { master.stop_flow(); }), 1, 1);
    auto* calcul = named(new QGroupBox(QStringLiteral("Calcul"), p), "GroupBox_calcul");
    auto* calcul_row = new QHBoxLayout(calcul);
    calcul_row->addWidget(new QLabel(QStringLiteral("Surface"), calcul));
    lb_surface = value_label("lb_surface", "- - -", calcul);
    calcul_row->addWidget(lb_surface);
    grid->addWidget(calcul, 2, 1);
    grid->addWidget(button("Button5", "Load calibration file...", p, [this] { Button5Click(); }), 3, 1);
    auto* unit = named(new QGroupBox(QStringLiteral("Chart unit"), p), "GroupBox_unit");
    auto* unit_column = new QVBoxLayout(unit);
    rv_chart_unit_mv = named(new QRadioButton(QStringLiteral("mV"), unit), "rv_chart_unit_mv");
    rb_chart_unit_ppb = named(new QRadioButton(QStringLiteral("ppb"), unit), "rb_chart_unit_ppb");
    rv_chart_unit_mv->setChecked(true);
    rb_chart_unit_ppb->setEnabled(false);
    connect(rv_chart_unit_mv, &QRadioButton::clicked, this, [this] { master.flow.setChartUnit(0); });
    connect(rb_chart_unit_ppb, &QRadioButton::clicked, this, [this] { master.flow.setChartUnit(1); });
    unit_column->addWidget(rv_chart_unit_mv);
    unit_column->addWidget(rb_chart_unit_ppb);
    grid->addWidget(unit, 4, 1);
    return p;
}

void TFframe::selectPage(const char* name)
{
    if (QWidget* target = PageControl1->findChild<QWidget*>(QLatin1String(name)))
        PageControl1->setCurrentWidget(target);
}

bool TFframe::confirm(const char* question)
{
    Tmessage_box box;
    box.text = question;
    box.caption = "Calyxo Start";
    box.icon = Tbox_icon::warning;
    box.buttons = Tbox_buttons::ok_cancel;
    return dialog_seam().messageBox(box) == Tbox_answer::ok;
}

std::string TFframe::chooseFile(bool save, const char* filter, const char* extension, const std::string& initial)
{
    Tfile_dialog dialog;
    dialog.mode = save ? Tfile_dialog_mode::save : Tfile_dialog_mode::open;
    dialog.filter = filter;
    dialog.default_extension = extension;
    dialog.initial_path = initial;
    return dialog_seam().chooseFile(dialog);
}

void TFframe::errorBox(const char* text)
{
    show_error_box("Calyxo Start", text ? text : "");
}

void TFframe::Panel17Click()
{
    log_printf("%s", master.toggleRxTxTrace() ? "Rx/Tx enabled" : "Rx/Tx disabled");
}

void TFframe::pl_txClick()
{
    if (master.ioVerbose() != 0) {
        master.setIoVerbose("0");
        log_printf("Verbose disabled");
    } else {
        master.setIoVerbose("1");
        log_printf("Verbose enabled");
    }
}

void TFframe::bt_conn_disconnClick()
{
    master.save_connection_settings();
    master.start_connect();
}

void TFframe::confirmStandardConfig(int type)
{
    if (confirm("Do you really want to update the configuration ?"))
        master.start_standard_config(type);
}

void TFframe::Button20Click()
{
    const std::string path = chooseFile(false, "XML setup file|*.xml|All files|*.*", "xml", "");
    if (!path.empty())
        master.start_custom_upload(path.c_str());
}

void TFframe::Button11Click()
{
    for (int id : {GUI_SERIAL_NUMBER, GUI_LOGGER_TIME, GUI_ACQ_INTERVAL, GUI_ACQ_NEXT, GUI_FLASH_USED,
                   GUI_GSM_INTERVAL, GUI_GSM_NEXT, GUI_NEXT_DOWNLOAD})
        guiSet(id, "---");
    guiSet(GUI_SAMPLE_BATTERY, "");
    master.start_get_status();
}

void TFframe::changeInterval(int dialog_id, int variable)
{
    const int seconds = gui_get_int(dialog_id);
    if (seconds != -1)
        master.start_set_parameter(static_cast<uint8_t>(variable), static_cast<uint32_t>(seconds));
}

void TFframe::Button7Click()
{
    for (int id : {GUI_SERIAL_NUMBER, GUI_FLASH_USED, GUI_NEXT_DOWNLOAD})
        guiSet(id, "---");
    master.start_get_info();
}

void TFframe::bt_clrClick()
{
    if (!confirm("Do you really want to clear the Memory ?"))
        return;
    log_printf("START   : clear flash");
    master.start_clear_flash();
}

void TFframe::Panel8Click()
{
    master.start_set_parameter(36, time_now() + gsm_power_off_delay);
}

void TFframe::Button17Click()
{
    const std::string path = chooseFile(false, "DAT file|*.dat|All files|*.*", "dat", "");
    if (!path.empty())
        master.view.loadCalibration(path.c_str());
}

void TFframe::Button22Click()
{
    const std::string path = chooseFile(true, "CSV|*.csv|all|*.*", "csv", "");
    if (path.empty())
        return;
    const std::string text = view_rows->csvText();
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = file && std::fclose(file) == 0;
    if (!written || !closed) {
        log_printf("ERROR : the view table could not be written to %s", path.c_str());
        errorBox("The table could not be saved ! See log");
    }
}

void TFframe::calibrationIdentity()
{
    master.calibration.setSerialFromText(fluo_cal_ed_SNR->text().toUtf8().constData());
    master.calibration.setModel(static_cast<uint8_t>(fluo_cal_cb_model->currentData().toInt()));
    master.calibration.setConfiguration(static_cast<uint8_t>(fluo_cal_cb_configuration->currentData().toInt()));
}

void TFframe::bt_cal_startClick()
{
    PageControlCal->setCurrentIndex(0);
    master.start_calibration();
}

void TFframe::bt_storeClick()
{
    master.calibration.setSelectedTracer(static_cast<uint8_t>(cb_tracer->currentData().toInt()));
    master.calibration.setSelectedConcentration(static_cast<uint8_t>(cb_concentration->currentData().toInt()));
    calibrationIdentity();
    master.calibration.storeSample();
}

void TFframe::bt_cal_xmlClick()
{
    calibrationIdentity();
    const std::string path = chooseFile(false, "XML file|*.xml|All files|*.*", "xml", "");
    if (!path.empty())
        master.calibration.readCalibrationXml(path.c_str());
}

void TFframe::bt_cal_saveClick()
{
    calibrationIdentity();
    Tmy_string name;
    master.calibration.makeFileName(&name, false);
    const std::string path = chooseFile(true, "XML file|*.xml|DAT file|*.dat|All files|*.*", "xml", name.c_str());
    if (!path.empty())
        master.calibration.writeCalibrationXml(path.c_str());
}

void TFframe::bt_save_calibratClick()
{
    calibrationIdentity();
    Tmy_string name;
    master.calibration.makeFileName(&name, true);
    const std::string path = chooseFile(true, "DAT file|*.dat|All files|*.*", "dat", name.c_str());
    Tmy_string why;
    if (!path.empty() && master.calibration.writeConstantsFile(path.c_str(), &why))
        errorBox(why.c_str());
}

void TFframe::Button5Click()
{
    const std::string path = chooseFile(false, "DAT file|*.dat|All files|*.*", "dat", "");
    if (!path.empty())
        master.flow.loadCalibration(path.c_str());
}

void TFframe::copytoclipboard1Click()
{
    dialog_seam().setClipboardText(Memo0->toPlainText().toStdString());
}

void TFframe::closeEvent(QCloseEvent* event)
{
    master.endAtClose();
    QMainWindow::closeEvent(event);
}
