#pragma once

#include "data/eeprom_configurer.h"

// The image file holds pages 0 to 7 in page order, 256 bytes each.
constexpr unsigned eeprom_image_file_size = 8 * eeprom_page_size;

// Writes the image file so that an existing one stays whole when a step fails
// (write_file_replacing). Returns 0, or the errno of the step that failed.
int save_eeprom_image(const Teeprom_configurer& image, const char* path);
