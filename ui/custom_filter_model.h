#pragma once

#include <vector>

#include "ui/column_filter.h"
#include "ui/grid_model.h"

// The custom layout of the result table: two time columns and one column per
// filter column over the time elements of the measurement document; row 0 the
// names, row 1 the units. Cells are computed from the elements on demand; the
// last row's element of each column is kept, since a row's cells are asked for
// one after another.
class Tcustom_filter_model : public Tgrid_model {
public:
    using Tgrid_model::Tgrid_model;

    // Lays the table out for the filter over the time elements of data (the
    // document's DATA element); record_count is the number of records the
    // reader read from it, which gives the row count.
    void showFilter(const Tcolumn_filter& filter, tinyxml2::XMLElement* data, int record_count, int zone);
    // Lets go of the document's elements (before they are freed).
    void releaseDocument();

    int gridRows() const override;
    int gridColumns() const override;
    void appendCell(int row, int column, std::string& out) const override;
    int columnWidth(int column) const override;

private:
    // The elements that give row's value columns (null: "-").
    const std::vector<tinyxml2::XMLElement*>& rowElements(int row) const;
    void appendValue(const Tfilter_column& column, tinyxml2::XMLElement* element, std::string& out) const;

    Tcolumn_filter filter;
    std::vector<tinyxml2::XMLElement*> times;
    int records = 0;
    int zone = 0;
    mutable int cached_row = -1;
    mutable std::vector<tinyxml2::XMLElement*> cached_elements;
};
