#include "base/time_calendar.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include "base/my_string.h"
#include "base/parse.h"

namespace {

constexpr long long seconds_per_day = 86400;

std::atomic<Tclock_function> installed_clock{nullptr};

long long floor_div(long long a, long long b)
{
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Leap days in the years before `year` since year 0 (proleptic Gregorian).
long long leap_days_before(long long year)
{
    const long long y = year - 1;
    return floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400);
}

// Days since 1970-01-01 of a date; month 1-12, the day may run past the month.
long long days_since_1970(long long year, int month, long long day)
{
    static const int days_before_month[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    long long days = (year - 1970) * 365 + leap_days_before(year) - leap_days_before(1970);
    days += days_before_month[month - 1];
    if (month > 2 && is_leap_year(static_cast<int>(year)))
        ++days;
    return days + day - 1;
}

void fields_from_tm(time_fields* out, const struct tm& tm)
{
    out->year = tm.tm_year + 1900;
    out->month = tm.tm_mon + 1;
    out->day = tm.tm_mday;
    out->hour = tm.tm_hour;
    out->minute = tm.tm_min;
    out->second = tm.tm_sec;
    out->weekday = tm.tm_wday;
}

struct tm tm_from_fields(const time_fields& in)
{
    struct tm tm = {};
    tm.tm_year = in.year - 1900;
    tm.tm_mon = in.month - 1;
    tm.tm_mday = in.day;
    tm.tm_hour = in.hour;
    tm.tm_min = in.minute;
    tm.tm_sec = in.second;
    return tm;
}

long long make_local(const time_fields& in, bool standard)
{
    struct tm tm = tm_from_fields(in);
    tm.tm_isdst = standard ? 0 : -1;
    tzset();
    return static_cast<long long>(mktime(&tm));
}

// The last Sunday of a month at 01:00 UTC, the European switch-over moment.
unsigned last_sunday_0100_utc(int year, int month, int last_day)
{
    const long long days = days_since_1970(year, month, last_day);
    const long long weekday = (days + 4) % 7;
    return static_cast<unsigned>((days - weekday) * seconds_per_day + 3600);
}

const char* const month_names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const weekday_names[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

const char* month_name(int month)
{
    return month >= 1 && month <= 11 ? month_names[month - 1] : month_names[11];
}

const char* weekday_name(int weekday)
{
    return weekday >= 0 && weekday <= 5 ? weekday_names[weekday] : weekday_names[6];
}

void copy_abbrev(char* buf, const char* name)
{
    if (!buf)
        return;
    for (int i = 0; i < 4; ++i)
        buf[i] = name[i];
}

}  // namespace

void time_set_clock(Tclock_function clock)
{
    installed_clock.store(clock);
}

unsigned time_now()
{
    const Tclock_function clock = installed_clock.load();
    if (clock)
        return clock();
    return static_cast<unsigned>(time(nullptr));
}

bool is_leap_year(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned time_from_systemtime(const system_time* st)
{
    if (!st || st->month < 1 || st->month > 12)
        return 0;
    const long long days = days_since_1970(st->year, st->month, st->day);
    const long long seconds = days * seconds_per_day + st->hour * 3600LL + st->minute * 60LL + st->second;
    return static_cast<unsigned>(seconds);  // the 32-bit unit: outside its range it wraps
}

int time_zone_offset()
{
    tzset();
    return static_cast<int>(-timezone);
}

void time_to_fields(time_fields* out, unsigned seconds, int mode)
{
    if (!out)
        return;
    *out = time_fields{};
    time_t t = static_cast<time_t>(seconds);
    struct tm tm = {};
    bool converted = false;
    if (mode == 0) {
        converted = gmtime_r(&t, &tm) != nullptr;
    } else if (mode == 1) {
        const long long local = static_cast<long long>(seconds) + time_zone_offset();
        t = static_cast<time_t>(local < 0 ? 0 : local);
        converted = gmtime_r(&t, &tm) != nullptr;
    } else if (mode == 2) {
        tzset();
        converted = localtime_r(&t, &tm) != nullptr;
    }
    if (converted)
        fields_from_tm(out, tm);
}

void time_to_utc_fields(time_fields* out, unsigned seconds)
{
    time_to_fields(out, seconds, 0);
}

void time_to_local_fields(time_fields* out, unsigned seconds, bool standard)
{
    time_to_fields(out, seconds, standard ? 1 : 2);
}

void time_now_fields(time_fields* out, bool standard)
{
    time_to_local_fields(out, time_now(), standard);
}

int time_make_local(const time_fields* in, bool standard)
{
    if (!in)
        return 0;
    return static_cast<int>(make_local(*in, standard));
}

int time_make_at_offset(const time_fields* in, int offset_seconds)
{
    return static_cast<int>(time_seconds_at_offset(in, offset_seconds));
}

long long time_seconds_at_offset(const time_fields* in, int offset_seconds)
{
    if (!in)
        return 0;
    struct tm tm = tm_from_fields(*in);
    // The wall clock read as UTC, then moved by the zone's offset.
    return static_cast<long long>(timegm(&tm)) - offset_seconds;
}

int time_weekday(unsigned seconds, bool standard)
{
    time_fields fields;
    time_to_local_fields(&fields, seconds, standard);
    return fields.weekday;
}

int time_weekday_utc(unsigned seconds)
{
    time_fields fields;
    time_to_utc_fields(&fields, seconds);
    return fields.weekday;
}

bool time_is_today(unsigned seconds, bool standard)
{
    const unsigned now = time_now();
    long long midnight;
    if (standard) {
        const long long offset = time_zone_offset();
        const long long local = static_cast<long long>(now) + offset;
        midnight = floor_div(local, seconds_per_day) * seconds_per_day - offset;
    } else {
        time_fields fields;
        time_to_fields(&fields, now, 2);
        fields.hour = fields.minute = fields.second = 0;
        midnight = make_local(fields, false);
    }
    return seconds >= midnight && seconds < midnight + seconds_per_day;
}

void month_abbrev(char* buf, int month)
{
    copy_abbrev(buf, month_name(month));
}

void weekday_abbrev(char* buf, int weekday)
{
    copy_abbrev(buf, weekday_name(weekday));
}

void time_format_duration(char* buf, unsigned seconds)
{
    if (!buf)
        return;
    std::snprintf(buf, time_duration_text_size, "%05ud %02uh %02um %02us", seconds / 86400, seconds / 3600 % 24,
                  seconds / 60 % 60, seconds % 60);
}

void time_format_log(char* buf, unsigned seconds, bool standard)
{
    if (!buf)
        return;
    time_fields f;
    time_to_local_fields(&f, seconds, standard);
    std::snprintf(buf, time_log_text_size, "%s %04d-%s-%02d %02d:%02d:%02d", weekday_name(f.weekday), f.year,
                  month_name(f.month), f.day, f.hour, f.minute, f.second);
}

void time_format_iso(char* buf, unsigned seconds, int offset_seconds, bool long_form)
{
    if (!buf)
        return;
    // 64-bit wall time: a negative offset near 1970 gives the right date before it.
    const time_t wall = static_cast<time_t>(static_cast<long long>(seconds) + offset_seconds);
    struct tm tm = {};
    if (!gmtime_r(&wall, &tm))
        tm = {};
    time_fields f;
    fields_from_tm(&f, tm);
    const long long magnitude = offset_seconds < 0 ? -static_cast<long long>(offset_seconds) : offset_seconds;
    const char sign = offset_seconds < 0 ? '-' : '+';
    const int offset_hours = static_cast<int>(magnitude / 3600);
    const int offset_minutes = static_cast<int>(magnitude % 3600 / 60);
    // Formatted apart: the compiler cannot bound the fields, the calendar can.
    char text[128];
    if (long_form)
        std::snprintf(text, sizeof text, "%s %04d-%02d-%02d %02d:%02d:%02d GMT%c%02d:%02d", weekday_name(f.weekday),
                      f.year, f.month, f.day, f.hour, f.minute, f.second, sign, offset_hours, offset_minutes);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", f.year, f.month, f.day, f.hour,
                      f.minute, f.second, sign, offset_hours, offset_minutes);
    text_copy_bounded(buf, text, time_iso_text_size);
}

void calendar_split_seconds(calendar_time* out, unsigned seconds)
{
    if (!out)
        return;
    constexpr unsigned last_day_before_1970 = 0xFFFFFFFFu - 86400u + 1u;
    if (seconds >= last_day_before_1970) {
        // A small negative offset applied near 1970 wrapped around: 1969-12-31.
        const unsigned rest = seconds - last_day_before_1970;
        out->year = 1969;
        out->month = 12;
        out->day = 31;
        out->hour = static_cast<int>(rest / 3600);
        out->minute = static_cast<int>(rest / 60 % 60);
        out->second = static_cast<int>(rest % 60);
        out->weekday = 3;
        return;
    }
    const unsigned days = seconds / 86400;
    const unsigned rest = seconds % 86400;
    out->hour = static_cast<int>(rest / 3600);
    out->minute = static_cast<int>(rest / 60 % 60);
    out->second = static_cast<int>(rest % 60);
    out->weekday = static_cast<int>((days + 4) % 7);
    out->year = calendar_date_from_days(static_cast<unsigned short>(days), &out->month, &out->day);
}

int calendar_date_from_days(unsigned short days, int* month, int* day)
{
    // Counted from 1968-03-01 so that each four-year cycle ends with its leap day.
    // 2100 is no leap year: from 2100-03-01 (day 47541) one day is skipped.
    unsigned count = days + 671u + (days >= 47541u ? 1u : 0u);
    const unsigned cycles = count / 1461;
    unsigned rest = count % 1461;
    int year_in_cycle = 0;
    while (year_in_cycle < 3 && rest > 364) {
        rest -= 365;
        ++year_in_cycle;
    }
    int day_of_month = 0;
    const int index = calendar_month_from_day(static_cast<int>(rest), &day_of_month);
    int year = 1968 + 4 * static_cast<int>(cycles) + year_in_cycle;
    int month_number = index + 3;
    if (index >= 10) {
        month_number -= 12;
        ++year;
    }
    if (month)
        *month = month_number;
    if (day)
        *day = day_of_month + 1;
    return year;
}

int calendar_month_from_day(int day_of_year, int* day_of_month)
{
    static const int month_starts[12] = {0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337};
    const int day = day_of_year < 0 ? 0 : day_of_year;
    int index = 11;
    while (index > 0 && day < month_starts[index])
        --index;
    if (day_of_month)
        *day_of_month = day - month_starts[index];
    return index;
}

bool is_european_summer_time(unsigned seconds)
{
    calendar_time date;
    calendar_split_seconds(&date, seconds);
    if (date.year < 1981 || date.year > 2028)
        return false;
    const unsigned start = last_sunday_0100_utc(date.year, 3, 31);
    const unsigned end = date.year <= 1995 ? last_sunday_0100_utc(date.year, 9, 30)
                                           : last_sunday_0100_utc(date.year, 10, 31);
    return seconds >= start && seconds < end;
}

void calendar_local_time(calendar_time* out, unsigned seconds, int zone_code)
{
    if (!out)
        return;
    int offset = 0;
    if (zone_code == 101)
        offset = is_european_summer_time(seconds) ? 2 : 1;
    else if (zone_code >= -24 && zone_code <= 24)
        offset = zone_code;
    // Unsigned arithmetic: a negative offset near 1970 lands on 1969-12-31.
    calendar_split_seconds(out, seconds + static_cast<unsigned>(offset * 3600));
    out->offset = offset;
}

void calendar_format(Tmy_string* out, unsigned seconds, int zone_code, int style)
{
    if (!out)
        return;
    calendar_time t;
    calendar_local_time(&t, seconds, zone_code);
    if (style == 1)
        out->printf("%04d-%02d-%02d %02d:%02d:%02d GMT%+d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                    t.offset);
    else if (style == 2)
        out->printf("%04d-%02d-%02dT%02d:%02d:%02d%+d:00", t.year, t.month, t.day, t.hour, t.minute, t.second,
                    t.offset);
    else
        out->printf("%02d.%02d.%04d %02d:%02d:%02d %+d", t.day, t.month, t.year, t.hour, t.minute, t.second,
                    t.offset);
}
