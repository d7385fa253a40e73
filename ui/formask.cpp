#include "ui/formask.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_string.h"
#include "base/typed_number.h"
#include "ui/dialog_keys.h"

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

// The callers take -1 as Cancel: a number typed in the field stays within
// the int's positive half, so that no number shares that value.
constexpr long long largest_typed_value = 2147483647;

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
    lb_error = new QLabel(this);
    lb_error->setObjectName("lb_error");
    lb_error->setTextFormat(Qt::PlainText);
    lb_error->setWordWrap(true);
    lb_error->setStyleSheet("color: #C00000;");
    lb_error->hide();
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
    layout->addWidget(lb_error);
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
    lb_error->clear();
    lb_error->hide();
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
        // A text that is not all a number in range is refused, never read in part.
        const QByteArray text = ed_SNR->text().toUtf8();
        const QByteArray field = lb_texte->text().toUtf8();
        long long value = 0;
        Tmy_string refused;
        if (!read_typed_whole_number(text.constData(), field.constData(), 0, largest_typed_value, &value,
                                     &refused)) {
            lb_error->setText(QString::fromUtf8(refused.c_str()));
            lb_error->show();
            adjustSize();  // the whole line shows, also in a dialog as small as this
            ed_SNR->setFocus();
            ed_SNR->selectAll();
            return;
        }
        result = static_cast<int>(value);
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
