#include "data/measurement_xml_writer.h"

#include <cerrno>
#include <cstring>

#include "base/log.h"
#include "base/my_string.h"
#include "base/paths.h"

namespace {

constexpr std::size_t output_buffer_size = 1u << 16;

}  // namespace

Tmeasurement_xml_writer::~Tmeasurement_xml_writer()
{
    discard();
}

bool Tmeasurement_xml_writer::open(const char* path)
{
    discard();
    if (!path)
        return false;
    final_path = path;
    temporary_path = final_path + ".part";
    file = std::fopen(temporary_path.c_str(), "wb");
    if (!file) {
        log_printf("ERROR : cannot create \"%s\"", temporary_path.c_str());
        return false;
    }
    buffer.resize(output_buffer_size);
    std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    write_failed = false;
    return true;
}

void Tmeasurement_xml_writer::write(const char* text, std::size_t length)
{
    if (!file || write_failed || length == 0)
        return;
    if (std::fwrite(text, 1, length, file) != length)
        write_failed = true;
}

void Tmeasurement_xml_writer::writeHead(const Tdownload_header& h)
{
    const int32_t next = static_cast<int32_t>(static_cast<uint32_t>(h.download_address) +
                                              static_cast<uint32_t>(h.download_size));
    Tmy_string head;
    head.append("<?xml version='1.0' encoding='utf-8' ?>\r\n<FLASH_CONTENT>\r\n");
    head.appendf("    <DOWNLOAD timestamp=\"%u\" year=\"%04d\" month=\"%02d\" day=\"%02d\"", h.timestamp, h.year,
                 h.month, h.day);
    head.appendf(" hour=\"%02d\" minute=\"%02d\" seconds=\"%02d\"", h.hour, h.minute, h.second);
    head.appendf(" station_id=\"%d\" download_address=\"%d\" download_size=\"%d\"", h.station_id, h.download_address,
                 h.download_size);
    head.appendf(" next_download_address=\"%d\"/>\r\n<DATA>\r\n", next);
    write(head.c_str(), head.length());
}

void Tmeasurement_xml_writer::writeTail(bool close_time_element)
{
    if (close_time_element)
        write("</time>\r\n", 9);
    static const char tail[] = "</DATA>\r\n</FLASH_CONTENT>\r\n";
    write(tail, sizeof tail - 1);
}

bool Tmeasurement_xml_writer::commit()
{
    if (!file)
        return false;
    if (std::fflush(file) != 0 || std::ferror(file))
        write_failed = true;
    if (std::fclose(file) != 0)
        write_failed = true;
    file = nullptr;
    placed_path.clear();
    char placed[4096];
    if (!write_failed && !place_file(temporary_path.c_str(), final_path.c_str(), placed, sizeof placed)) {
        placed_path = placed;
        return true;
    }
    log_printf("ERROR : cannot write \"%s\": %s", final_path.c_str(), std::strerror(errno));
    std::remove(temporary_path.c_str());
    return false;
}

void Tmeasurement_xml_writer::discard()
{
    if (!file)
        return;
    std::fclose(file);
    file = nullptr;
    std::remove(temporary_path.c_str());
}
