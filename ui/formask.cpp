#include "ui/formask.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_keys.h"
#include "ui/prompt_number.h"

namespace {

struct Tinterval {
    const char* text;
    int seconds;
};

const Tinterval intervals[] = {
    {"15 Seconds", 15},   {"30 Seconds", 30},   {"1 Minutes", 60},  {"5 Minutes", 300},
    {"10 Minutes", 600},  {"15 Minutes", 900},  {"30 Minutes", 1800}, {"1 Hour", 3600},
    {"6 Hours", 21600},   {"24 Hours", 86400},
};

}  // namespace

TFormAsk::TFormAsk(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormAsk");
    setWindowTitle("FormAsk");
    lb_texte = new QLabel(this);
    lb_texte->setObjectName("lb_texte");
    lb_texte->setTextFormat(Qt::PlainText);
    QFont large = lb_texte->font();
    large.setPointSize(large.pointSize() + 6);
    lb_texte->setFont(large);
    ed_SNR = new QLineEdit("0", this);
    ed_SNR->setObjectName("ed_SNR");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setPlaceholderText("Select Interval");
    for (const Tinterval& interval : intervals)
        ComboBox1->addItem(interval.text, interval.seconds);
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->hide();
    bt_OK = new QPushButton("OK", this);
    bt_OK->setObjectName("bt_OK");
    bt_Cancel = new QPushButton("Cancel", this);
    bt_Cancel->setObjectName("bt_Cancel");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lb_texte);
    // The field and the list lie on the same spot; one of them shows.
    auto* spot = new QGridLayout;
    spot->addWidget(ed_SNR, 0, 0);
    spot->addWidget(ComboBox1, 0, 0);
    layout->addLayout(spot);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bt_OK);
    buttons->addWidget(bt_Cancel);
    layout->addLayout(buttons);
    new Tdialog_keys(this, {ed_SNR, ComboBox1}, [this] { bt_OKClick(); }, [this] { bt_CancelClick(); });
    connect(bt_OK, &QPushButton::clicked, this, [this] { bt_OKClick(); });
    connect(bt_Cancel, &QPushButton::clicked, this, [this] { bt_CancelClick(); });
}

int TFormAsk::ask_value(const char* prompt, int new_mode)
{
    result = -1;
    mode = new_mode;
    if (prompt)
        lb_texte->setText(QString::fromUtf8(prompt));
    if (mode == 0) {
        ed_SNR->show();
        ComboBox1->hide();
        ed_SNR->setFocus();
        ed_SNR->selectAll();
    } else {
        ed_SNR->hide();
        ComboBox1->show();
        ComboBox1->setFocus();
    }
    exec();
    return result;
}

void TFormAsk::bt_OKClick()
{
    if (mode == 0) {
        result = static_cast<int>(prompt_number(ed_SNR->text()));
    } else {
        result = -1;
        if (ComboBox1->currentIndex() >= 0)
            result = ComboBox1->currentData().toInt();
    }
    done(1);
}

void TFormAsk::bt_CancelClick()
{
    hide();
    done(2);
}
