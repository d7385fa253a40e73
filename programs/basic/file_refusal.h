#pragma once

#include <string>

// The box of a file the program did not take: the window's own sentence, then
// on a line of its own the file and why: the reason it cannot be read as XML,
// or, when it reads, what was refused in it (refused: the first error its
// reader gave, or nothing when it gave none; the log says the rest).
std::string file_refusal_text(const char* sentence, const std::string& path, const std::string& refused = "");
