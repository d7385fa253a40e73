#pragma once

#include <QString>

class QPlainTextEdit;

// Longest log line a log window shows whole, in bytes: a full EEPROM page's
// command in hex (4 KiB) fits; a text window lays out a line of megabytes for
// minutes, so a longer line is cut and says how much of it was left out.
constexpr unsigned log_window_line_bytes = 8192;

// The line as a log window shows it (null = empty), cut at a character's start.
QString log_window_text(const char* line);
// Appends the line to a program's log window (a null line appends nothing).
void append_log_line(QPlainTextEdit* memo, const char* line);
