#include "ui/custom_rows.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "base/parse.h"
#include "ui/cell_text.h"

namespace {

// The spreadsheet day count: days since 30 December 1899.
constexpr double seconds_per_day = 86400;
constexpr double spreadsheet_day_of_1970 = 25569;

// Keeps text when no text of its digit shape was kept before.
void keep_shape(std::set<std::string>& seen, std::vector<std::string>& kept, const std::string& text)
{
    std::string shape = text;
    std::replace_if(shape.begin(), shape.end(), [](char c) { return c >= '0' && c <= '9'; }, '0');
    if (seen.insert(shape).second)
        kept.push_back(text);
}

}  // namespace

Tcustom_rows::Tcustom_rows(const Tcolumn_filter& filter, const Tmeasurement_time_index& times)
    : shown_filter(filter), source_path(times.path()), record_count(static_cast<int>(times.count()))
{
    text_ends.reserve(times.count() * textsPerRow());
    found.reserve(times.count() * textsPerRow());
    if (!times.forEachTime([this](const pugi::xml_node& time) { readRow(time); }, &read_error) && read_error.empty())
        read_error = "cannot be read";
    collectShapes();
}

void Tcustom_rows::readRow(const pugi::xml_node& time)
{
    auto keep = [&](const char* text, bool there) {
        texts += text;
        text_ends.push_back(texts.size());
        found.push_back(there);
    };
    keep(time.attribute("v").value(), true);
    std::vector<pugi::xml_node> elements;
    rowElements(time, &elements);
    for (std::size_t c = 0; c < shown_filter.columns.size(); ++c)
        keep(elements[c].attribute(shown_filter.columns[c].attribute.c_str()).value(), elements[c] != nullptr);
    ++rows_read;
}

void Tcustom_rows::rowElements(const pugi::xml_node& time, std::vector<pugi::xml_node>* elements) const
{
    const std::size_t count = shown_filter.columns.size();
    elements->assign(count, pugi::xml_node());
    if (shown_filter.match) {
        for (std::size_t c = 0; c < count; ++c) {
            const Tfilter_column& column = shown_filter.columns[c];
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
        while (c < count && !(shown_filter.columns[c].has_element && shown_filter.columns[c].element == child.name()))
            ++c;
        if (c == count)
            break;
        (*elements)[c++] = child;
    }
}

void Tcustom_rows::appendText(std::size_t row, std::size_t slot, std::string& out) const
{
    const std::size_t i = row * textsPerRow() + slot;
    const std::size_t begin = i == 0 ? 0 : text_ends[i - 1];
    out.append(texts, begin, text_ends[i] - begin);
}

void Tcustom_rows::appendTime(std::size_t row, std::string& out) const
{
    appendText(row, 0, out);
}

bool Tcustom_rows::timeSeconds(std::size_t row, unsigned* seconds) const
{
    // No v is the time 0; a v that is no time of the calendar is none.
    std::string v;
    appendText(row, 0, v);
    int64_t time = 0;
    if (!v.empty() && (parse_int64_number(v.c_str(), &time) || time < 0 || time > UINT32_MAX))
        return false;
    *seconds = static_cast<unsigned>(time);
    return true;
}

void Tcustom_rows::appendValueCell(std::size_t row, std::size_t column, std::string& out) const
{
    const Tfilter_column& shown = shown_filter.columns[column];
    if (shown.timestamp) {
        unsigned seconds = 0;
        if (!timeSeconds(row, &seconds)) {
            out += '-';
            return;
        }
        append_printf(out, "%f",
                      static_cast<double>(seconds) / seconds_per_day + spreadsheet_day_of_1970 +
                          shown.time_zone / seconds_per_day);
        return;
    }
    const std::size_t slot = column + 1;
    if (!found[row * textsPerRow() + slot]) {
        out += '-';
        return;
    }
    if (!shown.scaled) {
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
    append_printf(out, "%f", value * shown.c1 + shown.c0);
}

void Tcustom_rows::collectShapes()
{
    const std::size_t columns = shown_filter.columns.size();
    value_shapes.assign(columns, {});
    std::vector<std::set<std::string>> seen(columns);
    std::set<std::string> times_seen;
    std::string text;
    for (std::size_t row = 0; row < rows_read; ++row) {
        text.clear();
        appendTime(row, text);
        keep_shape(times_seen, time_shapes, text);
        for (std::size_t c = 0; c < columns; ++c) {
            text.clear();
            appendValueCell(row, c, text);
            keep_shape(seen[c], value_shapes[c], text);
        }
    }
}
