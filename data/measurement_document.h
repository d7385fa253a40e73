#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <memory>

#include "base/regular_file.h"
#include "data/measurement_time_index.h"

// Entities are decoded and line ends normalised as in every other XML file
// the programs read; nothing else is kept (no comments, no declarations), so
// the parse is lean. The bytes are taken as they are, whatever encoding the
// declaration names, as in the other XML files.
constexpr unsigned measurement_parse_options = pugi::parse_escapes | pugi::parse_eol;
constexpr pugi::xml_encoding measurement_encoding = pugi::encoding_utf8;
constexpr char measurement_root_name[] = "FLASH_CONTENT";

// A measurement XML file parsed for one pass over its time elements, then let
// go: the reader builds its steps from it and the custom column filter reads
// its cells from it, neither keeps it.
//
// A file that ends inside its document (a crash while it was written, a copy
// cut short) is read up to where it ends: the time elements before the cut
// are whole, and the one the cut went through, if any, is left out.
class Tmeasurement_document {
public:
    // False when the file cannot be read, is no XML, is XML of another kind
    // (neither a FLASH_CONTENT root nor a DATA element) or is cut before its DATA element;
    // readError() says why.
    bool load(const char* path);
    const Tfile_read_error& readError() const { return error; }

    // The document's first element and its DATA element; null before a load.
    pugi::xml_node root() const { return document.document_element(); }
    pugi::xml_node data() const { return root().child("DATA"); }

    // The next whole time element of DATA after time (the first with a null
    // time); null at the end.
    pugi::xml_node nextTime(pugi::xml_node time) const;

    // Frees a time element that has been read (nextTime of it must be taken
    // first): the document's memory goes as what is built from it grows.
    void releaseTime(pugi::xml_node time) { data().remove_child(time); }

    // Where the tag of an element of the document begins in the file; past
    // the file's end when that is not known.
    std::size_t tagOffset(pugi::xml_node element) const;
    // The state of the file that was read.
    const Tfile_stamp& stamp() const { return file_stamp; }

    // The file ends inside the document; at byte cutOffset().
    bool cut() const { return cut_offset != 0; }
    std::size_t cutOffset() const { return cut_offset; }

private:
    // The parse error at error_at lies in the file's last tag, which the cut
    // went through.
    static bool errorIsInLastTag(const char* path, std::size_t error_at, std::size_t size);
    // The last time element is whole only when the text from its start on
    // parses as a whole element.
    bool lastTimeIsWhole(const char* path, pugi::xml_node last) const;

    // The document's strings point into the text, which is parsed in place.
    std::unique_ptr<char[]> text;
    pugi::xml_document document;
    Tfile_stamp file_stamp;
    Tfile_read_error error;
    std::size_t cut_offset = 0;
    pugi::xml_node cut_time;  // the time element the cut went through
};

// The value of a measurement element's attribute, null when it has none.
inline const char* measurement_attribute(pugi::xml_node element, const char* name)
{
    const pugi::xml_attribute attribute = element.attribute(name);
    return attribute ? attribute.value() : nullptr;
}
