#include "ui/ppb_table_model.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/time_calendar.h"
#include "data/flash_parser_data.h"
#include "data/ruvo_fluo.h"
#include "data/xml_parser.h"
#include "ui/cell_text.h"
#include "ui/step_time.h"

namespace {

const char* const headings[] = {"Timestamp",  "Date",       "GMT",     "T [\u00B0C]", "LED1 [ppb]",
                                "LED2 [ppb]", "LED3 [ppb]", "TURB []", "Cond. [uS]"};
constexpr int column_count = static_cast<int>(std::size(headings));
constexpr int widths[] = {80, 140, 35};
constexpr int result_width = 60;
constexpr int first_result_column = 4;

constexpr unsigned type_temperature = 144;
constexpr unsigned type_lamp_first = 145;  // lamps A, B, C, then T
constexpr unsigned slot_lamp_first = 0;    // off/on pairs of lamps A, B, C, T
constexpr unsigned slot_conductivity = 11;
constexpr unsigned slot_conductivity_temperature = 12;

// A lamp's signal: the on minus the off value when both are there, else the
// typed slot.
bool lamp_signal(const Tflash_parser_data& step, unsigned lamp, double* signal)
{
    const Tflash_parser_value off = step.slot(slot_lamp_first + 2 * lamp);
    const Tflash_parser_value on = step.slot(slot_lamp_first + 2 * lamp + 1);
    if (off.valid && on.valid) {
        *signal = on.value - off.value;
        return true;
    }
    const Tflash_parser_value typed = step.typeSlot(type_lamp_first + lamp);
    *signal = typed.value;
    return typed.valid;
}

}  // namespace

std::vector<Tppb_row> convert_records(const Txml_parser& reader, const Truvo_fluo& constants,
                                      const Tppb_settings& settings, int zone)
{
    std::vector<Tppb_row> rows(static_cast<std::size_t>(reader.stepCount()));
    double previous_temperature = 0;
    for (int position = 0; position < reader.stepCount(); ++position) {
        const Tflash_parser_data& step = *reader.stepAt(position);
        unsigned time = 0;
        if (!step_time(step, &time))
            continue;
        Tppb_row& row = rows[static_cast<std::size_t>(position)];
        row.converted = true;
        row.time = time;
        row.zone = zone;
        const Tflash_parser_value shown_temperature = step.typeSlot(type_temperature);
        row.has_temperature = shown_temperature.valid;
        row.temperature = shown_temperature.value;

        Tppb_sample sample;
        double signal = 0;
        for (unsigned lamp = 0; lamp < 3; ++lamp) {
            sample.lamp_valid[lamp] = lamp_signal(step, lamp, &signal);
            sample.lamp_mV[lamp] = signal;
        }
        sample.turbidity_valid = lamp_signal(step, 3, &signal);
        sample.turbidity_mV = signal;
        const Tflash_parser_value conductivity_temperature = step.slot(slot_conductivity_temperature);
        if (conductivity_temperature.valid)
            previous_temperature = conductivity_temperature.value;
        else if (shown_temperature.valid)
            previous_temperature = shown_temperature.value;
        sample.temperature = previous_temperature;
        const Tflash_parser_value conductivity = step.slot(slot_conductivity);
        sample.conductivity_valid = conductivity.valid;
        sample.conductivity_raw = conductivity.value;

        // Emptied constants would convert every signal to their floors, values
        // that no measurement gave: without constants nothing is converted.
        if (!constants.loaded())
            continue;
        constants.convert(&sample, settings.tracers, settings.turbidity_sensitivity);

        const double results[5] = {sample.ppb[0], sample.ppb[1], sample.ppb[2], sample.turbidity,
                                   sample.conductivity};
        const bool valid[5] = {sample.lamp_valid[0] != 0, sample.lamp_valid[1] != 0, sample.lamp_valid[2] != 0,
                               sample.turbidity_valid != 0, sample.conductivity_valid != 0};
        for (int i = 0; i < 5; ++i) {
            row.result[i] = static_cast<float>(results[i]);
            // A result the constants cannot give (their no-value marker, which
            // no float holds) shows "-", never "inf".
            row.valid[i] = valid[i] && std::isfinite(row.result[i]);
        }
    }
    return rows;
}

void Tppb_table_model::prepare(int count)
{
    resetWith([&] { rows.assign(static_cast<std::size_t>(count > 0 ? count : 0), Tppb_row()); });
}

void Tppb_table_model::showRows(std::vector<Tppb_row> converted)
{
    resetWith([&] { rows = std::move(converted); });
}

int Tppb_table_model::gridRows() const
{
    // As the result table, a file without records still gives one row of "-".
    return 1 + std::max<int>(1, static_cast<int>(rows.size()));
}

int Tppb_table_model::gridColumns() const
{
    return column_count;
}

int Tppb_table_model::columnWidth(int column) const
{
    return column < static_cast<int>(std::size(widths)) ? widths[column] : result_width;
}

void Tppb_table_model::appendCell(int row, int column, std::string& out) const
{
    if (row == 0) {
        out += headings[column];
        return;
    }
    const std::size_t position = static_cast<std::size_t>(row - 1);
    if (position >= rows.size() || !rows[position].converted) {
        out += '-';
        return;
    }
    const Tppb_row& shown = rows[position];
    if (column == 0) {
        append_integer(out, shown.time);
    } else if (column <= 2) {
        calendar_time local;
        calendar_local_time(&local, shown.time, shown.zone);
        if (column == 1)
            append_printf(out, "%02d.%02d.%04d %02d:%02d:%02d", local.day, local.month, local.year, local.hour,
                          local.minute, local.second);
        else
            append_printf(out, "%d", local.offset);
    } else if (column == 3) {
        if (shown.has_temperature)
            append_printf(out, "%.2f", shown.temperature);
        else
            out += '-';
    } else {
        const int result = column - first_result_column;
        if (shown.valid[result])
            append_printf(out, "%.3f", static_cast<double>(shown.result[result]));
        else
            out += '-';
    }
}
