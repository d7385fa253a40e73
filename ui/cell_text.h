#pragma once

#include <string>

// Appends printf-formatted text (C locale numbers) to out, whatever its length.
void append_printf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
