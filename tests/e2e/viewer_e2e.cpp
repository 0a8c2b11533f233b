// The usage viewer TolvaneLog.exe under Wine: logs of several entries and months made here,
// the list view's rows and the totals read back from outside, the month buttons, the entry
// list, the copy (button and Ctrl+C), the chart clicked, the help at the viewer's topic, a log
// held open sharing nothing but reading, lines appended while it is open, a log of 1.2 GiB
// read while the window answers, and a line of a running Tolvane.exe appearing in it.
#include <cstdio>
#include <ctime>

#include "res/viewer_resource.h"
#include "time_scale.h"
#include "tolvane_fixture.h"

namespace e2etest {
namespace {

const char kViewerTitle[] = "Tolvane 利用状況";
const char kHelpTitle[] = "Tolvane ﾍﾙﾌﾟ";
const char kBadPrice[] = "1単位の料金は、0 から 9999999.99 までの円の額を、小数は 2 けたまでで入力してください。";

// A calendar month, for the file names and the dates of the lines made here.
struct Month {
    int year, month;
    Month Previous() const { return month == 1 ? Month{year - 1, 12} : Month{year, month - 1}; }
    std::string Suffix() const {
        char text[16];
        std::snprintf(text, sizeof text, "%02d%02d.csv", year % 100, month);
        return text;
    }
    std::string Date(int day) const {
        char text[16];
        std::snprintf(text, sizeof text, "%04d/%02d/%02d", year, month, day);
        return text;
    }
};

Month ThisMonth() {
    __time64_t now = _time64(nullptr);
    tm local{};
    _localtime64_s(&local, &now);
    return {local.tm_year + 1900, local.tm_mon + 1};
}

std::string Line(const std::string& date, const char* time, unsigned seconds, unsigned column) {
    return "\"" + date + "\",\"" + time + "\"," + std::to_string(seconds) + "," + std::to_string(column) + "\r\n";
}

bool Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

using Rows = std::vector<std::vector<std::string>>;

class ViewerTest : public TolvaneTest {
protected:
    void SetUp() override {
        TolvaneTest::SetUp();
        e2e::DeleteRegistryKey("Software\\Orlimo\\TolvaneLog");
        Set("DateOffset", 0);  // the calendar month
        Set("TimeUnit", 1);    // per minute, 10 yen a unit by default
        folder_ = sim_.folder();
    }
    void TearDown() override {
        if (viewerProgram_.Running()) viewerProgram_.Terminate();
        TolvaneTest::TearDown();
    }

    HWND StartViewer() {
        started_ = GetTickCount();
        if (!viewerProgram_.Start(e2e::TestProgramFolder() + "\\TolvaneLog.exe")) return nullptr;
        viewer_ = e2e::WaitForWindow(viewerProgram_.pid(), nullptr, "#32770", e2e::kDefaultTimeoutMs, true);
        return viewer_;
    }
    HWND List() const { return GetDlgItem(viewer_, IDC_VIEW_LIST); }
    Rows ListRows() const { return e2e::ListViewRows(List(), 6); }
    bool WaitForRows(int count, int timeoutMs = e2e::kDefaultTimeoutMs) {
        return e2e::WaitUntil([&] { return e2e::ListViewCount(List()) == count; }, timeoutMs);
    }
    bool Click(int id) { return e2e::PostCommand(viewer_, id); }
    std::string Text(int id) const { return e2e::ControlText(viewer_, id); }
    // The viewer answers a message within a second.
    bool Answers() const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(viewer_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
    }

    std::string folder_;
    e2e::Program viewerProgram_;
    HWND viewer_ = nullptr;
    DWORD started_ = 0;
};

// Two entries over two months, a foreign line and a foreign file: the rows and totals of each
// month and entry, the copy, the chart, the help, a log held by another program and lines
// added while the window is open.
TEST_F(ViewerTest, MonthsEntriesCopyChartAndNewLines) {
    const Month now = ThisMonth(), before = now.Previous();
    const std::string mine = folder_ + "\\MyISP" + now.Suffix();
    const std::string mineBefore = Line(now.Date(1), "09:05:07", 125, 3) + Line(now.Date(2), "22:58:10", 600, 13) +
                                   "not a line of Tolvane's\r\n" + Line(now.Date(3), "07:55:00", 61, 15);
    ASSERT_TRUE(Write(mine, mineBefore));
    ASSERT_TRUE(Write(folder_ + "\\Other" + now.Suffix(), Line(now.Date(2), "10:00:00", 30, 1)));
    ASSERT_TRUE(Write(folder_ + "\\MyISP" + before.Suffix(),
                      Line(before.Date(10), "12:00:00", 3600, 60) + Line(before.Date(11), "12:00:00", 59, 61)));
    ASSERT_TRUE(Write(folder_ + "\\notes.csv", "not a log\r\n"));

    ASSERT_NE(StartViewer(), nullptr);
    ASSERT_TRUE(WaitForRows(4));
    std::printf("the current month shown %lu ms after the start\n", GetTickCount() - started_);
    EXPECT_EQ(e2e::WindowText(viewer_), std::string(kViewerTitle) + " - " + folder_);  // the folder it reads
    // Oldest first, all entries; 料金 at 10 yen for every minute begun.
    const Rows rows = {
        {"MyISP", now.Date(1), "09:05:07", "00:02:05", "3", "30"},
        {"Other", now.Date(2), "10:00:00", "00:00:30", "1", "10"},
        {"MyISP", now.Date(2), "22:58:10", "00:10:00", "10", "100"},
        {"MyISP", now.Date(3), "07:55:00", "00:01:01", "2", "20"},
    };
    EXPECT_EQ(ListRows(), rows);
    EXPECT_EQ(Text(IDC_VIEW_COUNT), "4 回");
    EXPECT_EQ(Text(IDC_VIEW_TIME), "00:13:36");
    EXPECT_EQ(Text(IDC_VIEW_UNITS), "16");
    EXPECT_EQ(Text(IDC_VIEW_COST), "160 円");
    // Tolvane's 月度累計: each log's largest fourth column, as hours:minutes.
    EXPECT_EQ(Text(IDC_VIEW_MONTH_TOTAL), "MyISP  00:15\r\nOther  00:01");
    EXPECT_NE(Text(IDC_VIEW_PROJECTION).find("見込み"), std::string::npos);
    const std::string status = Text(IDC_VIEW_STATUS);
    EXPECT_NE(status.find("MyISP" + now.Suffix()), std::string::npos) << e2e::Utf8FromAnsi(status);
    EXPECT_NE(status.find("3 行目"), std::string::npos) << e2e::Utf8FromAnsi(status);
    EXPECT_EQ(status.find("notes.csv"), std::string::npos) << e2e::Utf8FromAnsi(status);
    e2e::SaveScreenshot("viewer-month.bmp", viewer_);

    // The copy, by the button and by Ctrl+C: the shown month for a spreadsheet.
    const std::string copied = std::string("接続先\t日付\t開始\t秒\t課金単位\t料金\r\n") + "MyISP\t" + now.Date(1) +
                               "\t09:05:07\t125\t3\t30\r\n" + "Other\t" + now.Date(2) + "\t10:00:00\t30\t1\t10\r\n" +
                               "MyISP\t" + now.Date(2) + "\t22:58:10\t600\t10\t100\r\n" + "MyISP\t" + now.Date(3) +
                               "\t07:55:00\t61\t2\t20\r\n" + "合計\t\t\t816\t16\t160\r\n";
    ASSERT_TRUE(e2e::ClearClipboard());
    ASSERT_TRUE(Click(IDC_VIEW_COPY));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ClipboardText() == copied; })) << e2e::Utf8FromAnsi(e2e::ClipboardText());
    ASSERT_TRUE(e2e::ClearClipboard());
    ASSERT_TRUE(e2e::SendChord(viewer_, {VK_CONTROL, 'C'}));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ClipboardText() == copied; })) << e2e::Utf8FromAnsi(e2e::ClipboardText());

    // The month before, then back; this month again.
    const std::string title = Text(IDC_VIEW_MONTH);
    ASSERT_TRUE(Click(IDC_VIEW_PREV));
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_EQ(ListRows()[0], (std::vector<std::string>{"MyISP", before.Date(10), "12:00:00", "01:00:00", "60", "600"}));
    EXPECT_EQ(Text(IDC_VIEW_COST), "610 円");
    EXPECT_EQ(Text(IDC_VIEW_MONTH_TOTAL), "MyISP  01:01");
    EXPECT_EQ(Text(IDC_VIEW_PROJECTION), "");
    EXPECT_NE(Text(IDC_VIEW_MONTH), title);
    ASSERT_TRUE(Click(IDC_VIEW_NEXT));
    ASSERT_TRUE(WaitForRows(4));
    EXPECT_EQ(Text(IDC_VIEW_MONTH), title);
    ASSERT_TRUE(Click(IDC_VIEW_PREV));
    ASSERT_TRUE(WaitForRows(2));
    ASSERT_TRUE(Click(IDC_VIEW_THIS));
    ASSERT_TRUE(WaitForRows(4));

    // One entry: its sessions and its own 月度累計.
    HWND entries = GetDlgItem(viewer_, IDC_VIEW_ENTRY);
    ASSERT_EQ(SendMessageA(entries, CB_GETCOUNT, 0, 0), 3);  // すべての接続先, MyISP, Other
    SendMessageA(entries, CB_SETCURSEL, 2, 0);
    PostMessageA(viewer_, WM_COMMAND, MAKEWPARAM(IDC_VIEW_ENTRY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(entries));
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_EQ(ListRows()[0][0], "Other");
    EXPECT_EQ(Text(IDC_VIEW_MONTH_TOTAL), "Other  00:01");
    SendMessageA(entries, CB_SETCURSEL, 0, 0);
    PostMessageA(viewer_, WM_COMMAND, MAKEWPARAM(IDC_VIEW_ENTRY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(entries));
    ASSERT_TRUE(WaitForRows(4));

    // MyISP's tariff: a price with three decimals is refused with a box, the dialog stays; then
    // every 3 minutes begun at 12.50 yen, stored in the viewer's key, the costs shown at once.
    ASSERT_TRUE(Click(IDC_VIEW_TARIFF));
    HWND tariff = e2e::WaitForWindow(viewerProgram_.pid(), "料金の設定", "#32770", e2e::kDefaultTimeoutMs, true);
    ASSERT_NE(tariff, nullptr);
    EXPECT_EQ(e2e::ControlText(tariff, IDC_TARIFF_ENTRY), "MyISP");
    EXPECT_EQ(e2e::ControlText(tariff, IDC_TARIFF_UNIT), "分単位");  // Tolvane's TimeUnit
    EXPECT_EQ(e2e::ControlText(tariff, IDC_TARIFF_PRICE), "10");
    ASSERT_TRUE(e2e::SetControlText(tariff, IDC_TARIFF_PRICE, "12.345"));
    ASSERT_TRUE(e2e::PostCommand(tariff, IDOK));
    HWND refused = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] {
        for (HWND w : e2e::TopWindows(viewerProgram_.pid()))
            if (w != viewer_ && w != tariff && IsWindowVisible(w) && HasChildText(w, kBadPrice)) refused = w;
        return refused != nullptr;
    }));
    PostMessageA(refused, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(e2e::WaitForWindowGone(refused));
    EXPECT_TRUE(IsWindowVisible(tariff));
    SendDlgItemMessageA(tariff, IDC_TARIFF_UNIT, CB_SETCURSEL, 2, 0);  // 3分単位
    ASSERT_TRUE(e2e::SetControlText(tariff, IDC_TARIFF_PRICE, "12.5"));
    ASSERT_TRUE(e2e::PostCommand(tariff, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(tariff));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ListRows()[0][5] == "13"; }));  // 12.5 yen, halves up
    EXPECT_EQ(ListRows()[2], (std::vector<std::string>{"MyISP", now.Date(2), "22:58:10", "00:10:00", "4", "50"}));
    std::string stored;
    EXPECT_TRUE(e2e::ReadRegistryString("Software\\Orlimo\\TolvaneLog\\Tariffs", "MyISP", &stored));
    EXPECT_EQ(stored, "2,12.50");
    EXPECT_EQ(Text(IDC_VIEW_COST), "85 円");  // the exact sum, 12.5 + 10 + 50 + 12.5, not the rows' 13 + 10 + 50 + 13

    // The twelve months, by time and by cost; a click on last month's bar shows that month.
    ASSERT_TRUE(Click(IDC_VIEW_YEAR));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlVisible(viewer_, IDC_VIEW_CHART); }));
    EXPECT_FALSE(e2e::ControlVisible(viewer_, IDC_VIEW_LIST));
    e2e::Pause(300);
    e2e::SaveScreenshot("viewer-year.bmp", viewer_);
    ASSERT_TRUE(Click(IDC_VIEW_CHART_COST));
    e2e::Pause(300);
    e2e::SaveScreenshot("viewer-year-cost.bmp", viewer_);
    // A click as the chart's window gets it (SendInput's clicks land some way off their point
    // under Wine's virtual desktop): the middle of the eleventh of the twelve slots.
    HWND chart = GetDlgItem(viewer_, IDC_VIEW_CHART);
    RECT area{};
    GetClientRect(chart, &area);
    const LONG slot = (area.right - 8) / 12;
    ASSERT_TRUE(PostMessageA(chart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4 + slot * 10 + slot / 2, area.bottom / 2)));
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_TRUE(e2e::ControlVisible(viewer_, IDC_VIEW_LIST));
    ASSERT_TRUE(Click(IDC_VIEW_THIS));
    ASSERT_TRUE(WaitForRows(4));

    // The help, at the viewer's topic of the help file beside it.
    ASSERT_TRUE(Click(ID_HELP));
    HWND help = e2e::WaitForWindow(0, kHelpTitle, "MS_WINHELP", 30000, true);
    ASSERT_NE(help, nullptr);
    HWND topic = ChildOfClass(help, "RichEdit20A");
    std::string shown;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (shown = topic ? SentText(topic) : "").rfind("利用状況を見る\r", 0) == 0; }))
        << e2e::Utf8FromAnsi(shown.substr(0, 100));
    PostMessageA(help, WM_CLOSE, 0, 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(help));

    // Held open by a spreadsheet that lets others only read, and written through: the window
    // shows the new line within 5 s all the same, and the holder keeps its file.
    HANDLE holder = CreateFileA(mine.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::string added = Line(now.Date(4), "20:00:00", 240, 19);
    DWORD written = 0;
    SetFilePointer(holder, 0, nullptr, FILE_END);
    ASSERT_TRUE(WriteFile(holder, added.data(), static_cast<DWORD>(added.size()), &written, nullptr));
    DWORD seen = GetTickCount();
    ASSERT_TRUE(WaitForRows(5, Scaled(5000)));
    std::printf("a new line shown %lu ms after it was written\n", GetTickCount() - seen);
    EXPECT_EQ(ListRows()[4], (std::vector<std::string>{"MyISP", now.Date(4), "20:00:00", "00:04:00", "2", "25"}));
    EXPECT_EQ(Text(IDC_VIEW_MONTH_TOTAL), "MyISP  00:19\r\nOther  00:01");
    EXPECT_TRUE(CloseHandle(holder));

    // Esc closes the window, and the folder holds what it held.
    ASSERT_TRUE(e2e::SendKeys(viewer_, {VK_ESCAPE}));
    DWORD code = 1;
    ASSERT_TRUE(viewerProgram_.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadText(mine), mineBefore + added);
}

// A log of 1.2 GiB (sparse, a real line at its end): read in pieces with a progress bar and
// the stop button while the window answers; stopped, the window says so and shows the rest.
TEST_F(ViewerTest, ABigLogIsReadWhileTheWindowAnswers) {
    const Month now = ThisMonth();
    ASSERT_TRUE(Write(folder_ + "\\MyISP" + now.Suffix(), Line(now.Date(1), "09:00:00", 60, 1)));
    const std::string big = folder_ + "\\Big" + now.Suffix();
    HANDLE file = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string last = "\r\n" + Line(now.Date(2), "10:00:00", 120, 2);
    LARGE_INTEGER at;
    at.QuadPart = (1288490189LL) - static_cast<LONGLONG>(last.size());  // 1.2 GiB in all
    DWORD written = 0;
    ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(file, last.data(), static_cast<DWORD>(last.size()), &written, nullptr));
    ASSERT_TRUE(CloseHandle(file));

    ASSERT_NE(StartViewer(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlVisible(viewer_, IDC_VIEW_PROGRESS); }));
    EXPECT_TRUE(e2e::ControlVisible(viewer_, IDC_VIEW_STOP));
    int answered = 0;
    for (int i = 0; i < 5 && e2e::ControlVisible(viewer_, IDC_VIEW_PROGRESS); ++i, Sleep(100)) answered += Answers();
    EXPECT_GE(answered, 1);
    EXPECT_TRUE(Answers());
    e2e::SaveScreenshot("viewer-reading.bmp", viewer_);
    ASSERT_TRUE(Click(IDC_VIEW_STOP));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::ControlVisible(viewer_, IDC_VIEW_PROGRESS); }));
    EXPECT_FALSE(e2e::ControlVisible(viewer_, IDC_VIEW_STOP));
    // The small log was read first or beside it; the big one is named as not read to its end.
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewCount(List()) >= 1; }));
    EXPECT_EQ(ListRows()[0][0], "MyISP");
    const std::string status = Text(IDC_VIEW_STATUS);
    EXPECT_NE(status.find("Big" + now.Suffix()), std::string::npos) << e2e::Utf8FromAnsi(status);
    EXPECT_TRUE(Answers());
    ASSERT_TRUE(viewerProgram_.End());
    DeleteFileA(big.c_str());
}

// A folder of two years of three busy entries (24 months x 3 entries x 300 sessions): how soon
// the window shows the current month after its start, and how long a month's switch takes
// (the command sent, so that its answer comes once the month is shown). The figures are
// reported for bench/RESULTS.md; what is checked is that every month comes whole.
TEST_F(ViewerTest, TwoYearsOfThreeEntriesStartAndSwitchMonths) {
    // Sessions of some minutes, more in some months than in others; this month's up to today.
    __time64_t clock = _time64(nullptr);
    tm today{};
    _localtime64_s(&today, &clock);
    Month month = ThisMonth();
    for (int m = 0; m < 24; ++m, month = month.Previous()) {
        const int days = m == 0 ? today.tm_mday : 28;
        unsigned e = 0;
        for (const char* entry : {"MyISP", "Other", "Third"}) {
            std::string lines;
            unsigned total = 0;
            for (int i = 0; i < 300; ++i) {
                char time[16];
                std::snprintf(time, sizeof time, "%02d:%02d:%02d", 8 + i % 15, i * 7 % 60, i * 13 % 60);
                const unsigned seconds = 30 + (i * 37 + m * 53 + e * 101) % (200 + (m * 7 + e * 3) % 12 * 40);
                total += (seconds + 59) / 60;
                lines += Line(month.Date(1 + i % days), time, seconds, total);
            }
            ++e;
            ASSERT_TRUE(Write(folder_ + "\\" + entry + month.Suffix(), lines));
        }
    }
    ASSERT_NE(StartViewer(), nullptr);
    ASSERT_TRUE(WaitForRows(900, Scaled(30000)));
    std::printf("24 months x 3 entries x 300 sessions: the current month shown %lu ms after the start\n",
                GetTickCount() - started_);
    e2e::Pause(300);
    e2e::SaveScreenshot("viewer-busy-month.bmp", viewer_);
    ASSERT_TRUE(Click(IDC_VIEW_YEAR));
    e2e::Pause(300);
    e2e::SaveScreenshot("viewer-busy-year.bmp", viewer_);
    ASSERT_TRUE(Click(IDC_VIEW_CHART_COST));
    e2e::Pause(300);
    e2e::SaveScreenshot("viewer-busy-year-cost.bmp", viewer_);
    ASSERT_TRUE(Click(IDC_VIEW_SESSIONS));
    DWORD slowest = 0, sum = 0;
    for (int i = 0; i < 12; ++i) {
        DWORD before = GetTickCount();
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(viewer_, WM_COMMAND, MAKEWPARAM(IDC_VIEW_PREV, BN_CLICKED),
                                        reinterpret_cast<LPARAM>(GetDlgItem(viewer_, IDC_VIEW_PREV)), SMTO_ABORTIFHUNG,
                                        5000, &result));
        DWORD took = GetTickCount() - before;
        slowest = took > slowest ? took : slowest;
        sum += took;
        ASSERT_EQ(e2e::ListViewCount(List()), 900) << "month " << i;
    }
    std::printf("a month's switch: %lu ms on average, %lu ms at most (12 switches)\n", sum / 12, slowest);
    ASSERT_TRUE(viewerProgram_.End());
}

// A session that a running Tolvane.exe counts and logs appears in the open viewer.
TEST_F(ViewerTest, ALineTolvaneWritesAppearsInTheOpenViewer) {
    ASSERT_NE(StartViewer(), nullptr);
    ASSERT_TRUE(WaitForRows(0));
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::WaitForControlText(monitor_, IDC_SESSION_TIME, "00:00:17", kLong));
    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n"));
    const std::string log = LogFile(sim_.folder(), "MyISP");
    ASSERT_TRUE(e2e::WaitUntil([&] { return !ReadText(log).empty(); }, kLong));
    DWORD written = GetTickCount();
    ASSERT_TRUE(WaitForRows(1, Scaled(5000)));
    std::printf("Tolvane's line shown %lu ms after it was written\n", GetTickCount() - written);
    const Rows rows = ListRows();
    EXPECT_EQ(rows[0][0], "MyISP");
    EXPECT_EQ(rows[0][3].substr(0, 7), "00:00:1");
    EXPECT_EQ(Text(IDC_VIEW_COUNT), "1 回");
    EXPECT_EQ(Text(IDC_VIEW_MONTH_TOTAL), "MyISP  " + e2e::ControlText(monitor_, IDC_MONTH_TOTAL));
    ASSERT_TRUE(viewerProgram_.End());
}

}  // namespace
}  // namespace e2etest
