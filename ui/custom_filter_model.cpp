#include "ui/custom_filter_model.h"

#include <cstring>

#include "base/my_string.h"
#include "base/parse.h"
#include "base/time_calendar.h"
#include "base/xml.h"
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

void Tcustom_filter_model::showFilter(const Tcolumn_filter& shown, tinyxml2::XMLElement* data, int record_count,
                                      int zone_code)
{
    resetWith([&] {
        filter = shown;
        times.clear();
        for (tinyxml2::XMLElement* time = xml_FindPath(data, "time"); time; time = xml_EntityName(time, "time"))
            times.push_back(time);
        records = record_count;
        zone = zone_code;
        cached_row = -1;
    });
}

void Tcustom_filter_model::releaseDocument()
{
    resetWith([&] {
        times.clear();
        records = 0;
        cached_row = -1;
    });
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
    if (position >= times.size())
        return;
    tinyxml2::XMLElement* time = times[position];
    if (column == 0) {
        Tmy_string text;
        calendar_format(&text, xml_GetAttributeUnsigned(time, "v"), zone, iso_style);
        out += text.c_str();
        return;
    }
    if (column == 1) {
        out += xml_GetAttributeString(time, "v");
        return;
    }
    const Tfilter_column& shown = filter.columns[static_cast<std::size_t>(column - time_columns)];
    if (shown.timestamp) {
        const double v = xml_GetAttributeUnsigned(time, "v");
        append_printf(out, "%f", v / seconds_per_day + spreadsheet_day_of_1970 + shown.time_zone / seconds_per_day);
        return;
    }
    tinyxml2::XMLElement* element = rowElements(row)[static_cast<std::size_t>(column - time_columns)];
    if (element)
        appendValue(shown, element, out);
    else
        out += '-';
}

const std::vector<tinyxml2::XMLElement*>& Tcustom_filter_model::rowElements(int row) const
{
    if (row == cached_row)
        return cached_elements;
    const std::size_t count = filter.columns.size();
    cached_elements.assign(count, nullptr);
    cached_row = row;
    tinyxml2::XMLElement* time = times[static_cast<std::size_t>(row - heading_rows)];
    if (filter.match) {
        for (std::size_t c = 0; c < count; ++c) {
            const Tfilter_column& column = filter.columns[c];
            if (column.timestamp || !column.has_element)
                continue;
            for (tinyxml2::XMLElement* child = xml_FirstChildEntity(time); child; child = xml_NextEntity(child))
                if (column.element == xml_GetName(child) && filter_conditions_hold(column, child)) {
                    cached_elements[c] = child;
                    break;
                }
        }
        return cached_elements;
    }
    // Sequential: the columns take the children in turn; a column whose element
    // is not the current child is skipped, and a child that no remaining column
    // names ends the row.
    std::size_t c = 0;
    for (tinyxml2::XMLElement* child = xml_FirstChildEntity(time); child && c < count; child = xml_NextEntity(child)) {
        while (c < count && !(filter.columns[c].has_element && filter.columns[c].element == xml_GetName(child)))
            ++c;
        if (c == count)
            break;
        cached_elements[c++] = child;
    }
    return cached_elements;
}

void Tcustom_filter_model::appendValue(const Tfilter_column& column, tinyxml2::XMLElement* element,
                                       std::string& out) const
{
    const char* text = xml_GetAttributeString(element, column.attribute.c_str());
    if (!column.scaled) {
        out += text;
        return;
    }
    double value = 0;
    parse_double(text, &value);
    append_printf(out, "%f", value * column.c1 + column.c0);
}
