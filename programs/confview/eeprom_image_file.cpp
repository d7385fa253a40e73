#include "programs/confview/eeprom_image_file.h"

#include "base/paths.h"

int save_eeprom_image(const Teeprom_configurer& image, const char* path)
{
    unsigned char bytes[eeprom_image_file_size];
    for (unsigned page = 0; page < 8; ++page)
        for (unsigned offset = 0; offset < eeprom_page_size; ++offset)
            bytes[page * eeprom_page_size + offset] = image.byteAt(page, offset);
    return write_file_replacing(path, bytes, sizeof bytes);
}
