// Custom column filter files as "Custom Filter..." loads them: the filter
// document read and logged, its columns read, and in match mode the conditions
// of every column tried on the elements of a small measurement file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <pugixml.hpp>

#include "data/xml_parser.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "ui/column_filter.h"

namespace {

// Two time records whose elements share names and differ in their attributes,
// as the conditions tell them apart.
constexpr const char* measurement =
    "<?xml version='1.0' encoding='utf-8' ?>\n<FLASH_CONTENT><DATA>\n"
    "<time v=\"1700000000\"><a145 v=\"1.50\"/><a195 v=\"7\" channel_id=\"2\" mode_id=\"27\"/>"
    "<a195 v=\"8\" channel_id=\"3\"/><a201 hexa=\"00AB12CD\"/></time>\n"
    "<time v=\"0\"><a146 v=\"-2\" unit=\"mV\"/><a21 type=\"fluorometer\" LA_mV=\"812.50\"/></time>\n"
    "</DATA></FLASH_CONTENT>\n";

// Counts the elements under parent that the column accepts, as the match fill
// looks for its element.
unsigned count_matches(const Tfilter_column& column, const pugi::xml_node& parent)
{
    unsigned matches = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && column.element == child.name() &&
            filter_conditions_hold(column, child))
            ++matches;
    return matches;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Ttemp_dir dir;
    static pugi::xml_document measured;
    static const bool measured_read = static_cast<bool>(measured.load_string(measurement));
    if (!measured_read)
        std::abort();
    static const pugi::xml_node data_node = measured.child("FLASH_CONTENT").child("DATA");

    // The reader logs the whole filter tree: cleared for each input.
    recorded::clear_log();
    const std::string path = dir.file("filter.xml");
    if (!write_file_bytes(path, std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    Txml_parser reader;
    reader.loadFilter(path.c_str());
    Tcolumn_filter filter;
    std::string error;
    if (reader.getFilterRoot() && read_column_filter(reader.getFilterRoot(), &filter, &error) && filter.match) {
        for (const Tfilter_column& column : filter.columns)
            for (pugi::xml_node time = data_node.child("time"); time; time = time.next_sibling("time"))
                if (count_matches(column, time) && !column.has_element)
                    std::abort();  // a column without "element" matches nothing
    }
    std::remove(path.c_str());
    return 0;
}
