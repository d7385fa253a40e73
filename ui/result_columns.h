#pragma once

#include <string>
#include <vector>

struct Tflash_parser_data;

// The optional columns of the result table in display order, one entry per
// grid column; the entries of a group share their flag of Tdisplay_columns.
enum class Tcell_kind {
    real,     // the slot's double with the column's decimals
    integer,  // the slot's integer
    pair,     // a meter index: the integer part and a four-digit fraction
};

struct Tresult_column {
    int flag;
    const char* heading;
    Tcell_kind kind;
    unsigned slot;
    unsigned fraction_slot;  // pair only
    int decimals;            // real only
    bool temperature;        // 3 decimals with the 3-digit option
};

struct Tresult_column_list {
    const Tresult_column* first;
    const Tresult_column* last;
    const Tresult_column* begin() const { return first; }
    const Tresult_column* end() const { return last; }
};

Tresult_column_list result_columns();

// Appends the cell of one step under the column: "-" when its slot (either
// slot of a pair) is not valid.
void append_result_cell(std::string& out, const Tflash_parser_data& step, const Tresult_column& column,
                        bool three_digit);

// The widest cells a column shows over a set of steps, as candidates to
// measure: a fixed format is widest at its most negative or its largest value,
// so those, a non-finite value and "-" are all a column can need.
class Tresult_column_extremes {
public:
    void add(const Tflash_parser_data& step, const Tresult_column& column);
    // Appends each candidate cell to texts.
    void appendCandidates(const Tresult_column& column, bool three_digit, std::vector<std::string>& texts) const;

private:
    bool seen = false;
    bool missing = false;
    double low = 0, high = 0;
    long long low_integer = 0, high_integer = 0;
    long long low_fraction = 0, high_fraction = 0;
    std::vector<double> non_finite;  // one of each kind seen
};
