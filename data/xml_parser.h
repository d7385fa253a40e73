#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/list.h"
#include "base/regular_file.h"
#include "base/xml.h"
#include "data/measurement_time_index.h"

struct Tflash_parser_data;
class Tmeasurement_document;

// Reads a measurement XML file into one Tflash_parser_data per time element,
// in file order, and holds the column filter of the result display. The
// file's document is not kept: what else is wanted of the file is read from
// it again, through the index of its time elements (timeIndex).
class Txml_parser {
public:
    Txml_parser() = default;
    Txml_parser(const Txml_parser&) = delete;
    Txml_parser& operator=(const Txml_parser&) = delete;
    ~Txml_parser();

    // Replaces the time steps and the station id by those of the file; 1 when
    // the file cannot be loaded (nothing is then held), else 0. A file cut
    // short gives its whole time steps, with a WARNING line saying where.
    int parseFile(const char* path);
    // Why the last parseFile gave 1.
    const Tfile_read_error& readError() const { return read_error; }
    // Exchanges the steps, the station and the file's index with another
    // reader (one that has read a file on a worker thread), in constant time,
    // so that the old steps can be freed there too. The filters stay.
    void exchangeSteps(Txml_parser& other);
    // Frees the steps; the reader then holds no file.
    void clear();
    // Loads a column-filter file and logs its tree; 0.
    int loadFilter(const char* path);
    // Why the last loadFilter left no filter.
    const Tfile_read_error& filterError() const { return filter_error; }

    Txml_element getFilterRoot() { return filter.root; }
    // The file the steps were read from; "" when none is held.
    const std::string& sourcePath() const { return time_index.path(); }
    // Where the time elements of the steps are in that file, in step order.
    const Tmeasurement_time_index& timeIndex() const { return time_index; }

    // Tflash_parser_data items in file order, owned by the reader.
    Tlist* timeSteps() { return &steps; }
    // The same steps by position, for displays that show any of them at once;
    // built once per load. Null out of range.
    int stepCount() const { return static_cast<int>(index.size()); }
    const Tflash_parser_data* stepAt(int position) const
    {
        return position >= 0 && position < stepCount() ? index[static_cast<std::size_t>(position)] : nullptr;
    }
    unsigned stationId() const { return station_id; }

private:
    void clearSteps();
    void readSteps(Tmeasurement_document& document);
    // Room for one more step in the index; false when out of memory.
    bool reserveIndex();

    myXMLdocument filter;
    Tmeasurement_time_index time_index;
    Tlist steps;
    std::vector<Tflash_parser_data*> index;
    unsigned station_id = 0;
    Tfile_read_error read_error;
    Tfile_read_error filter_error;
};
