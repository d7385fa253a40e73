#pragma once

#include "base/my_string.h"
#include "base/xml.h"

// EEPROM geometry shared by every reader and writer of configuration pages.
constexpr unsigned eeprom_page_size = 256;
constexpr unsigned eeprom_usable_size = 253;        // pages 0 to 6 and 250
constexpr unsigned eeprom_usable_size_page7 = 236;  // page 7 keeps room for the logger's own data
constexpr unsigned eeprom_high_page = 250;          // at EEPROM address 0xFA00
constexpr unsigned char eeprom_end_mark = 0xFF;
constexpr unsigned char eeprom_absent = 255;        // "no record" answer of the searches
// Records that the compiler, the generator and the setup writer all know.
constexpr unsigned char eeprom_pin_code_tag = 131;
constexpr unsigned char eeprom_sysctrl_tag = 132;
constexpr unsigned eeprom_key_size = 16;  // a communication or LoRaWAN key

// Compile result bits.
constexpr int eeprom_result_error = 1;     // unknown element or instruction, bad value
constexpr int eeprom_result_overflow = 2;  // a page did not hold its configuration

// A logger's EEPROM image (pages 0 to 7 and 250, value and written flag per
// byte) with the compiler that fills it from a station's CONFIGURATION blocks,
// the acquisition byte code, the readers, the dump and the setup writer.
// Several owners hold one by value; copies are explicit (copyTo).
class Teeprom_configurer {
public:
    Teeprom_configurer();
    Teeprom_configurer(const Teeprom_configurer&) = delete;
    Teeprom_configurer& operator=(const Teeprom_configurer&) = delete;

    // --- image and record format --------------------------------------------
    // Appends at the write position of the current page; a byte that does not
    // fit the usable size sets the overflow flag.
    void appendByte(unsigned char b);
    // Four bytes, most significant first, or none of them (overflow).
    void appendU32(unsigned value);
    // A record built elsewhere, appended only while a byte stays free behind it;
    // else nothing is written and the overflow flag is set.
    void appendWhole(const unsigned char* record, unsigned size);
    // 0 when written, 1 when the offset is not below the usable size or the
    // current page is not a page of the image. The write position stays.
    int putByteAt(unsigned offset, unsigned char b);
    // Block records with a back-filled length: begin gives the offset of the
    // length byte, end sets it to the bytes appended since (unless overflowed).
    unsigned beginBlock(unsigned char tag);
    void endBlock(unsigned length_offset);

    unsigned roomLeft() const;
    unsigned usableSize() const;
    // Written bytes of a page (255 counts as page 0; other pages give 0).
    unsigned getPageLength(unsigned page) const;
    // Image addresses page * 256 + offset for pages 0 to 7; bytes at 2048 or
    // beyond are dropped. Returns count.
    unsigned setBytes(unsigned address, const unsigned char* bytes, unsigned count);
    void clear();
    void clearPage(unsigned page);

    // 0xFF for a page outside the image or an offset beyond the page.
    unsigned char byteAt(unsigned page, unsigned offset) const;
    bool isWritten(unsigned page, unsigned offset) const;
    // Offset of the first record with that tag, or eeprom_absent.
    unsigned char findRecord(unsigned page, unsigned char tag) const;
    // The same, bounded by the usable size of the current page.
    unsigned char findRecordUsable(unsigned page, unsigned char tag) const;
    // Sum of the page's written bytes, modulo 256.
    unsigned char pageChecksum(unsigned page) const;

    unsigned currentPage() const { return current_page; }
    unsigned writePosition() const { return write_position; }
    bool overflowed() const { return overflow; }
    bool is32bitLayout() const { return layout_32bit; }
    void set32bitLayout(bool on) { layout_32bit = on; }
    unsigned stationId() const { return station_id; }
    const Tmy_string& pinText() const { return pin; }

    // --- configuration compiler -----------------------------------------------
    // Clears the image and compiles every CONFIGURATION child of the station.
    // Returns the OR of the result bits; 1 for a null element.
    int parseStation(Txml_element station, unsigned id, const char* pin_text, bool layout_32);
    // The first error line of the last parseStation, without its "ERROR : "
    // head; empty when it compiled without one.
    const char* firstError() const { return first_error.c_str(); }
    // One CONFIGURATION block into the current page, closed by the end mark.
    int compileConfiguration(Txml_element configuration);

    // --- acquisition byte code ------------------------------------------------
    // False when the element is no instruction of the station's dialect (nothing
    // written), or a LOOP or TEST_CONDITION whose body failed.
    bool compileInstruction(Txml_element element);
    // The element's children as instructions; true when one failed.
    bool compileBlock(Txml_element element);
    // Length of a 32-bit dialect instruction from its opcode and the next byte.
    static unsigned instructionLength(unsigned char opcode, unsigned char next);
    // Offset of the sequence record of a type (0 to 3), or eeprom_absent.
    unsigned char findSequence(unsigned page, int type) const;
    // First ACQ32 from start on, within the sequence record that holds start
    // (from its first instruction when start is the record's own offset, as
    // findSequence gives it), matching module (0 to 63), header and channel.
    unsigned char findAcq32(unsigned page, unsigned char start, int header, int module, int channel) const;
    // The first TIMEOUT of the sequence of a type; false when there is none.
    bool getSequenceTimeout(unsigned page, int type, int* out) const;
    // Appends the instructions as setup elements; true (and nothing appended)
    // when the bytes are not a sequence the compiler would rebuild exactly.
    // bytes: a sequence record's data, closed by its end instruction 0x00.
    static bool writeSequenceText(Tmy_string* text, unsigned length, const unsigned char* bytes);

    // --- readers ----------------------------------------------------------------
    bool getValue(unsigned* out, unsigned page, unsigned char tag) const;
    bool getValueAsText(Tmy_string* text, unsigned page, unsigned char tag) const;
    unsigned getBytes(unsigned char* buffer, unsigned max_count, unsigned page, unsigned char tag) const;
    int getString(Tmy_string* text, unsigned page, unsigned char tag) const;
    bool getByteAndString(Tmy_string* text, unsigned char* out, unsigned page, unsigned char tag) const;
    bool getSnrListEntry(unsigned* out, unsigned page, unsigned n) const;
    bool findValue(unsigned char tag, unsigned* out) const;

    // --- image operations -------------------------------------------------------
    // Every page to the log as a hex dump with its checksum.
    void dump() const;
    // A complete setup document that re-creates pages 0 to 6.
    void writeSetupXml(Tmy_string* text) const;
    // Clear, page 0, the default station PIN; layout flag and station id stay.
    void reset();
    // Pages, overflow flag, PIN, write position and current page; the other's
    // layout flag and station id stay.
    void copyTo(Teeprom_configurer* other) const;
    // Values 0 to n-1 from bytes and written; flags n to 255 off.
    void loadPage(unsigned page, const unsigned char* bytes, unsigned n);

private:
    static constexpr unsigned page_count = 9;

    // The CONFIGURATION children of parseStation.
    int compileStation(Txml_element station);
    // Index into the page arrays, or -1 for a number that is no page.
    static int pageIndex(unsigned page);
    // Unwrites the current page's bytes from offset to the write position, which
    // goes back to offset.
    void dropFrom(unsigned offset);
    // Where a further block for the current page continues: at its end mark.
    unsigned continuationOffset() const;
    // Offset and data length of the record at offset (data cut to the page).
    unsigned recordDataLength(unsigned page, unsigned offset) const;
    unsigned char findRecordWithin(unsigned page, unsigned char tag, unsigned limit) const;

    unsigned char values[page_count][eeprom_page_size];
    bool written[page_count][eeprom_page_size];
    bool overflow = false;
    Tmy_string pin;
    Tmy_string first_error;
    bool layout_32bit = false;
    unsigned station_id = 0;
    unsigned write_position = 0;
    unsigned current_page = 0;
};
