#include "programs/basic/wask_pulse.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/typed_number.h"
#include "link/calyxo_master.h"
#include "programs/basic/start_refusal.h"
#include "programs/basic/wask_snr.h"
#include "programs/basic/window_style.h"
#include "ui/dialog_keys.h"

namespace {

// Cubic metres per pulse of the list's entries.
const double pulse_weights[] = {1.0, 0.1, 0.01};

}  // namespace

TFormAsk_pulse::TFormAsk_pulse(Tcalyxo_master& operation_master, QWidget* parent)
    : QWidget(parent, Qt::Dialog), master(operation_master)
{
    setObjectName("FormAsk_pulse");
    setWindowTitle(QString::fromUtf8("Compteur à impulsion"));
    ed_SNR = new QLineEdit("0", this);
    ed_SNR->setObjectName("ed_SNR");
    ed_index = new QLineEdit("0", this);
    ed_index->setObjectName("ed_index");
    cb_weight = new QComboBox(this);
    cb_weight->setObjectName("cb_weight");
    cb_weight->addItems({"1 impulsion = 1m3", "1 impulsion = 100 litres", "1 impulsion = 10 litres"});
    cb_weight->setCurrentIndex(0);
    lb_error = make_error_label(this);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("bt_OK");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("bt_Cancel");

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("Numéro de série du compteur :"), this), 0, 0);
    grid->addWidget(ed_SNR, 0, 1);
    grid->addWidget(new QLabel("index actuel :", this), 1, 0);
    grid->addWidget(ed_index, 1, 1);
    grid->addWidget(new QLabel("m3", this), 1, 2);
    grid->addWidget(new QLabel("Poids des impulsions : ", this), 2, 0);
    grid->addWidget(cb_weight, 2, 1, 1, 2);
    layout->addLayout(grid);
    layout->addWidget(lb_error);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    new Tdialog_keys(this, {ed_SNR, ed_index, cb_weight}, nullptr, [this] { bt_CancelClick(); });
    connect(ok, &QPushButton::clicked, this, [this] { bt_OKClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { bt_CancelClick(); });
}

void TFormAsk_pulse::pulse_dialog_show()
{
    lb_error->clear();
    show();
}

void TFormAsk_pulse::pulse_dialog_set(int id, const char* text)
{
    if (!text)
        return;
    if (id == 0) {
        ed_index->setText(QString::fromUtf8(text));
    } else if (id == 1) {
        ed_SNR->setText(QString::fromUtf8(text));
    } else if (id == 2) {
        double weight = 0;
        parse_double(text, &weight);
        cb_weight->setCurrentIndex(weight == 0.1 ? 1 : weight == 0.01 ? 2 : 0);
    }
}

void TFormAsk_pulse::bt_OKClick()
{
    // The meter keeps its serial number: «7O1529» is refused, not sent as 7.
    const QByteArray snr_text = ed_SNR->text().toUtf8();
    uint32_t snr = 0;
    const char* why = nullptr;
    if (!read_serial_number(snr_text.constData(), &snr, &why)) {
        lb_error->setText(QString::fromUtf8(why));
        adjustSize();
        ed_SNR->setFocus();
        return;
    }
    const int entry = cb_weight->currentIndex();
    const double weight = entry >= 0 && entry < 3 ? pulse_weights[entry] : 1.0;
    // The logger counts pulses in 32 bits: an index beyond them would wrap.
    const QByteArray index_text = ed_index->text().toUtf8();
    double index = 0;
    Tmy_string refused;
    if (!read_typed_decimal(index_text.constData(), "index actuel (m3)", 0,
                            largest_pulse_index(static_cast<float>(weight)), &index, &refused,
                            Twindow_language::french)) {
        lb_error->setText(QString::fromUtf8(refused.c_str()));
        adjustSize();  // a wrapped line grows the window instead of being cut
        ed_index->setFocus();
        return;
    }
    if (master.start_macro_write(snr, static_cast<float>(weight), index))
        log_start_refused(master, "pulse meter programming");
    else
        log_printf("INFO  : Programming pulse meter SNR=%u index=%f, weight=%f", snr, index, weight);
    hide();
}

void TFormAsk_pulse::bt_CancelClick()
{
    hide();
}
