#include "calibration/calibration_file.h"

#include <cstring>

#include "base/log.h"
#include "base/paths.h"

bool write_calibration_file(const char* path, const char* bytes, unsigned length)
{
    if (!path || !*path)
        return true;
    const int error = write_file_replacing(path, bytes, length);
    if (error != 0)
        log_printf("ERROR : unable to write \"%s\": %s", path, std::strerror(error));
    return error != 0;
}
