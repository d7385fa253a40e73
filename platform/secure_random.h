#pragma once

#include <cstddef>

// Bytes from the operating system's secure random source, for keys that the
// programs generate. True on failure (out is then zeroed).
bool secure_random_bytes(void* out, std::size_t count);
