#pragma once

#include <cstdint>
#include <string>

#include "data/flash_records.h"
#include "data/measurement_xml_writer.h"

class Tmy_string;

// Turns a download file (an XML header line, then the logger's flash records)
// into a measurement XML file, and single records into their XML text. Radio
// telegrams and live values go to the hooks its caller gives it, by default
// the installed ones.
class Tflash_parser {
public:
    Tflash_parser() = default;
    Tflash_parser(const Tflash_parser&) = delete;
    Tflash_parser& operator=(const Tflash_parser&) = delete;

    // 0 on success, 1 on failure: the download file unreadable or its header
    // broken, the output not written, or bytes that are not records; a failed
    // conversion places no measurement file. A record cut off by the end of the
    // data is left out (the bytes that came are no record yet) unless the data
    // reach the logger's write pointer (setDataReachWritePointer), where every
    // record ends whole: there it makes the data unconvertible. out_path (when
    // given) gets the path of the file written if it fits, "" when none was
    // written. An existing file of the name is never replaced: the next free
    // numbered name is taken.
    int convertToXml(const char* output_directory, const char* download_path, char* out_path, int out_size);
    void setDataReachWritePointer(bool reach) { data_reach_write_pointer = reach; }
    // Where telegrams are decoded and live values go; null: nowhere. A
    // conversion on a worker gives hooks that leave the live view alone
    // (Tflash_decoding_hooks), since that belongs to the GUI thread.
    void setHooks(Tflash_parser_hooks* hooks);
    // The data stop before the end of what the logger holds (a transfer that
    // ended early, a size that ends inside a time step): the last time step may
    // lack records that follow it in the flash, so it is left out from its time
    // record on, for the next download to fetch whole.
    void setDataEndBeforeLoggerEnd(bool early) { data_end_early = early; }
    // Bytes of the data, from their start, that the last conversion took as
    // whole records, up to an end marker, a record cut off or a time step left out.
    uint32_t recordBytes() const { return record_bytes; }
    // The XML text of one record (no line end); nothing for a null pointer or
    // fewer than 2 bytes. A record may come in a 0xC6 or 0xCA CRC frame.
    void parseRecord(Tmy_string* text, const uint8_t* record, unsigned length);

    const Tdownload_header& downloadHeader() const { return header; }
    uint32_t lastTime() const { return decoder.last_time; }

private:
    // False when the header is missing its '>' or is not XML; *records_start
    // is where the records begin.
    bool readHeader(const uint8_t* bytes, std::size_t size, std::size_t* records_start);
    // False when bytes are not records.
    bool parseRecords(const uint8_t* bytes, std::size_t size, std::size_t start);
    // A record at record_start needs count bytes where only present are left:
    // false when that makes the data unconvertible.
    bool recordCutOff(unsigned type, std::size_t record_start, std::size_t start, std::size_t present,
                      std::size_t count) const;
    // Where the records to convert end: size, or, when the data end early, the
    // start of the last time record (logged as left out).
    std::size_t keptEnd(const uint8_t* bytes, std::size_t size, std::size_t start) const;
    unsigned flashAddress(std::size_t offset, std::size_t start) const;
    // Records before the first time record belong to the time step before the
    // download: they go into a continued_step element, which readers of time
    // steps pass over.
    void noteBeforeFirstTime(unsigned type, std::size_t record_start, std::size_t start);
    void endBeforeFirstTime();

    Tdownload_header header;
    Tflash_record_decoder decoder;
    Tmeasurement_xml_writer output;
    bool data_reach_write_pointer = false;
    bool data_end_early = false;
    uint32_t record_bytes = 0;
    // No time record (or timestamp_info) seen yet in the records.
    bool before_first_time = true;
    bool continued_step_open = false;
    unsigned continued_count = 0;
    std::string continued_list;
};
