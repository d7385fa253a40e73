#pragma once

// Thin, null-tolerant helpers over the XML document model. The model's headers
// stay behind this file: callers hold its nodes only as Txml_element handles
// and do everything through these functions.
//
// Every node a helper takes or gives is an element: walks see elements only,
// and texts are reached through xml_GetText. Keeping one handle type means
// callers never need the model's classes to pass a result on. Every function
// accepts null handles and then returns null, 0, "" or false.

namespace pugi {
struct xml_node_struct;
class xml_document;
}  // namespace pugi

struct Tfile_read_error;

// An element of a myXMLdocument, or null; valid while its document lives.
using Txml_element = pugi::xml_node_struct*;

// A document with its root element. Elements belong to their document and go
// with it.
class myXMLdocument {
public:
    // With a name, the document gets a root element of that name.
    explicit myXMLdocument(const char* root_name = nullptr);
    ~myXMLdocument();
    myXMLdocument(const myXMLdocument&) = delete;
    myXMLdocument& operator=(const myXMLdocument&) = delete;

    pugi::xml_document* document;
    Txml_element root;
};

// Deepest nesting of elements a loaded document may have.
constexpr int xml_depth_max = 100;

// Replace the document's contents by a file or a text; root := its first
// element. Returns root, null on any failure (missing file, parse error, an
// attribute given twice, elements nested deeper than xml_depth_max, no element).
// A file that is no regular file is not opened; the reason of a failure goes
// to *error when given.
Txml_element xml_LoadFile(const char* path, myXMLdocument* doc, Tfile_read_error* error = nullptr);
Txml_element xml_ParseText(const char* text, myXMLdocument* doc);

// Longest path segment xml_FindPath accepts; a longer one finds nothing.
constexpr unsigned xml_path_segment_max = 254;

// Child elements named by "/"-separated segments («a/b/c»); empty segments are
// skipped, names compared exactly; "" gives node itself.
Txml_element xml_FindPath(Txml_element node, const char* path);
// A path from the root, which the path does not name: "/STATIONS/STATION"; "/" is the root.
Txml_element xml_FindDocumentPath(myXMLdocument* doc, const char* path);
Txml_element xml_FirstChildEntity(Txml_element node);
Txml_element xml_NextEntity(Txml_element node);
// The first following sibling named name (node itself excluded).
Txml_element xml_EntityName(Txml_element node, const char* name);
// The first child element named entity whose attribute equals value, all three
// compared ASCII case-insensitively.
Txml_element xml_FindChildEntity(Txml_element node, const char* entity,
                                 const char* attribute, const char* value);
bool xml_IsEntity(Txml_element node, const char* name);
const char* xml_GetName(Txml_element node);
// The element's first text child (CDATA included); without one "" or null.
const char* xml_GetText(Txml_element node, bool empty_if_none);

const char* xml_FindAttributeValue(Txml_element node, const char* attribute);
// Missing attribute: 0; a parse error keeps the value parsed so far.
int xml_GetAttributeInt(Txml_element node, const char* attribute);
unsigned xml_GetAttributeUnsigned(Txml_element node, const char* attribute);
double xml_GetAttributeDouble(Txml_element node, const char* attribute);
// Never null: "" when missing.
const char* xml_GetAttributeString(Txml_element node, const char* attribute);
bool xml_AttributeIs(Txml_element node, const char* attribute, const char* value);

// Typed read by Tvalue_type (base/params.h): 0 text into a char buffer of size
// bytes (emptied first), 1 int, 2 unsigned, 3 double, 4 Tmy_string. True only
// when the attribute exists and converts whole; a text that does not fit stays
// truncated in out, a number with a foreign character keeps the part before it.
// With a trace_prefix a success is logged by xml_TraceAttribute.
bool xml_GetAttribute(Txml_element node, const char* attribute, int type, void* out,
                      int size, const char* trace_prefix);
// xml_GetAttribute only when the node is named entity (ASCII case-insensitive).
bool xml_GetEntityAttribute(Txml_element node, const char* entity, const char* attribute,
                            int type, void* out, int size, const char* trace_prefix);
// Logs "prefix middle attribute="value"" for types 0, 1 and 3; others log nothing.
void xml_TraceAttribute(const char* prefix, const char* middle, const char* attribute,
                        const void* value, int type);

// A new element as the parent's last child. Elements live in a document, so a
// tree starts from a myXMLdocument's root: a null parent gives null.
Txml_element xml_NewEntity(Txml_element parent, const char* name);
void xml_SetAttribute(Txml_element element, const char* name, const char* value);
void xml_SetAttributeInt(Txml_element element, const char* name, int value);

// Logs the element and its descendants down to child_levels (-1 all, 0 the
// element alone), one line per tag and text, indented 4 blanks per level.
void xml_LogEntity(Txml_element node, int level, int child_levels);
// The whole tree, but at most elements_max elements of it, in document order;
// the rest is one line "... N more elements not shown" where the first of
// them stands. Open elements are closed, so the dump stays nested.
void xml_LogEntityBounded(Txml_element node, long long elements_max);
