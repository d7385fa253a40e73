#pragma once

class Tmy_string;

// Times are unsigned 32-bit seconds since 1970-01-01 00:00:00 UTC.

struct time_fields {
    int year, month, day, hour, minute, second, weekday;  // month 1-12, weekday 0 = Sunday
};

struct calendar_time {
    int year, month, day, hour, minute, second, weekday, offset;  // offset: hours applied
};

// The clock behind time_now; tests install their own, nullptr restores the system's.
using Tclock_function = unsigned (*)();
void time_set_clock(Tclock_function clock);

struct system_time {
    int year, month, day, hour, minute, second;
};

unsigned time_now();
bool is_leap_year(int year);
// 0 for a null record or a month outside 1-12.
unsigned time_from_systemtime(const system_time* st);
int time_zone_offset();
// mode 0 UTC, 1 local standard time (no daylight saving), 2 local time; a failed
// conversion or another mode leaves every field 0.
void time_to_fields(time_fields* out, unsigned seconds, int mode);
void time_to_utc_fields(time_fields* out, unsigned seconds);
void time_to_local_fields(time_fields* out, unsigned seconds, bool standard);
void time_now_fields(time_fields* out, bool standard);
int time_make_local(const time_fields* in, bool standard);
int time_make_at_offset(const time_fields* in, int offset_seconds);
// The same time uncut, to check that it fits a 32-bit count (0 for null).
long long time_seconds_at_offset(const time_fields* in, int offset_seconds);
int time_weekday(unsigned seconds, bool standard);
int time_weekday_utc(unsigned seconds);
bool time_is_today(unsigned seconds, bool standard);
// Three letters and the NUL: buffers of at least 4 bytes.
void month_abbrev(char* buf, int month);
void weekday_abbrev(char* buf, int weekday);

// Room the formatters need (and never write beyond).
constexpr int time_duration_text_size = 20;
constexpr int time_log_text_size = 25;
constexpr int time_iso_text_size = 40;
void time_format_duration(char* buf, unsigned seconds);
void time_format_log(char* buf, unsigned seconds, bool standard);
void time_format_iso(char* buf, unsigned seconds, int offset_seconds, bool long_form);

// Calendar conversion with its own arithmetic and the European summer-time table
// (1981-2028; never summer time outside). Seconds from 2^32 - 86400 up stand for
// 1969-12-31, where a negative zone offset applied near 1970 wraps to.
void calendar_split_seconds(calendar_time* out, unsigned seconds);
int calendar_date_from_days(unsigned short days, int* month, int* day);
int calendar_month_from_day(int day_of_year, int* day_of_month);
bool is_european_summer_time(unsigned seconds);
void calendar_local_time(calendar_time* out, unsigned seconds, int zone_code);
void calendar_format(Tmy_string* out, unsigned seconds, int zone_code, int style);
