#include "base/time_calendar.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "base/my_string.h"
#include "tests/base/time_test_support.h"

namespace {

// The time-zone database's offset east of UTC, in seconds.
long database_offset(unsigned seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm = {};
    localtime_r(&t, &tm);
    return tm.tm_gmtoff;
}

int table_offset_seconds(unsigned seconds)
{
    calendar_time local;
    calendar_local_time(&local, seconds, 101);
    return local.offset * 3600;
}

// The first second in [from, to) whose database offset differs from the one at from.
unsigned database_change(unsigned from, unsigned to)
{
    const long before = database_offset(from);
    while (to - from > 1) {
        const unsigned middle = from + (to - from) / 2;
        if (database_offset(middle) == before)
            from = middle;
        else
            to = middle;
    }
    return to;
}

std::string formatted(unsigned seconds, int zone_code, int style)
{
    Tmy_string text;
    calendar_format(&text, seconds, zone_code, style);
    return text.c_str();
}

void expect_same_date(const calendar_time& ours, const struct tm& theirs, unsigned seconds)
{
    EXPECT_EQ(ours.year, theirs.tm_year + 1900) << seconds;
    EXPECT_EQ(ours.month, theirs.tm_mon + 1) << seconds;
    EXPECT_EQ(ours.day, theirs.tm_mday) << seconds;
    EXPECT_EQ(ours.hour, theirs.tm_hour) << seconds;
    EXPECT_EQ(ours.minute, theirs.tm_min) << seconds;
    EXPECT_EQ(ours.second, theirs.tm_sec) << seconds;
    EXPECT_EQ(ours.weekday, theirs.tm_wday) << seconds;
}

class CalendarParis : public ::testing::Test {
protected:
    Tpinned_time_zone zone{"Europe/Paris"};
};

}  // namespace

// The database switches Paris at the same seconds as our table in every year the
// table covers, 1981-1995 at the end of September too.
TEST_F(CalendarParis, SummerTimeTableMatchesTheDatabaseAtEveryTransition)
{
    for (int year = 1981; year <= 2028; ++year) {
        const unsigned spring = database_change(utc_seconds(year, 1, 1), utc_seconds(year, 7, 1));
        const unsigned autumn = database_change(utc_seconds(year, 7, 1), utc_seconds(year, 12, 31));
        time_fields autumn_utc;
        time_to_utc_fields(&autumn_utc, autumn);
        EXPECT_EQ(autumn_utc.month, year <= 1995 ? 9 : 10) << year;
        for (const unsigned transition : {spring, autumn}) {
            for (const unsigned t : {transition - 1, transition}) {
                EXPECT_EQ(table_offset_seconds(t), database_offset(t)) << year << " " << t;
                const time_t wall = static_cast<time_t>(t);
                struct tm local = {};
                localtime_r(&wall, &local);
                calendar_time ours;
                calendar_local_time(&ours, t, 101);
                expect_same_date(ours, local, t);
            }
        }
        EXPECT_EQ(formatted(spring, 101, 1).substr(20), "GMT+2");
        EXPECT_EQ(formatted(spring - 1, 101, 1).substr(20), "GMT+1");
    }
}

TEST_F(CalendarParis, NoSummerTimeOutsideTheTableWhereTheDatabaseHasIt)
{
    struct Trange {
        unsigned from, to;
    };
    // All of 1980, and from the end of the 2028 period to the end of 2029.
    const Trange ranges[] = {{utc_seconds(1980, 1, 1), utc_seconds(1981, 1, 1)},
                             {utc_seconds(2028, 10, 29, 1), utc_seconds(2030, 1, 1)}};
    for (const Trange& range : ranges) {
        int database_summer_hours = 0;
        for (unsigned t = range.from; t < range.to; t += 3600) {
            ASSERT_FALSE(is_european_summer_time(t)) << t;
            ASSERT_EQ(table_offset_seconds(t), 3600) << t;
            if (database_offset(t) == 7200)
                ++database_summer_hours;
        }
        // The database keeps summer time there: the comparison above would notice.
        EXPECT_GT(database_summer_hours, 4000) << range.from;
    }
    for (int year = 2030; year <= 2105; ++year)
        EXPECT_FALSE(is_european_summer_time(utc_seconds(year, 7, 1))) << year;
}

TEST(CalendarSummerTime, SwitchesAtOneHourUtc)
{
    struct Tcase {
        unsigned seconds;
        bool summer;
    };
    const Tcase cases[] = {
        {utc_seconds(2026, 3, 29, 0, 59, 59), false}, {utc_seconds(2026, 3, 29, 1), true},
        {utc_seconds(2026, 10, 25, 0, 59, 59), true}, {utc_seconds(2026, 10, 25, 1), false},
        {utc_seconds(1995, 9, 24, 0, 59, 59), true},  {utc_seconds(1995, 9, 24, 1), false},
        {utc_seconds(1981, 3, 29, 1), true},          {utc_seconds(2028, 10, 29, 0, 59, 59), true},
        {0xFFFFFFFFu, false},
    };
    for (const Tcase& c : cases)
        EXPECT_EQ(is_european_summer_time(c.seconds), c.summer) << c.seconds;
}

TEST(CalendarFormat, StylesAndZoneCodes)
{
    const unsigned july = utc_seconds(2026, 7, 1, 12);
    const unsigned january = utc_seconds(2026, 1, 15, 12);
    struct Tcase {
        unsigned seconds;
        int zone_code, style;
        const char* text;
    };
    const Tcase cases[] = {
        {july, 101, 0, "01.07.2026 14:00:00 +2"},
        {january, 101, 0, "15.01.2026 13:00:00 +1"},
        {july, 30, 0, "01.07.2026 12:00:00 +0"},
        {july, -5, 1, "2026-07-01 07:00:00 GMT-5"},
        {july, 101, 2, "2026-07-01T14:00:00+2:00"},
        {july, 24, 2, "2026-07-02T12:00:00+24:00"},
        {july, -24, 7, "30.06.2026 12:00:00 -24"},
        {july, 25, 1, "2026-07-01 12:00:00 GMT+0"},
        // A negative offset just after 1970 wraps onto the last day before it.
        {0, -5, 0, "31.12.1969 19:00:00 -5"},
        {3600, -1, 2, "1970-01-01T00:00:00-1:00"},
    };
    for (const Tcase& c : cases)
        EXPECT_EQ(formatted(c.seconds, c.zone_code, c.style), c.text) << c.seconds << " " << c.zone_code;

    Tmy_string text("old text");
    calendar_format(&text, july, 0, 0);
    EXPECT_STREQ(text.c_str(), "01.07.2026 12:00:00 +0");
}

// Our day arithmetic against the C library's, over every day boundary of the
// leap years and the century years and a spread of other seconds.
TEST(CalendarSplit, AgreesWithTheRuntime)
{
    std::vector<unsigned> seconds = {0, 951782400u, utc_seconds(2100, 2, 28), utc_seconds(2100, 3, 1),
                                     utc_seconds(2104, 2, 29), 0xFFFFFFFFu - 86400u};
    for (int year = 1972; year <= 2104; year += 4) {
        const unsigned first = utc_seconds(year, 1, 1);
        for (unsigned day = 0; day <= 366; ++day) {
            seconds.push_back(first + day * 86400u);
            seconds.push_back(first + day * 86400u - 1u);
        }
    }
    unsigned spread = 12345u;
    for (int i = 0; i < 20000; ++i) {
        spread = spread * 1664525u + 1013904223u;
        if (spread < 0xFFFFFFFFu - 86400u)
            seconds.push_back(spread);
    }
    for (const unsigned s : seconds) {
        const time_t t = static_cast<time_t>(s);
        struct tm theirs = {};
        gmtime_r(&t, &theirs);
        calendar_time ours;
        calendar_split_seconds(&ours, s);
        expect_same_date(ours, theirs, s);
    }
}

TEST(CalendarSplit, TheLastDayOfTheRangeStandsForTheDayBefore1970)
{
    for (const unsigned s : {0xFFFFFFFFu - 86400u + 1u, 0xFFFFFFFFu - 3600u, 0xFFFFFFFFu}) {
        // The unit read as signed: these are the seconds just before 1970.
        const time_t t = static_cast<time_t>(static_cast<int>(s));
        struct tm theirs = {};
        gmtime_r(&t, &theirs);
        calendar_time ours;
        calendar_split_seconds(&ours, s);
        expect_same_date(ours, theirs, s);
    }
    calendar_time last;
    calendar_split_seconds(&last, 0xFFFFFFFFu);
    EXPECT_EQ(last.year, 1969);
    EXPECT_EQ(last.hour * 3600 + last.minute * 60 + last.second, 86399);

    calendar_time leap_day;
    calendar_split_seconds(&leap_day, 951782400u);
    EXPECT_EQ(leap_day.month * 100 + leap_day.day, 229);
    EXPECT_EQ(leap_day.weekday, 2);
}

TEST(CalendarSplit, MonthFromDayOfAMarchYear)
{
    struct Tcase {
        int day_of_year, month_index, day_of_month;
    };
    const Tcase cases[] = {{0, 0, 0},     {30, 0, 30},   {31, 1, 0},   {305, 9, 30},
                           {306, 10, 0},  {336, 10, 30}, {337, 11, 0}, {365, 11, 28},
                           {-7, 0, 0}};
    for (const Tcase& c : cases) {
        int day_of_month = -1;
        EXPECT_EQ(calendar_month_from_day(c.day_of_year, &day_of_month), c.month_index) << c.day_of_year;
        EXPECT_EQ(day_of_month, c.day_of_month) << c.day_of_year;
    }
}

TEST(TimeFormat, IsoWithOffsets)
{
    struct Tcase {
        unsigned seconds;
        int offset;
        bool long_form;
        const char* text;
    };
    const Tcase cases[] = {
        {0, -3600, false, "1969-12-31T23:00:00-01:00"},
        {0, -3600, true, "Wed 1969-12-31 23:00:00 GMT-01:00"},
        {0, 0, false, "1970-01-01T00:00:00+00:00"},
        {951782400u, 19800, false, "2000-02-29T05:30:00+05:30"},
        {951782400u, 19800, true, "Tue 2000-02-29 05:30:00 GMT+05:30"},
        {utc_seconds(2026, 7, 1, 12), -34200, false, "2026-07-01T02:30:00-09:30"},
        // More than a day before 1970: still the right date.
        {1000, -90000, false, "1969-12-30T23:16:40-25:00"},
        {0xFFFFFFFFu, 3600, false, "2106-02-07T07:28:15+01:00"},
    };
    for (const Tcase& c : cases) {
        char text[time_iso_text_size];
        time_format_iso(text, c.seconds, c.offset, c.long_form);
        EXPECT_STREQ(text, c.text) << c.seconds << " " << c.offset;
    }
}

TEST(TimeFormat, Durations)
{
    struct Tcase {
        unsigned seconds;
        const char* text;
    };
    const Tcase cases[] = {{0, "00000d 00h 00m 00s"},
                           {59, "00000d 00h 00m 59s"},
                           {93784, "00001d 02h 03m 04s"},
                           {86399, "00000d 23h 59m 59s"},
                           {0xFFFFFFFFu, "49710d 06h 28m 15s"}};
    for (const Tcase& c : cases) {
        char text[time_duration_text_size];
        time_format_duration(text, c.seconds);
        EXPECT_STREQ(text, c.text) << c.seconds;
    }
}

TEST(TimeFormat, AbbreviationsFallBackToTheLastName)
{
    const char* months[] = {"Dec", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul",
                            "Aug", "Sep", "Oct", "Nov", "Dec", "Dec"};
    for (int month = 0; month <= 13; ++month) {
        char text[4];
        month_abbrev(text, month);
        EXPECT_STREQ(text, months[month]) << month;
    }
    const char* weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sat", "Sat", "Sat"};
    for (int weekday = 0; weekday <= 9; ++weekday) {
        char text[4];
        weekday_abbrev(text, weekday);
        EXPECT_STREQ(text, weekdays[weekday]) << weekday;
    }
    char text[4];
    month_abbrev(text, -1);
    EXPECT_STREQ(text, "Dec");
    weekday_abbrev(text, -1);
    EXPECT_STREQ(text, "Sat");
}

TEST_F(CalendarParis, LogTimestampInStandardOrLocalTime)
{
    char text[time_log_text_size];
    time_format_log(text, utc_seconds(2026, 12, 8, 17, 48, 44), true);
    EXPECT_STREQ(text, "Tue 2026-Dec-08 18:48:44");
    const unsigned july_night = utc_seconds(2026, 7, 5, 22, 30);
    time_format_log(text, july_night, true);
    EXPECT_STREQ(text, "Sun 2026-Jul-05 23:30:00");
    time_format_log(text, july_night, false);
    EXPECT_STREQ(text, "Mon 2026-Jul-06 00:30:00");
    EXPECT_EQ(time_weekday(july_night, true), 0);
    EXPECT_EQ(time_weekday(july_night, false), 1);
    EXPECT_EQ(time_weekday_utc(july_night), 0);
    EXPECT_EQ(time_zone_offset(), 3600);
}

TEST_F(CalendarParis, WallClockToSecondsAndBack)
{
    const time_fields summer_afternoon = {2026, 7, 1, 14, 0, 0, 0};
    EXPECT_EQ(time_make_local(&summer_afternoon, false), static_cast<int>(utc_seconds(2026, 7, 1, 12)));
    EXPECT_EQ(time_make_local(&summer_afternoon, true), static_cast<int>(utc_seconds(2026, 7, 1, 13)));
    EXPECT_EQ(time_make_at_offset(&summer_afternoon, 7200), static_cast<int>(utc_seconds(2026, 7, 1, 12)));
    EXPECT_EQ(time_make_at_offset(&summer_afternoon, -18000), static_cast<int>(utc_seconds(2026, 7, 1, 19)));
    EXPECT_EQ(time_make_local(nullptr, true), 0);
    EXPECT_EQ(time_make_at_offset(nullptr, 0), 0);

    for (const unsigned s : {utc_seconds(2026, 1, 15, 9, 8, 7), utc_seconds(2026, 8, 15, 9, 8, 7)}) {
        for (const bool standard : {true, false}) {
            time_fields local;
            time_to_local_fields(&local, s, standard);
            EXPECT_EQ(time_make_local(&local, standard), static_cast<int>(s)) << s << standard;
        }
    }
}

TEST(TimeFields, ModesAndFailures)
{
    Tpinned_time_zone zone("America/New_York");
    time_fields f;
    time_to_fields(&f, utc_seconds(2026, 7, 1, 12), 0);
    EXPECT_EQ(f.hour, 12);
    time_to_fields(&f, utc_seconds(2026, 7, 1, 12), 1);
    EXPECT_EQ(f.hour, 7);
    time_to_fields(&f, utc_seconds(2026, 7, 1, 12), 2);
    EXPECT_EQ(f.hour, 8);
    // Standard time west of UTC just after 1970 stops at 0 instead of wrapping.
    time_to_fields(&f, 100, 1);
    EXPECT_EQ(f.year * 10000 + f.month * 100 + f.day, 19700101);
    EXPECT_EQ(f.hour * 3600 + f.minute * 60 + f.second, 0);
    time_to_fields(&f, 100, 7);
    EXPECT_EQ(f.year + f.month + f.day + f.hour + f.minute + f.second + f.weekday, 0);
    time_to_fields(nullptr, 100, 0);
}

TEST(TimeFields, SecondsFromSystemTime)
{
    struct Tcase {
        system_time st;
        unsigned seconds;
    };
    const Tcase cases[] = {
        {{1970, 1, 1, 0, 0, 0}, 0},
        {{2000, 2, 29, 0, 0, 0}, 951782400u},
        {{2026, 12, 8, 17, 48, 44}, utc_seconds(2026, 12, 8, 17, 48, 44)},
        {{2100, 3, 1, 0, 0, 0}, utc_seconds(2100, 3, 1)},
        {{2106, 2, 7, 6, 28, 15}, 0xFFFFFFFFu},
        {{2026, 13, 1, 0, 0, 0}, 0},
        {{2026, 0, 1, 0, 0, 0}, 0},
    };
    for (const Tcase& c : cases)
        EXPECT_EQ(time_from_systemtime(&c.st), c.seconds) << c.st.year << "-" << c.st.month;
    EXPECT_EQ(time_from_systemtime(nullptr), 0u);

    const int leap[] = {1972, 1996, 2000, 2024, 2400};
    const int common[] = {1900, 1970, 2023, 2100, 2200};
    for (const int year : leap)
        EXPECT_TRUE(is_leap_year(year)) << year;
    for (const int year : common)
        EXPECT_FALSE(is_leap_year(year)) << year;
}

// "Today" is the 24 hours from midnight of the injected clock's day.
TEST_F(CalendarParis, TodayFollowsTheInjectedClock)
{
    Tfake_clock clock(utc_seconds(2026, 7, 6, 10));
    EXPECT_EQ(time_now(), utc_seconds(2026, 7, 6, 10));
    struct Tcase {
        bool standard;
        unsigned midnight;
    };
    const Tcase cases[] = {{true, utc_seconds(2026, 7, 5, 23)}, {false, utc_seconds(2026, 7, 5, 22)}};
    for (const Tcase& c : cases) {
        EXPECT_FALSE(time_is_today(c.midnight - 1, c.standard));
        EXPECT_TRUE(time_is_today(c.midnight, c.standard));
        EXPECT_TRUE(time_is_today(c.midnight + 86399, c.standard));
        EXPECT_FALSE(time_is_today(c.midnight + 86400, c.standard));
    }
    time_fields now;
    time_now_fields(&now, true);
    EXPECT_EQ(now.hour, 11);
}

TEST(TimeClock, SystemClockWhenNoneIsInstalled)
{
    time_set_clock(nullptr);
    const unsigned before = static_cast<unsigned>(time(nullptr));
    const unsigned now = time_now();
    const unsigned after = static_cast<unsigned>(time(nullptr));
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}

TEST(CalendarNullArguments, DoNothing)
{
    calendar_split_seconds(nullptr, 0);
    calendar_local_time(nullptr, 0, 101);
    calendar_format(nullptr, 0, 101, 0);
    time_format_iso(nullptr, 0, 0, false);
    time_format_log(nullptr, 0, true);
    time_format_duration(nullptr, 0);
    month_abbrev(nullptr, 1);
    weekday_abbrev(nullptr, 1);
    int month = 0;
    EXPECT_EQ(calendar_date_from_days(0, &month, nullptr), 1970);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(calendar_date_from_days(59, nullptr, nullptr), 1970);
}
