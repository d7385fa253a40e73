#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What identifies the state of a file that was read: its length and its
// time of last change.
struct Tfile_stamp {
    std::uint64_t size = 0;
    std::int64_t changed_ns = 0;
    bool operator==(const Tfile_stamp& other) const
    {
        return size == other.size && changed_ns == other.changed_ns;
    }
};

// Where each time element of a measurement file that became a step begins,
// noted while the reader builds its steps. A later pass over the same
// elements (the custom column filter) parses them again a block of the file
// at a time, so it neither reads the whole file into memory nor builds a
// document of it: on a file of hundreds of megabytes that memory is most of
// the pass's time.
class Tmeasurement_time_index {
public:
    // Starts the index of the file at path as it was read (stamp).
    void begin(const std::string& path, const Tfile_stamp& stamp);
    // The element whose tag begins at byte offset of the file is the next
    // one; false when out of memory.
    bool add(std::size_t offset);
    void clear();
    void swap(Tmeasurement_time_index& other);

    // The file the index is of; "" when none.
    const std::string& path() const { return source_path; }
    std::size_t count() const { return offsets.size(); }
    std::size_t offsetAt(std::size_t position) const { return offsets[position]; }

    // Calls each(time) for every indexed time element, in file order. False,
    // with the reason in *error, when the file cannot be read again or is not
    // the file the index was made of any more; the elements before the fault
    // have been passed on then.
    bool forEachTime(const std::function<void(pugi::xml_node)>& each, std::string* error) const;

private:
    std::string source_path;
    Tfile_stamp stamp;
    std::vector<std::size_t> offsets;
};

// The stamp of the open file fd; false when it has none.
bool file_stamp_of(int fd, Tfile_stamp* stamp);
