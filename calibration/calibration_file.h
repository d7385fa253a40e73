#pragma once

// Writes the bytes to path through a temporary file beside it, so that a write
// that fails half-way leaves any earlier file whole; logs the failure.
// True on failure.
bool write_calibration_file(const char* path, const char* bytes, unsigned length);
