#pragma once

#include "base/list.h"
#include "base/my_string.h"

// One name and its value of a settings file.
struct Tsettings_entry {
    Tmy_string name;
    Tmy_string value;
};

// A small name/value settings file: a first line "TYPE=2", then one line per
// entry, "name value", each line ended by a single CR (read also when ended by
// LF or CR LF, or not at all at the end of the file). Names set here keep only
// 0-9, A-Z, a-z and "_"; values write every other byte as "\" and two hex
// digits. Entries keep the order in which they were first read or set, and
// entries of names nobody asks for are written back as they were read.
class Tsettings {
public:
    // The directory of the file is the working directory of this moment.
    Tsettings();
    Tsettings(const Tsettings&) = delete;
    Tsettings& operator=(const Tsettings&) = delete;
    ~Tsettings();

    // The file name is taken relative to the directory; then read.
    void load(const char* file_name);
    // Replaces the entries by the file's; a file that cannot be opened gives none.
    void read();
    // One line without its end; an empty line gives no entry.
    void parseLine(const char* line, unsigned length);
    // Writes every entry; true when the file could not be written, which then
    // keeps what it held, with the errno of the step that failed in error.
    bool write(int* error = nullptr) const;

    // Names are looked up without regard to ASCII case; a new entry gets its
    // name in lower case and goes to the end.
    void setText(const char* name, const char* value);
    void setInt(const char* name, int value);
    // The value of the first entry of that name, or the default ("" for null);
    // found (if given) says which. The text lives until the entries change.
    const char* getText(const char* name, const char* default_value, int* found) const;
    // The leading number of the value (what follows it is ignored), or the
    // default, also for a number beyond the range of an int.
    int getInt(const char* name, int default_value) const;
    void clear();

    const char* fileName() const { return file_name.c_str(); }
    int count() const { return entries.count(); }
    // The entry at a position of the file's order, or null.
    const Tsettings_entry* at(int index) const;

private:
    static Tsettings_entry* entryOf(const Tlist::Tnode* node);
    // One line of the file without its end: the type line or an entry.
    void takeLine(const char* line, unsigned length);
    Tsettings_entry* find(const char* name) const;

    Tmy_string file_name;
    Tlist entries;  // of Tsettings_entry, owned
    Tmy_string directory;
    unsigned line_counter = 0;
};
