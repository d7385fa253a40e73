#pragma once

#include "base/list.h"
#include "base/xml.h"

// Reads a measurement XML file into one Tflash_parser_data per time element,
// in file order, and holds the column filter of the result display.
class Txml_parser {
public:
    Txml_parser() = default;
    Txml_parser(const Txml_parser&) = delete;
    Txml_parser& operator=(const Txml_parser&) = delete;
    ~Txml_parser();

    // Replaces the time steps and the station id by those of the file; 1 when
    // the file cannot be loaded (nothing is then held), else 0.
    int parseFile(const char* path);
    // Loads a column-filter file and logs its tree; 0.
    int loadFilter(const char* path);

    tinyxml2::XMLElement* getFilterRoot() { return filter.root; }
    tinyxml2::XMLElement* getDataNode();

    // Tflash_parser_data items in file order, owned by the reader.
    Tlist* timeSteps() { return &steps; }
    unsigned stationId() const { return station_id; }

private:
    void clearSteps();
    void readSteps(tinyxml2::XMLElement* data);

    myXMLdocument document;
    myXMLdocument filter;
    Tlist steps;
    unsigned station_id = 0;
};
