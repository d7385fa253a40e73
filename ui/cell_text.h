#pragma once

#include <string>

// Appends printf-formatted text (C locale numbers) to out, whatever its length.
void append_printf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The same as "%.*f" and "%lld" would write, without the cost of a format.
void append_fixed(std::string& out, double value, int decimals);
void append_integer(std::string& out, long long value);
