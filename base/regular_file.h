#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Why a file could not be read. Every reader of the programs opens its file
// through open_regular_file, so that a FIFO, a device or a folder chosen in
// place of a file is refused with its reason instead of blocking the program
// on the open or being read as an endless or empty stream.
enum class Tfile_fault {
    none,
    missing,      // no file of that name
    folder,
    special,      // a FIFO, a device or a socket
    unreadable,   // the open or the read failed (error_number says why)
    no_xml,       // the text is no XML (at says where, or detail what)
    cut,          // the XML ends before its document does (at: the length)
    wrong_kind,   // XML, but not of the kind wanted (detail: its root's name)
};

// The details of a text that is no XML, as the readers give them.
constexpr char xml_fault_no_element[] = "no element";
constexpr char xml_fault_text_beside_root[] = "text beside the root element";
constexpr char xml_fault_too_deep[] = "elements nested too deep";
constexpr char xml_fault_attribute_twice[] = "an attribute given twice";
constexpr char file_fault_empty[] = "an empty file";

struct Tfile_read_error {
    Tfile_fault fault = Tfile_fault::none;
    int error_number = 0;
    std::size_t at = 0;
    std::string detail;
};

// The reason in English, as a clause after the file's name («is a FIFO, not a
// regular file»), or in French as a clause of its own («c'est un dossier, pas
// un fichier»), for the windows that speak it.
std::string file_read_error_text(const Tfile_read_error& error);
std::string file_read_error_text_fr(const Tfile_read_error& error);

// path opened for reading when it is a regular file; null otherwise, with the
// reason in *error (may be null). The file is looked at before it is opened,
// and opened without waiting for a writer, then looked at again, so that a
// FIFO put in its place in between does not block either.
FILE* open_regular_file(const char* path, Tfile_read_error* error);

// The whole regular file into bytes; false with the reason otherwise.
bool read_regular_file(const char* path, std::string* bytes, Tfile_read_error* error);
