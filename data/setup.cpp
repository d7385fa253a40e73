#include "data/setup.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/default_folders.h"
#include "base/log.h"
#include "base/params.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/regular_file.h"

namespace {

const char* const path_keys[] = {"PATH_DATA_BIN", "PATH_DATA_XML", "PATH_STATUS_LOG", "PATH_SETUP_LOG"};
constexpr int path_count = sizeof path_keys / sizeof path_keys[0];
// The two data paths are resolved even when empty; the log paths only when given.
constexpr int always_resolved_paths = 2;

const char* const empty_text = "";

int path_index(const char* key)
{
    for (int i = 0; key && i < path_count; ++i)
        if (text_compare_nocase(key, path_keys[i]) == 0)
            return i;
    return -1;
}

// A text attribute into a fixed field: missing leaves it empty, a longer text
// keeps what fits.
template <size_t size>
void read_text(Txml_element element, const char* name, char (&field)[size])
{
    xml_GetAttribute(element, name, VALUE_TEXT, field, static_cast<int>(size), nullptr);
}

// A 32-bit number of a setup attribute: a whole number (optional sign, decimal
// digits, blanks around at most); ids also reach up to 2^32 - 1, as they are
// written unsigned. A text that is no such number, or one beyond 32 bits, is
// refused with a line naming the element, never read in part or wrapped into
// another number; error gets the line without its head. True when out was set.
bool read_number32(Txml_element element, const char* name, uint32_t* out, bool unsigned_too, Tmy_string* error)
{
    const char* text = xml_FindAttributeValue(element, name);
    if (!text)
        return false;
    long long value = 0;
    bool beyond = false;
    if (!parse_whole_number(text, INT32_MIN, unsigned_too ? UINT32_MAX : INT32_MAX, &value, &beyond)) {
        *out = static_cast<uint32_t>(value);
        return true;
    }
    error->printf("%s %s=\"%s\" %s", xml_GetName(element), name, text,
                  beyond ? "is out of range" : "is not a whole number");
    log_printf("ERROR : %s", error->c_str());
    return false;
}

// The lists own their items, which Tlist cannot free by their type.
template <class T>
void delete_items(Tlist& list)
{
    for (Tlist::Tnode* node = list.nodeAt(0); node; node = node->next)
        delete static_cast<T*>(node->item);
    list.clear(false);
}

}  // namespace

// --- Tcomport ------------------------------------------------------------------

void Tcomport::parse(Txml_element element)
{
    type = TYPE_DIRECT;
    rate = 0;
    description[0] = '\0';
    port[0] = '\0';
    if (xml_AttributeIs(element, "type", "modem"))
        type = TYPE_MODEM;
    else if (xml_AttributeIs(element, "type", "tcp"))
        type = TYPE_TCP;
    else if (xml_AttributeIs(element, "type", "lan"))
        type = TYPE_LAN;
    read_text(element, "port", port);
    read_text(element, "description", description);
    uint32_t value = 0;
    Tmy_string error;
    if (read_number32(element, "rate", &value, false, &error))
        rate = static_cast<int32_t>(value);
}

const char* Tcomport::getTypeName() const
{
    static const char* const names[] = {"direct", "modem", "lan", "tcp"};
    return type <= TYPE_TCP ? names[type] : "???";
}

// --- Tcomports -----------------------------------------------------------------

Tcomports::~Tcomports()
{
    clear();
}

void Tcomports::clear()
{
    delete_items<Tcomport>(items);
}

void Tcomports::parse(Txml_element element)
{
    clear();
    for (Txml_element child = xml_FirstChildEntity(element); child; child = xml_NextEntity(child)) {
        if (!xml_IsEntity(child, "COMPORT"))
            continue;
        Tcomport* comport = new (std::nothrow) Tcomport;
        if (!comport)
            return;
        comport->parse(child);
        items.append(comport);
    }
}

int Tcomports::count() const
{
    return items.count();
}

Tcomport* Tcomports::at(int index) const
{
    return index < 0 ? nullptr : static_cast<Tcomport*>(items.itemAt(index));
}

// --- Tstation ------------------------------------------------------------------

int Tstation::parse(Txml_element element)
{
    layout_32bit = false;
    id_error.clear();
    const bool refused = xml_FindAttributeValue(element, "id") && !read_number32(element, "id", &id, true, &id_error);
    read_text(element, "phone_nbr", phone_nbr);
    read_text(element, "pin", pin);
    read_text(element, "description", description);
    read_text(element, "display_type", display_type);
    if (xml_AttributeIs(element, "version", "klvr32")) {
        layout_32bit = true;
        log_printf("INFO  : version 32");
    }
    // A refused id compiles nothing under another station's id.
    int result = eeprom_result_error;
    if (refused)
        configuration.clear();
    else
        result = configuration.parseStation(element, id, pin, layout_32bit);
    if (result != 0)
        log_printf("ERROR : Erreur lors de la lecture du fichier de configuration ");
    return result;
}

const char* Tstation::firstError() const
{
    return id_error.c_str()[0] ? id_error.c_str() : configuration.firstError();
}

// --- Tstations -----------------------------------------------------------------

Tstations::~Tstations()
{
    clear();
}

void Tstations::clear()
{
    delete_items<Tstation>(items);
}

int Tstations::parse(Txml_element element)
{
    clear();
    if (!element)
        return eeprom_result_error;
    int result = 0;
    for (Txml_element child = xml_FirstChildEntity(element); child; child = xml_NextEntity(child)) {
        if (!xml_IsEntity(child, "STATION"))
            continue;
        Tstation* station = new (std::nothrow) Tstation;
        if (!station)
            return result | eeprom_result_error;
        result |= station->parse(child);
        items.append(station);
    }
    return result;
}

int Tstations::count() const
{
    return items.count();
}

Tstation* Tstations::at(int index) const
{
    return index < 0 ? nullptr : static_cast<Tstation*>(items.itemAt(index));
}

Tstation* Tstations::getFirst() const
{
    return static_cast<Tstation*>(items.first());
}

// --- Tsetup --------------------------------------------------------------------

Tsetup::Tsetup()
{
    std::memset(raw_paths, 0, sizeof raw_paths);
    std::memset(resolved_paths, 0, sizeof resolved_paths);
    get_current_dir(&base_directory);
    setPathQuietly(0, default_folder_data_bin);
    setPathQuietly(1, default_folder_data_xml);
}

bool setup_file_too_large(const char* path, Tmy_string* reason)
{
    if (!path)
        return false;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size <= static_cast<std::uintmax_t>(setup_file_max_bytes))
        return false;
    reason->printf("\"%s\" of %llu bytes is larger than a setup file (at most %lld bytes)", path,
                   static_cast<unsigned long long>(size), setup_file_max_bytes);
    return true;
}

int Tsetup::readFile(const char* path)
{
    Tmy_string too_large;
    if (setup_file_too_large(path, &too_large)) {
        log_printf("ERROR : %s", too_large.c_str());
        upload_error.assign(too_large.c_str());
        return eeprom_result_error;
    }
    myXMLdocument doc;
    Tfile_read_error error;
    Txml_element root = xml_LoadFile(path, &doc, &error);
    if (!root) {
        log_printf("ERROR : unable to read \"%s\" file correctly", path ? path : "");
        log_printf("ERROR : \"%s\" %s", path ? path : "", file_read_error_text(error).c_str());
        upload_error.printf("the file %s", file_read_error_text(error).c_str());
        return eeprom_result_error;
    }
    log_printf("      : reading setup file \"%s\"", path);
    return parse(root);
}

int Tsetup::readText(const char* text)
{
    myXMLdocument doc;
    Txml_element root = xml_ParseText(text, &doc);
    if (!root) {
        log_printf("ERROR : unable to read setup text correctly");
        upload_error.assign("unable to read setup text correctly");
        return eeprom_result_error;
    }
    return parse(root);
}

void Tsetup::setPath(int index, const char* raw)
{
    convert_value(raw, raw_paths[index], VALUE_TEXT, PATH_SIZE);
    log_printf("%s = \"%s\"", path_keys[index], raw_paths[index]);
    if (resolvePath(index))
        log_printf("%s = \"%s\"", path_keys[index], resolved_paths[index]);
}

void Tsetup::setPathQuietly(int index, const char* raw)
{
    text_copy_bounded(raw_paths[index], raw, PATH_SIZE);
    resolvePath(index);
}

bool Tsetup::resolvePath(int index)
{
    char* const resolved = resolved_paths[index];
    resolved[0] = '\0';
    if (raw_paths[index][0] == '\0' && index >= always_resolved_paths)
        return false;
    // A Windows drive path becomes the same path under $HOME.
    Tmy_string local;
    local_path(&local, raw_paths[index]);
    if (is_absolute_path(local.c_str())) {
        text_copy_bounded(resolved, local.c_str(), PATH_SIZE);
        return std::strcmp(local.c_str(), raw_paths[index]) != 0;
    }
    path_join(resolved, PATH_SIZE, base_directory.c_str(), local.c_str());
    return true;
}

int Tsetup::parse(Txml_element root)
{
    if (!root)
        return eeprom_result_error;
    stations.clear();
    comports.clear();
    std::memset(raw_paths, 0, sizeof raw_paths);
    std::memset(resolved_paths, 0, sizeof resolved_paths);
    int result = 0;
    for (Txml_element child = xml_FirstChildEntity(root); child; child = xml_NextEntity(child)) {
        const char* name = xml_GetName(child);
        const int index = path_index(name);
        if (index >= 0) {
            const char* path = xml_FindAttributeValue(child, "path");
            if (path)
                setPath(index, path);
        } else if (std::strcmp(name, "COMPORTS") == 0) {
            comports.parse(child);
        } else if (std::strcmp(name, "STATIONS") == 0) {
            result |= stations.parse(child);
        }
    }
    // A file without stations still gives its paths (the result viewer reads
    // no more), but nothing to upload: a measurement file is no setup file.
    upload_error.clear();
    if (!stations.getFirst())
        upload_error.assign("the file holds no STATIONS/STATION: it is no setup file");
    for (int i = 0; i < stations.count() && !upload_error.c_str()[0]; ++i)
        upload_error.assign(stations.at(i)->firstError());
    return result;
}

const char* Tsetup::getPath(const char* key) const
{
    const int index = path_index(key);
    return index < 0 ? empty_text : resolved_paths[index];
}

const char* Tsetup::getRawPath(const char* key) const
{
    const int index = path_index(key);
    return index < 0 ? empty_text : raw_paths[index];
}
