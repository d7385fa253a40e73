#pragma once

#include "data/eeprom_configurer.h"

// The image file holds pages 0 to 7 in page order, 256 bytes each.
constexpr unsigned eeprom_image_file_size = 8 * eeprom_page_size;

// Writes the image file through a temporary file beside it ("<path>.tmp") that
// is renamed into place, so an existing file stays whole when a step fails.
// Returns 0, or the errno of the step that failed.
int save_eeprom_image(const Teeprom_configurer& image, const char* path);
