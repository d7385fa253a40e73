#include "ui/prompt_number.h"

#include "base/parse.h"

namespace {

constexpr int field_buffer_size = 64;

}  // namespace

unsigned prompt_number(const QString& text)
{
    char buffer[field_buffer_size];
    const QByteArray bytes = text.toUtf8();
    text_copy_bounded(buffer, bytes.constData(), sizeof buffer);
    unsigned value = 0;
    parse_uint(buffer, &value);  // a bad character keeps what was read before it
    return value;
}
