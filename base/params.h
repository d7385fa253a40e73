#pragma once

class Tmy_string;

// name=value matchers from which resources build setParameter: each returns 1
// when key equals name (ASCII case-insensitive) and the value was taken, else 0.
int param_match_bool(const char* key, const char* name, const char* value, bool* out);
// A value that does not fit keeps the old one, logs an ERROR line and returns 0.
int param_match_string(const char* key, const char* name, const char* value, char* out, int size);
int param_match_my_string(const char* key, const char* name, const char* value, Tmy_string* out);
int param_match_uint(const char* key, const char* name, const char* value, unsigned* out);

enum Tvalue_type { VALUE_TEXT = 0, VALUE_INT = 1, VALUE_UINT = 2, VALUE_DOUBLE = 3, VALUE_MY_STRING = 4 };
// Converts text into out by type; true on error (truncation, foreign character,
// unknown type, null argument).
bool convert_value(const char* text, void* out, int type, int size);
