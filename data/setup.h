#pragma once

#include <cstdint>

#include "base/list.h"
#include "base/my_string.h"
#include "base/xml.h"
#include "data/eeprom_configurer.h"

// One COM-port entry of a setup file.
class Tcomport {
public:
    enum { TYPE_DIRECT = 0, TYPE_MODEM = 1, TYPE_LAN = 2, TYPE_TCP = 3 };

    void parse(Txml_element element);
    // "direct", "modem", "lan", "tcp", or "???".
    const char* getTypeName() const;

    uint8_t type = TYPE_DIRECT;
    int32_t rate = 38400;
    char description[64] = {};
    char port[64] = {};  // a device path, or host:port for type tcp
};

// One station: its identity and the compiled EEPROM image of its configuration.
// Not copyable: the image moves by Teeprom_configurer::copyTo.
class Tstation {
public:
    Tstation() = default;
    Tstation(const Tstation&) = delete;
    Tstation& operator=(const Tstation&) = delete;

    // Reads the attributes and compiles the CONFIGURATION blocks; returns the
    // compile result bits (0 compiled without error).
    int parse(Txml_element element);
    // The first error of the last parse, without its "ERROR : " head; empty
    // when it compiled without one.
    const char* firstError() const;

    uint32_t id = 0;
    char phone_nbr[32] = {};
    char pin[32] = {};
    char description[256] = {};
    bool layout_32bit = false;  // version "klvr32"
    Teeprom_configurer configuration;
    char display_type[32] = {};

private:
    Tmy_string id_error;
};

// The COMPORT entries in file order; owns them.
class Tcomports {
public:
    Tcomports() = default;
    Tcomports(const Tcomports&) = delete;
    Tcomports& operator=(const Tcomports&) = delete;
    ~Tcomports();

    void parse(Txml_element element);
    void clear();
    int count() const;
    // Null beyond the end.
    Tcomport* at(int index) const;

private:
    Tlist items;
};

// The STATION entries in file order; owns them.
class Tstations {
public:
    Tstations() = default;
    Tstations(const Tstations&) = delete;
    Tstations& operator=(const Tstations&) = delete;
    ~Tstations();

    // The OR of the stations' results; 1 for a null element.
    int parse(Txml_element element);
    void clear();
    int count() const;
    Tstation* at(int index) const;
    Tstation* getFirst() const;

private:
    Tlist items;
};

// The largest file taken for a setup file. A logger's configuration is its
// 2048-byte EEPROM; written out as setup XML a byte takes at most some 64
// characters (a WORD of a serial-number list for four bytes, an ALARM_INPUT
// with its words), so one station, comments and indentation included, stays
// below 128 KiB. 1 MiB holds eight such stations, or hundreds of usual ones;
// a larger file is no setup file and is refused before it is parsed, so that
// it cannot hold a program for seconds and fill the log.
constexpr long long setup_file_max_bytes = 1LL << 20;

// True, with the reason, when the file at path is larger than a setup file.
bool setup_file_too_large(const char* path, Tmy_string* reason);

// A setup file: four data paths, the COM ports and the stations.
class Tsetup {
public:
    Tsetup();
    Tsetup(const Tsetup&) = delete;
    Tsetup& operator=(const Tsetup&) = delete;

    // 1 when the file cannot be read or parsed (the setup keeps what it held),
    // else the result of parse.
    int readFile(const char* path);
    // The same for a setup document held in a text.
    int readText(const char* text);
    // The OR of the stations' compile results; 1 for a null element.
    int parse(Txml_element root);
    // Why the last read gives no station to upload, without "ERROR : ": the
    // file unread, no STATION in it, or the first station's first error;
    // empty when the first station compiled.
    const char* uploadError() const { return upload_error.c_str(); }
    // The resolved path for PATH_DATA_BIN, PATH_DATA_XML, PATH_STATUS_LOG or
    // PATH_SETUP_LOG (any case); "" for another key. Never null.
    const char* getPath(const char* key) const;
    const char* getRawPath(const char* key) const;

    Tstations stations;
    Tcomports comports;

private:
    enum { PATH_COUNT = 4, PATH_SIZE = 512 };

    // Stores a path as read and logs it, then its resolved form when that differs.
    void setPath(int index, const char* raw);
    void setPathQuietly(int index, const char* raw);
    // The raw path made absolute: a Windows drive path under $HOME, a relative
    // one joined to the base directory. True when the result differs from it.
    bool resolvePath(int index);

    char raw_paths[PATH_COUNT][PATH_SIZE];
    char resolved_paths[PATH_COUNT][PATH_SIZE];
    Tmy_string base_directory;
    Tmy_string upload_error;
};
