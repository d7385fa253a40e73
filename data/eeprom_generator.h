#pragma once

#include "data/eeprom_configurer.h"

// Builds one EEPROM page of 256 bytes from values given in code, in the record
// format of the configurer, and can take over the records of an earlier image of
// the page that it did not generate. Every append that does not fit is refused
// whole: it writes nothing, logs an error line and returns true, and a record is
// accepted only while the end mark still fits behind it in the usable size.
class Teeprom_generator {
public:
    Teeprom_generator();

    void clear();
    bool addValue(unsigned char tag, unsigned value);
    bool addRecord(unsigned char tag, const unsigned char* data, unsigned n);
    // A text of 256 characters or more becomes an empty text.
    bool addString(unsigned char tag, const char* text);
    // A text of 255 characters or more becomes an empty text.
    bool addByteAndString(unsigned char tag, unsigned char byte, const char* text);
    // Tag 131 with up to four characters (zero bytes after a shorter text);
    // a longer PIN is refused.
    bool addPinCode(const char* text);
    // Tag 132; each flag counts when it equals 1; flash word "fast" or "none".
    bool addSysctrl(int acq_enabled, int acq_automatic, int acq_dump, int gsm_enabled, int gsm_call,
                    int gprs, int call_on_ring, int time_zone, const char* flash_word);
    // Tag 7 with [a][b][c][0][d][0][e].
    bool addSystemConfig(unsigned char a, unsigned char b, unsigned char c, unsigned char d,
                         unsigned char e);
    bool addEnd();
    // Copies the whole records of source (length bytes) whose tags were not
    // generated here and that fit before limit with the end mark, then appends
    // the end mark. True when a record was left out.
    bool mergePage(unsigned source_length, const unsigned char* source, unsigned limit);
    void dump() const;

    const unsigned char* getBuffer() const { return buffer; }
    unsigned getLength() const { return length; }

private:
    // True (and an error line) when size more bytes and the end mark do not fit.
    bool refuses(unsigned char tag, unsigned size, unsigned limit) const;
    void put(const unsigned char* bytes, unsigned n);

    unsigned char buffer[eeprom_page_size];
    unsigned length = 0;
    bool not_generated[256];
};
