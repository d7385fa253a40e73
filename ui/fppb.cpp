#include "ui/fppb.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "ui/display_columns.h"
#include "ui/faffiche.h"
#include "ui/grid_view.h"
#include "ui/table_export.h"

namespace {

TFppb* ppb_view = nullptr;

const char no_constant[] = "---";
const char no_constants_line[] = "No calibration constants are loaded: nothing is converted (\"-\").";
const QColor load_failed(0xFF, 0x00, 0x00);
const QColor load_succeeded(0x00, 0xFF, 0x00);

// Label names and captions of the eight constants shown after a load.
struct Tconstant_label {
    const char* name;
    const char* caption;
};
const Tconstant_label constant_label_names[8] = {
    {"lb_ca", "b0 (ca)"},         {"lb_c0", "c0"},           {"lb_c1", "c1"},           {"lb_c2", "c2"},
    {"lb_cond_b0", "cond_b0"},    {"lb_cond_c0", "cond_c0"}, {"lb_cond_c1", "cond_c1"}, {"lb_cond_c2", "cond_c2"},
};

// What each bit of a failed constants load means, beside the number shown.
struct Tcalib_fault {
    int bit;
    const char* meaning;
};
const Tcalib_fault calib_faults[] = {
    {CALIB_NO_PATH, "no file named"},
    {CALIB_CANNOT_OPEN, "the file cannot be opened"},
    {CALIB_TRACER_NOT_ABOVE_WATER, "a tracer signal is not above the water's"},
    {CALIB_LAMP_COUNT, "the lamp count is not 2 to 5"},
    {CALIB_TURBIDITY_LAMP_NOT_ABOVE_WATER, "the turbidity lamp's signal is not above the water's"},
    {CALIB_TURBIDITY_EFFECT_NOT_ABOVE_WATER, "a turbidity effect is not above the water's"},
    {CALIB_POINT_COUNT, "a tracer's point count is not 1 to 3"},
    {CALIB_VALUE_MISSING, "a value is missing or no number"},
};

QString calib_fault_text(int result)
{
    QString text = QString::number(result) + QStringLiteral(": ");
    bool first = true;
    for (const Tcalib_fault& fault : calib_faults) {
        if (!(result & fault.bit))
            continue;
        if (!first)
            text += QStringLiteral(", ");
        text += QString::fromUtf8(fault.meaning);
        first = false;
    }
    return text;
}

QLabel* new_label(const char* name, const char* text, QWidget* parent)
{
    QLabel* label = new QLabel(QString::fromUtf8(text), parent);
    if (name)
        label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* new_button(const char* name, const char* caption, QWidget* parent)
{
    QPushButton* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

void paint_panel(QLabel* panel, const QString& text, const QColor* colour)
{
    panel->setText(text);
    panel->setStyleSheet(colour ? QStringLiteral("background-color: %1;").arg(colour->name()) : QString());
}

}  // namespace

TFppb* TFppb::instance()
{
    return ppb_view;
}

TFppb::TFppb(QWidget* parent) : QWidget(parent, Qt::Window)
{
    ppb_view = this;
    setObjectName(QStringLiteral("Fppb"));
    setWindowTitle(QStringLiteral("ppb conversion"));
    resize(760, 520);
    OpenDialog1.mode = Tfile_dialog_mode::open;
    OpenDialog1.filter = "DAT file (*.dat)|*.dat|All files (*.*)|*.*";
    OpenDialog1.default_extension = "dat";
    OpenDialog1.initial_path = "calibrat.dat";
    SaveDialog1.mode = Tfile_dialog_mode::save;
    buildWidgets();
}

TFppb::~TFppb()
{
    StringGrid1->setModel(nullptr);
    if (ppb_view == this)
        ppb_view = nullptr;
}

void TFppb::buildWidgets()
{
    QHBoxLayout* layout = new QHBoxLayout(this);

    StringGrid1 = new Tgrid_view("StringGrid1", this);
    StringGrid1->on_escape = [this] { hide(); };
    StringGrid1->showModel(&model);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* copy = PopupMenu1->addAction(QStringLiteral("copy to clipboard"));
    copy->setObjectName(QStringLiteral("copytoclipboard1"));
    connect(copy, &QAction::triggered, this, [this] { copytoclipboard1Click(); });
    QAction* save = PopupMenu1->addAction(QStringLiteral("Save tabular...."));
    save->setObjectName(QStringLiteral("Savetabular1"));
    connect(save, &QAction::triggered, this, [this] { Savetabular1Click(); });
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at)); });
    layout->addWidget(StringGrid1, 1);

    QVBoxLayout* side = new QVBoxLayout;
    QPushButton* Button1 = new_button("Button1", "Load calibration file ... ", this);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    side->addWidget(Button1);
    // Under the button, as wide as the column: a refused load's number comes
    // with what it means, which needs the room.
    pl_result = new_label("pl_result", "", this);
    pl_result->setMinimumWidth(40);
    pl_result->setAlignment(Qt::AlignCenter);
    pl_result->setWordWrap(true);
    side->addWidget(pl_result);

    QGroupBox* tracers = new QGroupBox(QStringLiteral("Used tracers"), this);
    tracers->setObjectName(QStringLiteral("GroupBox1"));
    QVBoxLayout* tracer_layout = new QVBoxLayout(tracers);
    const char* const tracer_names[3] = {"cb_tracerA", "cb_tracerB", "cb_tracerC"};
    const char* const tracer_captions[3] = {"Tracer for lamp A", "Tracer for lamp B", "Tracer for lamp C"};
    for (int i = 0; i < 3; ++i) {
        cb_tracers[i] = new QCheckBox(QString::fromUtf8(tracer_captions[i]), tracers);
        cb_tracers[i]->setObjectName(QLatin1String(tracer_names[i]));
        tracer_layout->addWidget(cb_tracers[i]);
    }
    cb_tracers[0]->setChecked(true);
    side->addWidget(tracers);

    side->addWidget(new_label("Label1", "Turbidity Sensitivity", this));
    ed_turbsens = new QLineEdit(QStringLiteral("1"), this);
    ed_turbsens->setObjectName(QStringLiteral("ed_turbsens"));
    side->addWidget(ed_turbsens);

    QPushButton* Button2 = new_button("Button2", "CONVERT !", this);
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    side->addWidget(Button2);
    lb_no_constants = new_label("lb_no_constants", no_constants_line, this);
    lb_no_constants->setWordWrap(true);
    lb_no_constants->setStyleSheet(QStringLiteral("color: #C00000;"));
    lb_no_constants->hide();
    side->addWidget(lb_no_constants);

    QGridLayout* constants_grid = new QGridLayout;
    for (int i = 0; i < 8; ++i) {
        constants_grid->addWidget(new_label(nullptr, constant_label_names[i].caption, this), i, 0);
        constant_labels[i] = new_label(constant_label_names[i].name, no_constant, this);
        constants_grid->addWidget(constant_labels[i], i, 1);
    }
    side->addLayout(constants_grid);
    side->addStretch(1);
    layout->addLayout(side);
}

void TFppb::prepareGrid()
{
    show();
    TFaffiche* results = TFaffiche::instance();
    model.prepare(results ? results->results().stepCount() : 0);
}

void TFppb::showNoConstants()
{
    for (QLabel* label : constant_labels)
        label->setText(QString::fromLatin1(no_constant));
}

void TFppb::showConstants(int result)
{
    if (!fluo.loaded()) {
        paint_panel(pl_result, calib_fault_text(result), &load_failed);
        showNoConstants();
        return;
    }
    // Constants of some tracers only still convert those: loaded, naming the others.
    QString shown;
    if (result != 0) {
        Tmy_string names;
        fluo.unconvertibleNames(&names);
        shown = QStringLiteral("undefined: ") + QString::fromUtf8(names.c_str());
    }
    paint_panel(pl_result, shown, &load_succeeded);
    const double values[8] = {fluo.getTurbidityWaterValue(), fluo.turbidity_fit[0], fluo.turbidity_fit[1],
                              fluo.turbidity_fit[2],         fluo.conductimeter[0], fluo.conductimeter[1],
                              fluo.conductimeter[2],         fluo.conductimeter[3]};
    for (int i = 0; i < 8; ++i) {
        // ca, c0, c1, c2 belong to the turbidity curve.
        if (i < 4 && !fluo.turbidity_defined) {
            constant_labels[i]->setText(QString::fromLatin1(no_constant));
            continue;
        }
        Tmy_string number;
        number.printf("%f", values[i]);
        constant_labels[i]->setText(QString::fromUtf8(number.c_str()));
    }
}

void TFppb::Button1Click()
{
    fluo.clear();
    const std::string path = dialog_seam().chooseFile(OpenDialog1);
    if (path.empty()) {
        // The constants are gone: the panel must not go on showing them.
        paint_panel(pl_result, QString(), nullptr);
        showNoConstants();
        return;
    }
    showConstants(fluo.getcalib(path.c_str(), 0));
}

bool TFppb::readSensitivity(float* out)
{
    const std::string text = ed_turbsens->text().trimmed().toStdString();
    double value = 0;
    if (!text.empty() && !parse_double(text.c_str(), &value) && std::isfinite(value)) {
        *out = static_cast<float>(value);
        return true;
    }
    Tmy_string message;
    message.printf("Turbidity Sensitivity: \"%s\" is no number; nothing converted", text.c_str());
    log_printf("ERROR : %s", message.c_str());
    show_error_box("ppb conversion", message.c_str());
    return false;
}

void TFppb::Button2Click()
{
    Tppb_settings settings;
    if (!readSensitivity(&settings.turbidity_sensitivity))
        return;
    for (int i = 0; i < 3; ++i)
        settings.tracers[i] = cb_tracers[i]->isChecked();
    prepareGrid();
    lb_no_constants->setVisible(!fluo.loaded());
    if (!fluo.loaded())
        log_printf("INFO  : ppb conversion : %s", no_constants_line);
    if (TFaffiche* results = TFaffiche::instance())
        model.showRows(convert_records(results->results(), fluo, settings, display_time_zone));
}

void TFppb::copytoclipboard1Click()
{
    copy_table_text(model);
}

void TFppb::Savetabular1Click()
{
    save_table_text(model, SaveDialog1);
}

void show_ppb_view()
{
    if (TFppb::instance() && TFaffiche::instance())
        TFppb::instance()->prepareGrid();
}
