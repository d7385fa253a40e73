#include "programs/start/settings.h"

#include <cerrno>
#include <cstdio>

#include "base/log.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/regular_file.h"

namespace {

constexpr char cr = '\r';
constexpr char lf = '\n';
constexpr char line_end = cr;
constexpr const char* first_line = "TYPE=2";
constexpr const char* type_prefix = "TYPE=";
constexpr unsigned type_prefix_length = 5;
constexpr int path_capacity = 512;

void lower_case_ascii(Tmy_string* text)
{
    Tmy_string lower;
    for (unsigned i = 0; i < text->length(); ++i) {
        char c = text->charAt(i);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        lower.append(&c, 1);
    }
    text->swap(lower);
}

}  // namespace

Tsettings::Tsettings()
{
    get_current_dir(&directory);
}

Tsettings::~Tsettings()
{
    clear();
}

Tsettings_entry* Tsettings::entryOf(const Tlist::Tnode* node)
{
    return static_cast<Tsettings_entry*>(node->item);
}

void Tsettings::clear()
{
    for (const Tlist::Tnode* node = entries.nodeAt(0); node; node = node->next)
        delete entryOf(node);
    entries.clear(false);
    line_counter = 0;
}

void Tsettings::load(const char* name)
{
    char path[path_capacity];
    file_name.clear();
    if (path_join(path, sizeof path, directory.c_str(), name) > 0)
        file_name.assign(path);
    else
        log_printf("ERROR : settings file path too long in %s", directory.c_str());
    read();
}

void Tsettings::read()
{
    clear();
    Tmy_string text;
    Tfile_read_error error;
    if (!file_name.length())
        return;
    if (text.loadFile(file_name.c_str(), &error) != 0) {
        // No file yet is the first start; anything else the user must hear of.
        if (error.fault != Tfile_fault::missing)
            log_printf("ERROR : settings file %s %s: the default settings are used", file_name.c_str(),
                       file_read_error_text(error).c_str());
        return;
    }
    // Lines end in CR as written, or in LF or CR LF where the file was edited
    // elsewhere; a last line without its end counts too.
    const char* bytes = text.c_str();
    const unsigned length = text.length();
    unsigned start = 0;
    for (unsigned i = 0; i <= length; ++i) {
        if (i < length && bytes[i] != cr && bytes[i] != lf)
            continue;
        takeLine(bytes + start, i - start);
        if (i + 1 < length && bytes[i] == cr && bytes[i + 1] == lf)
            ++i;
        start = i + 1;
    }
}

void Tsettings::takeLine(const char* line, unsigned length)
{
    // The type line heads the file; a file without it starts with its first entry.
    const bool type_line = line_counter == 0 && length >= type_prefix_length &&
                           text_starts_with_nocase(line, type_prefix);
    ++line_counter;
    if (!type_line)
        parseLine(line, length);
}

void Tsettings::parseLine(const char* line, unsigned length)
{
    if (!line || length == 0)
        return;
    auto* entry = new Tsettings_entry;
    Tmy_string raw_value;
    bool in_value = false;
    for (unsigned i = 0; i < length; ++i) {
        if (line[i] == ' ') {
            in_value = true;
            continue;
        }
        if (!in_value) {
            entry->name.append(line + i, 1);
            continue;
        }
        raw_value.append(line + i, 1);
        // Only a value that runs to the end of the line is taken.
        if (i + 1 == length)
            entry->value.appendBackslashHexDecoded(raw_value.c_str(), raw_value.length());
    }
    entries.append(entry);
}

bool Tsettings::write(int* error) const
{
    auto failed = [error](int number) {
        if (error)
            *error = number;
        return true;
    };
    if (!file_name.length())
        return failed(ENOENT);
    Tmy_string text;
    text.appendf("%s%c", first_line, line_end);
    for (const Tlist::Tnode* node = entries.nodeAt(0); node; node = node->next) {
        const Tsettings_entry* entry = entryOf(node);
        // A name read from the file goes back as it was read (it holds no line
        // end and no space); a name set here was cut to its letters already.
        if (entry->name.length() > 0)
            text.append(entry->name.c_str(), entry->name.length());
        text.append(" ");
        text.appendBackslashHex(entry->value.c_str(), entry->value.length(), 1);
        text.append(&line_end, 1);
    }
    // Written beside the file and put in its place whole, so that a failed
    // write leaves the settings on disk as they were.
    Tmy_string temporary;
    temporary.printf("%s.new", file_name.c_str());
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return failed(errno);
    const bool written = std::fwrite(text.c_str(), 1, text.length(), file) == text.length();
    // A failed step whose errno says nothing still fails.
    const auto reason = [] { return errno != 0 ? errno : EIO; };
    int step_error = written ? 0 : reason();
    if (std::fclose(file) != 0 && step_error == 0)
        step_error = reason();
    if (step_error == 0 && std::rename(temporary.c_str(), file_name.c_str()) != 0)
        step_error = reason();
    if (step_error != 0) {
        std::remove(temporary.c_str());
        return failed(step_error);
    }
    return false;
}

const Tsettings_entry* Tsettings::at(int index) const
{
    return index < 0 ? nullptr : static_cast<const Tsettings_entry*>(entries.itemAt(index));
}

Tsettings_entry* Tsettings::find(const char* name) const
{
    for (const Tlist::Tnode* node = entries.nodeAt(0); node; node = node->next) {
        Tsettings_entry* entry = entryOf(node);
        if (entry->name.equals(name, 1))
            return entry;
    }
    return nullptr;
}

void Tsettings::setText(const char* name, const char* value)
{
    if (!name)
        return;
    Tmy_string lower(name);
    lower_case_ascii(&lower);
    // Only 0-9, A-Z, a-z and "_" stay in a name.
    Tmy_string key;
    key.appendBackslashHex(lower.c_str(), lower.length(), 0);
    if (Tsettings_entry* entry = find(key.c_str())) {
        entry->value.assign(value ? value : "");
        return;
    }
    auto* entry = new Tsettings_entry;
    entry->name.swap(key);
    entry->value.assign(value ? value : "");
    entries.append(entry);
}

void Tsettings::setInt(const char* name, int value)
{
    Tmy_string text;
    text.printf("%d", value);
    setText(name, text.c_str());
}

const char* Tsettings::getText(const char* name, const char* default_value, int* found) const
{
    Tsettings_entry* entry = nullptr;
    if (name) {
        Tmy_string key(name);
        lower_case_ascii(&key);
        entry = find(key.c_str());
    }
    if (found)
        *found = entry ? 1 : 0;
    if (entry)
        return entry->value.c_str();
    return default_value ? default_value : "";
}

int Tsettings::getInt(const char* name, int default_value) const
{
    int found = 0;
    const char* text = getText(name, nullptr, &found);
    if (!found)
        return default_value;
    // The digits before another character count; a number that does not fit
    // would come back as another one, so the default stands in for it.
    int value = 0;
    bool beyond = false;
    parse_int_in_range(text, &value, &beyond);
    if (!beyond)
        return value;
    log_printf("ERROR : %s: %s \"%s\" is out of range, %d taken", file_name.c_str(), name, text, default_value);
    return default_value;
}
