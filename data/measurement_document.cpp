#include "data/measurement_document.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <new>

namespace {

// The whole file into text, with its stamp; false, with the reason, when it
// cannot be read whole. An empty file has nothing to parse: it is no XML.
bool read_whole_file(const char* path, std::unique_ptr<char[]>* text, std::size_t* size, Tfile_stamp* stamp,
                     Tfile_read_error* error)
{
    FILE* file = open_regular_file(path, error);
    if (!file)
        return false;
    bool read = false;
    if (file_stamp_of(fileno(file), stamp) && stamp->size > 0) {
        *size = static_cast<std::size_t>(stamp->size);
        text->reset(new (std::nothrow) char[*size]);
        read = *text && std::fread(text->get(), 1, *size, file) == *size;
        error->fault = read ? Tfile_fault::none : Tfile_fault::unreadable;
        error->error_number = *text ? EIO : ENOMEM;
    } else {
        error->fault = Tfile_fault::no_xml;
        error->detail = file_fault_empty;
    }
    std::fclose(file);
    return read;
}

// length bytes of the file from start on into part.
bool read_file_part(const char* path, std::size_t start, std::size_t length, std::unique_ptr<char[]>* part)
{
    part->reset(new (std::nothrow) char[length ? length : 1]);
    FILE* file = open_regular_file(path, nullptr);
    if (!*part || !file) {
        if (file)
            std::fclose(file);
        return false;
    }
    const bool read = std::fseek(file, static_cast<long>(start), SEEK_SET) == 0 &&
                      std::fread(part->get(), 1, length, file) == length;
    std::fclose(file);
    return read;
}

}  // namespace

bool Tmeasurement_document::load(const char* path)
{
    error = Tfile_read_error();
    document.reset();
    text.reset();
    cut_offset = 0;
    cut_time = pugi::xml_node();
    file_stamp = Tfile_stamp();
    std::size_t size = 0;
    if (!read_whole_file(path, &text, &size, &file_stamp, &error))
        return false;
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace(text.get(), size, measurement_parse_options, measurement_encoding);
    if (parsed) {
        if (root() && (std::strcmp(root().name(), measurement_root_name) == 0 || data()))
            return true;
        // Another program's XML (a setup file) would show as an empty table.
        error.fault = root() ? Tfile_fault::wrong_kind : Tfile_fault::no_xml;
        error.detail = root() ? root().name() : xml_fault_no_element;
        document.reset();
        text.reset();
        return false;
    }
    // An error at the last byte (the input ended with elements open) or in
    // the file's last tag is a cut; one before it a file that is no XML,
    // refused whole.
    const std::size_t error_at = static_cast<std::size_t>(parsed.offset);
    const bool at_end = parsed.offset >= 0 && error_at <= size &&
                        (error_at + 1 >= size || errorIsInLastTag(path, error_at, size));
    if (!at_end || !data()) {
        // Cut only when something of a document came before the end.
        const bool cut = at_end && root();
        error.fault = cut ? Tfile_fault::cut : Tfile_fault::no_xml;
        error.at = cut ? size : error_at;
        if (!root())
            error.detail = xml_fault_no_element;
        document.reset();
        text.reset();
        return false;
    }
    cut_offset = size;
    // Only the last element of DATA can be the one the cut went through.
    const pugi::xml_node last = data().last_child();
    if (std::strcmp(last.name(), "time") == 0 && !lastTimeIsWhole(path, last))
        cut_time = last;
    return true;
}

bool Tmeasurement_document::errorIsInLastTag(const char* path, std::size_t error_at, std::size_t size)
{
    // The in-place parse has written over the text: the file says what
    // follows the error. No tag the writer makes is this long.
    constexpr std::size_t last_tag_max = 64 * 1024;
    const std::size_t length = size - error_at;
    if (length > last_tag_max)
        return false;
    std::unique_ptr<char[]> tail;
    return read_file_part(path, error_at, length, &tail) && !std::memchr(tail.get(), '>', length);
}

bool Tmeasurement_document::lastTimeIsWhole(const char* path, pugi::xml_node last) const
{
    // The text was parsed in place and is no longer the file's: read the
    // element's part again.
    const std::size_t start = tagOffset(last);
    if (start >= cut_offset)
        return false;
    const std::size_t length = cut_offset - start;
    std::unique_ptr<char[]> tail;
    if (!read_file_part(path, start, length, &tail))
        return false;
    // Whole when it parses alone, or when anything follows its end tag (the
    // line end, the end tag of DATA), kept here as whitespace text.
    pugi::xml_document fragment;
    const pugi::xml_parse_result parsed =
        fragment.load_buffer_inplace(tail.get(), length,
                                     measurement_parse_options | pugi::parse_fragment | pugi::parse_ws_pcdata,
                                     measurement_encoding);
    return parsed || fragment.first_child().next_sibling();
}

std::size_t Tmeasurement_document::tagOffset(pugi::xml_node element) const
{
    // offset_debug is where the element's name starts, just after its '<'.
    const std::ptrdiff_t name_offset = element.offset_debug();
    return name_offset >= 1 ? static_cast<std::size_t>(name_offset) - 1 : SIZE_MAX;
}

pugi::xml_node Tmeasurement_document::nextTime(pugi::xml_node time) const
{
    const pugi::xml_node next = time ? time.next_sibling("time") : data().child("time");
    return next == cut_time ? pugi::xml_node() : next;
}
