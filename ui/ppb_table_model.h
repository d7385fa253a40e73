#pragma once

#include <vector>

#include "ui/grid_model.h"

class Txml_parser;
class Truvo_fluo;

// The ppb view's table: one row per record of the reader at the moment of a
// conversion run, kept as numbers, so that loading another file leaves it as
// it is until the next run.
struct Tppb_row {
    bool converted = false;  // false: a record without a valid time, all "-"
    unsigned time = 0;
    int zone = 0;
    bool has_temperature = false;
    double temperature = 0;  // the record's "T [°C]" as shown
    bool valid[5] = {};      // LED1-3, turbidity, conductivity
    float result[5] = {};
};

struct Tppb_settings {
    bool tracers[3] = {true, false, false};
    float turbidity_sensitivity = 1;
};

// Converts every record of the reader with the constants: lamp signals, their
// on/off differences, the temperature and the raw conductivity of each.
// Without loaded constants the rows keep their time and temperature and no
// result.
std::vector<Tppb_row> convert_records(const Txml_parser& reader, const Truvo_fluo& constants,
                                      const Tppb_settings& settings, int zone);

class Tppb_table_model : public Tgrid_model {
public:
    using Tgrid_model::Tgrid_model;

    // count rows of "-" under the headings.
    void prepare(int count);
    void showRows(std::vector<Tppb_row> rows);

    int gridRows() const override;
    int gridColumns() const override;
    void appendCell(int row, int column, std::string& out) const override;
    int columnWidth(int column) const override;

private:
    std::vector<Tppb_row> rows;
};
