#pragma once

#include <vector>

#include "ui/grid_model.h"

class Txml_parser;
struct Tflash_parser_data;
struct Tdisplay_columns;
struct Tresult_column;

// The standard layout of the result table over the reader's time steps: the
// time, its date at the display time zone and the zone's offset, then the
// columns of a column set. Cells are computed from the reader on demand.
class Tresult_table_model : public Tgrid_model {
public:
    using Tgrid_model::Tgrid_model;

    // Lays the table out for the reader's steps as they are now. The column
    // set, the 3-digit option and the zone are taken as they are now too.
    void showSteps(const Txml_parser* reader, const Tdisplay_columns& set, bool three_digit, int zone);
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
    std::vector<const Tresult_column*> columns;
    bool three_digit = false;
    int zone = 0;
};

// The three fixed columns before the optional ones.
constexpr int result_fixed_columns = 3;
