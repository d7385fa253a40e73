#include "data/flash_parser.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/regular_file.h"
#include "base/time_calendar.h"
#include "base/xml.h"
#include "data/crc16_modbus.h"
#include "data/flash_record_cursor.h"

namespace {

// The header's status text grows with every status read: room for a great many.
constexpr std::size_t header_limit = 1u << 20;
constexpr int output_path_size = 512;

bool read_whole_file(const char* path, std::vector<uint8_t>* bytes, Tfile_read_error* error)
{
    FILE* file = open_regular_file(path, error);
    if (!file)
        return false;
    // Sized up front when the size is known; a stream that grows still reads whole.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0)
            bytes->reserve(static_cast<std::size_t>(size));
        std::rewind(file);
    }
    uint8_t block[1u << 14];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes->insert(bytes->end(), block, block + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

bool all_erased(const uint8_t* bytes, std::size_t count)
{
    return std::all_of(bytes, bytes + count, [](uint8_t b) { return b == flash_erased_byte; });
}

}  // namespace

unsigned Tflash_parser::flashAddress(std::size_t offset, std::size_t start) const
{
    return static_cast<unsigned>(header.download_address) + static_cast<unsigned>(offset - start);
}

bool Tflash_parser::recordCutOff(unsigned type, std::size_t record_start, std::size_t start, std::size_t present,
                                 std::size_t count) const
{
    const unsigned address = flashAddress(record_start, start);
    if (data_reach_write_pointer) {
        // The logger writes whole records up to its write pointer.
        log_printf("ERROR : record 0x%02X @pos %u (flash address %u) needs %u bytes, the data up to the logger's "
                   "write pointer hold %u: these bytes are not records",
                   type, static_cast<unsigned>(record_start), address, static_cast<unsigned>(count),
                   static_cast<unsigned>(present));
        return false;
    }
    log_printf("WARNING : record 0x%02X @pos %u (flash address %u) is cut off by the end of the data, %u of its %u "
               "bytes are there: it is left out, a download from %u fetches it whole",
               type, static_cast<unsigned>(record_start), address, static_cast<unsigned>(present),
               static_cast<unsigned>(count), address);
    return true;
}

std::size_t Tflash_parser::keptEnd(const uint8_t* bytes, std::size_t size, std::size_t start) const
{
    if (!data_end_early)
        return size;
    // The records are walked as the conversion walks them; only where they end
    // with the data (or with a record cut off) is the last step in doubt.
    Tflash_record_cursor cursor(bytes, size, start);
    std::size_t last_time = size;
    // The last time record's 4 value bytes; null while that record is cut off.
    const uint8_t* last_seconds = nullptr;
    while (!cursor.atEnd()) {
        const std::size_t record_start = cursor.offset();
        const unsigned type = cursor.byte();
        const uint8_t* payload = nullptr;
        unsigned count = flash_value_size;
        bool cut = false;
        if (flash_is_value_record(type)) {
            cut = cursor.take(flash_value_size, &payload);
        } else if (flash_is_short_record(type) || flash_is_long_record(type)) {
            const std::size_t length_size = flash_is_short_record(type) ? 1 : 2;
            const uint8_t* length = nullptr;
            cut = cursor.take(length_size, &length);
            if (!cut) {
                count = length_size == 1 ? flash_short_length(length[0]) : flash_long_length(read_be16(length));
                cut = cursor.take(count, &payload);
            }
        } else {
            // An end marker is the logger's end; other bytes fail the conversion.
            return size;
        }
        if (cut) {
            if (type == flash_time_type) {
                last_time = record_start;
                last_seconds = nullptr;
            }
            break;
        }
        if (flash_step_type(type, payload, count) == flash_time_type) {
            last_time = record_start;
            last_seconds = type == flash_time_type ? payload : payload + 1;
        }
    }
    if (last_time == size)
        return size;
    const unsigned address = flashAddress(last_time, start);
    if (!last_seconds) {
        log_printf("WARNING : the time record at flash address %u is cut off by the end of the data: the time step "
                   "before it is whole, a download from %u fetches this one whole",
                   address, address);
        return last_time;
    }
    const uint32_t seconds = read_be32(last_seconds);
    Tmy_string iso;
    flash_append_iso(&iso, seconds, decoder.zone_offset);
    log_printf("WARNING : the data end before the logger's end: time step %u (%s) at flash address %u may lack "
               "records that follow it, it is left out of the measurement file; the next incremental download "
               "fetches it whole from %u",
               static_cast<unsigned>(seconds), iso.c_str(), address, address);
    return last_time;
}

void Tflash_parser::noteBeforeFirstTime(unsigned type, std::size_t record_start, std::size_t start)
{
    if (!before_first_time)
        return;
    if (type == flash_time_type || type == flash_timestamp_info_type) {
        endBeforeFirstTime();
        return;
    }
    if (!continued_step_open) {
        char line[96];
        const int length = std::snprintf(line, sizeof line, "<continued_step download_address=\"%d\">\r\n",
                                         static_cast<int>(header.download_address));
        output.write(line, static_cast<std::size_t>(length));
        continued_step_open = true;
        // Their values are written as inside the time element they belong to.
        decoder.in_time_block = true;
    }
    ++continued_count;
    // Enough of them to find the step they belong to; the count says the rest.
    constexpr unsigned listed = 16;
    if (continued_count <= listed) {
        char item[48];
        std::snprintf(item, sizeof item, "%sa%u @%u", continued_count > 1 ? ", " : "", type,
                      flashAddress(record_start, start));
        continued_list += item;
    } else if (continued_count == listed + 1) {
        continued_list += ", ...";
    }
}

void Tflash_parser::endBeforeFirstTime()
{
    before_first_time = false;
    if (!continued_step_open)
        return;
    const char close[] = "</continued_step>\r\n";
    output.write(close, sizeof close - 1);
    continued_step_open = false;
    decoder.in_time_block = false;
    log_printf("WARNING : %u records of the download from %u stand before its first time record (%s): they belong "
               "to the time step before this download and are kept in its continued_step element",
               continued_count, static_cast<unsigned>(header.download_address), continued_list.c_str());
}

bool Tflash_parser::readHeader(const uint8_t* bytes, std::size_t size, std::size_t* records_start)
{
    header = Tdownload_header{};
    *records_start = 0;
    if (size == 0 || bytes[0] != '<')
        return true;
    const std::size_t searched = std::min(size, header_limit);
    const uint8_t* close = std::find(bytes, bytes + searched, '>');
    if (close == bytes + searched) {
        if (searched < size)
            log_printf("ERROR : download file header longer than %u bytes", static_cast<unsigned>(header_limit));
        else
            log_printf("ERROR : download file header without '>'");
        return false;
    }
    const std::string text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(close - bytes) + 1);
    myXMLdocument document;
    Txml_element root = xml_ParseText(text.c_str(), &document);
    if (!root) {
        log_printf("ERROR : download file header is not XML");
        return false;
    }
    header.station_id = xml_GetAttributeInt(root, "station_id");
    header.download_address = xml_GetAttributeInt(root, "download_address");
    header.download_size = xml_GetAttributeInt(root, "download_size");
    if (xml_FindAttributeValue(root, "timestamp")) {
        header.timestamp = static_cast<uint32_t>(xml_GetAttributeInt(root, "timestamp"));
        time_fields fields;
        time_to_local_fields(&fields, header.timestamp, true);
        header.year = fields.year;
        header.month = fields.month;
        header.day = fields.day;
        header.hour = fields.hour;
        header.minute = fields.minute;
        header.second = fields.second;
    }
    *records_start = static_cast<std::size_t>(close - bytes) + 1;
    return true;
}

bool Tflash_parser::parseRecords(const uint8_t* bytes, std::size_t size, std::size_t start)
{
    Tflash_record_cursor cursor(bytes, size, start);
    while (!cursor.atEnd()) {
        const std::size_t record_start = cursor.offset();
        record_bytes = static_cast<uint32_t>(record_start - start);
        const unsigned type = cursor.byte();
        const uint8_t* payload = nullptr;
        Tmy_string text;
        if (flash_is_value_record(type)) {
            if (cursor.take(flash_value_size, &payload))
                return recordCutOff(type, record_start, start, size - record_start, 1 + flash_value_size);
            noteBeforeFirstTime(type, record_start, start);
            decoder.decodeValue(&text, type, payload, "");
        } else if (flash_is_short_record(type) || flash_is_long_record(type)) {
            const std::size_t length_size = flash_is_short_record(type) ? 1 : 2;
            const uint8_t* length = nullptr;
            if (cursor.take(length_size, &length))
                return recordCutOff(type, record_start, start, size - record_start, 1 + length_size);
            const unsigned count = length_size == 1 ? flash_short_length(length[0])
                                                    : flash_long_length(read_be16(length));
            if (cursor.take(count, &payload))
                return recordCutOff(type, record_start, start, size - record_start, 1 + length_size + count);
            noteBeforeFirstTime(flash_step_type(type, payload, count), record_start, start);
            if (length_size == 1)
                decoder.decodeShort(&text, type, length[0], payload, count);
            else
                decoder.decodeLong(&text, type, payload, count);
        } else {
            const char* kind = type == 0x00 ? "END (00)" : type == flash_erased_byte ? "END (FF)" : "UNKNOWN";
            log_printf("%s element @pos %u", kind, static_cast<unsigned>(cursor.offset()));
            // An end marker followed only by erased flash is the normal end of a download.
            const bool end = type == 0x00 || type == flash_erased_byte;
            if (end && all_erased(bytes + cursor.offset(), cursor.left()))
                return true;
            log_printf("ERROR : %u bytes left unparsed", static_cast<unsigned>(size - record_start));
            return false;
        }
        text.append("\r\n", 2);
        output.write(text.c_str(), text.length());
    }
    record_bytes = static_cast<uint32_t>(size - start);
    return true;
}

int Tflash_parser::convertToXml(const char* output_directory, const char* download_path, char* out_path,
                                int out_size)
{
    if (out_path && out_size > 0)
        out_path[0] = '\0';
    header = Tdownload_header{};
    record_bytes = 0;
    std::vector<uint8_t> bytes;
    Tfile_read_error error;
    if (!read_whole_file(download_path, &bytes, &error)) {
        log_printf("ERROR : cannot read download file \"%s\": it %s", download_path ? download_path : "",
                   file_read_error_text(error).c_str());
        return 1;
    }
    std::size_t records_start = 0;
    if (!readHeader(bytes.data(), bytes.size(), &records_start))
        return 1;

    char name[64];
    std::snprintf(name, sizeof name, "measures_%08u_%04d%02d%02d%02d%02d%02d.xml",
                  static_cast<unsigned>(header.station_id), header.year, header.month, header.day, header.hour,
                  header.minute, header.second);
    const char* directory = output_directory ? output_directory : "";
    char path[output_path_size];
    if (path_join(path, sizeof path, directory, name) == 0) {
        log_printf("ERROR : output path too long in \"%s\"", directory);
        return 1;
    }
    if (*directory)
        make_dir_path(directory);
    if (!output.open(path))
        return 1;

    output.writeHead(header);
    decoder.in_time_block = false;
    before_first_time = true;
    continued_step_open = false;
    continued_count = 0;
    continued_list.clear();
    const std::size_t kept = keptEnd(bytes.data(), bytes.size(), records_start);
    const bool parsed = parseRecords(bytes.data(), kept, records_start);
    endBeforeFirstTime();
    if (!parsed) {
        // Values decoded from bytes that are not records would be shown as measured.
        output.discard();
        record_bytes = 0;
        return 1;
    }
    output.writeTail(decoder.in_time_block);
    bool written = output.commit();
    // An existing file of that name is kept: the path taken may differ. A
    // caller that cannot be told where the file went has no file: it is
    // taken back, so that no success stands without its measurement file.
    if (written && out_path && out_size > 0) {
        if (output.placedPath().size() < static_cast<std::size_t>(out_size)) {
            text_copy_bounded(out_path, output.placedPath().c_str(), out_size);
        } else {
            log_printf("ERROR : measurement file path \"%s\" longer than the %d characters it may take",
                       output.placedPath().c_str(), out_size - 1);
            std::remove(output.placedPath().c_str());
            written = false;
        }
    }
    if (!written)
        record_bytes = 0;
    return written ? 0 : 1;
}

void Tflash_parser::setHooks(Tflash_parser_hooks* hooks)
{
    decoder.hooks = hooks ? hooks : flash_parser_empty_hooks();
}

void Tflash_parser::parseRecord(Tmy_string* text, const uint8_t* record, unsigned length)
{
    if (!text)
        return;
    text->clear();
    if (!record || length < 2)
        return;
    const uint8_t* r = record;
    unsigned n = length;
    const char* crc = "";
    if (r[0] == flash_framed_type && n >= 5 && n == read_be16(r + 1) + 3 && flash_crc_follows(r + 3, n - 5)) {
        r += 3;
        n -= 5;
        crc = flash_crc_ok;
    } else if (r[0] == 0xCA) {
        // The frame's four bytes after its length are not part of the record.
        if (n < 9 || n != read_be16(r + 1) + 7 || !flash_crc_follows(r, n - 2))
            return;
        r += 7;
        n -= 9;
        crc = flash_crc_ok;
    }
    if (n < 2)
        return;
    const unsigned type = r[0];
    if (type != 128)
        decoder.in_time_block = true;
    if (flash_is_value_record(type) && n >= 1 + flash_value_size) {
        decoder.decodeValue(text, type, r + 1, crc);
    } else if (flash_is_long_record(type) && n > 3) {
        const unsigned count = std::min(flash_long_length(read_be16(r + 1)), n - 3);
        decoder.decodeLong(text, type, r + 3, count);
    } else if (flash_is_short_record(type) && n > 2) {
        const unsigned count = std::min(flash_short_length(r[1]), n - 2);
        decoder.decodeShort(text, type, r[1], r + 2, count);
    }
}
