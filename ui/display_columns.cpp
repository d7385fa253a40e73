#include "ui/display_columns.h"

#include <cstring>

#include "ui/result_columns.h"

Tdisplay_columns display_columns;
int display_time_zone = display_time_zone_at_start;

void Tdisplay_columns::setAll(unsigned char value)
{
    std::memset(flags, value, sizeof flags);
}

int Tdisplay_columns::countColumns() const
{
    int count = 0;
    for (const Tresult_column& column : result_columns())
        if (flags[column.flag])
            ++count;
    return count;
}
