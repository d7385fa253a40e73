#include "programs/basic/wetalonnage.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/log.h"
#include "base/parse.h"
#include "ui/dialog_keys.h"

namespace {

constexpr const char* no_value = "----";
constexpr int field_text_size = 64;
enum { measured_value, span_value, offset_value, corrected_value };

QString shown(double value)
{
    return QString::asprintf("%0.4f", value);
}

QLabel* value_label(QWidget* parent, const char* name)
{
    auto* label = new QLabel(shown(0), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* value_field(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit("0", parent);
    field->setObjectName(name);
    return field;
}

}  // namespace

TFormEtalonnage::TFormEtalonnage(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormEtalonnage");
    setWindowTitle(QString::fromUtf8("Etalonnage - Capteur de pression"));
    auto* layout = new QVBoxLayout(this);
    auto* menu = new QMenuBar(this);
    QAction* read = menu->addAction(QString::fromUtf8("lire les valeurs..."));
    read->setObjectName("GetHealth1");
    connect(read, &QAction::triggered, this, [this] {
        if (request_health)
            request_health();
    });
    layout->setMenuBar(menu);

    auto* grid = new QGridLayout;
    const char* const headings[] = {"Pression mesur\u00e9e", "Pente", "Offset", "Valeur corrig\u00e9 actuelle"};
    for (int i = 0; i < 4; ++i)
        grid->addWidget(new QLabel(QString::fromUtf8(headings[i]), this), 0, i * 2);
    lb_pression = value_label(this, "lb_pression");
    lb_span = value_label(this, "lb_span");
    lb_offset = value_label(this, "lb_offset");
    lb_corrected = value_label(this, "lb_corrected");
    lb_pression_2 = value_label(this, "lb_pression_2");
    ed_span = value_field(this, "ed_span");
    ed_offset = value_field(this, "ed_offset");
    ed_corrected = value_field(this, "ed_corrected");
    QWidget* const read_row[] = {lb_pression, lb_span, lb_offset, lb_corrected};
    QWidget* const write_row[] = {lb_pression_2, ed_span, ed_offset, ed_corrected};
    const char* const operators[] = {"*", "+", "="};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(read_row[i], 1, i * 2);
        grid->addWidget(write_row[i], 2, i * 2);
        if (i < 3) {
            grid->addWidget(new QLabel(operators[i], this), 1, i * 2 + 1);
            grid->addWidget(new QLabel(operators[i], this), 2, i * 2 + 1);
        }
    }
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    bt_OK = new QPushButton(QString::fromUtf8("Mettre-\u00e0-jour"), this);
    bt_OK->setObjectName("bt_OK");
    bt_OK->setEnabled(false);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("bt_Cancel");
    buttons->addWidget(bt_OK);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    // Enter in a field writes nothing: writing takes the button.
    new Tdialog_keys(this, {ed_span, ed_offset, ed_corrected}, nullptr, [this] { bt_CancelClick(); });
    connect(bt_OK, &QPushButton::clicked, this, [this] { bt_OKClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { bt_CancelClick(); });
    connect(ed_span, &QLineEdit::textEdited, this, [this] { spanEdited(); });
    connect(ed_offset, &QLineEdit::textEdited, this, [this] { offsetEdited(); });
    connect(ed_corrected, &QLineEdit::textEdited, this, [this] { correctedEdited(); });
}

void TFormEtalonnage::show_calibration_dialog()
{
    ed_corrected->setFocus();
    exec();
}

void TFormEtalonnage::calib_set(const Tpressure_health& values)
{
    all_valid = true;
    for (bool valid : values.valid)
        all_valid = all_valid && valid;
    // An invalid slot is no value: it is shown as such and nothing can be written.
    auto show = [&values](int index, QLabel* label, QWidget* twin) {
        const QString text = values.valid[index] ? shown(values.value[index]) : QString(no_value);
        label->setText(text);
        if (auto* field = qobject_cast<QLineEdit*>(twin))
            field->setText(text);
        else
            static_cast<QLabel*>(twin)->setText(text);
    };
    measured = values.value[measured_value];
    show(measured_value, lb_pression, lb_pression_2);
    span_read = span = values.value[span_value];
    show(span_value, lb_span, ed_span);
    offset_read = offset = values.value[offset_value];
    show(offset_value, lb_offset, ed_offset);
    corrected = values.value[corrected_value];
    show(corrected_value, lb_corrected, ed_corrected);
    bt_OK->setEnabled(all_valid);
}

double TFormEtalonnage::numberOf(const QLineEdit* field)
{
    char text[field_text_size];
    text_copy_bounded(text, field->text().toUtf8().constData(), field_text_size);
    double value = 0;
    parse_double(text, &value);
    return value;
}

void TFormEtalonnage::spanEdited()
{
    span = numberOf(ed_span);
    corrected = measured * span + offset;
    ed_corrected->setText(shown(corrected));
}

void TFormEtalonnage::offsetEdited()
{
    offset = numberOf(ed_offset);
    corrected = measured * span + offset;
    ed_corrected->setText(shown(corrected));
}

void TFormEtalonnage::correctedEdited()
{
    corrected = numberOf(ed_corrected);
    offset = corrected - measured * span;
    ed_offset->setText(shown(offset));
}

void TFormEtalonnage::bt_OKClick()
{
    if (!all_valid)
        return;
    done(1);
    log_printf("span: av/ap (%f/%f), offset: av/ap (%f/%f)", span_read, span, offset_read, offset);
    const bool span_changed = span != span_read;
    const bool offset_changed = offset != offset_read;
    if ((span_changed || offset_changed) && write)
        write(span_changed, span, offset_changed, offset);
}

void TFormEtalonnage::bt_CancelClick()
{
    done(2);
}
