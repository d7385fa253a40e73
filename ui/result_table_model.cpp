#include "ui/result_table_model.h"

#include "base/time_calendar.h"
#include "data/flash_parser_data.h"
#include "data/xml_parser.h"
#include "ui/cell_text.h"
#include "ui/display_columns.h"
#include "ui/result_columns.h"

namespace {

const char* const fixed_headings[result_fixed_columns] = {"Timestamp", "Date", "GMT"};
constexpr int fixed_widths[result_fixed_columns] = {80, 140, 35};
constexpr int optional_width = 40;

}  // namespace

void Tresult_table_model::showSteps(const Txml_parser* source, const Tdisplay_columns& set, bool three_digits,
                                    int zone_code)
{
    resetWith([&] {
        reader = source;
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
    resetWith([&] { reader = nullptr; });
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
    const Tflash_parser_value time = step.typeSlot(flash_parser_type_first);
    if (!time.valid) {
        if (column == 0)
            out += '-';
        return;
    }
    if (column == 0) {
        append_integer(out, time.integer);
        return;
    }
    calendar_time local;
    calendar_local_time(&local, static_cast<unsigned>(time.integer), zone);
    if (column == 1)
        append_printf(out, "%02d.%02d.%04d %02d:%02d:%02d", local.day, local.month, local.year, local.hour,
                      local.minute, local.second);
    else
        append_integer(out, local.offset);
}
