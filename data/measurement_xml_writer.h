#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What the header line of a download file says, with its timestamp broken down
// in local standard time; all 0 for a file without a header.
struct Tdownload_header {
    uint32_t timestamp = 0;
    int32_t station_id = 0;
    int32_t download_address = 0;
    int32_t download_size = 0;
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Writes a measurement XML file through a buffer into "<path>.part", which is
// moved to path only when every byte was written, and then to a free numbered
// name when path exists: a failed or a later conversion leaves what was on disk
// as it was.
class Tmeasurement_xml_writer {
public:
    Tmeasurement_xml_writer() = default;
    Tmeasurement_xml_writer(const Tmeasurement_xml_writer&) = delete;
    Tmeasurement_xml_writer& operator=(const Tmeasurement_xml_writer&) = delete;
    // An uncommitted file is discarded.
    ~Tmeasurement_xml_writer();

    // False when the temporary file cannot be created.
    bool open(const char* path);
    bool isOpen() const { return file != nullptr; }
    // XML declaration, FLASH_CONTENT, the DOWNLOAD line and the opening DATA.
    void writeHead(const Tdownload_header& header);
    // Bytes as they are (a record's text with its line end).
    void write(const char* text, std::size_t length);
    // A still open time element, then the closing DATA and FLASH_CONTENT.
    void writeTail(bool close_time_element);
    // Flushes, closes and moves the file into place; false (nothing moved) when a
    // write failed.
    bool commit();
    // Where the last commit put the file ("" when it failed or the path is too long).
    const std::string& placedPath() const { return placed_path; }
    void discard();

private:
    FILE* file = nullptr;
    bool write_failed = false;
    std::string final_path;
    std::string temporary_path;
    std::string placed_path;
    std::vector<char> buffer;
};
