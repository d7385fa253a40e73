#include "base/xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/log.h"
#include "base/my_string.h"
#include "base/params.h"
#include "base/parse.h"
#include "base/regular_file.h"

namespace {

constexpr int log_indent_levels_max = 20;
constexpr std::size_t log_name_pad_max = 250;

// Texts, CDATA and entity references as written; comments, the declaration
// and a DOCTYPE are not kept. Attribute values keep their tabs and line
// breaks (line ends normalized to LF, as in texts). The bytes are taken as
// UTF-8 whatever the declaration says, so that no text is recoded; a UTF-8
// byte order mark is skipped. Read as a fragment, so that text beside the
// root element stays in the tree and well_formed can refuse it.
constexpr unsigned parse_options =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol | pugi::parse_fragment;

pugi::xml_node node_of(Txml_element element)
{
    return pugi::xml_node(element);
}

pugi::xml_node first_element(pugi::xml_node node)
{
    pugi::xml_node child = node.first_child();
    while (child && child.type() != pugi::node_element)
        child = child.next_sibling();
    return child;
}

pugi::xml_node next_element(pugi::xml_node node)
{
    pugi::xml_node sibling = node.next_sibling();
    while (sibling && sibling.type() != pugi::node_element)
        sibling = sibling.next_sibling();
    return sibling;
}

// By a set of the names seen: an element of thousands of attributes (a cut
// sensor dump) would take a pairwise comparison minutes.
bool has_duplicate_attribute(pugi::xml_node node)
{
    pugi::xml_attribute first = node.first_attribute();
    if (!first || !first.next_attribute())
        return false;
    std::unordered_set<std::string_view> names;
    for (pugi::xml_attribute a = first; a; a = a.next_attribute())
        if (!names.insert(a.name()).second)
            return true;
    return false;
}

// What the parser lets through but a well-formed document may not hold: an
// attribute given twice, text beside the root element. The nesting depth is
// bounded too, so that the recursive walks over a tree (the log dump, the
// compilers) stay well within the stack whatever a file holds. Walked without
// recursion for the same reason. Null when well formed, else what is wrong.
const char* well_formed_fault(const pugi::xml_document& document)
{
    int depth = 0;
    for (pugi::xml_node node = document.first_child(); node;) {
        if (depth == 0 && node.type() == pugi::node_pcdata)
            return xml_fault_text_beside_root;
        if (node.type() == pugi::node_element && depth >= xml_depth_max)
            return xml_fault_too_deep;
        if (node.type() == pugi::node_element && has_duplicate_attribute(node))
            return xml_fault_attribute_twice;
        if (node.first_child()) {
            node = node.first_child();
            ++depth;
            continue;
        }
        while (depth > 0 && !node.next_sibling()) {
            node = node.parent();
            --depth;
        }
        node = node.next_sibling();
    }
    return first_element(document) ? nullptr : xml_fault_no_element;
}

// root := the document's first element when the load or parse succeeded. A
// failed parse may leave the part read before the fault: it is dropped, so
// that a broken file shows as no document at all. size is the length of the
// text parsed: an error at its end is a text cut short.
Txml_element take_root(myXMLdocument* doc, const pugi::xml_parse_result& parsed, std::size_t size,
                       Tfile_read_error* error)
{
    const char* fault = parsed ? well_formed_fault(*doc->document) : nullptr;
    if (!parsed || fault) {
        doc->document->reset();
        doc->root = nullptr;
        if (error) {
            *error = Tfile_read_error();
            const std::size_t at = parsed.offset > 0 ? static_cast<std::size_t>(parsed.offset) : 0;
            const bool cut = !parsed && size > 0 && at + 1 >= size;
            error->fault = cut ? Tfile_fault::cut : Tfile_fault::no_xml;
            error->at = cut ? size : at;
            if (fault)
                error->detail = fault;
        }
        return nullptr;
    }
    doc->root = first_element(*doc->document).internal_object();
    return doc->root;
}

// The first child element whose name is exactly the first length bytes of segment.
Txml_element child_named(Txml_element node, const char* segment, std::size_t length)
{
    for (pugi::xml_node child = first_element(node_of(node)); child; child = next_element(child)) {
        const char* name = child.name();
        if (std::strncmp(name, segment, length) == 0 && name[length] == '\0')
            return child.internal_object();
    }
    return nullptr;
}

pugi::xml_attribute attribute_nocase(pugi::xml_node node, const char* attribute)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (text_compare_nocase(a.name(), attribute) == 0)
            return a;
    return pugi::xml_attribute();
}

// " a=\"1\"" for each attribute; from the second on, a line break and blanks
// put each under the first.
void append_log_attributes(Tmy_string* out, pugi::xml_node node, const std::string& indent)
{
    const std::string pad(std::min(std::strlen(node.name()), log_name_pad_max), ' ');
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (a != node.first_attribute())
            out->appendf("\r\n%s %s", indent.c_str(), pad.c_str());
        out->appendf(" %s=\"%m\"", a.name(), a.value());
    }
}

}  // namespace

myXMLdocument::myXMLdocument(const char* root_name) : document(new pugi::xml_document()), root(nullptr)
{
    if (root_name)
        root = document->append_child(root_name).internal_object();
}

myXMLdocument::~myXMLdocument()
{
    delete document;
}

Txml_element xml_LoadFile(const char* path, myXMLdocument* doc, Tfile_read_error* error)
{
    if (!doc)
        return nullptr;
    doc->document->reset();
    doc->root = nullptr;
    std::string bytes;
    if (!read_regular_file(path, &bytes, error))
        return nullptr;
    if (bytes.empty()) {
        if (error) {
            *error = Tfile_read_error();
            error->fault = Tfile_fault::no_xml;
            error->detail = file_fault_empty;
        }
        return nullptr;
    }
    return take_root(doc, doc->document->load_buffer(bytes.data(), bytes.size(), parse_options, pugi::encoding_utf8),
                     bytes.size(), error);
}

Txml_element xml_ParseText(const char* text, myXMLdocument* doc)
{
    if (!doc)
        return nullptr;
    if (!text) {
        doc->document->reset();
        doc->root = nullptr;
        return nullptr;
    }
    return take_root(doc, doc->document->load_string(text, parse_options), std::strlen(text), nullptr);
}

Txml_element xml_FindPath(Txml_element node, const char* path)
{
    if (!path)
        return nullptr;
    const char* segment = path;
    while (node && *segment) {
        if (*segment == '/') {
            ++segment;
            continue;
        }
        const std::size_t length = std::strcspn(segment, "/");
        // No element is looked up by a name this long: treat it as not found
        // rather than stopping at a parent the caller did not ask for.
        if (length > xml_path_segment_max)
            return nullptr;
        node = child_named(node, segment, length);
        segment += length;
    }
    return node;
}

Txml_element xml_FindDocumentPath(myXMLdocument* doc, const char* path)
{
    if (!doc || !path || path[0] != '/')
        return nullptr;
    return xml_FindPath(first_element(*doc->document).internal_object(), path + 1);
}

Txml_element xml_FirstChildEntity(Txml_element node)
{
    return node ? first_element(node_of(node)).internal_object() : nullptr;
}

Txml_element xml_NextEntity(Txml_element node)
{
    return node ? next_element(node_of(node)).internal_object() : nullptr;
}

Txml_element xml_EntityName(Txml_element node, const char* name)
{
    if (!node || !name)
        return nullptr;
    pugi::xml_node sibling = next_element(node_of(node));
    while (sibling && std::strcmp(sibling.name(), name) != 0)
        sibling = next_element(sibling);
    return sibling.internal_object();
}

Txml_element xml_FindChildEntity(Txml_element node, const char* entity, const char* attribute,
                                 const char* value)
{
    if (!node || !entity || !attribute || !value)
        return nullptr;
    for (pugi::xml_node child = first_element(node_of(node)); child; child = next_element(child)) {
        if (text_compare_nocase(child.name(), entity) != 0)
            continue;
        const pugi::xml_attribute found = attribute_nocase(child, attribute);
        if (found && text_compare_nocase(found.value(), value) == 0)
            return child.internal_object();
    }
    return nullptr;
}

bool xml_IsEntity(Txml_element node, const char* name)
{
    return node && name && std::strcmp(node_of(node).name(), name) == 0;
}

const char* xml_GetName(Txml_element node)
{
    return node ? node_of(node).name() : nullptr;
}

const char* xml_GetText(Txml_element node, bool empty_if_none)
{
    const char* none = empty_if_none ? "" : nullptr;
    if (!node)
        return none;
    for (pugi::xml_node child = node_of(node).first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            return child.value();
    return none;
}

const char* xml_FindAttributeValue(Txml_element node, const char* attribute)
{
    if (!node || !attribute)
        return nullptr;
    const pugi::xml_attribute found = node_of(node).attribute(attribute);
    return found ? found.value() : nullptr;
}

int xml_GetAttributeInt(Txml_element node, const char* attribute)
{
    int value = 0;
    if (const char* text = xml_FindAttributeValue(node, attribute))
        parse_int(text, &value);
    return value;
}

unsigned xml_GetAttributeUnsigned(Txml_element node, const char* attribute)
{
    unsigned value = 0;
    if (const char* text = xml_FindAttributeValue(node, attribute))
        parse_uint(text, &value);
    return value;
}

double xml_GetAttributeDouble(Txml_element node, const char* attribute)
{
    double value = 0.0;
    if (const char* text = xml_FindAttributeValue(node, attribute))
        parse_double(text, &value);
    return value;
}

const char* xml_GetAttributeString(Txml_element node, const char* attribute)
{
    const char* text = xml_FindAttributeValue(node, attribute);
    return text ? text : "";
}

bool xml_AttributeIs(Txml_element node, const char* attribute, const char* value)
{
    const char* text = xml_FindAttributeValue(node, attribute);
    return text && value && text_compare_nocase(text, value) == 0;
}

bool xml_GetAttribute(Txml_element node, const char* attribute, int type, void* out, int size,
                      const char* trace_prefix)
{
    if (!node || !attribute || !out)
        return false;
    if (type == VALUE_TEXT) {
        // Not even the terminator fits: nothing may be written.
        if (size < 1)
            return false;
        static_cast<char*>(out)[0] = '\0';
    }
    const char* text = xml_FindAttributeValue(node, attribute);
    if (!text || convert_value(text, out, type, size))
        return false;
    if (trace_prefix)
        xml_TraceAttribute(trace_prefix, "", attribute, out, type);
    return true;
}

bool xml_GetEntityAttribute(Txml_element node, const char* entity, const char* attribute, int type,
                            void* out, int size, const char* trace_prefix)
{
    if (!node || !entity || text_compare_nocase(node_of(node).name(), entity) != 0)
        return false;
    return xml_GetAttribute(node, attribute, type, out, size, trace_prefix);
}

void xml_TraceAttribute(const char* prefix, const char* middle, const char* attribute,
                        const void* value, int type)
{
    if (!value)
        return;
    switch (type) {
    case VALUE_TEXT:
        log_printf("%s %s %s=\"%s\"", prefix, middle, attribute, static_cast<const char*>(value));
        break;
    case VALUE_INT:
        log_printf("%s %s %s=\"%d\"", prefix, middle, attribute, *static_cast<const int*>(value));
        break;
    case VALUE_DOUBLE:
        log_printf("%s %s %s=\"%f\"", prefix, middle, attribute, *static_cast<const double*>(value));
        break;
    default:
        break;
    }
}

Txml_element xml_NewEntity(Txml_element parent, const char* name)
{
    if (!parent || !name)
        return nullptr;
    return node_of(parent).append_child(name).internal_object();
}

void xml_SetAttribute(Txml_element element, const char* name, const char* value)
{
    if (!element || !name || !value)
        return;
    pugi::xml_node node = node_of(element);
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        attribute = node.append_attribute(name);
    attribute.set_value(value);
}

void xml_SetAttributeInt(Txml_element element, const char* name, int value)
{
    xml_SetAttribute(element, name, std::to_string(value).c_str());
}

namespace {

// The elements of the tree under node, node included; without recursion.
long long count_elements(pugi::xml_node node)
{
    long long count = 0;
    const pugi::xml_node top = node;
    for (pugi::xml_node at = node; at;) {
        if (at.type() == pugi::node_element)
            ++count;
        if (at.first_child()) {
            at = at.first_child();
            continue;
        }
        while (at != top && !at.next_sibling())
            at = at.parent();
        at = at == top ? pugi::xml_node() : at.next_sibling();
    }
    return count;
}

// What is left to show of a bounded dump: elements, or -1 for all. The line
// that says how many were left out is written once, at the first one.
struct Tlog_budget {
    long long left = -1;
    long long shown = 0;
    bool told = false;
    pugi::xml_node top;
};

void log_entity(Txml_element node, int level, int child_levels, Tlog_budget* budget)
{
    if (!node)
        return;
    level = std::clamp(level, 0, log_indent_levels_max);
    const std::string indent(4u * static_cast<unsigned>(level), ' ');
    if (budget->left == 0) {
        if (!budget->told)
            log_printf("%s... %lld more elements not shown", indent.c_str(),
                       count_elements(budget->top) - budget->shown);
        budget->told = true;
        return;
    }
    if (budget->left > 0)
        --budget->left;
    ++budget->shown;
    Tmy_string attributes;
    const pugi::xml_node element = node_of(node);
    append_log_attributes(&attributes, element, indent);

    const char* text = xml_GetText(node, false);
    Txml_element child = child_levels != 0 ? xml_FirstChildEntity(node) : nullptr;
    if (!text && !child) {
        log_printf("%s<%s%s/>", indent.c_str(), element.name(), attributes.c_str());
        return;
    }
    log_printf("%s<%s%s >", indent.c_str(), element.name(), attributes.c_str());
    if (text)
        log_printf("%s%m", indent.c_str(), text);
    const int next_levels = child_levels > 0 ? child_levels - 1 : -1;
    for (; child && !budget->told; child = xml_NextEntity(child))
        log_entity(child, level + 1, next_levels, budget);
    log_printf("%s</%s>", indent.c_str(), element.name());
}

}  // namespace

void xml_LogEntity(Txml_element node, int level, int child_levels)
{
    Tlog_budget all;
    all.left = -1;
    log_entity(node, level, child_levels, &all);
}

void xml_LogEntityBounded(Txml_element node, long long elements_max)
{
    Tlog_budget budget;
    budget.left = elements_max < 0 ? 0 : elements_max;
    budget.top = node_of(node);
    log_entity(node, 0, -1, &budget);
}
