#pragma once

// Thin, null-tolerant helpers over the XML document model. The model's headers
// stay behind this file: callers hold its nodes only as pointers and do
// everything through these functions.
//
// Every node a helper takes or gives is an element (tinyxml2::XMLElement*):
// walks see elements only, and texts are reached through xml_GetText. Keeping
// one pointer type means callers never need the model's class hierarchy to
// pass a result on. Every function accepts null pointers and then returns
// null, 0, "" or false.

namespace tinyxml2 {
class XMLElement;
class XMLDocument;
}  // namespace tinyxml2

// A document with its root element. Elements belong to their document and go
// with it.
class myXMLdocument {
public:
    // With a name, the document gets a root element of that name.
    explicit myXMLdocument(const char* root_name = nullptr);
    ~myXMLdocument();
    myXMLdocument(const myXMLdocument&) = delete;
    myXMLdocument& operator=(const myXMLdocument&) = delete;

    tinyxml2::XMLDocument* document;
    tinyxml2::XMLElement* root;
};

// Replace the document's contents by a file or a text; root := its first
// element. Returns root, null on any failure (missing file, parse error, no element).
tinyxml2::XMLElement* xml_LoadFile(const char* path, myXMLdocument* doc);
tinyxml2::XMLElement* xml_ParseText(const char* text, myXMLdocument* doc);

// Longest path segment xml_FindPath accepts; a longer one finds nothing.
constexpr unsigned xml_path_segment_max = 254;

// Child elements named by "/"-separated segments («a/b/c»); empty segments are
// skipped, names compared exactly; "" gives node itself.
tinyxml2::XMLElement* xml_FindPath(tinyxml2::XMLElement* node, const char* path);
// A path from the root, which the path does not name: "/STATIONS/STATION"; "/" is the root.
tinyxml2::XMLElement* xml_FindDocumentPath(myXMLdocument* doc, const char* path);
tinyxml2::XMLElement* xml_FirstChildEntity(tinyxml2::XMLElement* node);
tinyxml2::XMLElement* xml_NextEntity(tinyxml2::XMLElement* node);
// The first following sibling named name (node itself excluded).
tinyxml2::XMLElement* xml_EntityName(tinyxml2::XMLElement* node, const char* name);
// The first child element named entity whose attribute equals value, all three
// compared ASCII case-insensitively.
tinyxml2::XMLElement* xml_FindChildEntity(tinyxml2::XMLElement* node, const char* entity,
                                          const char* attribute, const char* value);
bool xml_IsEntity(tinyxml2::XMLElement* node, const char* name);
const char* xml_GetName(tinyxml2::XMLElement* node);
// The element's first text child (CDATA included); without one "" or null.
const char* xml_GetText(tinyxml2::XMLElement* node, bool empty_if_none);

const char* xml_FindAttributeValue(tinyxml2::XMLElement* node, const char* attribute);
// Missing attribute: 0; a parse error keeps the value parsed so far.
int xml_GetAttributeInt(tinyxml2::XMLElement* node, const char* attribute);
unsigned xml_GetAttributeUnsigned(tinyxml2::XMLElement* node, const char* attribute);
double xml_GetAttributeDouble(tinyxml2::XMLElement* node, const char* attribute);
// Never null: "" when missing.
const char* xml_GetAttributeString(tinyxml2::XMLElement* node, const char* attribute);
bool xml_AttributeIs(tinyxml2::XMLElement* node, const char* attribute, const char* value);

// Typed read by Tvalue_type (base/params.h): 0 text into a char buffer of size
// bytes (emptied first), 1 int, 2 unsigned, 3 double, 4 Tmy_string. True only
// when the attribute exists and converts whole; a text that does not fit stays
// truncated in out, a number with a foreign character keeps the part before it.
// With a trace_prefix a success is logged by xml_TraceAttribute.
bool xml_GetAttribute(tinyxml2::XMLElement* node, const char* attribute, int type, void* out,
                      int size, const char* trace_prefix);
// xml_GetAttribute only when the node is named entity (ASCII case-insensitive).
bool xml_GetEntityAttribute(tinyxml2::XMLElement* node, const char* entity, const char* attribute,
                            int type, void* out, int size, const char* trace_prefix);
// Logs "prefix middle attribute="value"" for types 0, 1 and 3; others log nothing.
void xml_TraceAttribute(const char* prefix, const char* middle, const char* attribute,
                        const void* value, int type);

// A new element as the parent's last child. Elements live in a document, so a
// tree starts from a myXMLdocument's root: a null parent gives null.
tinyxml2::XMLElement* xml_NewEntity(tinyxml2::XMLElement* parent, const char* name);
void xml_SetAttribute(tinyxml2::XMLElement* element, const char* name, const char* value);
void xml_SetAttributeInt(tinyxml2::XMLElement* element, const char* name, int value);

// Logs the element and its descendants down to child_levels (-1 all, 0 the
// element alone), one line per tag and text, indented 4 blanks per level.
void xml_LogEntity(tinyxml2::XMLElement* node, int level, int child_levels);
