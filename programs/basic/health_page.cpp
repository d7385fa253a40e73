#include "programs/basic/health_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include <cstring>

#include "base/my_string.h"
#include "data/flash_parser_data.h"

namespace {

constexpr const char* no_value = "----";
// The value types whose slots feed the pressure calibration.
constexpr unsigned pressure_types[Tpressure_health::count] = {164, 179, 180, 181};
// The groups stacked in three columns of about the same height, so that the
// page fits a laptop screen above the log.
struct Tgroup_place {
    const char* group;
    int column;
};
constexpr Tgroup_place group_places[] = {
    {"Fluorometer", 0},    {"Battery", 0},           {"Misc.", 0},
    {"Environment", 1},    {"Voltage inputs", 1},    {"Volume counter", 1},
    {"Current inputs", 2}, {"Relative Pulse Counters", 2}, {"Absolute counters", 2},
};
constexpr int page_columns = 3;

int column_of(const char* group)
{
    for (const Tgroup_place& place : group_places)
        if (std::strcmp(place.group, group) == 0)
            return place.column;
    return 0;
}

}  // namespace

// clang-format off
const TFhealth_page::Tentry TFhealth_page::entries[] = {
    {"Fluorometer", "Uranine (on-off) 145 [mV] :", "lb145", 63, "%.1f", false},
    {"Fluorometer", "Rhodamine (on-off) [mV] :", "lb146", 64, "%.1f", false},
    {"Fluorometer", "Tinopal (on-off) 147 [mV] :", "lb147", 65, "%.1f", false},
    {"Fluorometer", "Turbidity (on-off) 148 [mV] :", "lb148", 66, "%.1f", false},
    {"Fluorometer", "Uranine off [mV] :", "lb17_1", 0, "%.2f", false},
    {"Fluorometer", "Uranine on [mV] :", "lb17_2", 1, "%.2f", false},
    {"Fluorometer", "Rhodamine off [mV] :", "lb18_1", 2, "%.2f", false},
    {"Fluorometer", "Rhodamine on [mV] :", "lb18_2", 3, "%.2f", false},
    {"Fluorometer", "Tinopal off [mV] :", "lb19_1", 4, "%.2f", false},
    {"Fluorometer", "Tinopal on [mV] :", "lb19_2", 5, "%.2f", false},
    {"Fluorometer", "Turbidity off [mV] :", "lb20_1", 6, "%.2f", false},
    {"Fluorometer", "Turbidity on [mV] :", "lb20_2", 7, "%.2f", false},
    {"Battery", "Vbat 160 [V] :", "lb160", 78, "%.2f", false},
    {"Current inputs", "Current Input 161 [mA] : ", "lb161", 79, "%.3f", false},
    {"Current inputs", "Current Input 162 [mA] : ", "lb162", 80, "%.3f", false},
    {"Current inputs", "Current Input 178 [mA] : ", "lb178", 96, "%.3f", false},
    {"Current inputs", "Current Input 179 [mA] : ", "lb179", 97, "%.3f", false},
    {"Current inputs", "Current Input 180 [mA] : ", "lb180", 98, "%.3f", false},
    {"Environment", "Temperature 144 [\u00b0C] :", "lb144", 62, "%.2f", false},
    {"Environment", "Temperature 154 [\u00b0C] :", "lb154", 72, "%.2f", false},
    {"Environment", "Rel. Humidity 149 [%] :", "lb149", 67, "%.2f", false},
    {"Environment", "Pressure 150 [mbar] :", "lb150", 68, "%.2f", false},
    {"Environment", "Conduct. 158 [uS/cm] :", "lb158", 76, "%.2f", false},
    {"Environment", "Conductivity m1/m0 :", "lb22_1", 11, "%.3f", false},
    {"Environment", "Conductivity T:", "lb22_2", 12, "%.2f", false},
    {"Voltage inputs", "Voltage input 169 [V] :", "lb169", 87, "%.3f", false},
    {"Voltage inputs", "Voltage input 170 [V] :", "lb170", 88, "%.3f", false},
    {"Voltage inputs", "Voltage input 176 [V] :", "lb176", 94, "%.3f", false},
    {"Relative Pulse Counters", "Counter 166 :", "lb166", 84, nullptr, true},
    {"Relative Pulse Counters", "Counter 167 :", "lb167", 85, nullptr, true},
    {"Relative Pulse Counters", "Counter 172 :", "lb172", 90, nullptr, true},
    {"Relative Pulse Counters", "Counter 174 :", "lb174", 92, nullptr, true},
    {"Misc.", "Digital Inputs 163 :", "lb163", 81, nullptr, true},
    {"Absolute counters", "Pulse counter 168 :", "lb168", 86, nullptr, true},
    {"Absolute counters", "Pulse counter 171 :", "lb171", 89, nullptr, true},
    {"Absolute counters", "Pulse counter 173 :", "lb173", 91, nullptr, true},
    {"Absolute counters", "Pulse counter 175 :", "lb175", 93, nullptr, true},
    {"Volume counter", "Volume 32 - left :", "lb48_l", 21, nullptr, true},
    {"Volume counter", "Volume 32 - right :", "lb48_r", 22, "%04u", true},
};
// clang-format on
const unsigned TFhealth_page::entry_count = sizeof entries / sizeof entries[0];

TFhealth_page::TFhealth_page(QWidget* parent) : QWidget(parent)
{
    setObjectName("ts_health");
    auto* grid = new QGridLayout(this);
    QVBoxLayout* columns[page_columns];
    for (int column = 0; column < page_columns; ++column) {
        columns[column] = new QVBoxLayout;
        grid->addLayout(columns[column], 0, column);
    }
    QGroupBox* group = nullptr;
    QGridLayout* group_grid = nullptr;
    for (unsigned i = 0; i < entry_count; ++i) {
        const Tentry& entry = entries[i];
        if (!group || group->title() != QString::fromUtf8(entry.group)) {
            group = new QGroupBox(QString::fromUtf8(entry.group), this);
            group_grid = new QGridLayout(group);
            group_grid->setVerticalSpacing(2);
            columns[column_of(entry.group)]->addWidget(group);
        }
        const int row = group_grid->rowCount();
        auto* caption = new QLabel(QString::fromUtf8(entry.caption), group);
        caption->setTextFormat(Qt::PlainText);
        auto* value = new QLabel(no_value, group);
        value->setObjectName(entry.label);
        value->setTextFormat(Qt::PlainText);
        value->setMinimumWidth(70);
        group_grid->addWidget(caption, row, 0);
        group_grid->addWidget(value, row, 1);
        value_labels.push_back(value);
    }
    for (QVBoxLayout* column : columns)
        column->addStretch(1);
}

void TFhealth_page::show_health(const Tflash_parser_data* step)
{
    Tpressure_health pressure;
    if (step) {
        for (int i = 0; i < Tpressure_health::count; ++i) {
            const Tflash_parser_value slot = step->typeSlot(pressure_types[i]);
            pressure.value[i] = slot.value;
            pressure.valid[i] = slot.valid;
        }
    }
    if (pressure_feed)
        pressure_feed(pressure);
    for (unsigned i = 0; i < entry_count; ++i) {
        const Tentry& entry = entries[i];
        QLabel* label = value_labels[i];
        const Tflash_parser_value slot = step ? step->slot(entry.slot) : Tflash_parser_value();
        Tmy_string text;
        if (!slot.valid)
            text.printf("%s", no_value);
        else if (entry.integer && entry.format)
            text.printf(entry.format, static_cast<unsigned>(static_cast<uint32_t>(slot.integer)));
        else if (entry.integer)
            text.printf("%d", static_cast<int>(static_cast<int32_t>(slot.integer)));
        else
            text.printf(entry.format, slot.value);
        label->setText(QString::fromUtf8(text.c_str()));
    }
}
