#pragma once

#include <vector>

#include "ui/grid_model.h"
#include "ui/result_columns.h"

class Txml_parser;
struct Tflash_parser_data;
struct Tdisplay_columns;

// What the standard layout's column widths come from over a file's steps:
// the span of their times and, per entry of result_columns(), its widest
// cells. Measured once when the file is read, on the reader's thread, so that
// laying the table out for a column set does not walk every step on the GUI
// thread.
struct Tresult_extremes {
    bool time_missing = false;
    bool time_seen = false;
    unsigned first_time = 0;
    unsigned last_time = 0;
    std::vector<Tresult_column_extremes> columns;

    void measure(const Txml_parser& reader);
};

// The standard layout of the result table over the reader's time steps: the
// time, its date at the display time zone and the zone's offset, then the
// columns of a column set. Cells are computed from the reader on demand.
class Tresult_table_model : public Tgrid_model {
public:
    using Tgrid_model::Tgrid_model;

    // Lays the table out for the reader's steps as they are now, whose
    // extremes are measured. The column set, the 3-digit option and the zone
    // are taken as they are now too.
    void showSteps(const Txml_parser* reader, const Tresult_extremes* extremes, const Tdisplay_columns& set,
                   bool three_digit, int zone);
    // Lets go of the reader's steps (before they are freed); the headings stay.
    void releaseSteps();

    int gridRows() const override;
    int gridColumns() const override;
    void appendCell(int row, int column, std::string& out) const override;
    int columnWidth(int column) const override;
    void appendRow(int row, std::string& out) const override;
    std::vector<int> cellWidths(const Ttext_width& width) const override;

private:
    int stepCount() const;
    // The time, date and offset cells of a step.
    void appendTimeCell(const Tflash_parser_data& step, int column, std::string& out) const;
    void appendTime(unsigned seconds, int column, std::string& out) const;

    const Txml_parser* reader = nullptr;
    const Tresult_extremes* extremes = nullptr;
    std::vector<const Tresult_column*> columns;
    bool three_digit = false;
    int zone = 0;
};

// The three fixed columns before the optional ones.
constexpr int result_fixed_columns = 3;
