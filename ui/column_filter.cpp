#include "ui/column_filter.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "base/parse.h"
#include "base/xml.h"
#include "data/measurement_document.h"

namespace {

// A scale factor or offset: absent or empty is the default; anything else
// must be a number.
bool read_scale(Txml_element element, const char* attribute, double* out, bool* given)
{
    const char* text = xml_FindAttributeValue(element, attribute);
    if (!text || !*text)
        return true;
    *given = true;
    return !parse_decimal_number(text, out);
}

// Seconds added to a timestamp column: absent or empty is 0; anything else
// must be a whole number of the int range.
bool read_time_zone(Txml_element element, int* out)
{
    const char* text = xml_FindAttributeValue(element, "time_zone");
    if (!text || !*text)
        return true;
    int64_t seconds = 0;
    if (parse_int64_number(text, &seconds) || seconds < INT_MIN || seconds > INT_MAX)
        return false;
    *out = static_cast<int>(seconds);
    return true;
}

}  // namespace

bool read_column_filter(Txml_element root, Tcolumn_filter* out, std::string* error)
{
    if (!out)
        return false;
    *out = Tcolumn_filter();
    out->match = text_compare_nocase(xml_GetAttributeString(root, "type"), "match") == 0;
    int position = 0;
    for (Txml_element element = xml_FirstChildEntity(root); element; element = xml_NextEntity(element)) {
        if (std::strcmp(xml_GetName(element), "COLUMN") != 0)
            continue;
        ++position;
        Tfilter_column column;
        column.name = xml_GetAttributeString(element, "name");
        column.unit = xml_GetAttributeString(element, "unit");
        const char* name = xml_FindAttributeValue(element, "element");
        column.has_element = name != nullptr;
        column.element = name ? name : "";
        column.timestamp = out->match && name && text_compare_nocase(name, "timestamp") == 0;
        column.attribute = xml_GetAttributeString(element, "attribute");
        auto refuse = [&](const char* attribute) {
            if (error)
                *error = "column " + std::to_string(position) + " \"" + column.name + "\": " + attribute + " \"" +
                         xml_GetAttributeString(element, attribute) + "\" is no number";
            return false;
        };
        if (!read_time_zone(element, &column.time_zone))
            return refuse("time_zone");
        for (const char* scale : {"c0", "c1"}) {
            double* target = scale[1] == '0' ? &column.c0 : &column.c1;
            if (!read_scale(element, scale, target, &column.scaled))
                return refuse(scale);
        }
        if (out->match) {
            for (Txml_element condition = xml_FirstChildEntity(element); condition;
                 condition = xml_NextEntity(condition))
                if (std::strcmp(xml_GetName(condition), "FIELD_FILTER") == 0)
                    column.conditions.push_back({xml_GetAttributeString(condition, "field"),
                                                 xml_GetAttributeString(condition, "value")});
        }
        out->columns.push_back(std::move(column));
    }
    // Another kind of XML (a setup or a measurement file) would lay out a
    // table of the time columns alone.
    if (out->columns.empty()) {
        if (error)
            *error = std::string("no COLUMN element: XML of another kind (its root is <") +
                     (root ? xml_GetName(root) : "") + ">)";
        return false;
    }
    return true;
}

bool filter_conditions_hold(const Tfilter_column& column, const pugi::xml_node& element)
{
    for (const Tfilter_condition& condition : column.conditions) {
        const char* value = measurement_attribute(element, condition.field.c_str());
        if (!value || text_compare_nocase(value, condition.value.c_str()) != 0)
            return false;
    }
    return true;
}
