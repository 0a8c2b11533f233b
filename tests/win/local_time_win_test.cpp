// Local time through msvcrt with TZ in POSIX form, as the end-to-end runs set it: fixed zones,
// odd offsets that move the clock to any time of day, daylight saving, and times past 2038.
#include <gtest/gtest.h>

#include <cstdint>

#include "monitor/local_time.h"
#include "win_support.h"

namespace {

struct Fields {
    int year, month, day, hour, minute, second, dst;
};

Fields Local(int64_t t) {
    std::tm tm;
    EXPECT_TRUE(LocalTime(t, &tm)) << t;
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_isdst};
}

int64_t Make(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return MakeLocalTime(tm);
}

void ExpectFields(const Fields& got, const Fields& want, int64_t t) {
    EXPECT_EQ(got.year, want.year) << t;
    EXPECT_EQ(got.month, want.month) << t;
    EXPECT_EQ(got.day, want.day) << t;
    EXPECT_EQ(got.hour, want.hour) << t;
    EXPECT_EQ(got.minute, want.minute) << t;
    EXPECT_EQ(got.second, want.second) << t;
    EXPECT_EQ(got.dst, want.dst) << t;
}

struct Case {
    int64_t utc;
    Fields local;
};

void Check(const char* tz, const std::vector<Case>& cases) {
    wintest::ScopedTimeZone zone(tz);
    for (const Case& c : cases) {
        ExpectFields(Local(c.utc), c.local, c.utc);
        const Fields& f = c.local;
        EXPECT_EQ(Make(f.year, f.month, f.day, f.hour, f.minute, f.second), c.utc) << tz << " " << c.utc;
    }
}

TEST(LocalTimeWin, JapanStandardTime) {
    Check("JST-9", {
                       {0, {1970, 1, 1, 9, 0, 0, 0}},
                       {1704034799, {2023, 12, 31, 23, 59, 59, 0}},
                       {1706713200, {2024, 2, 1, 0, 0, 0, 0}},
                       {1709218800, {2024, 3, 1, 0, 0, 0, 0}},  // after 29 February
                       // Past January 2038, where a 32-bit time_t would have wrapped.
                       {2147483647, {2038, 1, 19, 12, 14, 7, 0}},
                       {2147483648, {2038, 1, 19, 12, 14, 8, 0}},
                       {4102412400, {2100, 1, 1, 0, 0, 0, 0}},
                   });
}

TEST(LocalTimeWin, AnOffsetWithMinutesAndSecondsMovesTheClock) {
    // How an end-to-end run reaches 23:29:45 local time now: the offset is chosen at start.
    Check("XXX-1:47:13", {
                             {0, {1970, 1, 1, 1, 47, 13, 0}},
                             {1704145352, {2024, 1, 1, 23, 29, 45, 0}},
                         });
}

TEST(LocalTimeWin, DaylightSavingInAnAmericanZone) {
    // 2024: from 10 March 02:00 EST to 3 November 02:00 EDT.
    Check("EST5EDT,M3.2.0,M11.1.0", {
                                        {1710053999, {2024, 3, 10, 1, 59, 59, 0}},
                                        {1710054000, {2024, 3, 10, 3, 0, 0, 1}},
                                        {1719849600, {2024, 7, 1, 12, 0, 0, 1}},
                                        {1730606400, {2024, 11, 3, 0, 0, 0, 1}},
                                        {1730617200, {2024, 11, 3, 2, 0, 0, 0}},
                                        {1735707600, {2025, 1, 1, 0, 0, 0, 0}},
                                    });
}

TEST(LocalTimeWin, MsvcrtKeepsAmericanDatesWhateverTheRule) {
    // msvcrt reads the zone's name, offset and daylight name from TZ, but not its rule: a
    // European zone changes on the American dates. End-to-end runs that need daylight saving
    // therefore use an American zone, whose dates both C libraries agree on.
    wintest::ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    ExpectFields(Local(1710720000), {2024, 3, 18, 2, 0, 0, 1}, 1710720000);  // EU: still winter time
    ExpectFields(Local(1730030400), {2024, 10, 27, 14, 0, 0, 1}, 1730030400);  // EU: winter time again
}

TEST(LocalTimeWin, MakeLocalTimeNormalisesItsFields) {
    wintest::ScopedTimeZone zone("JST-9");
    EXPECT_EQ(Make(2024, 1, 32, 0, 0, 0), Make(2024, 2, 1, 0, 0, 0));
    EXPECT_EQ(Make(2024, 13, 1, 0, 0, 0), Make(2025, 1, 1, 0, 0, 0));
    EXPECT_EQ(Make(2024, 3, 1, 0, 0, -1), Make(2024, 2, 29, 23, 59, 59));
}

}  // namespace
