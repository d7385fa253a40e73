#include "ui/custom_filter_model.h"

#include <algorithm>
#include <utility>

#include "base/my_string.h"
#include "base/time_calendar.h"

namespace {

constexpr int time_columns = 2;
constexpr int heading_rows = 2;  // names, units
constexpr int time_widths[] = {60, 120, 335};
constexpr int value_width = 40;
constexpr int iso_style = 2;

}  // namespace

void Tcustom_filter_model::showRows(Tcustom_rows shown, int zone_code)
{
    resetWith([&] {
        rows = std::move(shown);
        zone = zone_code;
    });
}

void Tcustom_filter_model::showZone(int zone_code)
{
    resetWith([&] { zone = zone_code; });
}

void Tcustom_filter_model::releaseDocument()
{
    resetWith([&] { rows = Tcustom_rows(); });
}

int Tcustom_filter_model::gridRows() const
{
    return heading_rows + rows.records();
}

int Tcustom_filter_model::gridColumns() const
{
    return time_columns + static_cast<int>(rows.filter().columns.size());
}

int Tcustom_filter_model::columnWidth(int column) const
{
    return column <= time_columns ? time_widths[column] : value_width;
}

void Tcustom_filter_model::appendIsoTime(std::size_t row, std::string& out) const
{
    unsigned seconds = 0;
    if (!rows.timeSeconds(row, &seconds)) {
        out += '-';
        return;
    }
    Tmy_string text;
    calendar_format(&text, seconds, zone, iso_style);
    out += text.c_str();
}

void Tcustom_filter_model::appendCell(int row, int column, std::string& out) const
{
    const std::vector<Tfilter_column>& columns = rows.filter().columns;
    if (row < heading_rows) {
        static const char* const time_headings[heading_rows][time_columns] = {{"Timestamp", "Timestamp"},
                                                                              {"ISO", "UNIX"}};
        if (column < time_columns)
            out += time_headings[row][column];
        else
            out += row == 0 ? columns[static_cast<std::size_t>(column - time_columns)].name
                            : columns[static_cast<std::size_t>(column - time_columns)].unit;
        return;
    }
    const std::size_t position = static_cast<std::size_t>(row - heading_rows);
    if (position >= rows.rowsRead())
        return;
    if (column == 0)
        appendIsoTime(position, out);
    else if (column == 1)
        rows.appendTime(position, out);
    else
        rows.appendValueCell(position, static_cast<std::size_t>(column - time_columns), out);
}

std::vector<int> Tcustom_filter_model::cellWidths(const Ttext_width& width) const
{
    std::vector<int> widths(static_cast<std::size_t>(gridColumns()), 0);
    auto widest = [&](int& shown, const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
            shown = std::max(shown, width(text));
    };
    // The dates of one zone have as many digits everywhere but its offset,
    // which the first and the last rows show.
    if (rows.rowsRead() > 0) {
        std::vector<std::string> dates(2);
        appendIsoTime(0, dates[0]);
        appendIsoTime(rows.rowsRead() - 1, dates[1]);
        widest(widths[0], dates);
    }
    widest(widths[1], rows.timeShapes());
    for (std::size_t c = 0; c < rows.filter().columns.size(); ++c)
        widest(widths[time_columns + c], rows.valueShapes(c));
    return widths;
}
