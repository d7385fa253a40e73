#include "platform/widgets/log_memo.h"

#include <QPlainTextEdit>

#include <cstring>

QString log_window_text(const char* line)
{
    if (!line)
        return QString();
    const size_t length = std::strlen(line);
    if (length <= log_window_line_bytes)
        return QString::fromUtf8(line, static_cast<qsizetype>(length));
    size_t shown = log_window_line_bytes;
    // Not inside a UTF-8 sequence: its continuation bytes are 10xxxxxx.
    while (shown > 0 && (static_cast<unsigned char>(line[shown]) & 0xC0) == 0x80)
        --shown;
    QString text = QString::fromUtf8(line, static_cast<qsizetype>(shown));
    text += QStringLiteral(" [... %1 more bytes not shown]").arg(static_cast<qulonglong>(length - shown));
    return text;
}

void append_log_line(QPlainTextEdit* memo, const char* line)
{
    if (memo && line)
        memo->appendPlainText(log_window_text(line));
}
