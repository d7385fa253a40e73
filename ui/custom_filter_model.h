#pragma once

#include <string>
#include <vector>

#include "ui/custom_rows.h"
#include "ui/grid_model.h"

// The custom layout of the result table: two time columns and one column per
// filter column over the time elements of the measurement file; row 0 the
// names, row 1 the units. It is given the rows (made off the GUI thread by
// the load's job, or when a filter is applied) and computes the cells from
// them on demand, the dates in the zone it shows.
class Tcustom_filter_model : public Tgrid_model {
public:
    using Tgrid_model::Tgrid_model;

    // Lays the table out for the rows, the dates in zone.
    void showRows(Tcustom_rows rows, int zone);
    // The same rows with the dates in another zone.
    void showZone(int zone);
    // Lets go of the rows (before the reader loads another file).
    void releaseDocument();

    int gridRows() const override;
    int gridColumns() const override;
    void appendCell(int row, int column, std::string& out) const override;
    int columnWidth(int column) const override;
    // From the rows' shapes of each column: no cell is measured but those.
    std::vector<int> cellWidths(const Ttext_width& width) const override;

private:
    void appendIsoTime(std::size_t row, std::string& out) const;

    Tcustom_rows rows;
    int zone = 0;
};
