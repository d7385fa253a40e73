#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "data/measurement_time_index.h"
#include "ui/column_filter.h"

// What the custom layout shows of a measurement file under one filter: per
// time element its time text and the value attribute of each column's
// element, read from the file again through the index of its time elements;
// and, for the column widths, one text of each digit shape that a column's
// cells take. None of it depends on the time zone of the dates, so the load's
// job makes it whole and the window only measures a few texts.
class Tcustom_rows {
public:
    Tcustom_rows() = default;
    // Reads the rows for filter of the file that times indexes; a file that
    // cannot be read again leaves the rows from the fault on empty, and
    // error() says why.
    Tcustom_rows(const Tcolumn_filter& filter, const Tmeasurement_time_index& times);

    const Tcolumn_filter& filter() const { return shown_filter; }
    // The time elements of the file, and those read again.
    int records() const { return record_count; }
    std::size_t rowsRead() const { return rows_read; }
    const std::string& path() const { return source_path; }
    // "" when the file was read again, else what went wrong.
    const std::string& error() const { return read_error; }

    // The time element's "v" text of a row read.
    void appendTime(std::size_t row, std::string& out) const;
    // The seconds of a row's time; false when its "v" is no time.
    bool timeSeconds(std::size_t row, unsigned* seconds) const;
    // The cell of the value column (0 for the filter's first) in a row read,
    // the spreadsheet day count of a timestamp column included.
    void appendValueCell(std::size_t row, std::size_t column, std::string& out) const;
    // Per value column, one cell text of each digit shape its cells take
    // (digits are equally wide in a grid's font), and the same for the "v"
    // texts.
    const std::vector<std::string>& valueShapes(std::size_t column) const { return value_shapes[column]; }
    const std::vector<std::string>& timeShapes() const { return time_shapes; }

private:
    std::size_t textsPerRow() const { return 1 + shown_filter.columns.size(); }
    void readRow(const pugi::xml_node& time);
    // The elements that give the time element's value columns (null: "-").
    void rowElements(const pugi::xml_node& time, std::vector<pugi::xml_node>* elements) const;
    void appendText(std::size_t row, std::size_t slot, std::string& out) const;
    void collectShapes();

    Tcolumn_filter shown_filter;
    std::string source_path;
    int record_count = 0;
    std::size_t rows_read = 0;
    std::string read_error;
    // All rows' texts one after the other; text_ends[i] is where text i ends
    // and found[i] whether its element was there.
    std::string texts;
    std::vector<std::size_t> text_ends;
    std::vector<bool> found;
    std::vector<std::vector<std::string>> value_shapes;
    std::vector<std::string> time_shapes;
};
