// The monthly log: file names, the two line formats byte for byte, the charge-unit totals,
// reading the month's total back, and the file failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "base/settings.h"
#include "doubles.h"
#include "monitor/log_files.h"
#include "monitor/usage_log.h"
#include "test_support.h"

namespace {

using test::Local;

class UsageLogTest : public test::CoreTest {
protected:
    ConnectionRecord Record(const char* name, int64_t start, uint32_t elapsed, uint32_t monthTotal) {
        ConnectionRecord r;
        std::strcpy(r.rasConn.szEntryName, name);
        r.startTime = start;
        r.elapsed = elapsed;
        r.monthTotal = monthTotal;
        return r;
    }
};

// The worked lines: a month total of 3000 seconds before a session that began on 2001/01/03.
TEST_F(UsageLogTest, WorkedLines) {
    struct Case {
        int unit;
        int hour, minute, second;
        uint32_t seconds;
        const char* line;
    } cases[] = {
        {0, 9, 5, 7, 125, "\"2001/01/03\",\"09:05:07\",125,52.08\r\n"},
        {0, 9, 5, 7, 60, "\"2001/01/03\",\"09:05:07\",60,51\r\n"},
        {1, 9, 5, 7, 125, "\"2001/01/03\",\"09:05:07\",125,53\r\n"},
        {2, 9, 5, 7, 125, "\"2001/01/03\",\"09:05:07\",125,54\r\n"},
        {3, 22, 58, 10, 600, "\"2001/01/03\",\"22:58:10\",600,59\r\n"},
        {4, 7, 55, 0, 700, "\"2001/01/03\",\"07:55:00\",700,60\r\n"},
    };
    for (const Case& c : cases) {
        uint32_t total = 3000;
        std::string line = FormatSessionLine(Local(2001, 1, 3, c.hour, c.minute, c.second), c.seconds, total, c.unit);
        EXPECT_EQ(line, c.line) << "unit " << c.unit;
    }
}

TEST_F(UsageLogTest, MonthTotalCarriedOnlyByTheMinuteUnits) {
    int64_t start = Local(2001, 1, 3, 9, 0, 0);
    struct Case {
        int unit;
        uint32_t totalAfter;
    } cases[] = {{0, 3125}, {1, 3125}, {2, 3125}, {3, 3000}, {4, 3000}, {5, 3000}, {-1, 3000}};
    for (const Case& c : cases) {
        uint32_t total = 3000;
        FormatSessionLine(start, 125, total, c.unit);
        EXPECT_EQ(total, c.totalAfter) << "unit " << c.unit;
    }
}

TEST_F(UsageLogTest, ChargeUnitsFollowDayAndNight) {
    struct Case {
        int unit;
        int hour, minute;
        uint32_t seconds;
        const char* value;
    } cases[] = {
        {3, 12, 0, 1, ",3\r\n"},     // one second is one unit by day
        {3, 2, 0, 1, ",3\r\n"},      // and by night
        {3, 12, 0, 181, ",6\r\n"},   // 4 minutes: two day units
        {3, 2, 0, 181, ",3\r\n"},    // 4 minutes: one night unit
        {4, 12, 0, 301, ",10\r\n"},  // 6 minutes: two day units
        {4, 23, 0, 301, ",5\r\n"},   // 6 minutes: one night unit
        {3, 7, 59, 300, ",6\r\n"},   // a night unit at 07:59, then a day unit at 08:03
        {3, 23, 58, 600, ",9\r\n"},  // midnight passes: 23:58, 00:02, 00:06
    };
    for (const Case& c : cases) {
        uint32_t total = 0;
        std::string line = FormatSessionLine(Local(2001, 1, 3, c.hour, c.minute, 0), c.seconds, total, c.unit);
        EXPECT_EQ(line.substr(line.rfind(',')), c.value) << c.unit << " " << c.hour << ":" << c.minute;
    }
}

// Totals near the 32-bit limit (a huge start offset, or a damaged log read back) are held at
// the largest value: no column wraps round to a small number, and the total never falls.
TEST_F(UsageLogTest, NoColumnWraps) {
    const int64_t start = Local(2001, 1, 3, 9, 5, 7);
    struct Case {
        int unit;
        uint32_t before, seconds;
        const char* column;
        uint32_t after;
    } cases[] = {
        {0, 4294967000u, 4294967295u, "71582788.25", 4294967295u},
        {0, 4294967295u, 1, "71582788.25", 4294967295u},
        {1, 4294967000u, 4000, "71582789", 4294967295u},
        {1, 0, 4294967295u, "71582789", 4294967295u},        // (total + 59) / 60 taken wide
        {2, 4294967295u, 180, "71582790", 4294967295u},      // 23860930 blocks of three minutes
        {3, 4294967295u, 1, "71582792", 4294967295u},        // (total + 59) / 60, then one day unit
        {4, 0, 4294967295u, "", 0},                          // a charge of 71582789 minutes
        {7, 4294967295u, 4294967295u, "143165577", 4294967295u},  // both rounded up, not taken over
    };
    for (const Case& c : cases) {
        uint32_t total = c.before;
        std::string line = FormatSessionLine(start, c.seconds, total, c.unit);
        std::string column = line.substr(line.rfind(',') + 1);
        column.resize(column.size() - 2);
        if (*c.column) {
            EXPECT_EQ(column, c.column) << c.unit << " " << c.before << " " << c.seconds;
        }
        if (c.unit != 4) {
            EXPECT_EQ(total, c.after) << c.unit;
        }
        EXPECT_GE(std::strtoull(column.c_str(), nullptr, 10), (uint64_t{c.before} + 59) / 60 / 2) << line;
    }
}

TEST_F(UsageLogTest, UnknownUnitLogsRoundedMinutes) {
    uint32_t total = 3000;
    std::string line = FormatSessionLine(Local(2001, 1, 3, 9, 5, 7), 125, total, 7);
    EXPECT_EQ(line, "\"2001/01/03\",\"09:05:07\",125,53\r\n");
    total = 3000;
    EXPECT_EQ(FormatSessionLine(Local(2001, 1, 3, 9, 5, 7), 125, total, -1), line);
}

TEST_F(UsageLogTest, FileNameByBillingMonth) {
    struct Case {
        uint32_t dateOffset;
        int year, month, day;
        const char* name;
    } cases[] = {
        {1, 2001, 1, 31, "C:\\Tolvane\\MyISP0101.csv"},
        {0, 2001, 1, 31, "C:\\Tolvane\\MyISP0101.csv"},
        {21, 2001, 1, 20, "C:\\Tolvane\\MyISP0101.csv"},
        {21, 2001, 1, 21, "C:\\Tolvane\\MyISP0102.csv"},
        {21, 2001, 12, 25, "C:\\Tolvane\\MyISP0201.csv"},
        {40, 2001, 1, 31, "C:\\Tolvane\\MyISP0101.csv"},  // a day that never comes
        {2, 1999, 12, 2, "C:\\Tolvane\\MyISP0001.csv"},
    };
    for (const Case& c : cases) {
        Settings.DateOffset = c.dateOffset;
        ConnectionRecord r = Record("MyISP", Local(c.year, c.month, c.day, 12, 0, 0), 0, 0);
        EXPECT_EQ(MakeLogPath(r), c.name) << c.dateOffset << " " << c.month << "/" << c.day;
        EXPECT_EQ(r.logPath, c.name);
    }
}

TEST_F(UsageLogTest, LogFolderGetsItsSeparatorByCharacter) {
    struct Case {
        const char* logPath;
        const char* name;
    } cases[] = {
        {"D:\\log", "D:\\log\\MyISP0101.csv"},
        {"D:\\log\\", "D:\\log\\MyISP0101.csv"},
        {"D:\\表", "D:\\表\\MyISP0101.csv"},  // ends in the byte 5C, yet not in a backslash
        {"D:\\", "D:\\MyISP0101.csv"},
        {"", "C:\\Tolvane\\MyISP0101.csv"},
    };
    for (const Case& c : cases) {
        Settings.LogPath = c.logPath;
        ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 12, 0, 0), 0, 0);
        EXPECT_EQ(MakeLogPath(r), c.name) << c.logPath;
    }
}

TEST_F(UsageLogTest, EntryNameKeptByteForByte) {
    ConnectionRecord r = Record("ﾌﾟﾛﾊﾞｲﾀﾞ表", Local(2001, 1, 3, 12, 0, 0), 0, 0);
    EXPECT_EQ(MakeLogPath(r), "C:\\Tolvane\\ﾌﾟﾛﾊﾞｲﾀﾞ表0101.csv");
}

TEST_F(UsageLogTest, MonthTotalIsTheLargestFourthColumn) {
    struct Case {
        const char* text;
        uint32_t seconds;
    } cases[] = {
        {"", 0},
        {"\"2001/01/01\",\"00:00:00\",1,10\r\n\"x\",\"y\",1,30\r\n\"x\",\"y\",1,20\r\n", 1800},
        {"a,b,c,20\r\na,b,c,30\r\na,b,c,10\r\n", 1800},
        {"a,b,c,52.08\r\n", 3124},                    // hundredths truncated when written
        {"a,b,c,10\na,b,c,30\n", 0},                   // LF only: no line ends
        {"a,b,c,10\r\na,b,c,30", 600},                 // text after the last CR is ignored
        {"a,b,c,10\r\n\n\na,b,c,30\r", 1800},          // every LF after a CR is skipped
        {"a,b,30\r\n", 0},                             // fewer than three commas
        {"a,b,c,-5\r\na,b,c,2\r\n", 120},             // negative values never lower it
        {"a,b,c,junk\r\n", 0},
        {"a,b,c,  7e1\r\n", 4200},                     // the standard conversion: blanks, exponent
        {"a,b,c,1,2,3\r\n", 60},
        {"a,b,c,99999999999\r\n", 2147483647},       // clamped, never converted by the hardware
        {"a,b,c,1e308\r\n", 2147483647},
        {"a,b,c,1e999999999999\r\n", 2147483647},     // past the double range
        {"a,b,c,1e-999999999999\r\n", 0},
        // Only plain decimal numbers, whatever the C library would also take.
        {"a,b,c,nan\r\na,b,c,inf\r\na,b,c,-inf\r\na,b,c,infinity\r\n", 0},
        {"a,b,c,0x10\r\n", 0},                          // 0, then text
        {"a,b,c,+2\r\n", 120},
        {"a,b,c,.5\r\na,b,c,.\r\n", 30},
        {"a,b,c,3.\r\n", 180},
        {"a,b,c,1e\r\na,b,c,2e+\r\n", 120},            // an exponent needs its digits
        {"a,b,c,0.5e1x\r\n", 300},
        {"a,b,c,-0\r\n", 0},
        {"a,b,c,00000000000000000000000000000000000000000012\r\n", 720},
        {"a,b,c,0.000000000000000000000000000000000000001e40\r\n", 600},
        {"a,b,c,\t\v\f\n 4\r\n", 240},                  // the standard conversion's blanks
        {"a,b,c,\"4\"\r\n", 0},
        {"a,b,c,\r\n40\r\n", 0},                       // a number is never read from the next line
    };
    for (const Case& c : cases) EXPECT_EQ(ParseMonthlyTotal(c.text), c.seconds) << c.text;
    std::string withNul("a,b,c,5\0,9\r\na,b,c,3\r\n", 20);
    EXPECT_EQ(ParseMonthlyTotal(withNul), 300u);
    std::string nulInFields("a,b\0,c,99\r\na,b,c,3\r\n", 20);  // a line's text ends at a NUL
    EXPECT_EQ(ParseMonthlyTotal(nulInFields), 180u);
}

// A number far longer than any kept digit still reads as the standard conversion reads it.
TEST_F(UsageLogTest, LongNumbers) {
    std::string zeros(100000, '0');
    EXPECT_EQ(ParseMonthlyTotal("a,b,c," + zeros + "7\r\n"), 420u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,0." + zeros + "7\r\n"), 0u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,7." + zeros + "1\r\n"), 420u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,1" + zeros + "\r\n"), 2147483647u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,1" + zeros + "e-100000\r\n"), 60u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,0.35" + std::string(2000, '9') + "\r\n"), 21u);  // 0.36 really
    EXPECT_EQ(ParseMonthlyTotal("a,b,c,7e" + zeros + "1\r\n"), 4200u);
    // Exactly halfway between the doubles on either side of 25 s, and then a little more: the
    // digit past those kept lifts it over the tie, which would go to the even one, below 25 s.
    const std::string halfway = "0.4166666666666666574148081281236954964697360992431640625";
    EXPECT_EQ(ParseMonthlyTotal("a,b,c," + halfway + "\r\n"), 24u);
    EXPECT_EQ(ParseMonthlyTotal("a,b,c," + halfway + zeros + "1\r\n"), 25u);
}

// Read in pieces, a log gives what it gives read whole, wherever the pieces are cut.
TEST_F(UsageLogTest, PiecesGiveTheWholeResult) {
    const std::string log = "\"2001/01/01\",\"10:00:00\",21,0.35\r\n\n\"x\",\"y\",5,1.5e1\r\r\na,b,c,  -3\r\n"
                            "a,b,c,12.25\r\na,b,c,7";
    const uint32_t whole = ParseMonthlyTotal(log);
    EXPECT_EQ(whole, 900u);
    for (size_t cut1 = 0; cut1 <= log.size(); ++cut1) {
        for (size_t cut2 = cut1; cut2 <= log.size(); cut2 += 7) {
            MonthTotalScanner scanner;
            scanner.Feed(log.data(), cut1);
            scanner.Feed(log.data() + cut1, cut2 - cut1);
            scanner.Feed(log.data() + cut2, log.size() - cut2);
            ASSERT_EQ(scanner.Total(), whole) << cut1 << " " << cut2;
        }
    }
}

// Every month total written for the minute-carrying units and read back gives what double
// arithmetic gives: trunc(column x 60). Under x87 extended precision 0.35 x 60 is 20.99…, not
// 21, and the shipped build would lose a second per session; both builds must agree.
TEST_F(UsageLogTest, TotalsWrittenAndReadBackAsDoublesGiveThem) {
    auto expectedSeconds = [](const std::string& column) {
        volatile double minutes = std::strtod(column.c_str(), nullptr);
        volatile double seconds = minutes * 60;
        return static_cast<uint32_t>(static_cast<int32_t>(seconds));
    };
    std::vector<uint32_t> totals;
    for (uint32_t t = 1; t <= 10000; ++t) totals.push_back(t);
    for (uint32_t t = 10007; t <= 10000000; t += 9973) totals.push_back(t);
    totals.push_back(10000000);
    size_t checked = 0;
    int64_t start = Local(2001, 1, 3, 9, 0, 0);
    for (int unit : {0, 1, 2}) {
        for (uint32_t t : totals) {
            uint32_t total = t - 1;
            std::string line = FormatSessionLine(start, 1, total, unit);
            std::string column = line.substr(line.rfind(',') + 1);
            column.resize(column.size() - 2);
            ASSERT_EQ(ParseMonthlyTotal(line), expectedSeconds(column)) << unit << " " << line;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 3 * totals.size());
    // The numbers of the report, checked here by value.
    EXPECT_EQ(ParseMonthlyTotal("\"2000/01/01\",\"10:00:00\",21,0.35\r\n"), 21u);
    uint32_t total = ParseMonthlyTotal("\"2000/01/01\",\"10:00:00\",21,0.35\r\n");
    EXPECT_EQ(FormatSessionLine(start, 18, total, 0), "\"2001/01/03\",\"09:00:00\",18,0.65\r\n");
}

class UsageLogFileTest : public UsageLogTest {
protected:
    void SetUp() override {
        UsageLogTest::SetUp();
        Settings.LogPath = dir_.path();
    }
    test::TempDir dir_;
};

TEST_F(UsageLogFileTest, FirstSessionCreatesTheFile) {
    Settings.TimeUnit = 1;
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 5, 7), 16, 0);
    EXPECT_EQ(AppendSessionRecord(r), LogResult::kOk);
    EXPECT_EQ(dir_.Read("MyISP0101.csv"), "\"2001/01/03\",\"09:05:07\",16,1\r\n");
    EXPECT_EQ(r.elapsed, 0u);
}

TEST_F(UsageLogFileTest, LinesAreAppendedAndReadBack) {
    Settings.TimeUnit = 0;
    dir_.Write("MyISP0101.csv", "\"2001/01/02\",\"10:00:00\",3000,50\r\n");
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 5, 7), 0, 0);
    EXPECT_EQ(ReadMonthlyTotal(r), LogResult::kOk);
    EXPECT_EQ(r.monthTotal, 3000u);
    r.elapsed = 125;
    EXPECT_EQ(AppendSessionRecord(r), LogResult::kOk);
    EXPECT_EQ(dir_.Read("MyISP0101.csv"),
              "\"2001/01/02\",\"10:00:00\",3000,50\r\n\"2001/01/03\",\"09:05:07\",125,52.08\r\n");
    ConnectionRecord next = Record("MyISP", Local(2001, 1, 4, 9, 0, 0), 0, 0);
    EXPECT_EQ(ReadMonthlyTotal(next), LogResult::kOk);
    EXPECT_EQ(next.monthTotal, 3124u);
}

// Only a missing log is a month of 0. One held by a spreadsheet is read all the same; one that
// cannot be opened leaves the month unread, to be read again later.
TEST_F(UsageLogFileTest, ReadingTheMonthBack) {
    struct Case {
        const char* folder;  // under the test's folder
        const char* entry;
        int hold;  // 0 none, 1 letting others read, 2 sharing nothing
        LogResult result;
        uint32_t total;
        bool unread;
    } cases[] = {
        {"", "MyISP", 0, LogResult::kOk, 3000, false},
        {"", "MyISP", 1, LogResult::kOk, 3000, false},
        {"", "MyISP", 2, LogResult::kNotOpened, 0, true},
        {"", "Other", 0, LogResult::kOk, 0, false},
        {"\\missing", "MyISP", 0, LogResult::kNotOpened, 0, true},  // gone, as a network folder may
    };
    dir_.Write("MyISP0101.csv", "a,b,c,50\r\n");
    for (const Case& c : cases) {
        Settings.LogPath = dir_.path() + c.folder;
        test::HeldFile held(dir_, "MyISP0101.csv", c.hold == 1);
        if (!c.hold) held.Release();
        ConnectionRecord r = Record(c.entry, Local(2001, 1, 3, 9, 0, 0), 0, 0);
        EXPECT_EQ(ReadMonthlyTotal(r), c.result) << c.folder << c.entry << " " << c.hold;
        EXPECT_EQ(r.monthTotal, c.total) << c.folder << c.entry << " " << c.hold;
        EXPECT_EQ(r.monthUnread, c.unread) << c.folder << c.entry << " " << c.hold;
    }
}

// Lines that cannot be written wait in order, said once for the file; a session that begins
// meanwhile counts them, and they are written with the month carried on once the file is free.
TEST_F(UsageLogFileTest, LinesWaitForTheirFile) {
    dir_.Write("MyISP0101.csv", "a,b,c,50\r\n");
    test::HeldFile spreadsheet(dir_, "MyISP0101.csv", true);
    ConnectionRecord first = Record("MyISP", Local(2001, 1, 3, 9, 0, 0), 0, 0);
    ReadMonthlyTotal(first);
    first.elapsed = 120;
    EXPECT_EQ(AppendSessionRecord(first), LogResult::kWaiting);
    std::string message;
    ASSERT_TRUE(TakeLogError(&message));
    EXPECT_EQ(message, test::Cp932(u8"ﾛｸﾞﾌｧｲﾙ ") + dir_.path() +
                           test::Cp932(u8"\\MyISP0101.csv への書き込みに失敗しました。\n記録は保持し、書き込めるようになりしだい追加します。"));

    ConnectionRecord second = Record("MyISP", Local(2001, 1, 3, 10, 0, 0), 0, 0);
    EXPECT_EQ(ReadMonthlyTotal(second), LogResult::kOk);
    EXPECT_EQ(second.monthTotal, 3120u);
    second.elapsed = 60;
    EXPECT_EQ(AppendSessionRecord(second), LogResult::kWaiting);
    EXPECT_FALSE(TakeLogError(&message));
    EXPECT_TRUE(RetryLogFiles());
    EXPECT_EQ(UnwrittenLines().size(), 2u);

    spreadsheet.Release();
    TickTime += 2;
    EXPECT_TRUE(RetryLogFiles());
    EXPECT_EQ(dir_.Read("MyISP0101.csv"),
              "a,b,c,50\r\n\"2001/01/03\",\"09:00:00\",120,52\r\n\"2001/01/03\",\"10:00:00\",60,53\r\n");
    EXPECT_TRUE(UnwrittenLines().empty());
    EXPECT_FALSE(TakeLogError(&message));
}

// A month still unread when the session ends: its line waits without a fourth column, which
// it takes from the log once the log can be read. Its start, past 2106, is kept whole.
TEST_F(UsageLogFileTest, AMonthUnreadToTheEnd) {
    dir_.Write("MyISP1001.csv", "a,b,c,50\r\n");
    test::HeldFile sole(dir_, "MyISP1001.csv", false);
    ConnectionRecord r = Record("MyISP", Local(2110, 1, 3, 9, 0, 0), 0, 0);
    ReadMonthlyTotal(r);
    r.elapsed = 120;
    EXPECT_EQ(AppendSessionRecord(r), LogResult::kWaiting);
    ASSERT_EQ(UnwrittenLines().size(), 1u);
    EXPECT_EQ(UnwrittenLines()[0], dir_.path() + "\\MyISP1001.csv\t?1," +
                                       std::to_string(static_cast<uint32_t>(r.startTime)) + ",120,1\r\n");
    sole.Release();
    EXPECT_TRUE(RetryLogFiles());
    EXPECT_EQ(dir_.Read("MyISP1001.csv"), "a,b,c,50\r\n\"2110/01/03\",\"09:00:00\",120,52\r\n");
}

// Whatever the keeping file holds, only "path TAB line" is taken up, and a line cut short
// is read no further than its end.
TEST_F(UsageLogFileTest, AKeepingFileOfAnything) {
    const std::string log = dir_.path() + "\\MyISP0101.csv\t";
    dir_.Write("kept.txt", "junk\r\n\t\"x\"\r\n" + log + "?\r\n" + log + "\"2001/01/03\",\"09:00:00\",60,1\r\n" + log + "cut");
    ResetUnwrittenLines(dir_.path() + "\\kept.txt");
    EXPECT_EQ(UnwrittenLines().size(), 2u);
    EXPECT_TRUE(RetryLogFiles());
    EXPECT_EQ(dir_.Read("MyISP0101.csv"), "\"1970/01/01\",\"09:00:00\",0,0\r\n\"2001/01/03\",\"09:00:00\",60,1\r\n");
    EXPECT_FALSE(dir_.Exists("kept.txt"));
}

#ifndef _WIN32
// A write cut short (here by the file size limit) leaves no part of the line behind: written
// again later, it would run into the part.
TEST_F(UsageLogFileTest, AShortWriteLeavesTheLogAsItWas) {
    dir_.Write("MyISP0101.csv", "a,b,c,50\r\n");
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = {15, old.rlim_max};
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 0, 0), 0, 0);
    ReadMonthlyTotal(r);
    r.elapsed = 120;
    LogResult result = AppendSessionRecord(r);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, LogResult::kWaiting);
    EXPECT_EQ(dir_.Read("MyISP0101.csv"), "a,b,c,50\r\n");
}
#endif

TEST_F(UsageLogFileTest, NothingToLogWritesNothing) {
    ConnectionRecord idle = Record("MyISP", Local(2001, 1, 3, 9, 0, 0), 0, 0);
    EXPECT_EQ(AppendSessionRecord(idle), LogResult::kOk);
    ConnectionRecord unnamed = Record("", Local(2001, 1, 3, 9, 0, 0), 40, 0);
    EXPECT_EQ(AppendSessionRecord(unnamed), LogResult::kOk);
    EXPECT_EQ(unnamed.elapsed, 0u);  // stopped all the same
    EXPECT_FALSE(dir_.Exists("MyISP0101.csv"));
    EXPECT_FALSE(dir_.Exists("0101.csv"));
}

TEST_F(UsageLogFileTest, SessionStaysInTheFileOfItsStart) {
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 31, 23, 0, 0), 0, 0);
    ReadMonthlyTotal(r);  // caches this month's path
    Settings.DateOffset = 21;
    r.elapsed = 7200;
    EXPECT_EQ(AppendSessionRecord(r), LogResult::kOk);
    EXPECT_TRUE(dir_.Exists("MyISP0101.csv"));
    EXPECT_FALSE(dir_.Exists("MyISP0102.csv"));
}

TEST_F(UsageLogFileTest, MissingFolderIsNeverCreated) {
    Settings.LogPath = dir_.path() + "\\missing";
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 0, 0), 30, 1000);
    EXPECT_EQ(AppendSessionRecord(r), LogResult::kWaiting);
    EXPECT_EQ(r.elapsed, 0u);
    EXPECT_EQ(r.monthTotal, 1030u);
    EXPECT_FALSE(dir_.Exists("missing"));
    EXPECT_TRUE(prompt_.shown.empty());
}

// The messages wait for the tick, each naming its file; a failing read is told once, and only
// so many messages wait.
TEST_F(UsageLogTest, ErrorsWaitWithTheirFileNames) {
    test::FailingFiles failing;
    SetFiles(&failing);
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 0, 0), 30, 0);
    EXPECT_EQ(ReadMonthlyTotal(r), LogResult::kFailed);
    EXPECT_EQ(RereadMonthlyTotal(r), LogResult::kFailed);
    EXPECT_TRUE(r.monthUnread);
    EXPECT_TRUE(prompt_.shown.empty());
    std::string message;
    ASSERT_TRUE(TakeLogError(&message));
    EXPECT_EQ(message, test::Cp932(u8"ﾛｸﾞﾌｧｲﾙ C:\\Tolvane\\MyISP0101.csv の読み込みに失敗しました。"));
    EXPECT_FALSE(TakeLogError(&message));

    for (int i = 0; i < 20; ++i) {
        ConnectionRecord other = Record(("E" + std::to_string(i)).c_str(), Local(2001, 1, 3, 9, 0, 0), 30, 0);
        AppendSessionRecord(other);
    }
    size_t waiting = 0;
    while (TakeLogError(&message)) ++waiting;
    EXPECT_EQ(waiting, kMaxWaitingLogErrors);
}

// Files of any size: a log of several GiB, made up as it is read, reads back piece by
// piece, whole to its end, with memory for one piece.
class HugeLog final : public LogFiles {
public:
    explicit HugeLog(uint64_t size) : size_(size) {}
    FileResult Read(const std::string&, ByteSink& sink) override {
        static const char zeros[kReadPieceBytes] = {};
        const std::string line = "a,b,c,40\r\n";
        sink.Take(line.data(), line.size());
        for (uint64_t left = size_ - 2 * line.size(); left > 0;) {
            size_t n = left < sizeof zeros ? static_cast<size_t>(left) : sizeof zeros;
            sink.Take(zeros, n);
            left -= n;
        }
        const std::string last = "\r\n,,,41\r";  // the first CR ends the line of NULs
        sink.Take(last.data(), last.size());
        return FileResult::kOk;
    }
    FileResult Append(const std::string&, const std::string&) override { return FileResult::kOk; }

private:
    uint64_t size_;
};

TEST_F(UsageLogTest, LogsOfAnySize) {
    for (uint64_t size : {uint64_t{1} << 31, (uint64_t{1} << 32) + 1000}) {
        HugeLog huge(size);
        SetFiles(&huge);
        ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 5, 7), 0, 0);
        ASSERT_EQ(ReadMonthlyTotal(r), LogResult::kOk) << size;
        EXPECT_EQ(r.monthTotal, 41u * 60) << size;
    }
}

// A real log of some megabytes, lines with and without CRs, read back through the files.
TEST_F(UsageLogTest, LongRealLog) {
    test::TempDir dir;
    Settings.LogPath = dir.path();
    std::string text;
    for (int i = 1; i <= 200000; ++i) text += "\"2001/01/02\",\"10:00:00\",60," + std::to_string(i % 5000) + ".5\r\n";
    text += "a,b,c,9999\n";  // no CR: ignored
    dir.Write("MyISP0101.csv", text);
    ConnectionRecord r = Record("MyISP", Local(2001, 1, 3, 9, 5, 7), 0, 0);
    ASSERT_EQ(ReadMonthlyTotal(r), LogResult::kOk);
    EXPECT_EQ(r.monthTotal, 4999u * 60 + 30);
    EXPECT_EQ(r.monthTotal, ParseMonthlyTotal(text));
}

}  // namespace
