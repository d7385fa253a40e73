#include "base/xml.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/log.h"
#include "base/my_string.h"
#include "base/params.h"
#include "base/parse.h"

using tinyxml2::XMLAttribute;
using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace {

constexpr int log_indent_levels_max = 20;
constexpr std::size_t log_name_pad_max = 250;

XMLElement* take_root(myXMLdocument* doc, bool loaded)
{
    doc->root = loaded ? doc->document->FirstChildElement() : nullptr;
    return doc->root;
}

// The first child element whose name is exactly the first length bytes of segment.
XMLElement* child_named(XMLElement* node, const char* segment, std::size_t length)
{
    for (XMLElement* child = node->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const char* name = child->Name();
        if (std::strncmp(name, segment, length) == 0 && name[length] == '\0')
            return child;
    }
    return nullptr;
}

const XMLAttribute* attribute_nocase(const XMLElement* node, const char* attribute)
{
    for (const XMLAttribute* a = node->FirstAttribute(); a; a = a->Next())
        if (text_compare_nocase(a->Name(), attribute) == 0)
            return a;
    return nullptr;
}

// " a=\"1\"" for each attribute; from the second on, a line break and blanks
// put each under the first.
void append_log_attributes(Tmy_string* out, const XMLElement* node, const std::string& indent)
{
    const std::string pad(std::min(std::strlen(node->Name()), log_name_pad_max), ' ');
    for (const XMLAttribute* a = node->FirstAttribute(); a; a = a->Next()) {
        if (a != node->FirstAttribute())
            out->appendf("\r\n%s %s", indent.c_str(), pad.c_str());
        out->appendf(" %s=\"%m\"", a->Name(), a->Value());
    }
}

}  // namespace

myXMLdocument::myXMLdocument(const char* root_name) : document(new XMLDocument()), root(nullptr)
{
    if (root_name) {
        root = document->NewElement(root_name);
        document->InsertEndChild(root);
    }
}

myXMLdocument::~myXMLdocument()
{
    delete document;
}

XMLElement* xml_LoadFile(const char* path, myXMLdocument* doc)
{
    if (!doc)
        return nullptr;
    if (!path)
        return take_root(doc, false);
    // The load clears the document and its error state first.
    return take_root(doc, doc->document->LoadFile(path) == tinyxml2::XML_SUCCESS);
}

XMLElement* xml_ParseText(const char* text, myXMLdocument* doc)
{
    if (!doc)
        return nullptr;
    if (!text)
        return take_root(doc, false);
    doc->document->Parse(text);
    // A failed parse leaves no children, so no root either.
    return take_root(doc, true);
}

XMLElement* xml_FindPath(XMLElement* node, const char* path)
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

XMLElement* xml_FindDocumentPath(myXMLdocument* doc, const char* path)
{
    if (!doc || !path || path[0] != '/')
        return nullptr;
    return xml_FindPath(doc->document->FirstChildElement(), path + 1);
}

XMLElement* xml_FirstChildEntity(XMLElement* node)
{
    return node ? node->FirstChildElement() : nullptr;
}

XMLElement* xml_NextEntity(XMLElement* node)
{
    return node ? node->NextSiblingElement() : nullptr;
}

XMLElement* xml_EntityName(XMLElement* node, const char* name)
{
    return node && name ? node->NextSiblingElement(name) : nullptr;
}

XMLElement* xml_FindChildEntity(XMLElement* node, const char* entity, const char* attribute,
                                const char* value)
{
    if (!node || !entity || !attribute || !value)
        return nullptr;
    for (XMLElement* child = node->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (text_compare_nocase(child->Name(), entity) != 0)
            continue;
        const XMLAttribute* found = attribute_nocase(child, attribute);
        if (found && text_compare_nocase(found->Value(), value) == 0)
            return child;
    }
    return nullptr;
}

bool xml_IsEntity(XMLElement* node, const char* name)
{
    return node && name && std::strcmp(node->Name(), name) == 0;
}

const char* xml_GetName(XMLElement* node)
{
    return node ? node->Name() : nullptr;
}

const char* xml_GetText(XMLElement* node, bool empty_if_none)
{
    const char* none = empty_if_none ? "" : nullptr;
    if (!node)
        return none;
    for (const XMLNode* child = node->FirstChild(); child; child = child->NextSibling())
        if (child->ToText())
            return child->Value();
    return none;
}

const char* xml_FindAttributeValue(XMLElement* node, const char* attribute)
{
    return node && attribute ? node->Attribute(attribute) : nullptr;
}

int xml_GetAttributeInt(XMLElement* node, const char* attribute)
{
    int value = 0;
    if (const char* text = xml_FindAttributeValue(node, attribute))
        parse_int(text, &value);
    return value;
}

unsigned xml_GetAttributeUnsigned(XMLElement* node, const char* attribute)
{
    unsigned value = 0;
    if (const char* text = xml_FindAttributeValue(node, attribute))
        parse_uint(text, &value);
    return value;
}

double xml_GetAttributeDouble(XMLElement* node, const char* attribute)
{
    double value = 0.0;
    if (const char* text = xml_FindAttributeValue(node, attribute))
        parse_double(text, &value);
    return value;
}

const char* xml_GetAttributeString(XMLElement* node, const char* attribute)
{
    const char* text = xml_FindAttributeValue(node, attribute);
    return text ? text : "";
}

bool xml_AttributeIs(XMLElement* node, const char* attribute, const char* value)
{
    const char* text = xml_FindAttributeValue(node, attribute);
    return text && value && text_compare_nocase(text, value) == 0;
}

bool xml_GetAttribute(XMLElement* node, const char* attribute, int type, void* out, int size,
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
    const char* text = node->Attribute(attribute);
    if (!text || convert_value(text, out, type, size))
        return false;
    if (trace_prefix)
        xml_TraceAttribute(trace_prefix, "", attribute, out, type);
    return true;
}

bool xml_GetEntityAttribute(XMLElement* node, const char* entity, const char* attribute, int type,
                            void* out, int size, const char* trace_prefix)
{
    if (!node || !entity || text_compare_nocase(node->Name(), entity) != 0)
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

XMLElement* xml_NewEntity(XMLElement* parent, const char* name)
{
    if (!parent || !name)
        return nullptr;
    XMLElement* element = parent->GetDocument()->NewElement(name);
    parent->InsertEndChild(element);
    return element;
}

void xml_SetAttribute(XMLElement* element, const char* name, const char* value)
{
    if (element && name && value)
        element->SetAttribute(name, value);
}

void xml_SetAttributeInt(XMLElement* element, const char* name, int value)
{
    if (element && name)
        element->SetAttribute(name, value);
}

void xml_LogEntity(XMLElement* node, int level, int child_levels)
{
    if (!node)
        return;
    level = std::clamp(level, 0, log_indent_levels_max);
    const std::string indent(4u * static_cast<unsigned>(level), ' ');
    Tmy_string attributes;
    append_log_attributes(&attributes, node, indent);

    const char* text = xml_GetText(node, false);
    XMLElement* child = child_levels != 0 ? node->FirstChildElement() : nullptr;
    if (!text && !child) {
        log_printf("%s<%s%s/>", indent.c_str(), node->Name(), attributes.c_str());
        return;
    }
    log_printf("%s<%s%s >", indent.c_str(), node->Name(), attributes.c_str());
    if (text)
        log_printf("%s%m", indent.c_str(), text);
    const int next_levels = child_levels > 0 ? child_levels - 1 : -1;
    for (; child; child = child->NextSiblingElement())
        xml_LogEntity(child, level + 1, next_levels);
    log_printf("%s</%s>", indent.c_str(), node->Name());
}
