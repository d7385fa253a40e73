#pragma once

// Which optional columns the result table shows: one on/off flag per column or
// group of columns (the groups and their order are in ui/result_columns.h).
// A plain record, owned by value.
constexpr int display_column_flag_count = 49;

struct Tdisplay_columns {
    Tdisplay_columns() { setAll(0); }

    void setAll(unsigned char value);
    // The number of optional grid columns that the set flags need.
    int countColumns() const;

    unsigned char flags[display_column_flag_count];
};

// The result displays' state, one set per program, GUI thread only: the column
// set used whenever a caller gives none, and the time-zone code of the dates
// (a whole-hour offset, or 101 for Central European time with summer time).
extern Tdisplay_columns display_columns;
extern int display_time_zone;
// The zone of the dates until an option or the user chooses another.
constexpr int display_time_zone_at_start = 101;
