#include "programs/confview/eeprom_image_file.h"

#include <cerrno>
#include <cstdio>
#include <string>

int save_eeprom_image(const Teeprom_configurer& image, const char* path)
{
    if (!path || !*path)
        return EINVAL;
    unsigned char bytes[eeprom_image_file_size];
    for (unsigned page = 0; page < 8; ++page)
        for (unsigned offset = 0; offset < eeprom_page_size; ++offset)
            bytes[page * eeprom_page_size + offset] = image.byteAt(page, offset);

    const std::string temporary = std::string(path) + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return errno;
    int error = 0;
    errno = 0;
    if (std::fwrite(bytes, 1, sizeof bytes, file) != sizeof bytes)
        error = errno ? errno : EIO;
    // A full disk may only show when the buffer is flushed.
    errno = 0;
    if (std::fclose(file) != 0 && error == 0)
        error = errno ? errno : EIO;
    if (error == 0 && std::rename(temporary.c_str(), path) != 0)
        error = errno;
    if (error != 0)
        std::remove(temporary.c_str());
    return error;
}
