#include "programs/basic/wask_snr.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cctype>
#include <cstring>

#include "programs/basic/window_style.h"
#include "ui/dialog_keys.h"

bool read_serial_number(const char* text, uint32_t* value, const char** why)
{
    const char* refused = nullptr;
    uint64_t number = 0;
    const char* p = text ? text : "";
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == 'S')
        ++p;
    const char* digits = p;
    while (std::isdigit(static_cast<unsigned char>(*p)) && number <= 0xFFFFFFFFu)
        number = number * 10 + static_cast<unsigned>(*p++ - '0');
    const char* end = p;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (end == digits)
        refused = "Type the serial number in digits (an S before them is allowed).";
    else if (number > 0xFFFFFFFFu)
        refused = "The serial number is too large (at most 4294967295).";
    else if (*p != '\0')
        refused = "The serial number holds a character that is no digit.";
    if (why)
        *why = refused;
    if (refused)
        return false;
    if (value)
        *value = static_cast<uint32_t>(number);
    return true;
}

TFormAskSnr::TFormAskSnr(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormAskSnr");
    setWindowTitle("Change SNR");
    ed_SNR = new QLineEdit("0", this);
    ed_SNR->setObjectName("ed_SNR");
    lb_error = make_error_label(this);
    bt_OK = new QPushButton("OK", this);
    bt_OK->setObjectName("bt_OK");
    bt_Cancel = new QPushButton("Cancel", this);
    bt_Cancel->setObjectName("bt_Cancel");
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("SNR", this));
    row->addWidget(ed_SNR, 1);
    layout->addLayout(row);
    layout->addWidget(lb_error);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bt_OK);
    buttons->addWidget(bt_Cancel);
    layout->addLayout(buttons);
    new Tdialog_keys(this, {ed_SNR}, [this] { bt_OKClick(); }, [this] { bt_CancelClick(); });
    connect(bt_OK, &QPushButton::clicked, this, [this] { bt_OKClick(); });
    connect(bt_Cancel, &QPushButton::clicked, this, [this] { bt_CancelClick(); });
}

uint32_t TFormAskSnr::ask_snr()
{
    result = 0;
    lb_error->clear();
    ed_SNR->setFocus();
    ed_SNR->selectAll();
    exec();
    return result;
}

void TFormAskSnr::bt_OKClick()
{
    const QByteArray text = ed_SNR->text().toUtf8();
    const char* why = nullptr;
    uint32_t number = 0;
    if (!read_serial_number(text.constData(), &number, &why)) {
        lb_error->setText(QString::fromUtf8(why));
        ed_SNR->setFocus();
        return;
    }
    result = number;
    done(1);
}

void TFormAskSnr::bt_CancelClick()
{
    result = 0;
    hide();
    done(2);
}
