#pragma once

#include <string>
#include <vector>

#include "base/xml.h"

namespace pugi {
class xml_node;
}

// A custom column filter as read from its XML file: one entry per "COLUMN"
// element, in column order. In match mode a column shows the first element of
// its name that satisfies all its conditions; in sequential mode the columns
// take the children of a time element one after the other.
struct Tfilter_condition {
    std::string field;
    std::string value;  // compared without regard to case
};

struct Tfilter_column {
    std::string name;
    std::string unit;
    std::string element;
    bool has_element = false;  // a column without "element" matches nothing
    std::string attribute;
    bool timestamp = false;    // match mode: the spreadsheet day count of the time
    bool scaled = false;       // "c0" or "c1" given: value x c1 + c0
    double c0 = 0;
    double c1 = 1;
    int time_zone = 0;         // seconds added to a timestamp column's time
    std::vector<Tfilter_condition> conditions;
};

struct Tcolumn_filter {
    bool match = false;
    std::vector<Tfilter_column> columns;
};

// Reads the filter under its root element. False, with a message naming the
// column, when a "c0", "c1" or "time_zone" is given but is no number of its
// kind, or when the root has no "COLUMN" element (XML of another kind); the
// filter is then not to be used.
bool read_column_filter(Txml_element root, Tcolumn_filter* out, std::string* error);

// True when the measurement element satisfies every condition of the column.
bool filter_conditions_hold(const Tfilter_column& column, const pugi::xml_node& element);
