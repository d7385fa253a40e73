#include "tests/support/shutdown_files.h"

#include <cstdio>

#include "tests/support/temp_dir.h"

bool write_cut_measurement_file(const std::string& path, int steps)
{
    std::string text =
        "<?xml version='1.0' encoding='utf-8' ?>\n<FLASH_CONTENT>\n"
        "    <DOWNLOAD timestamp=\"1782914400\" station_id=\"4711\" download_address=\"0\"/>\n<DATA>\n";
    char step[160];
    for (int i = 0; i < steps; ++i) {
        std::snprintf(step, sizeof step,
                      "<time v=\"%d\"  >\n    <a144 v=\"%d.25\"/>\n    <a160 v=\"3.5\"/>\n</time>\n",
                      1782914400 + 60 * i, i % 40);
        text += step;
    }
    text += "<time v=\"1790000000\"  >\n    <a144 v=\"1";
    return write_file_bytes(path, text);
}

std::string read_day_logs(const std::string& folder)
{
    std::string all;
    for (const char* day : {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"})
        all += read_file_bytes(folder + "/log/" + day + ".log");
    return all;
}

int count_of(const std::string& all, const std::string& text)
{
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
        ++count;
    return count;
}
