#include "ui/custom_filter_model.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "base/my_string.h"
#include "base/parse.h"
#include "base/time_calendar.h"
#include "ui/cell_text.h"

namespace {

constexpr int time_columns = 2;
constexpr int heading_rows = 2;  // names, units
constexpr int time_widths[] = {60, 120, 335};
constexpr int value_width = 40;
constexpr int iso_style = 2;

// The spreadsheet day count: days since 30 December 1899.
constexpr double seconds_per_day = 86400;
constexpr double spreadsheet_day_of_1970 = 25569;

}  // namespace

bool Tcustom_filter_model::showFilter(const Tcolumn_filter& filter_shown, const Tmeasurement_time_index& times,
                                      int zone_code, std::string* error)
{
    // Read aside first: a file that cannot be read again leaves the table as it was.
    Trow_texts read;
    const std::size_t texts_per_row = 1 + filter_shown.columns.size();
    read.ends.reserve(times.count() * texts_per_row);
    read.found.reserve(times.count() * texts_per_row);
    std::string reason;
    if (!times.forEachTime([&](const pugi::xml_node& time) { readRow(filter_shown, time, &read); }, &reason)) {
        if (error)
            *error = "cannot read the measurement file " + times.path() + " again: it " + reason;
        return false;
    }
    resetWith([&] {
        filter = filter_shown;
        records = static_cast<int>(times.count());
        zone = zone_code;
        shown = std::move(read);
    });
    return true;
}

void Tcustom_filter_model::releaseDocument()
{
    resetWith([&] {
        records = 0;
        shown = Trow_texts();
    });
}

void Tcustom_filter_model::readRow(const Tcolumn_filter& filter, const pugi::xml_node& time, Trow_texts* out)
{
    auto keep = [&](const char* text, bool there) {
        out->texts += text;
        out->ends.push_back(out->texts.size());
        out->found.push_back(there);
    };
    keep(time.attribute("v").value(), true);
    std::vector<pugi::xml_node> elements;
    rowElements(filter, time, &elements);
    for (std::size_t c = 0; c < filter.columns.size(); ++c)
        keep(elements[c].attribute(filter.columns[c].attribute.c_str()).value(), elements[c] != nullptr);
    ++out->rows;
}

int Tcustom_filter_model::gridRows() const
{
    return heading_rows + records;
}

int Tcustom_filter_model::gridColumns() const
{
    return time_columns + static_cast<int>(filter.columns.size());
}

int Tcustom_filter_model::columnWidth(int column) const
{
    return column <= time_columns ? time_widths[column] : value_width;
}

void Tcustom_filter_model::appendText(std::size_t row, std::size_t slot, std::string& out) const
{
    const std::size_t i = row * textsPerRow() + slot;
    const std::size_t begin = i == 0 ? 0 : shown.ends[i - 1];
    out.append(shown.texts, begin, shown.ends[i] - begin);
}

void Tcustom_filter_model::appendCell(int row, int column, std::string& out) const
{
    if (row < heading_rows) {
        static const char* const time_headings[heading_rows][time_columns] = {{"Timestamp", "Timestamp"},
                                                                              {"ISO", "UNIX"}};
        if (column < time_columns)
            out += time_headings[row][column];
        else
            out += row == 0 ? filter.columns[static_cast<std::size_t>(column - time_columns)].name
                            : filter.columns[static_cast<std::size_t>(column - time_columns)].unit;
        return;
    }
    const std::size_t position = static_cast<std::size_t>(row - heading_rows);
    if (position >= shown.rows)
        return;
    if (column == 1) {
        appendText(position, 0, out);
        return;
    }
    std::string v;
    if (column == 0 || filter.columns[static_cast<std::size_t>(column - time_columns)].timestamp) {
        appendText(position, 0, v);
        // No v is the time 0; a v that is no time of the calendar shows none.
        int64_t time = 0;
        if (!v.empty() && (parse_int64_number(v.c_str(), &time) || time < 0 || time > UINT32_MAX)) {
            out += '-';
            return;
        }
        const unsigned seconds = static_cast<unsigned>(time);
        if (column == 0) {
            Tmy_string text;
            calendar_format(&text, seconds, zone, iso_style);
            out += text.c_str();
            return;
        }
        const double time_zone = filter.columns[static_cast<std::size_t>(column - time_columns)].time_zone;
        append_printf(out, "%f",
                      static_cast<double>(seconds) / seconds_per_day + spreadsheet_day_of_1970 +
                          time_zone / seconds_per_day);
        return;
    }
    const std::size_t slot = static_cast<std::size_t>(column - time_columns) + 1;
    if (shown.found[position * textsPerRow() + slot])
        appendValue(filter.columns[slot - 1], position, slot, out);
    else
        out += '-';
}

void Tcustom_filter_model::rowElements(const Tcolumn_filter& filter, const pugi::xml_node& time,
                                       std::vector<pugi::xml_node>* elements)
{
    const std::size_t count = filter.columns.size();
    elements->assign(count, pugi::xml_node());
    if (filter.match) {
        for (std::size_t c = 0; c < count; ++c) {
            const Tfilter_column& column = filter.columns[c];
            if (column.timestamp || !column.has_element)
                continue;
            for (pugi::xml_node child = time.first_child(); child; child = child.next_sibling())
                if (child.type() == pugi::node_element && column.element == child.name() &&
                    filter_conditions_hold(column, child)) {
                    (*elements)[c] = child;
                    break;
                }
        }
        return;
    }
    // Sequential: the columns take the children in turn; a column whose element
    // is not the current child is skipped, and a child that no remaining column
    // names ends the row.
    std::size_t c = 0;
    for (pugi::xml_node child = time.first_child(); child && c < count; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        while (c < count && !(filter.columns[c].has_element && filter.columns[c].element == child.name()))
            ++c;
        if (c == count)
            break;
        (*elements)[c++] = child;
    }
}

void Tcustom_filter_model::appendValue(const Tfilter_column& column, std::size_t row, std::size_t slot,
                                       std::string& out) const
{
    if (!column.scaled) {
        appendText(row, slot, out);
        return;
    }
    std::string text;
    appendText(row, slot, text);
    double value = 0;
    if (parse_decimal_number(text.c_str(), &value)) {
        out += '-';
        return;
    }
    append_printf(out, "%f", value * column.c1 + column.c0);
}
