#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class Tmy_string;

// Paths use '/'; a backslash in a given path is read as a separator too.
int path_join(char* buf, int size, const char* dir, const char* name);
// Creates every missing level; true on failure.
bool make_dir_path(const char* path);
bool is_absolute_path(const char* path);
// A path from a setup file or a default, as this platform uses it: a Windows
// drive path ("c:\\vornhal\\data_bin") becomes the same path under $HOME
// ("$HOME/vornhal/data_bin"; relative to the working folder when HOME is not
// set), and every backslash a '/'. A null path gives "".
void local_path(Tmy_string* out, const char* path);
void get_current_dir(Tmy_string* out);
int file_size(FILE* stream);
// Moves the file temporary to wanted or, when a file of that name exists, to the
// first free "<stem>_<n><extension>" (n from 2): no file is ever replaced. placed
// (may be null) gets the path taken, "" on failure. True on failure.
bool place_file(const char* temporary, const char* wanted, char* placed, int size);
// wanted, or the first "<stem>_<n><extension>" (n from 2) that names no file.
std::string free_file_name(const char* wanted);
// Writes bytes to path through a new temporary file of a unique name in the
// same folder, which replaces whatever stood at path only once it is written
// whole: no other file is touched and no link followed on the way, and a step
// that fails leaves path as it was and no temporary behind. 0, or the errno of
// the step that failed.
int write_file_replacing(const char* path, const void* bytes, std::size_t size);
void sleep_ms(int ms);
int path_file_name(char* buf, int size, const char* path);
int path_directory(char* buf, int size, const char* path);
void path_strip_trailing_separators(char* path);
