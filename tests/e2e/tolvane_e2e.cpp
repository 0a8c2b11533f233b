// Tolvane.exe under Wine against the simulated service: start at the stored place, a session
// counted, warned, counted down and hung up, its line in the monthly log, the settings in the
// registry; the close, exit, Esc and end-of-session paths; the tray icon and both menus.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "harness.h"
#include "res/resource.h"
#include "screen_probe.h"

namespace {

const char kSettingsKey[] = "Software\\Orlimo\\Tolvane\\Settings";
const char kQuestion[] = "ﾀﾞｲｱﾙ回線を切断しますか";
const int kTrayIcons[] = {IDI_TRAY_NONE, IDI_TRAY_ONE, IDI_TRAY_MANY};

// A session's timeline takes a minute or two; waits for it are long.
constexpr int kLong = 90000;

std::string ProgramPath() { return e2e::TestProgramFolder() + "\\Tolvane.exe"; }

// The file name of this month's log of `entry` in `folder` (the calendar month).
std::string LogFile(const std::string& folder, const std::string& entry) {
    __time64_t now = _time64(nullptr);
    tm local{};
    _localtime64_s(&local, &now);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02d%02d.csv", local.tm_year % 100, local.tm_mon + 1);
    return folder + "\\" + entry + suffix;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What `reg query` prints for the settings key, as a user would ask for it.
std::string RegQuery(const std::string& key) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return "";
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write;
    PROCESS_INFORMATION info{};
    std::string command = "reg.exe query \"HKCU\\" + key + "\"";
    std::string output;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(write);
        write = nullptr;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    if (write) CloseHandle(write);
    CloseHandle(read);
    return output;
}

struct TextSearch {
    std::string text;
    bool found;
};

BOOL CALLBACK MatchChildText(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<TextSearch*>(data);
    if (e2e::WindowText(child) == search->text) search->found = true;
    return TRUE;
}

// Every child text of a window (a message box's text is one of them).
bool HasChildText(HWND window, const std::string& text) {
    TextSearch search{text, false};
    EnumChildWindows(window, MatchChildText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class TolvaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::DeleteRegistryKey("Software\\Orlimo\\Tolvane");
        sim_.WriteScript(u8"entry MyISP area=03 number=12345678\nentry Other number=555\n");
        Set("LogPath", sim_.folder());
    }
    void TearDown() override {
        if (program_.Running()) program_.Terminate();
    }

    void Set(const char* name, DWORD value) { e2e::WriteRegistryDword(kSettingsKey, name, value); }
    void Set(const char* name, const std::string& value) { e2e::WriteRegistryString(kSettingsKey, name, value); }
    DWORD Get(const char* name) {
        DWORD value = 0xBAD;
        e2e::ReadRegistryDword(kSettingsKey, name, &value);
        return value;
    }

    // Starts the program and finds its window (hidden or not).
    HWND Start() {
        if (!program_.Start(ProgramPath(), sim_.Environment())) return nullptr;
        monitor_ = e2e::WaitForWindow(program_.pid(), "Tolvane", "#32770");
        return monitor_;
    }
    // Connects `entry` and waits until the window counts it.
    bool Connect(const char* entry) {
        size_t from = sim_.JournalLines().size();
        return sim_.AppendScript(std::string("connect ") + entry + "\n") &&
               sim_.WaitForJournal(std::string("RasGetEntryPropertiesA entry=") + entry, e2e::kDefaultTimeoutMs,
                                   from) >= 0;
    }
    // A window of the program other than the monitor window, such as a message box.
    HWND WaitForOtherWindow(const char* className) {
        HWND found = nullptr;
        e2e::WaitUntil([&] {
            for (HWND w : e2e::TopWindows(program_.pid()))
                if (w != monitor_ && IsWindowVisible(w) && e2e::ClassName(w) == className) found = w;
            return found != nullptr;
        });
        return found;
    }
    e2e::TrayIconMatch Tray() { return e2e::FindTrayIcon(ProgramPath(), kTrayIcons, 3); }
    bool WaitForTray(int iconId) {
        return e2e::WaitUntil([&] {
            e2e::TrayIconMatch m = Tray();
            return m.found && m.iconId == iconId;
        });
    }
    // Opens a popup menu and picks its item number `item` (from 1) with the keys.
    bool ChooseFromMenu(const std::function<void()>& open, int item, const char* screenshot = nullptr) {
        open();
        if (!e2e::WaitUntil([&] { return e2e::FindPopupMenu(program_.pid()) != nullptr; })) {
            e2e::SaveScreenshot("no-menu.bmp");
            return false;
        }
        if (screenshot) e2e::SaveScreenshot(screenshot);
        std::vector<WORD> keys(static_cast<size_t>(item), VK_DOWN);
        keys.push_back(VK_RETURN);
        return e2e::PostKeys(monitor_, keys);
    }
    bool ClickTray() {
        // Two clicks within the double-click time would be a double click.
        Sleep(GetDoubleClickTime() + 100);
        e2e::TrayIconMatch m = Tray();
        if (!m.found) return false;
        return e2e::ClickAt({(m.rect.left + m.rect.right) / 2, (m.rect.top + m.rect.bottom) / 2});
    }

    e2e::SimFiles sim_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    e2e::Program program_;
    HWND monitor_ = nullptr;
};

// A whole session: counted in control 1003, the warning look, the countdown look, the
// hang-up at the deadline, the log line, and the settings after the exit command.
TEST_F(TolvaneTest, SessionFromStartToHangUp) {
    Set("StratAdjust", 44);    // the first reading: 44 s, two seconds before the warning
    Set("WarningTime", 1);     // a warning in the last 14 s of every minute
    Set("DisconnectTime", 2);  // the forced disconnect after two minutes
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));

    // Stored at 0,0: centred in the work area.
    RECT window, work;
    GetWindowRect(monitor_, &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    LONG width = window.right - window.left, height = window.bottom - window.top;
    EXPECT_NEAR(window.left, work.left + (work.right - work.left - width) / 2, 1);
    EXPECT_NEAR(window.top, work.top + (work.bottom - work.top - height) / 2, 1);
    EXPECT_FALSE(e2e::ControlEnabled(monitor_, IDC_DISCONNECT));
    EXPECT_EQ(e2e::ControlText(monitor_, IDC_SESSION_TIME), "00:00:00");
    EXPECT_EQ(e2e::ControlText(monitor_, IDC_SESSION_CAPTION), "接続時間");

    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(monitor_, IDC_SESSION_TIME).compare(0, 7, "00:00:4") == 0; }));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));
    EXPECT_TRUE(e2e::ControlEnabled(monitor_, IDC_DISCONNECT));
    EXPECT_EQ(e2e::ControlText(monitor_, IDC_MONTH_TOTAL), "00:01");

    // 46 to 59 seconds: the alert look, times still shown.
    ASSERT_TRUE(e2e::WaitForControlText(monitor_, IDC_SESSION_TIME, "00:00:50"));
    HWND button = GetDlgItem(monitor_, IDC_DISCONNECT);
    EXPECT_GT(e2e::RedShare(button), 0.2);
    EXPECT_TRUE(e2e::ControlVisible(monitor_, IDC_SESSION_TIME));
    EXPECT_FALSE(e2e::ControlVisible(monitor_, IDC_COUNTDOWN));
    e2e::SaveScreenshot("warning.bmp", monitor_);

    ASSERT_TRUE(e2e::WaitForControlText(monitor_, IDC_SESSION_TIME, "00:01:03", kLong));
    EXPECT_LT(e2e::RedShare(button), 0.05);
    e2e::SaveScreenshot("normal.bmp", monitor_);

    // 15 s before the deadline: the countdown in place of the times, with the extend button.
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ControlVisible(monitor_, IDC_COUNTDOWN); }, kLong));
    EXPECT_FALSE(e2e::ControlVisible(monitor_, IDC_SESSION_TIME));
    EXPECT_TRUE(e2e::ControlVisible(monitor_, IDC_EXTEND));
    EXPECT_GT(e2e::RedShare(button), 0.2);
    ASSERT_TRUE(e2e::WaitForControlText(monitor_, IDC_COUNTDOWN, "強制切断まで 07 秒"));
    e2e::SaveScreenshot("countdown.bmp", monitor_);

    // The hang-up at 5 s before the deadline, then the normal look without connections.
    int hangUp = sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0", 20000);
    ASSERT_GE(hangUp, 0);
    EXPECT_GE(sim_.WaitForJournal("RasGetConnectStatusA handle=0x1001 -> 6", 5000, static_cast<size_t>(hangUp)), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::ControlEnabled(monitor_, IDC_DISCONNECT); }));
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return e2e::ControlVisible(monitor_, IDC_SESSION_TIME) && !e2e::ControlVisible(monitor_, IDC_COUNTDOWN);
    }));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "Tolvane"; }));

    // The session's line: 115 s (the reading that hung it up), two minutes for the month.
    std::string log = ReadText(LogFile(sim_.folder(), "MyISP"));
    ASSERT_EQ(log.size(), 31u) << log;
    EXPECT_EQ(log.substr(0, 1), "\"");
    EXPECT_EQ(log.substr(11, 3), "\",\"");
    EXPECT_TRUE(log.substr(22) == "\",115,2\r\n" || log.substr(22) == "\",116,2\r\n") << log;

    // The exit command with no connection: no question, the settings saved, a clean end.
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_EXIT));
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    std::string saved = RegQuery(kSettingsKey);
    for (const char* name : {"WinPosX", "WinPosY", "DisconnectEnable", "WarningEnable", "DisconnectTime",
                             "WarningTime", "DlgType", "RunHide", "ShowCnct", "HideCnct", "LogonTime", "TimeUnit",
                             "FixedTime", "FixedTimeH", "FixedTimeM", "DateOffset", "StratAdjust", "LogPath",
                             "WavPath", "TBarDisp"})
        EXPECT_NE(saved.find(name), std::string::npos) << name << " missing from:\n" << saved;
    EXPECT_EQ(Get("WinPosX"), static_cast<DWORD>(window.left));
    EXPECT_EQ(Get("DisconnectTime"), 2u);
}

TEST_F(TolvaneTest, StartsAtItsStoredPlaceAndEscEndsWithoutHangingUp) {
    Set("WinPosX", 100);
    Set("WinPosY", 60);
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    RECT window;
    GetWindowRect(monitor_, &window);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 60);
    ASSERT_TRUE(Connect("MyISP"));

    // Moved, then Esc: the run ends without the close path, so the new place is not kept.
    SetWindowPos(monitor_, nullptr, 200, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(e2e::SendKeys(monitor_, {VK_ESCAPE}));
    ASSERT_TRUE(program_.WaitForExit());
    EXPECT_LT(sim_.WaitForJournal("RasHangUpA", 500), 0);
    EXPECT_EQ(Get("WinPosX"), 100u);
    EXPECT_EQ(Get("WinPosY"), 60u);
    EXPECT_EQ(Get("TimeUnit"), 1u);  // saved by the end processing all the same
}

// Closing asks; Yes hangs up, and the session reaches the log although no tick follows.
TEST_F(TolvaneTest, CloseAsksAndTheEndedSessionIsLogged) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::PostClose(monitor_));
    HWND box = WaitForOtherWindow("#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::WindowText(box), "Tolvane");
    EXPECT_TRUE(HasChildText(box, kQuestion));
    ASSERT_TRUE(e2e::PostCommand(box, IDYES));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 0);
    ASSERT_TRUE(program_.WaitForExit());
    std::string log = ReadText(LogFile(sim_.folder(), "MyISP"));
    EXPECT_EQ(log.size(), 30u) << log;  // "...",seconds of two digits,1
    EXPECT_NE(Get("WinPosX"), 0xBADu);
}

TEST_F(TolvaneTest, ExitAnsweredNoKeepsTheLine) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_EXIT));
    HWND box = WaitForOtherWindow("#32770");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(e2e::PostCommand(box, IDNO));
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_LT(sim_.WaitForJournal("RasHangUpA", 200), 0);
    EXPECT_NE(Get("WinPosY"), 0xBADu);
}

TEST_F(TolvaneTest, EndOfTheLogOnSessionHangsEveryLineUpWithoutAsking) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(Connect("Other"));
    PostMessageA(monitor_, WM_ENDSESSION, TRUE, 0);
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 0);
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1002 entry=Other -> 0"), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return !ReadText(LogFile(sim_.folder(), "MyISP")).empty() && !ReadText(LogFile(sim_.folder(), "Other")).empty();
    }));
    for (HWND w : e2e::TopWindows(program_.pid()))
        EXPECT_FALSE(w != monitor_ && IsWindowVisible(w) && HasChildText(w, kQuestion));
}

// In the tray: hidden at start, the picture follows the connections, the tray menu's
// choices work, and the icon goes with the program.
TEST_F(TolvaneTest, TrayIconAndItsMenu) {
    Set("RunHide", 1);
    Set("ShowCnct", 0);
    ASSERT_NE(Start(), nullptr);
    EXPECT_TRUE(WaitForTray(IDI_TRAY_NONE));
    EXPECT_FALSE(IsWindowVisible(monitor_));

    ASSERT_TRUE(Connect("MyISP"));
    EXPECT_TRUE(WaitForTray(IDI_TRAY_ONE));
    ASSERT_TRUE(Connect("Other"));
    EXPECT_TRUE(WaitForTray(IDI_TRAY_MANY));
    EXPECT_FALSE(IsWindowVisible(monitor_));

    // Item 1: show the window.
    ASSERT_TRUE(ChooseFromMenu([&] { ClickTray(); }, 1));
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));

    // Items: show, version, help, settings, connect, 切断-MyISP, 切断-Other, exit.
    ASSERT_TRUE(ChooseFromMenu([&] { ClickTray(); }, 7, "tray-menu.bmp"));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1002 entry=Other -> 0"), 0);
    EXPECT_TRUE(WaitForTray(IDI_TRAY_ONE));
    EXPECT_LT(sim_.WaitForJournal("RasHangUpA handle=0x1001", 200), 0);

    // The exit item (the seventh now, with one line up) asks; No keeps the line, and the
    // program ends.
    ASSERT_TRUE(ChooseFromMenu([&] { ClickTray(); }, 7));
    HWND box = WaitForOtherWindow("#32770");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(e2e::PostCommand(box, IDNO));
    ASSERT_TRUE(program_.WaitForExit());
    EXPECT_TRUE(e2e::WaitUntil([&] { return !Tray().found; }));
}

// The window menu with two connections lists both; choosing one makes it the displayed one
// (the caption shows the displayed connection's name).
TEST_F(TolvaneTest, WindowMenuSwitchesTheDisplayedConnection) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(Connect("Other"));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));  // the longest runs

    // Items: version, help, settings, MyISP, Other, connect, 切断-MyISP, 切断-Other, exit.
    auto rightClick = [&] { PostMessageA(monitor_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10)); };
    ASSERT_TRUE(ChooseFromMenu(rightClick, 5, "window-menu.bmp"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "Other"; }));
    ASSERT_TRUE(ChooseFromMenu(rightClick, 4));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));

    // The disconnect item of the second connection.
    ASSERT_TRUE(ChooseFromMenu(rightClick, 8));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1002 entry=Other -> 0"), 0);
}

TEST_F(TolvaneTest, SystemMenuAndButtons) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    // The version dialog from the system menu item 16.
    ASSERT_TRUE(e2e::PostSysCommand(monitor_, IDM_ABOUT));
    HWND about = WaitForOtherWindow("#32770");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(e2e::WindowText(about), "ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_TRUE(HasChildText(about, "Tolvane Version 1.10"));
    ASSERT_TRUE(e2e::PostCommand(about, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(about));

    // Disconnect through system menu item 32, with its low bits set as the system may.
    ASSERT_TRUE(e2e::PostSysCommand(monitor_, IDM_DISCONNECT | 0x3));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::ControlEnabled(monitor_, IDC_DISCONNECT); }));
}

}  // namespace
