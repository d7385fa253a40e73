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
    // measurement file that times indexes, one row each. False, with the
    // reason, when the file cannot be read again as it was indexed: the model
    // then keeps what it showed.
    bool showFilter(const Tcolumn_filter& filter, const Tmeasurement_time_index& times, int zone,
                    std::string* error);
    // Lets go of the rows (before the reader loads another file).
    void releaseDocument();

    int gridRows() const override;
    int gridColumns() const override;
    void appendCell(int row, int column, std::string& out) const override;
    int columnWidth(int column) const override;

private:
    // All rows' texts one after the other; ends[i] is where text i ends and
    // found[i] whether its element was there.
    struct Trow_texts {
        std::size_t rows = 0;
        std::string texts;
        std::vector<std::size_t> ends;
        std::vector<bool> found;
    };

    // Per row one text for the time and one per value column.
    std::size_t textsPerRow() const { return 1 + filter.columns.size(); }
    static void readRow(const Tcolumn_filter& filter, const pugi::xml_node& time, Trow_texts* out);
    // The elements that give the time element's value columns (null: "-").
    static void rowElements(const Tcolumn_filter& filter, const pugi::xml_node& time,
                            std::vector<pugi::xml_node>* elements);
    void appendText(std::size_t row, std::size_t slot, std::string& out) const;
    void appendValue(const Tfilter_column& column, std::size_t row, std::size_t slot, std::string& out) const;

    Tcolumn_filter filter;
    int records = 0;
    int zone = 0;
    Trow_texts shown;
};
