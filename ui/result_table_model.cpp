#include "ui/result_table_model.h"

#include <algorithm>

#include "base/time_calendar.h"
#include "data/flash_parser_data.h"
#include "data/xml_parser.h"
#include "ui/cell_text.h"
#include "ui/display_columns.h"
#include "ui/result_columns.h"
#include "ui/step_time.h"

namespace {

const char* const fixed_headings[result_fixed_columns] = {"Timestamp", "Date", "GMT"};
constexpr int fixed_widths[result_fixed_columns] = {80, 140, 35};
constexpr int optional_width = 40;

}  // namespace

void Tresult_extremes::measure(const Txml_parser& reader)
{
    *this = Tresult_extremes();
    const Tresult_column_list all = result_columns();
    columns.resize(static_cast<std::size_t>(all.end() - all.begin()));
    // Every cell of a column is a fixed format of one value: its widest cells
    // are those of the extremes, which one pass over the steps finds.
    for (int position = 0; position < reader.stepCount(); ++position) {
        const Tflash_parser_data& step = *reader.stepAt(position);
        unsigned seconds = 0;
        if (!step_time(step, &seconds)) {
            time_missing = true;
        } else if (!time_seen) {
            time_seen = true;
            first_time = last_time = seconds;
        } else {
            first_time = std::min(first_time, seconds);
            last_time = std::max(last_time, seconds);
        }
        std::size_t c = 0;
        for (const Tresult_column& column : all)
            columns[c++].add(step, column);
    }
}

void Tresult_table_model::showSteps(const Txml_parser* source, const Tresult_extremes* measured,
                                    const Tdisplay_columns& set, bool three_digits, int zone_code)
{
    resetWith([&] {
        reader = source;
        extremes = measured;
        columns.clear();
        for (const Tresult_column& column : result_columns())
            if (set.flags[column.flag])
                columns.push_back(&column);
        three_digit = three_digits;
        zone = zone_code;
    });
}

void Tresult_table_model::releaseSteps()
{
    resetWith([&] {
        reader = nullptr;
        extremes = nullptr;
    });
}

int Tresult_table_model::stepCount() const
{
    return reader ? reader->stepCount() : 0;
}

int Tresult_table_model::gridRows() const
{
    // An empty file still shows one empty row under the headings.
    const int steps = stepCount();
    return 1 + (steps > 0 ? steps : 1);
}

int Tresult_table_model::gridColumns() const
{
    return result_fixed_columns + static_cast<int>(columns.size());
}

int Tresult_table_model::columnWidth(int column) const
{
    return column < result_fixed_columns ? fixed_widths[column] : optional_width;
}

void Tresult_table_model::appendCell(int row, int column, std::string& out) const
{
    if (row == 0) {
        out += column < result_fixed_columns ? fixed_headings[column] : columns[column - result_fixed_columns]->heading;
        return;
    }
    const Tflash_parser_data* step = reader ? reader->stepAt(row - 1) : nullptr;
    if (!step)
        return;
    if (column >= result_fixed_columns)
        append_result_cell(out, *step, *columns[column - result_fixed_columns], three_digit);
    else
        appendTimeCell(*step, column, out);
}

void Tresult_table_model::appendRow(int row, std::string& out) const
{
    const Tflash_parser_data* step = row > 0 && reader ? reader->stepAt(row - 1) : nullptr;
    if (!step) {
        Tgrid_model::appendRow(row, out);
        return;
    }
    for (int column = 0; column < result_fixed_columns; ++column) {
        appendTimeCell(*step, column, out);
        out += ';';
    }
    for (const Tresult_column* column : columns) {
        append_result_cell(out, *step, *column, three_digit);
        out += ';';
    }
}

void Tresult_table_model::appendTimeCell(const Tflash_parser_data& step, int column, std::string& out) const
{
    unsigned seconds = 0;
    if (!step_time(step, &seconds)) {
        if (column == 0)
            out += '-';
        return;
    }
    appendTime(seconds, column, out);
}

void Tresult_table_model::appendTime(unsigned seconds, int column, std::string& out) const
{
    if (column == 0) {
        append_integer(out, seconds);
        return;
    }
    calendar_time local;
    calendar_local_time(&local, seconds, zone);
    if (column == 1)
        append_printf(out, "%02d.%02d.%04d %02d:%02d:%02d", local.day, local.month, local.year, local.hour,
                      local.minute, local.second);
    else
        append_integer(out, local.offset);
}

std::vector<int> Tresult_table_model::cellWidths(const Ttext_width& width) const
{
    static const Tresult_extremes no_steps;
    const Tresult_extremes& measured = reader && extremes ? *extremes : no_steps;
    std::vector<int> widths(static_cast<std::size_t>(gridColumns()), 0);
    std::vector<std::string> texts;
    for (int column = 0; column < result_fixed_columns; ++column) {
        texts.assign(measured.time_missing ? 1 : 0, "-");
        // Dates, and the offsets of one zone, have as many digits everywhere.
        for (unsigned seconds : {measured.first_time, measured.last_time})
            if (measured.time_seen) {
                texts.emplace_back();
                appendTime(seconds, column, texts.back());
            }
        for (const std::string& text : texts)
            widths[static_cast<std::size_t>(column)] = std::max(widths[static_cast<std::size_t>(column)], width(text));
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        texts.clear();
        const std::size_t entry = static_cast<std::size_t>(columns[c] - result_columns().begin());
        if (entry < measured.columns.size())
            measured.columns[entry].appendCandidates(*columns[c], three_digit, texts);
        int& shown = widths[result_fixed_columns + c];
        for (const std::string& text : texts)
            shown = std::max(shown, width(text));
    }
    return widths;
}
