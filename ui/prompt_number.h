#pragma once

#include <QString>

// A number typed in a prompt's edit field, read the way every prompt reads
// one: the text copied into a 64-byte buffer (a text of 64 characters or more
// becomes empty), then blanks, tabs and '+' skipped and digits read up to the
// first other character (nothing read gives 0).
unsigned prompt_number(const QString& text);
