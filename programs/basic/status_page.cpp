#include "programs/basic/status_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_string.h"
#include "base/time_calendar.h"
#include "link/module_view.h"
#include "programs/basic/window_style.h"

namespace {

constexpr const char* unknown = "-";

// A group of captioned value labels: caption, label name, text after the
// label, and where the page keeps the label.
struct Tstatus_row {
    const char* caption;
    const char* label;
    const char* after;
    QLabel** kept;
};

QGroupBox* status_group(QWidget* page, const char* title, std::initializer_list<Tstatus_row> rows)
{
    auto* group = new QGroupBox(QString::fromUtf8(title), page);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const Tstatus_row& entry : rows) {
        if (entry.caption)
            grid->addWidget(new QLabel(QString::fromUtf8(entry.caption), group), row, 0);
        auto* label = new QLabel(unknown, group);
        label->setObjectName(entry.label);
        label->setTextFormat(Qt::PlainText);
        label->setAutoFillBackground(true);
        *entry.kept = label;
        grid->addWidget(label, row, 1);
        if (entry.after)
            grid->addWidget(new QLabel(QString::fromUtf8(entry.after), group), row, 2);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return group;
}

const Tstatus_field& field_of(int field)
{
    return module_view.status(static_cast<Tstatus_field_id>(field));
}

// A counter and its number from four bits each of the system information.
QString nibble_pair(uint32_t info, int shift)
{
    return QString::asprintf("%d/%d", static_cast<int>((info >> shift) & 0xF),
                             static_cast<int>((info >> (shift + 4)) & 0xF));
}

}  // namespace

TFstatus_page::TFstatus_page(QWidget* parent) : QWidget(parent)
{
    setObjectName("TB_sysstatus");
    auto* grid = new QGridLayout(this);
    grid->addWidget(status_group(this, "Date && Time ",
                                 {{"Read value : ", "lb_time_txt", nullptr, &lb_time_txt},
                                  {"Estimated :", "lb_time_txt2", nullptr, &lb_time_txt2}}),
                    0, 0, 1, 2);
    QGroupBox* acquisition = status_group(this, "Acquisition",
                                          {{nullptr, "lb_acq_enabled", nullptr, &lb_acq_enabled},
                                           {"Interval0 :", "lb_acq_interval0_txt", "for slow mode", &lb_acq_interval0_txt},
                                           {"Interval1 :", "lb_acq_interval1_txt", "for fast mode", &lb_acq_interval1_txt},
                                           {"Next On :", "lb_acq_on_txt", nullptr, &lb_acq_on_txt},
                                           {"counter :", "lb_acq_counter", nullptr, &lb_acq_counter},
                                           {nullptr, "pl_acq_mode", nullptr, &pl_acq_mode}});
    pl_acq_mode->setFrameShape(QFrame::Panel);
    pl_acq_mode->setFrameShadow(QFrame::Sunken);
    pl_acq_mode->setAlignment(Qt::AlignCenter);
    grid->addWidget(acquisition, 1, 0);
    grid->addWidget(status_group(this, "GSM",
                                 {{nullptr, "lb_gsm_enabled", nullptr, &lb_gsm_enabled},
                                  {"Interval :", "lb_gsm_interval_txt", nullptr, &lb_gsm_interval_txt},
                                  {"Next On :", "lb_gsm_on_txt", nullptr, &lb_gsm_on_txt},
                                  {"Next Off :", "lb_gsm_off_txt", nullptr, &lb_gsm_off_txt},
                                  {"Duration : ", "lb_gsm_duration_txt", nullptr, &lb_gsm_duration_txt},
                                  {"counter :", "lb_gsm_counter", nullptr, &lb_gsm_counter}}),
                    1, 1);
    QGroupBox* flash = status_group(this, "Flash",
                                    {{"Occupied :", "lb_flash_txt", "[bytes]", &lb_flash_txt},
                                     {"next download address :", "lb_next_download_address_id", nullptr,
                                      &lb_next_download_address_id}});
    flash_gauge = new QProgressBar(flash);
    flash_gauge->setObjectName("flash_gauge");
    flash_gauge->setRange(0, 100);
    flash_gauge->setValue(0);
    flash_gauge->setTextVisible(false);
    qobject_cast<QGridLayout*>(flash->layout())->addWidget(flash_gauge, 2, 0, 1, 3);
    grid->addWidget(flash, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
}

void TFstatus_page::placeButton(QPushButton* button)
{
    qobject_cast<QGridLayout*>(layout())->addWidget(button, 2, 0);
}

void TFstatus_page::showEnabled(QLabel* label, int field)
{
    const Tstatus_field& status = field_of(field);
    if (!status.valid) {
        label->setText(unknown);
        return;
    }
    label->setText(status.value ? "ENABLED" : "DISABLED");
    set_panel_background(label, colour_of(status.value ? "#00FF00" : "#FF0000"));
}

void TFstatus_page::showTime(QLabel* label, int field)
{
    const Tstatus_field& status = field_of(field);
    if (!status.valid) {
        label->setText(unknown);
        return;
    }
    char text[time_iso_text_size];
    time_format_iso(text, status.value, time_zone_offset(), true);
    label->setText(QString::fromUtf8(text));
}

void TFstatus_page::showDuration(QLabel* label, int field)
{
    const Tstatus_field& status = field_of(field);
    if (!status.valid) {
        label->setText(unknown);
        return;
    }
    char text[time_duration_text_size];
    time_format_duration(text, status.value);
    label->setText(QString::fromUtf8(text));
}

void TFstatus_page::show_status_page()
{
    showEnabled(lb_gsm_enabled, STATUS_GSM);
    showTime(lb_gsm_on_txt, STATUS_GSM_NEXT);
    showTime(lb_gsm_off_txt, STATUS_GSM_NEXT_OFF);
    showDuration(lb_gsm_interval_txt, STATUS_GSM_INTERVAL);
    showDuration(lb_gsm_duration_txt, STATUS_GSM_DURATION);
    const Tstatus_field& mode = field_of(STATUS_ACQ_MODE);
    pl_acq_mode->setText(!mode.valid ? unknown : mode.value ? "Fast" : "Slow");
    showEnabled(lb_acq_enabled, STATUS_ACQ);
    showTime(lb_acq_on_txt, STATUS_ACQ_NEXT);
    showDuration(lb_acq_interval0_txt, STATUS_ACQ_INTERVAL0);
    showDuration(lb_acq_interval1_txt, STATUS_ACQ_INTERVAL1);

    if (module_view.timeValid()) {
        char text[time_iso_text_size];
        time_format_iso(text, module_view.time(), time_zone_offset(), true);
        lb_time_txt->setText(QString::fromUtf8(text));
    } else {
        lb_time_txt->setText(unknown);
    }

    const Tstatus_field& occupied = field_of(STATUS_MMS_PT);
    if (occupied.valid) {
        const double size = module_view.flashSize() ? static_cast<double>(module_view.flashSize()) : default_flash_size;
        const double percent = static_cast<double>(occupied.value) / size * 100.0;
        flash_gauge->setValue(percent > 100.0 ? 100 : static_cast<int>(percent));
        flash_gauge->setTextVisible(true);
        lb_flash_txt->setText(QString::number(occupied.value));
    } else {
        flash_gauge->setValue(0);
        flash_gauge->setTextVisible(false);
        lb_flash_txt->setText(unknown);
    }

    const Tstatus_field& next = field_of(STATUS_NEXT_DOWNLOAD_ADDRESS);
    if (next.valid) {
        lb_next_download_address_id->setText(QString::number(next.value));
        if (download_start)
            download_start(next.value);
    } else {
        lb_next_download_address_id->setText(unknown);
    }

    const Tstatus_field& info = field_of(STATUS_SYSTEM_INFO);
    lb_acq_counter->setText(info.valid ? nibble_pair(info.value, 24) : QString(unknown));
    lb_gsm_counter->setText(info.valid ? nibble_pair(info.value, 16) : QString(unknown));
}
