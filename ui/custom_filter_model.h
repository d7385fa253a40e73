#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "data/measurement_time_index.h"
#include "ui/column_filter.h"
#include "ui/grid_model.h"

// The custom layout of the result table: two time columns and one column per
// filter column over the time elements of the measurement file; row 0 the
// names, row 1 the units. The texts each row needs (the time and the value
// attribute of each column's element) are read from the file when the filter
// is applied; the cells are computed from them on demand.
class Tcustom_filter_model : public Tgrid_model {
public:
    using Tgrid_model::Tgrid_model;

    // Lays the table out for the filter over the time elements of the
    // measurement file that times indexes, one row each.
    void showFilter(const Tcolumn_filter& filter, const Tmeasurement_time_index& times, int zone);
    // Lets go of the rows (before the reader loads another file).
    void releaseDocument();

    int gridRows() const override;
    int gridColumns() const override;
    void appendCell(int row, int column, std::string& out) const override;
    int columnWidth(int column) const override;

private:
    // Per row one text for the time and one per value column.
    std::size_t textsPerRow() const { return 1 + filter.columns.size(); }
    void readRow(const pugi::xml_node& time);
    // The elements that give the time element's value columns (null: "-").
    void rowElements(const pugi::xml_node& time, std::vector<pugi::xml_node>* elements) const;
    void appendText(std::size_t row, std::size_t slot, std::string& out) const;
    void appendValue(const Tfilter_column& column, std::size_t row, std::size_t slot, std::string& out) const;

    Tcolumn_filter filter;
    int records = 0;
    int zone = 0;
    std::size_t rows_read = 0;
    // All rows' texts one after the other; text_ends[i] is where text i ends
    // and found[i] whether its element was there.
    std::string texts;
    std::vector<std::size_t> text_ends;
    std::vector<bool> found;
};
