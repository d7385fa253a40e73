#include "calibration/calibration_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/log.h"

bool write_calibration_file(const char* path, const char* bytes, unsigned length)
{
    if (!path || !*path)
        return true;
    const std::string temporary = std::string(path) + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        log_printf("ERROR : unable to write \"%s\": %s", path, std::strerror(errno));
        return true;
    }
    bool failed = length > 0 && std::fwrite(bytes, 1, length, file) != length;
    failed = std::fclose(file) != 0 || failed;
    if (!failed && std::rename(temporary.c_str(), path) != 0)
        failed = true;
    if (failed) {
        log_printf("ERROR : unable to write \"%s\": %s", path, std::strerror(errno));
        std::remove(temporary.c_str());
    }
    return failed;
}
