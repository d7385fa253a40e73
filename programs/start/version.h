#pragma once

// The build identifier of calyxo_start, for its window captions.
constexpr unsigned version_id_size = 11;  // ten characters and the NUL

// Writes the identifier and its NUL into buffer (at least version_id_size bytes);
// the result is version_id_size.
unsigned get_version_id(char* buffer);
