#pragma once

// The build identifier of this program, for its caption.
constexpr unsigned version_id_size = 11;  // ten characters and the NUL

// Writes the identifier and its NUL into buffer (at least version_id_size bytes).
void get_version_id(char* buffer);
