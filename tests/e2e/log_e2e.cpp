// Tolvane.exe and its monthly logs under Wine: totals read back exactly however many sessions
// the month holds, a log held open by a spreadsheet or sharing nothing for a while, a full
// disk reported while the deadlines go on, logs past 1 GiB and past 4 GiB read and appended
// to, and window texts set only when they change.
#include "tolvane_fixture.h"

#include <vector>

namespace {

using namespace e2etest;

std::vector<std::string> LogLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Column `n` (from 0) of a log line.
std::string Column(const std::string& line, int n) {
    size_t start = 0;
    for (int i = 0; i < n && start != std::string::npos; ++i) {
        start = line.find(',', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    return line.substr(start, line.find(',', start) - start);
}

// The per-second unit's fourth column for a month total, and the total it stands for, in
// whole numbers: minutes, then hundredths of a minute that are 3/5 s each.
std::string PerSecondColumn(uint32_t total) {
    std::string text = std::to_string(total / 60);
    uint32_t hundredths = total % 60 * 100 / 60;
    if (hundredths) text += (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
    return text;
}
uint32_t PerSecondTotal(const std::string& column) {
    size_t point = column.find('.');
    uint32_t total = static_cast<uint32_t>(std::stoul(column.substr(0, point))) * 60;
    if (point != std::string::npos) total += static_cast<uint32_t>(std::stoul(column.substr(point + 1))) * 3 / 5;
    return total;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

// A file of `size` bytes, all zero (sparse where the file system allows) but for `tail` at
// its end.
bool WriteSparseLog(const std::string& path, uint64_t size, const std::string& tail) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size - tail.size());
    DWORD written = 0;
    bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
              WriteFile(file, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr) &&
              written == tail.size();
    return CloseHandle(file) && ok;
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

std::string Tail(const std::string& path, size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(-static_cast<std::streamoff>(bytes), std::ios::end);
    std::string tail(bytes, '\0');
    in.read(&tail[0], static_cast<std::streamsize>(bytes));
    return in ? tail : std::string();
}

class LogTest : public TolvaneTest {
protected:
    // Returns once the tick that took in the script's last lines has done all its work: the
    // first mark is taken in by one tick's first call, the second by the next tick's. The logs
    // are read only then, so that the program never finds them open here and leaves a line
    // waiting for a later tick.
    bool TickDone() { return sim_.Sync("a") && sim_.Sync("b"); }
    // One session of `entry`: connected, counted, dropped and logged.
    bool Session(const char* entry) {
        return Connect(entry) && sim_.AppendScript(std::string("drop ") + entry + "\n") && TickDone();
    }
    // Per minute, every line's fourth column carries on from the one before with its seconds.
    static void ExpectMinutesCarriedOn(const std::vector<std::string>& lines) {
        for (size_t i = 1; i < lines.size(); ++i) {
            unsigned long total = std::stoul(Column(lines[i - 1], 3)) * 60 + std::stoul(Column(lines[i], 2));
            EXPECT_EQ(Column(lines[i], 3), std::to_string((total + 59) / 60)) << "line " << i << ": " << lines[i];
        }
    }
};

// "0.35" minutes is 21 s; read back with x87 precision it was 20, and every session of a
// per-second month lost a second more. Each line's total must carry on from the one before.
TEST_F(LogTest, PerSecondTotalsAreReadBackExactlySessionAfterSession) {
    Set("TimeUnit", 0);
    Set("StratAdjust", 21);  // sessions of 21 or 22 s: totals of 42, 63, ... s fall on 3/5 s steps
    std::string log = LogFile(sim_.folder(), "MyISP");
    ASSERT_TRUE(WriteBytes(log, "\"2026/12/01\",\"10:00:00\",21,0.35\r\n"));
    ASSERT_NE(Start(), nullptr);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(Session("MyISP")) << "session " << i;

    std::vector<std::string> lines = LogLines(ReadText(log));
    ASSERT_EQ(lines.size(), 7u);
    for (size_t i = 1; i < lines.size(); ++i) {
        uint32_t before = PerSecondTotal(Column(lines[i - 1], 3));
        uint32_t seconds = static_cast<uint32_t>(std::stoul(Column(lines[i], 2)));
        EXPECT_EQ(Column(lines[i], 3), PerSecondColumn(before + seconds)) << "line " << i << ": " << lines[i];
    }
}

// A log held open as a spreadsheet holds it (to read and write, letting others read) across
// a whole session: the window's month total counts its lines, the session's line waits, said
// once, and a session that begins meanwhile counts that line too; let go, the file takes both
// with the month carried on.
TEST_F(LogTest, ALogHeldBySpreadsheetKeepsTheMonthAndTheLines) {
    std::string log = LogFile(sim_.folder(), "MyISP");
    ASSERT_TRUE(WriteBytes(log, "\"2026/12/01\",\"10:00:00\",3000,50\r\n"));
    HANDLE spreadsheet = CreateFileA(log.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(spreadsheet, INVALID_HANDLE_VALUE);
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    EXPECT_TRUE(e2e::WaitForControlText(monitor_, IDC_MONTH_TOTAL, "00:51"));  // 50 minutes and 15 s
    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n") && TickDone());
    HWND box = WaitForOtherWindow("#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(HasChildText(box, "ﾛｸﾞﾌｧｲﾙ " + log + " への書き込みに失敗しました。\n記録は保持し、書き込めるようになりしだい追加します。"));
    ASSERT_TRUE(e2e::PostCommand(box, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(box));

    ASSERT_TRUE(Connect("MyISP"));
    EXPECT_TRUE(e2e::WaitForControlText(monitor_, IDC_MONTH_TOTAL, "00:52"));  // 51 minutes logged, and 15 s
    CloseHandle(spreadsheet);
    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n") && TickDone());
    std::vector<std::string> lines = LogLines(ReadText(log));
    ASSERT_EQ(lines.size(), 3u);
    ExpectMinutesCarriedOn(lines);
    for (HWND w : e2e::TopWindows(program_.pid())) EXPECT_FALSE(w != monitor_ && IsWindowVisible(w));  // said once
}

// A log held sharing nothing when a session begins, then let go: the session counts at once,
// its month read a moment later; that session and two more carry the month on exactly.
TEST_F(LogTest, AReadErrorThatHealsLeavesTheTotalsExact) {
    std::string log = LogFile(sim_.folder(), "MyISP");
    ASSERT_TRUE(WriteBytes(log, "\"2026/12/01\",\"10:00:00\",3000,50\r\n"));
    HANDLE sole = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(sole, INVALID_HANDLE_VALUE);
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    EXPECT_TRUE(e2e::WaitForControlText(monitor_, IDC_MONTH_TOTAL, "00:01"));  // the session alone
    CloseHandle(sole);
    EXPECT_TRUE(e2e::WaitForControlText(monitor_, IDC_MONTH_TOTAL, "00:51"));
    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n") && TickDone());
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(Session("MyISP")) << "session " << i;

    std::vector<std::string> lines = LogLines(ReadText(log));
    ASSERT_EQ(lines.size(), 4u);
    ExpectMinutesCarriedOn(lines);
}

// The log cannot be written (a disk with no room left): the box names the file, and while it
// is open the ticks go on: the other line is hung up at its forced deadline and logged. Once
// the disk takes it, the line waiting is written.
TEST_F(LogTest, AFullDiskIsReportedWhileAnotherDeadlineHangsUp) {
    Set("DisconnectTime", 1);
    Set("StratAdjust", 30);  // Other is hung up about 25 s after it begins to count
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("Other"));
    ASSERT_TRUE(Connect("MyISP"));
    // Once MyISP's month is read, its log becomes a link to /dev/full: every write to it fails.
    std::string log = LogFile(sim_.folder(), "MyISP");
    std::string unixLog = e2e::UnixPath(sim_.folder()) + log.substr(log.rfind('\\')).replace(0, 1, "/");
    ASSERT_TRUE(e2e::StartUnix("/bin/ln -sf /dev/full \"" + unixLog + "\""));
    ASSERT_TRUE(e2e::WaitUntil([&] {  // Wine gives a device no attributes: open it to see it
        HANDLE file = CreateFileA(log.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file);
    }));
    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n"));

    HWND box = WaitForOtherWindow("#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(HasChildText(box, "ﾛｸﾞﾌｧｲﾙ " + log + " への書き込みに失敗しました。\n記録は保持し、書き込めるようになりしだい追加します。"));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=Other -> 0", 40000), 0);
    EXPECT_TRUE(IsWindow(box) && IsWindowVisible(box)) << "the box was closed before the deadline";
    ASSERT_TRUE(TickDone());
    EXPECT_EQ(LogLines(ReadText(LogFile(sim_.folder(), "Other"))).size(), 1u);

    ASSERT_TRUE(e2e::PostCommand(box, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(box));
    ASSERT_TRUE(e2e::StartUnix("/bin/rm -f \"" + unixLog + "\""));
    // The link goes while this test goes on, and reading /dev/full never ends: the log is read
    // once it has attributes again, which Wine gives no device.
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return GetFileAttributesA(log.c_str()) != INVALID_FILE_ATTRIBUTES && LogLines(ReadText(log)).size() == 1;
    }));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_EXIT));
    EXPECT_TRUE(program_.WaitForExit());
}

// Logs of 1.2 GiB and past 4 GiB (sparse, their last line real) are read to their end without
// ending the program: the month's total comes from the last line, and the session's line goes
// after it.
TEST_F(LogTest, LogsPastAGigabyteAndPastFourAreReadAndAppendedTo) {
    const uint64_t kSizes[] = {uint64_t{1228} << 20, (uint64_t{4} << 30) + (uint64_t{300} << 20)};
    const std::string kLast = "\"2026/12/01\",\"10:00:00\",600,10\r\n";  // ten minutes
    std::string log = LogFile(sim_.folder(), "MyISP");
    ASSERT_NE(Start(), nullptr);
    for (uint64_t size : kSizes) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(WriteSparseLog(log, size, "\r\n" + kLast));
        ASSERT_TRUE(Connect("MyISP"));
        // The read blocks the tick that began the session; slowly emulated, for a minute or more.
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(monitor_, IDC_MONTH_TOTAL) >= "00:11"; }, kLong));
        ASSERT_TRUE(sim_.AppendScript("drop MyISP\n") && TickDone());
        ASSERT_GT(FileSize(log), size);
        std::string tail = Tail(log, 3 * kLast.size());
        size_t last = tail.rfind(kLast);
        ASSERT_NE(last, std::string::npos) << tail;
        std::string added = tail.substr(last + kLast.size());  // after the line that was last
        ASSERT_EQ(LogLines(added).size(), 1u) << added;
        uint32_t seconds = static_cast<uint32_t>(std::stoul(Column(added, 2)));
        EXPECT_EQ(Column(added, 3), std::to_string((600 + seconds + 59) / 60) + "\r\n") << added;  // per minute
        EXPECT_TRUE(program_.Running());
    }
    DeleteFileA(log.c_str());
}

// A text the window shows is set again only when it changes: one put there from outside
// stays until the program's own text changes. The session time changes every second, the
// month's total every minute, the caption with the displayed line.
TEST_F(TolvaneTest, WindowTextsAreSetOnlyWhenTheyChange) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));
    for (int id : {IDC_SESSION_TIME, IDC_MONTH_TOTAL}) ASSERT_TRUE(e2e::SetControlText(monitor_, id, "xx"));
    ASSERT_TRUE(SetWindowTextA(monitor_, "zz"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(monitor_, IDC_SESSION_TIME) != "xx"; }));
    e2e::Pause(1100);  // two ticks more
    EXPECT_EQ(e2e::ControlText(monitor_, IDC_MONTH_TOTAL), "xx");
    EXPECT_EQ(e2e::WindowText(monitor_), "zz");

    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "Tolvane"; }));
}

}  // namespace
