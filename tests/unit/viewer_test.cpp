// The usage viewer's model: a folder of logs read into months, sessions, units and costs, the
// current month's projection, the account of bad input, the clipboard text and the tariff
// store.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/registry.h"
#include "memory_registry.h"
#include "monitor/log_files.h"
#include "test_support.h"
#include "viewer/folder_list.h"
#include "viewer/usage_model.h"
#include "viewer/viewer_settings.h"
#include "viewer/viewer_texts.h"

namespace {

using test::Local;

// The real files, except that the file named `failing` cannot be read.
class FailingOne final : public LogFiles {
public:
    explicit FailingOne(std::string failing) : failing_(std::move(failing)) {}
    FileResult Read(const std::string& path, ByteSink& sink) override { return PlatformFiles().Read(path, sink); }
    FileResult Append(const std::string& path, const std::string& bytes) override {
        return PlatformFiles().Append(path, bytes);
    }
    FileResult ReadPart(const std::string& path, uint64_t offset, uint64_t maxBytes, ByteSink& sink, uint64_t* size) override {
        if (path.size() >= failing_.size() && path.compare(path.size() - failing_.size(), failing_.size(), failing_) == 0)
            return FileResult::kIoError;
        return PlatformFiles().ReadPart(path, offset, maxBytes, sink, size);
    }

private:
    std::string failing_;
};

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFiles(nullptr);
        SetFolders(nullptr);
        dir_.Write("MyISP0101.csv", "\"2001/01/02\",\"10:00:00\",125,3\r\n"
                                    "\"2001/01/03\",\"22:58:10\",600,15\r\n"
                                    "garbage\r\n"
                                    "\"2001/01/31\",\"23:30:00\",60,12\r\n");
        dir_.Write("Other0101.csv", "\"2001/01/02\",\"10:00:00\",30,1\r\n"
                                    "\"2001/01/04\",\"10:00:00\",30,2\n"  // LF alone
                                    "\"2001/01/05\",\"08:00:00\",61,3\r\n");
        dir_.Write("MyISP0012.csv", "\"2000/12/15\",\"12:00:00\",3600,60\r\n");
        for (const char* foreign : {"notes.txt", "MyISP0113.csv", "Other0101.csv.bak"}) dir_.Write(foreign, "a,b,c,99999\r\n");
        ViewerConfig config;
        config.folder = dir_.path();
        config.tariffs = {{"MyISP", Tariff{kUnitThreeAndFour, 1000}}};
        model_.Configure(config, Local(2001, 1, 10, 12, 0, 0));
        ReadAll();
    }
    void TearDown() override { SetFiles(nullptr); }

    void ReadAll() {
        model_.ListFolder();
        std::unique_ptr<FolderReader> reader = model_.StartReading();
        reader->Run();
        model_.TakeReadings(*reader);
    }

    test::ScopedTimeZone tz_{"JST-9"};
    test::TempDir dir_;
    UsageModel model_;
};

TEST_F(ViewerTest, MonthOfAllEntries) {
    ASSERT_EQ(model_.Entries(), (std::vector<std::string>{"MyISP", "Other"}));
    MonthView v = model_.View();
    EXPECT_TRUE(v.current);
    EXPECT_EQ(v.days, 31);
    struct Row {
        int32_t entry;
        const char* date;
        const char* start;
        uint32_t seconds;
        uint64_t units;
        const char* yen;
    } rows[] = {
        {0, "2001/01/02", "10:00:00", 125, 1, "10"},  // three minutes by day
        {1, "2001/01/02", "10:00:00", 30, 1, "10"},   // per minute, Tolvane's unit by default
        {0, "2001/01/03", "22:58:10", 600, 3, "30"},  // one day unit, two night ones
        {1, "2001/01/05", "08:00:00", 61, 2, "20"},
        {0, "2001/01/31", "23:30:00", 60, 1, "10"},
    };
    ASSERT_EQ(v.rows.size(), std::size(rows));
    for (size_t i = 0; i < v.rows.size(); ++i) {
        const SessionRow& r = v.rows[i];
        EXPECT_EQ(r.entry, rows[i].entry) << i;
        EXPECT_EQ(DateText(r.day), rows[i].date) << i;
        EXPECT_EQ(TimeOfDayText(r.timeOfDay), rows[i].start) << i;
        EXPECT_EQ(r.seconds, rows[i].seconds) << i;
        EXPECT_EQ(r.units, rows[i].units) << i;
        EXPECT_EQ(YenText(r.cost), rows[i].yen) << i;
    }
    EXPECT_EQ(v.totals.sessions, 5u);
    EXPECT_EQ(v.totals.seconds, 876u);
    EXPECT_EQ(v.totals.units, 8u);
    EXPECT_EQ(YenText(v.totals.cost), "80");
    EXPECT_EQ(v.daySeconds[1], 155u);
    EXPECT_EQ(v.daySeconds[30], 60u);
    ASSERT_EQ(v.columnTotals.size(), 2u);  // 月度累計 as Tolvane's window reads it
    EXPECT_EQ(MonthColumnText(v.columnTotals[0].seconds), "00:15");
    // Tolvane's lines end at CR: the line after the one ended by LF alone is part of it.
    EXPECT_EQ(MonthColumnText(v.columnTotals[1].seconds), "00:02");
    // Ten days of 31 begun: the month at that pace.
    EXPECT_TRUE(v.projection.valid);
    EXPECT_EQ(v.projection.seconds, 876u * 31 / 10);
    EXPECT_EQ(YenText(v.projection.cost), "248");

    InputAccount a = model_.Account();
    EXPECT_EQ(a.badLines, 2u);
    EXPECT_EQ(a.firstBadFile, "MyISP0101.csv");
    EXPECT_EQ(a.firstBadLine, 3u);
    EXPECT_EQ(AccountLines(a), std::vector<std::string>{std::string("読めない行: 2 行（最初は MyISP0101.csv の 3 行目）")});
}

TEST_F(ViewerTest, OneEntryCopiedForASpreadsheet) {
    model_.ShowEntry(1);
    MonthView v = model_.View();
    ASSERT_EQ(v.columnTotals.size(), 1u);
    EXPECT_EQ(ClipboardText(v, model_.Entries()), std::string("接続先\t日付\t開始\t秒\t課金単位\t料金\r\n"
                                                        "Other\t2001/01/02\t10:00:00\t30\t1\t10\r\n"
                                                        "Other\t2001/01/05\t08:00:00\t61\t2\t20\r\n"
                                                        "合計\t\t\t91\t3\t30\r\n"));
    EXPECT_EQ(std::string("合計"), "\x8d\x87\x8c\x76");  // compiled as code page 932
}

TEST_F(ViewerTest, MonthsBackAndForth) {
    EXPECT_TRUE(model_.CanShowPrevious());
    EXPECT_FALSE(model_.CanShowNext());
    model_.ShowPrevious();
    EXPECT_TRUE(model_.Shown() == (BillingMonth{2000, 12}));
    EXPECT_FALSE(model_.CanShowPrevious());
    MonthView v = model_.View();
    EXPECT_FALSE(v.projection.valid);
    EXPECT_EQ(v.totals.seconds, 3600u);
    model_.ShowCurrent();
    EXPECT_TRUE(model_.Shown() == (BillingMonth{2001, 1}));

    std::vector<ChartMonth> chart = model_.Chart(model_.CurrentMonth());
    ASSERT_EQ(chart.size(), 12u);
    EXPECT_TRUE(chart.front().month == (BillingMonth{2000, 2}));
    EXPECT_EQ(chart[10].seconds, (std::vector<uint64_t>{3600, 0}));
    EXPECT_EQ(chart[11].seconds, (std::vector<uint64_t>{785, 91}));
    EXPECT_TRUE(chart[11].current && chart[11].projection.valid);
}

// A line appended while the viewer is open is shown after the next listing and read.
TEST_F(ViewerTest, NewLinesAndFilesThatFail) {
    EXPECT_FALSE(model_.ListFolder());
    PlatformFiles().Append(dir_.path() + "/Other0101.csv", "\"2001/01/09\",\"21:00:00\",5,4\r\n");
    FailingOne failing("MyISP0012.csv");
    SetFiles(&failing);
    dir_.Write("MyISP0012.csv", "changed\r\n");
    EXPECT_TRUE(model_.ListFolder());
    ASSERT_TRUE(model_.NeedsRead());
    ReadAll();
    EXPECT_EQ(model_.View().totals.sessions, 6u);
    EXPECT_EQ(model_.Account().unreadFiles, std::vector<std::string>{"MyISP0012.csv"});
    EXPECT_FALSE(model_.NeedsRead());
}

TEST_F(ViewerTest, AReadStoppedIsSaidAndNotRepeated) {
    dir_.Write("Big0101.csv", std::string(3 * kReadStepBytes, 'x'));
    model_.ListFolder();
    std::unique_ptr<FolderReader> reader = model_.StartReading();
    EXPECT_EQ(reader->BytesToRead(), 3 * kReadStepBytes);
    EXPECT_TRUE(reader->Step());
    reader->Stop();
    EXPECT_FALSE(reader->Step());
    EXPECT_TRUE(reader->Finished());
    EXPECT_EQ(reader->BytesRead(), kReadStepBytes);
    model_.TakeReadings(*reader);
    EXPECT_EQ(model_.Account().stoppedFiles, std::vector<std::string>{"Big0101.csv"});
    EXPECT_EQ(model_.Account().badLines, 2u);  // the stopped line is no line yet
    EXPECT_FALSE(model_.NeedsRead());
    model_.ReadStoppedAgain();
    ReadAll();
    EXPECT_EQ(model_.Account().badLines, 3u);
}

// Lines gathered over pieces read as they read whole; what is no line of Tolvane's is counted.
TEST(LogLineReaderTest, LinesOverPieces) {
    const std::string log = "\"2001/01/02\",\"10:00:00\",125,3\r\n" + std::string(300, 'y') +
                            "\r\n\r\n\"2001/01/02\",\"10:00:00\",125,3\r\r\n\"2001/01/02\",\"23:00:00\",125,7\r\n"
                            "\"2001/01/03\",\"10:00:00\",1,3";
    for (size_t cut = 0; cut <= log.size(); ++cut) {
        FileReading r;
        LogLineReader reader(DayNumber(2001, 1, 1), &r);
        reader.Take(log.data(), cut);
        reader.Take(log.data() + cut, log.size() - cut);
        reader.Finish(true);
        ASSERT_EQ(r.sessionCount, 2u) << cut;
        ASSERT_EQ(r.badLines, 4u) << cut;
        ASSERT_EQ(r.firstBadLine, 2u) << cut;
        ASSERT_EQ(r.units[kUnitThreeAndFour], 2u) << cut;
        ASSERT_EQ(r.daySeconds[1], 250u) << cut;
        ASSERT_EQ(r.columnTotal, ParseMonthlyTotal(log)) << cut;
    }
}

// Written as Tolvane writes them, each session's day and night units are the steps of the
// fourth column.
TEST(ViewerChargeTest, UnitsAreTheFourthColumnsSteps) {
    test::ScopedTimeZone tz("JST-9");
    for (int32_t unit : {kUnitThreeAndFour, kUnitFiveAndSeven}) {
        std::string log;
        uint64_t units = 0;
        for (int i = 0; i < 40; ++i) {
            // Around 23:00 and 08:00, of lengths from a second to an hour and a half.
            int64_t start = Local(2001, 1, 3 + i / 4, i % 2 ? 22 : 7, 40 + i % 20, i);
            uint32_t seconds = 1 + static_cast<uint32_t>(i * i * 37 % 5400);
            uint32_t total = ParseMonthlyTotal(log);  // the session's start reads the month back
            log += FormatSessionLine(start, seconds, total, unit);
            std::tm t = test::LocalFields(start);
            units += SessionUnits(unit, seconds, t.tm_hour, t.tm_min);
        }
        FileReading r;
        LogLineReader reader(DayNumber(2001, 1, 1), &r);
        reader.Take(log.data(), log.size());
        reader.Finish(true);
        EXPECT_EQ(r.units[unit], units);
        EXPECT_EQ(r.columnTotal, units * DayNightTariffOf(unit)->chargedPerUnit * 60) << unit;
    }
}

TEST(ViewerChargeTest, SessionCosts) {
    struct Case {
        int32_t unit;
        uint32_t price;  // hundredths of a yen
        int hour, minute;
        uint32_t seconds;
        uint64_t units;
        uint64_t yen;
    } cases[] = {
        {kUnitPerSecond, 1000, 9, 0, 125, 125, 21},  // 20.83 yen
        {kUnitPerSecond, 1000, 9, 0, 9, 9, 2},       // 1.5 yen: halves up
        {kUnitPerSecond, 1000, 9, 0, 8, 8, 1},
        {kUnitPerMinute, 1000, 9, 0, 61, 2, 20},
        {kUnitPerMinute, 50, 9, 0, 60, 1, 1},
        {kUnitPerMinute, 49, 9, 0, 60, 1, 0},
        {kUnitPerThreeMinutes, 1050, 9, 0, 181, 2, 21},
        {kUnitThreeAndFour, 1000, 22, 59, 60, 1, 10},
        {kUnitThreeAndFour, 1000, 23, 0, 241, 2, 20},   // night units of 4 minutes
        {kUnitThreeAndFour, 1000, 7, 59, 300, 2, 20},   // a night unit to 08:03, then a day one
        {kUnitFiveAndSeven, 1000, 7, 55, 700, 2, 20},
        {kUnitFiveAndSeven, 1000, 22, 58, 421, 2, 20},  // 5 by day, then 7 by night
        {9, 1000, 9, 0, 61, 2, 20},                     // an unknown unit charges per minute
    };
    for (const Case& c : cases) {
        uint64_t units = SessionUnits(c.unit, c.seconds, c.hour, c.minute);
        EXPECT_EQ(units, c.units) << c.unit << " " << c.hour << ":" << c.minute << " " << c.seconds;
        EXPECT_EQ(RoundedYen(UnitsCost(Tariff{c.unit, c.price}, units)), c.yen) << c.unit << " " << c.seconds;
    }
    // Three sessions of 1.5 yen are shown as 2 each, and cost 4.5 yen: 5.
    EXPECT_EQ(RoundedYen(UnitsCost(Tariff{kUnitPerSecond, 1000}, 27)), 5u);
}

TEST(ViewerChargeTest, PricesAndCenturies) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t hundredths;
        const char* shown;
    } cases[] = {
        {"10", true, 1000, "10"}, {" 10.5 ", true, 1050, "10.50"}, {"0.01", true, 1, "0.01"},
        {"9999999.99", true, 999999999, "9999999.99"}, {"10000000", false, 0, ""}, {"10.", false, 0, ""},
        {".5", false, 0, ""}, {"1.234", false, 0, ""}, {"-1", false, 0, ""}, {"1,5", false, 0, ""}, {"", false, 0, ""},
    };
    for (const Case& c : cases) {
        uint32_t h = 7;
        ASSERT_EQ(ParsePrice(c.text, &h), c.ok) << c.text;
        EXPECT_EQ(h, c.ok ? c.hundredths : 7u) << c.text;
        if (c.ok) {
            EXPECT_EQ(PriceText(h), c.shown);
        }
    }
    EXPECT_EQ(YearOfTwoDigits(35, 2026), 2035);
    EXPECT_EQ(YearOfTwoDigits(36, 2026), 1936);
    EXPECT_EQ(YearOfTwoDigits(99, 2026), 1999);
    EXPECT_EQ(YearOfTwoDigits(0, 2026), 2000);
    EXPECT_EQ(YearOfTwoDigits(0, 2095), 2100);
}

TEST(ViewerSettingsTest, TolvanesKeyReadOnlyAndTariffsOfTheViewer) {
    test::MemoryRegistry registry;
    SetRegistry(&registry);
    // No keys at all: Tolvane's defaults, and nothing created.
    ViewerSettings s = LoadViewerSettings();
    EXPECT_EQ(s.dateOffset, 1u);
    EXPECT_EQ(s.timeUnit, 1);
    EXPECT_EQ(LogFolderOf(s, "C:\\Tools\\"), "C:\\Tools\\");
    EXPECT_FALSE(registry.HasKey("HKCU\\Software\\Orlimo"));

    const std::string tolvane = "HKCU\\Software\\Orlimo\\Tolvane\\Settings";
    registry.AddKey(tolvane);
    registry.Put(tolvane, "LogPath", kRegSz, std::string("D:\\log\0", 7));
    registry.PutDword(tolvane, "TimeUnit", 3);
    registry.Put(tolvane, "DateOffset", kRegBinary, std::string("\x15\0\0\0", 4));  // mistyped: the default
    s = LoadViewerSettings();
    EXPECT_EQ(LogFolderOf(s, "C:\\Tools\\"), "D:\\log");
    EXPECT_EQ(s.timeUnit, 3);
    EXPECT_EQ(s.dateOffset, 1u);

    ASSERT_TRUE(SaveTariff("MyISP", Tariff{kUnitPerSecond, 1250}));
    ASSERT_TRUE(SaveChosenFolder("E:\\logs"));
    const std::string tariffs = "HKCU\\Software\\Orlimo\\TolvaneLog\\Tariffs";
    ASSERT_NE(registry.Find(tariffs, "MyISP"), nullptr);
    EXPECT_EQ(registry.Find(tariffs, "MyISP")->data, std::string("0,12.50\0", 8));
    EXPECT_EQ(registry.ValueCount(tolvane), 3u);
    for (const std::string& call : registry.calls) {
        bool tolvanes = call.find("Tolvane\\Settings") != std::string::npos;
        EXPECT_FALSE(tolvanes && (call.compare(0, 6, "create") == 0 || call.compare(0, 3, "set") == 0)) << call;
    }
    EXPECT_EQ(LogFolderOf(LoadViewerSettings(), "C:\\Tools\\"), "E:\\logs");

    // Strange stored tariffs are no tariffs: the entry's default.
    registry.Put(tariffs, "A", kRegSz, std::string("9,10\0", 5));
    registry.Put(tariffs, "B", kRegSz, std::string("1,abc\0", 6));
    registry.PutDword(tariffs, "C", 1);
    registry.Put(tariffs, "D", kRegSz, "1," + std::string(100, '1'));
    Tariff t;
    for (const char* entry : {"A", "B", "C", "D", "E"}) EXPECT_FALSE(LoadTariff(entry, &t)) << entry;
    ASSERT_TRUE(LoadTariff("MyISP", &t));
    EXPECT_TRUE(t == (Tariff{kUnitPerSecond, 1250}));
    EXPECT_EQ(registry.OpenHandles(), 0);
    SetRegistry(nullptr);
}

}  // namespace
