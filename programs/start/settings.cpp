#include "programs/start/settings.h"

#include <cstdio>

#include "base/log.h"
#include "base/parse.h"
#include "base/paths.h"

namespace {

constexpr char line_end = '\r';
constexpr const char* first_line = "TYPE=2";
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
    FILE* file = file_name.length() ? std::fopen(file_name.c_str(), "rb") : nullptr;
    if (!file)
        return;
    Tmy_string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c != line_end) {
            const char byte = static_cast<char>(c);
            line.append(&byte, 1);
            continue;
        }
        if (line_counter > 0)
            parseLine(line.c_str(), line.length());
        ++line_counter;
        line.clear();
    }
    std::fclose(file);  // a last line without its CR is dropped
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

bool Tsettings::write() const
{
    if (!file_name.length())
        return true;
    Tmy_string text;
    text.appendf("%s%c", first_line, line_end);
    for (const Tlist::Tnode* node = entries.nodeAt(0); node; node = node->next) {
        const Tsettings_entry* entry = entryOf(node);
        Tmy_string name;
        name.appendBackslashHex(entry->name.c_str(), entry->name.length(), 0);
        // A name read with bytes a name cannot hold (the LF of a CR LF file)
        // would come back as another entry's name, ahead of it: leave it out.
        if (name.length() != entry->name.length() && find(name.c_str()))
            continue;
        text.appendString(&name);
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
        return true;
    const bool written = std::fwrite(text.c_str(), 1, text.length(), file) == text.length();
    if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), file_name.c_str()) != 0) {
        std::remove(temporary.c_str());
        return true;
    }
    return false;
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
    Tmy_string key(name);
    lower_case_ascii(&key);
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
    int value = 0;
    parse_int(text, &value);  // the digits before another character count
    return value;
}
