#include "programs/basic/wdownload_select.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>

#include "base/my_string.h"
#include "base/typed_number.h"
#include "programs/basic/window_style.h"
#include "ui/dialog_keys.h"

namespace {

QPushButton* make_button(QWidget* parent, const char* name, const char* text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

TFdowload_select::TFdowload_select(QWidget* parent) : QDialog(parent)
{
    setObjectName("Fdowload_select");
    setWindowTitle("Download select");
    ed_start_download = new QLineEdit("0", this);
    ed_start_download->setObjectName("ed_start_download");
    ed_count = new QLineEdit("100", this);
    ed_count->setObjectName("ed_count");
    lb_error = make_error_label(this);
    QPushButton* bt_range = make_button(this, "bt_range", "Range");
    QPushButton* bt_up_to = make_button(this, "bt_up_to", "up to the end");
    QPushButton* bt_all = make_button(this, "bt_all", "Download All");
    QPushButton* incremental = make_button(this, "Button1", "Incremental");
    QPushButton* bt_cancel = make_button(this, "bt_cancel", "Cancel");

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("Start Address", this), 0, 0);
    fields->addWidget(new QLabel("Count", this), 0, 1);
    fields->addWidget(ed_start_download, 1, 0);
    fields->addWidget(ed_count, 1, 1);
    layout->addLayout(fields);
    layout->addWidget(lb_error);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {bt_range, bt_up_to, bt_all, incremental, bt_cancel})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    new Tdialog_keys(this, {ed_start_download, ed_count}, nullptr, [this] { bt_cancelClick(); });
    connect(bt_range, &QPushButton::clicked, this, [this] { bt_rangeClick(); });
    connect(bt_up_to, &QPushButton::clicked, this, [this] { bt_up_toClick(); });
    connect(bt_all, &QPushButton::clicked, this, [this] { bt_allClick(); });
    connect(incremental, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(bt_cancel, &QPushButton::clicked, this, [this] { bt_cancelClick(); });
}

void TFdowload_select::set_download_start(uint32_t address)
{
    ed_start_download->setText(QString::number(address));
}

bool TFdowload_select::ask_download_range(int32_t* start, int32_t* count, uint8_t* incremental)
{
    lb_error->clear();
    // On the screen's middle, not on the main window's.
    centre_on_screen(this);
    const bool confirmed = exec() == 1;
    if (start)
        *start = start_address;
    if (count)
        *count = count_value;
    if (incremental)
        *incremental = incremental_flag;
    return confirmed;
}

bool TFdowload_select::readField(const QLineEdit* field, const char* name, int32_t* value)
{
    // A text that is not all a number from 0 up is refused, never read in part:
    // "12ab" would download from address 12, a negative count 4294967295 bytes.
    const QByteArray text = field->text().toUtf8();
    long long number = 0;
    Tmy_string refused;
    if (!read_typed_whole_number(text.constData(), name, 0, INT32_MAX, &number, &refused)) {
        lb_error->setText(QString::fromUtf8(refused.c_str()));
        return false;
    }
    *value = static_cast<int32_t>(number);
    return true;
}

void TFdowload_select::confirm(int32_t start, int32_t count, uint8_t incremental)
{
    start_address = start;
    count_value = count;
    incremental_flag = incremental;
    done(1);
}

void TFdowload_select::bt_allClick()
{
    confirm(0, 0, 0);
}

void TFdowload_select::bt_up_toClick()
{
    int32_t start = 0;
    if (readField(ed_start_download, "Start Address", &start))
        confirm(start, 0, 0);
}

void TFdowload_select::bt_rangeClick()
{
    int32_t start = 0;
    int32_t count = 0;
    if (readField(ed_start_download, "Start Address", &start) && readField(ed_count, "Count", &count))
        confirm(start, count, 0);
}

void TFdowload_select::Button1Click()
{
    confirm(0, 0, 1);
}

void TFdowload_select::bt_cancelClick()
{
    hide();
    done(2);
}
