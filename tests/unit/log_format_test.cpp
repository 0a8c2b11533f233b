// The log format shared by Tolvane and the usage viewer: billing months and their days, file
// names read back, lines read back, the day and night units, and the month scanner's quick
// reading of the program's own lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "monitor/log_format.h"
#include "test_support.h"

namespace {

TEST(LogFormatTest, BillingMonthsByFirstDay) {
    struct Case {
        int y, m, d;
        uint32_t dateOffset;
        BillingMonth month;
    } cases[] = {
        {2001, 1, 20, 21, {2001, 1}}, {2001, 1, 21, 21, {2001, 2}}, {2001, 12, 25, 21, {2002, 1}},
        {2001, 1, 31, 1, {2001, 1}},  {2001, 1, 31, 0, {2001, 1}},  {2001, 1, 31, 40, {2001, 1}},
        {2001, 1, 31, 31, {2001, 2}}, {2001, 2, 28, 31, {2001, 2}}, {2001, 3, 1, 2, {2001, 3}},
    };
    for (const Case& c : cases) {
        BillingMonth m = BillingMonthOfDate(c.y, c.m, c.d, c.dateOffset);
        EXPECT_TRUE(m == c.month) << c.y << "/" << c.m << "/" << c.d << " first day " << c.dateOffset << ": " << m.year
                                  << "/" << m.month;
    }
}

// A month's days are exactly the days that belong to it, whatever the first day.
TEST(LogFormatTest, MonthsHoldTheirDays) {
    const int32_t from = DayNumber(1999, 12, 1), to = DayNumber(2001, 3, 31);
    for (uint32_t offset = 0; offset <= 33; ++offset) {
        for (int32_t day = from; day <= to; ++day) {
            int32_t y, m, d;
            DateOfDay(day, &y, &m, &d);
            BillingMonth month = BillingMonthOfDate(y, m, d, offset);
            int32_t first = FirstDayOfMonth(month, offset);
            ASSERT_TRUE(day >= first && day < first + DaysInMonth(month, offset)) << offset << " " << y << "/" << m << "/" << d;
            ASSERT_GE(DaysInMonth(month, offset), 28);
            ASSERT_LE(DaysInMonth(month, offset), 31);
        }
    }
    EXPECT_EQ(DayNumber(1970, 1, 1), 0);
    EXPECT_EQ(DayNumber(2000, 3, 1), 11017);
    EXPECT_EQ(FirstDayOfMonth({2001, 2}, 21), DayNumber(2001, 1, 21));
    EXPECT_EQ(FirstDayOfMonth({2001, 3}, 31), DayNumber(2001, 3, 1));  // February has no 31st
}

TEST(LogFormatTest, FileNamesReadBack) {
    struct Case {
        std::string name;
        bool log;
        std::string entry;
        int yy, mm;
    } cases[] = {
        {"MyISP0101.csv", true, "MyISP", 1, 1},
        {"MyISP9912.CSV", true, "MyISP", 99, 12},
        {"12340101.csv", true, "1234", 1, 1},
        {"表0207.csv", true, "表", 2, 7},  // its trail byte is a backslash
        {"MyISP0113.csv", false, "", 0, 0},
        {"MyISP0100.csv", false, "", 0, 0},
        {"0101.csv", false, "", 0, 0},
        {"MyISP101.csv", false, "", 0, 0},
        {"MyISP0101.txt", false, "", 0, 0},
        {"MyISP0101xcsv", false, "", 0, 0},
        {"MyISP0101.csv.bak", false, "", 0, 0},
        {"\x95" "0101.csv", false, "", 0, 0},  // a lead byte would take the first digit
    };
    for (const Case& c : cases) {
        LogFileNameParts parts;
        ASSERT_EQ(ParseLogFileName(c.name, &parts), c.log) << c.name;
        if (!c.log) continue;
        EXPECT_EQ(parts.entry, c.entry);
        EXPECT_EQ(parts.twoDigitYear, c.yy);
        EXPECT_EQ(parts.month, c.mm);
        EXPECT_EQ(LogFileName(parts.entry, {2000 + c.yy, c.mm}), c.name.substr(0, c.name.size() - 4) + ".csv");
    }
}

TEST(LogFormatTest, LinesReadBack) {
    struct Case {
        const char* text;  // without CR LF
        bool line;
    } cases[] = {
        {"\"2001/01/03\",\"09:05:07\",125,52.08", true},
        {"\"2001/01/03\",\"22:58:10\",600,59", true},
        {"\"2000/02/29\",\"23:59:60\",4294967295,4294967295.98", true},
        {"\"2001/01/03\",\"09:05:07\",0,0.50", true},
        {"\"2001/02/29\",\"09:05:07\",125,53", false},  // no such day
        {"\"2001/01/03\",\"24:00:00\",125,53", false},
        {"\"0000/01/03\",\"09:05:07\",125,53", false},
        {"\"2001/01/03\",\"09:05:07\",0125,53", false},
        {"\"2001/01/03\",\"09:05:07\",4294967296,53", false},
        {"\"2001/01/03\",\"09:05:07\",125,52.00", false},  // hundredths 0 are never written
        {"\"2001/01/03\",\"09:05:07\",125,52.8", false},
        {"\"2001/01/03\",\"09:05:07\",125,52.083", false},
        {"\"2001/01/03\",\"09:05:07\",125,-53", false},
        {"\"2001/01/03\",\"09:05:07\",125, 53", false},
        {"\"2001/01/03\",\"09:05:07\",125,", false},
        {"\"2001/01/03\",\"09:05:07\",125,53,", false},
        {"2001/01/03,09:05:07,125,53", false},  // as a spreadsheet saves it
        {"", false},
    };
    for (const Case& c : cases) {
        LogLine line;
        EXPECT_EQ(ParseLogLine(c.text, std::strlen(c.text), &line), c.line) << c.text;
    }
    const std::string nul("\"2001/01/03\",\"09:05:07\",125,5\0", 30);
    LogLine line;
    EXPECT_FALSE(ParseLogLine(nul.data(), nul.size(), &line));
}

// Every line Tolvane writes reads back into the fields it was written from.
TEST(LogFormatTest, WrittenLinesReadBackWhole) {
    test::ScopedTimeZone tz("JST-9");
    const int64_t start = test::Local(2001, 1, 3, 22, 58, 10);
    for (int32_t unit = 0; unit <= 5; ++unit) {
        for (uint32_t seconds : {1u, 59u, 60u, 125u, 4294967295u}) {
            uint32_t total = 3000;
            std::string text = FormatSessionLine(start, seconds, total, unit);
            LogLine line;
            ASSERT_TRUE(ParseLogLine(text.data(), text.size() - 2, &line)) << text;
            std::tm fields = test::LocalFields(start);
            EXPECT_EQ(FormatLine(fields, line.seconds, line.value, line.hundredths < 0 ? 0 : line.hundredths), text);
            EXPECT_EQ(line.seconds, seconds);
            EXPECT_EQ(line.hour * 3600 + line.minute * 60 + line.second, 22 * 3600 + 58 * 60 + 10);
        }
    }
}

// The units one at a time, as the log's fourth column was first counted.
uint64_t UnitsOneByOne(uint64_t minutes, int hour, int minute, const DayNightTariff& tariff) {
    uint64_t units = 0;
    while (minutes > 0) {
        uint64_t unit = IsNightHour(hour) ? tariff.nightMinutes : tariff.dayMinutes;
        ++units;
        minutes = minutes > unit ? minutes - unit : 0;
        for (minute += static_cast<int>(unit); minute >= 60; minute -= 60) hour = hour == 23 ? 0 : hour + 1;
    }
    return units;
}

TEST(LogFormatTest, DayAndNightUnitsCountedAtOnceAsOneByOne) {
    for (int32_t unit : {kUnitThreeAndFour, kUnitFiveAndSeven}) {
        const DayNightTariff& tariff = *DayNightTariffOf(unit);
        for (int start = 0; start < 24 * 60; ++start) {
            for (uint64_t minutes = 0; minutes <= 150; ++minutes)
                ASSERT_EQ(DayNightUnits(minutes, start / 60, start % 60, tariff),
                          UnitsOneByOne(minutes, start / 60, start % 60, tariff))
                    << unit << " " << start << " " << minutes;
            if (start % 37 != 0) continue;
            for (uint64_t minutes : {1439u, 1440u, 1441u, 2883u, 10081u, 100003u})
                ASSERT_EQ(DayNightUnits(minutes, start / 60, start % 60, tariff),
                          UnitsOneByOne(minutes, start / 60, start % 60, tariff))
                    << unit << " " << start << " " << minutes;
        }
    }
    EXPECT_EQ(DayNightTariffOf(kUnitPerMinute), nullptr);
}

// The scanner reads a fourth column of the program's own form at once when the line's CR is
// in the same piece, and any other by its steps: fed a byte at a time, every column goes
// through the steps, and must read the same (2.0500 is 122 s as a double, 123 s if the
// division were a multiplication by 0.0001).
TEST(LogFormatTest, QuickLinesReadAsTheSteps) {
    const char* columns[] = {"52.08", "0.35", "123456789", "1234567890", "123456789.123456", "1.1234567", "5.",
                             "5.e1", " 5", "-5", "5e1", "05.50", "5.5.5", "5x", "", "4294967295.98", "2.0500"};
    for (const char* column : columns) {
        for (const char* head : {"\"2001/01/03\",\"09:05:07\",125,", "a,b,c,", "a\0b,c,d,", "\n,,,"}) {
            std::string text = std::string(head, head[1] == '\0' ? 8 : std::strlen(head)) + column + "\r\n";
            uint32_t whole = ParseMonthlyTotal(text);
            MonthTotalScanner steps;
            for (char c : text) steps.Feed(&c, 1);
            EXPECT_EQ(whole, steps.Total()) << text;
        }
    }
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,52.08\r\n"), 3124u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,2.0500\r\n"), 122u);
}

}  // namespace
