// Tolvane.exe under Wine against the simulated service: start at the stored place, a session
// counted, warned, counted down and hung up, its line in the monthly log, the settings in the
// registry; the close, exit, Esc and end-of-session paths; the tray icon and both menus; one
// dialog at a time; dialling with a saved password where the service loads a stand-in.
#include "tolvane_fixture.h"

namespace {

using namespace e2etest;

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
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::RedShare(button) > 0.2; }));  // repainted soon after
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

// Closing with HideCnct on and a line up: the shutdown's tick that logs the hung-up session
// leaves the window where it is, neither minimised nor moved. The session's log is a link to
// /dev/full, so its write fails and a box holds the close open just after that tick.
TEST_F(TolvaneTest, ClosingWithALineUpLeavesTheWindowWhereItIs) {
    Set("HideCnct", 1);
    Set("WinPosX", 200);
    Set("WinPosY", 150);
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));  // its month read
    std::string log = LogFile(sim_.folder(), "MyISP");
    std::string unixLog = e2e::UnixPath(sim_.folder()) + log.substr(log.rfind('\\')).replace(0, 1, "/");
    ASSERT_TRUE(e2e::StartUnix("/bin/ln -sf /dev/full \"" + unixLog + "\""));
    ASSERT_TRUE(e2e::WaitUntil([&] {
        HANDLE file = CreateFileA(log.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file);
    }));
    RECT before;
    ASSERT_TRUE(GetWindowRect(monitor_, &before));
    ASSERT_TRUE(e2e::PostClose(monitor_));
    HWND question = WaitForOtherWindow("#32770");
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(HasChildText(question, kQuestion));
    ASSERT_TRUE(e2e::PostCommand(question, IDYES));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 0);
    // The line that could not be written is reported; every such box is looked under and
    // dismissed in turn.
    int boxes = 0;
    for (;;) {
        HWND box = nullptr;
        e2e::WaitUntil([&] {
            for (HWND w : e2e::TopWindows(program_.pid()))
                if (w != monitor_ && w != question && IsWindowVisible(w) && e2e::ClassName(w) == "#32770") box = w;
            return box || !program_.Running();
        });
        if (!box || ++boxes > 5) break;
        RECT now{};
        EXPECT_FALSE(IsIconic(monitor_)) << "box " << boxes;
        EXPECT_TRUE(GetWindowRect(monitor_, &now) && now.left == before.left && now.top == before.top) << "box " << boxes;
        e2e::PostCommand(box, IDCANCEL);
        e2e::WaitForWindowGone(box);
    }
    EXPECT_GE(boxes, 1);
    EXPECT_TRUE(program_.WaitForExit());
    EXPECT_EQ(Get("WinPosX"), 200u);
    EXPECT_EQ(Get("WinPosY"), 150u);
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

// A restarted shell forgets the icons it showed; the program adds its own again, with the
// picture for its connections.
TEST_F(TolvaneTest, TrayIconComesBackWithANewTaskbar) {
    Set("RunHide", 1);
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(WaitForTray(IDI_TRAY_ONE));
    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = monitor_;
    icon.uID = ID_TRAY_ICON;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));  // as a shell that went away
    ASSERT_TRUE(e2e::WaitUntil([&] { return !Tray().found; }));
    PostMessageA(monitor_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitForTray(IDI_TRAY_ONE));
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
    auto rightClick = [&] { RightClick(); };
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

const char kSettingsTitle[] = "Tolvane - 設定";
const char kDialTitle[] = "ﾀﾞｲｱﾙｱｯﾌﾟ接続";
const char kProgressTitle[] = "ﾀﾞｲｱﾙ接続中";

TEST_F(TolvaneTest, SettingsDialogOpensFromTheButtonTheMenuAndTheSystemMenu) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    const std::function<void()> openers[] = {
        [&] { e2e::PostCommand(monitor_, IDC_SETTINGS_BUTTON); },
        [&] { ChooseFromMenu([&] { RightClick(); }, 3); },  // version, help, settings
        [&] { e2e::PostSysCommand(monitor_, IDM_SETTINGS); },
    };
    for (const auto& open : openers) {
        open();
        HWND dialog = WaitForDialog(kSettingsTitle);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(e2e::ControlVisible(dialog, ID_HELP));
        ASSERT_TRUE(e2e::PostCommand(dialog, IDCANCEL));
        ASSERT_TRUE(e2e::WaitForWindowGone(dialog));
    }
}

TEST_F(TolvaneTest, SettingsOkStoresEveryValueAndTheNextTickUsesThem) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));

    e2e::PostCommand(monitor_, IDC_SETTINGS_BUTTON);
    HWND dialog = WaitForDialog(kSettingsTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::ControlText(dialog, IDC_WARNING_TIME), "3");  // the defaults come in
    EXPECT_EQ(e2e::ControlText(dialog, IDC_STRAT_ADJUST), "15");
    const struct {
        int id;
        const char* text;
    } edits[] = {
        {IDC_WARNING_TIME, "5"}, {IDC_DISCONNECT_TIME, "30"}, {IDC_FIXED_TIME_H, "25"}, {IDC_FIXED_TIME_M, "7"},
        {IDC_STRAT_ADJUST, "20"}, {IDC_DATE_OFFSET, " 21 "},
    };
    for (const auto& e : edits) ASSERT_TRUE(e2e::SetControlText(dialog, e.id, e.text));
    SendMessageA(GetDlgItem(dialog, IDC_HIDE_CNCT), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(dialog, IDC_WARNING_ENABLE), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(dialog, IDC_TIME_UNIT), CB_SETCURSEL, 2, 0);
    SendMessageA(GetDlgItem(dialog, IDC_LOGON_TIME), CB_SETCURSEL, 1, 0);
    SendMessageA(GetDlgItem(dialog, IDC_TBAR_DISP), CB_SETCURSEL, 3, 0);  // the phone number
    ASSERT_TRUE(e2e::PostCommand(dialog, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(dialog));

    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "0312345678"; }));
    std::string saved = RegQuery(kSettingsKey);
    const struct {
        const char* name;
        const char* value;
    } expected[] = {
        {"WarningTime", "0x5"}, {"DisconnectTime", "0x1e"}, {"FixedTimeH", "0x19"}, {"FixedTimeM", "0x7"},
        {"StratAdjust", "0x14"}, {"DateOffset", "0x15"}, {"HideCnct", "0x1"}, {"WarningEnable", "0x0"},
        {"TimeUnit", "0x2"}, {"LogonTime", "0x1"}, {"TBarDisp", "0x3"}, {"RunHide", "0x0"},
        {"ShowCnct", "0x1"}, {"FixedTime", "0x0"}, {"DisconnectEnable", "0x1"},
    };
    for (const auto& e : expected) EXPECT_EQ(RegValue(saved, e.name), e.value) << e.name << " in\n" << saved;
    EXPECT_EQ(e2e::Utf8FromAnsi(RegValue(saved, "LogPath")), sim_.folder());
}

TEST_F(TolvaneTest, SettingsRefuseBadNumbersAndCancelChangesNothing) {
    ASSERT_NE(Start(), nullptr);
    e2e::PostCommand(monitor_, IDC_SETTINGS_BUTTON);
    HWND dialog = WaitForDialog(kSettingsTitle);
    ASSERT_NE(dialog, nullptr);
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"abc", "正の整数を入力してください。"}, {"-5", "正の整数を入力してください。"},
        {"", "正の整数を入力してください。"}, {"0", "1 から 31 までの整数を入力してください。"},
        {"32", "1 から 31 までの整数を入力してください。"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(e2e::SetControlText(dialog, IDC_DATE_OFFSET, c.text));
        ASSERT_TRUE(e2e::PostCommand(dialog, IDOK));
        HWND box = WaitForOtherWindow("#32770", {dialog});
        ASSERT_NE(box, nullptr) << c.text;
        EXPECT_TRUE(HasChildText(box, c.message)) << c.text;
        ASSERT_TRUE(e2e::PostCommand(box, IDOK));
        ASSERT_TRUE(e2e::WaitForWindowGone(box));
        EXPECT_TRUE(IsWindowVisible(dialog)) << c.text;
    }
    ASSERT_TRUE(e2e::SetControlText(dialog, IDC_WARNING_TIME, "9"));
    ASSERT_TRUE(e2e::PostCommand(dialog, IDCANCEL));
    ASSERT_TRUE(e2e::WaitForWindowGone(dialog));
    e2e::Pause(600);
    EXPECT_EQ(Get("WarningTime"), 0xBADu);  // nothing saved
    EXPECT_EQ(RegValue(RegQuery(kSettingsKey), "DateOffset"), "");
}

// The tray menu keeps working while a dialog is open: its commands bring the open dialog up
// instead of opening a second one, and OK in the one dialog still stores what it shows.
TEST_F(TolvaneTest, WithTheSettingsDialogOpenTheMenuCommandsOpenNoSecondDialog) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    e2e::PostCommand(monitor_, IDC_SETTINGS_BUTTON);
    HWND dialog = WaitForDialog(kSettingsTitle);
    ASSERT_NE(dialog, nullptr);
    for (int command : {ID_SETTINGS, ID_CONNECT, ID_ABOUT}) ASSERT_TRUE(e2e::PostCommand(monitor_, command));
    ASSERT_TRUE(sim_.Sync("commands taken"));
    e2e::Pause(500);
    int dialogs = 0;
    for (HWND w : e2e::TopWindows(program_.pid()))
        dialogs += w != monitor_ && IsWindowVisible(w) && e2e::ClassName(w) == "#32770";
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(IsWindowVisible(dialog));

    ASSERT_TRUE(e2e::SetControlText(dialog, IDC_WARNING_TIME, "7"));
    ASSERT_TRUE(e2e::PostCommand(dialog, IDOK));
    ASSERT_TRUE(e2e::WaitForWindowGone(dialog));
    EXPECT_TRUE(e2e::WaitUntil([&] { return Get("WarningTime") == 7u; }));
    e2e::Pause(600);
    EXPECT_EQ(Get("WarningTime"), 7u);  // no second dialog's OK wrote stale values over it
}

class DialTest : public TolvaneTest {
protected:
    void SetUp() override {
        TolvaneTest::SetUp();
        sim_.WriteScript(u8"entry MyISP area=03 number=12345678 user=taro password=secret\n"
                         u8"entry Other number=555 user=hanako\n"
                         u8"error-text 691 \"認証に失敗しました\"\n");
    }
    // The dial dialog from the window menu (version, help, settings, connect, exit).
    HWND OpenDial() {
        if (!Start() || !e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; })) return nullptr;
        if (!ChooseFromMenu([&] { RightClick(); }, 4)) return nullptr;
        return WaitForDialog(kDialTitle);
    }
};

TEST_F(DialTest, ChosenFromTheMenuItRunsToACountingConnection) {
    sim_.AppendScript("dial-interval 300\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    EXPECT_EQ(e2e::ControlText(dial, IDC_DIAL_USER), "taro");
    EXPECT_EQ(SendMessageA(GetDlgItem(dial, IDC_DIAL_SAVE_PASSWORD), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_GE(sim_.WaitForJournal("RasGetEntryDialParamsA entry=MyISP -> 0 user=taro domain=\"\" saved-password=1"), 0);

    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    HWND progress = WaitForDialog(kProgressTitle);
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(e2e::WaitForControlText(progress, IDC_DIAL_STATUS, "MyISP - 0312345678"));
    e2e::SaveScreenshot("dialing.bmp");
    EXPECT_GE(sim_.WaitForJournal("RasDialA entry=MyISP user=taro password=secret domain=\"\" -> 0"), 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(progress));
    EXPECT_TRUE(e2e::WaitForWindowGone(dial));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));
    EXPECT_TRUE(e2e::ControlEnabled(monitor_, IDC_DISCONNECT));
}

TEST_F(DialTest, AnErrorShowsTheServiceTextAndClosesBoth) {
    sim_.AppendScript("dial-interval 100\ndial-error 691 after=3\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    HWND progress = WaitForDialog(kProgressTitle);
    ASSERT_NE(progress, nullptr);
    HWND box = WaitForOtherWindow("#32770", {progress, dial});
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(HasChildText(box, "認証に失敗しました"));
    ASSERT_TRUE(e2e::PostCommand(box, IDOK));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001"), 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(progress));
    EXPECT_TRUE(e2e::WaitForWindowGone(dial));
    EXPECT_FALSE(e2e::ControlEnabled(monitor_, IDC_DISCONNECT));
}

TEST_F(DialTest, CancelDuringTheDialHangsUp) {
    sim_.AppendScript("dial-interval 1500\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    HWND progress = WaitForDialog(kProgressTitle);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(e2e::WaitForControlText(progress, IDC_DIAL_STATUS, "MyISP - 0312345678"));
    ASSERT_TRUE(e2e::PostCommand(progress, IDCANCEL));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(progress));
    EXPECT_TRUE(e2e::WaitForWindowGone(dial));
    e2e::Pause(2000);
    EXPECT_FALSE(e2e::ControlEnabled(monitor_, IDC_DISCONNECT));  // no connection came up
}

// During a dial the connect command opens no second dial dialog and starts no second dial;
// the first one still follows its own events and is cancelled as before.
TEST_F(DialTest, DuringADialTheConnectCommandOpensNoSecondDial) {
    sim_.AppendScript("dial-interval 1500\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    HWND progress = WaitForDialog(kProgressTitle);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(e2e::WaitForControlText(progress, IDC_DIAL_STATUS, "MyISP - 0312345678"));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_CONNECT));
    ASSERT_TRUE(sim_.Sync("connect taken"));
    e2e::Pause(500);
    int dialDialogs = 0;
    for (HWND w : e2e::TopWindows(program_.pid())) dialDialogs += IsWindowVisible(w) && e2e::WindowText(w) == kDialTitle;
    EXPECT_EQ(dialDialogs, 1);
    int dials = 0;
    for (const std::string& line : sim_.JournalLines()) dials += line.find(" RasDialA ") != std::string::npos;
    EXPECT_EQ(dials, 1);

    ASSERT_TRUE(e2e::PostCommand(progress, IDCANCEL));
    EXPECT_GE(sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0"), 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(progress));
    EXPECT_TRUE(e2e::WaitForWindowGone(dial));
}

// "終了" during a dial hangs the dial's handle up and waits until it is gone (five status
// queries here) before the program ends.
TEST_F(DialTest, ExitDuringADialHangsTheDialUpAndEnds) {
    sim_.AppendScript("dial-interval 1500\ndial-hangup-polls 5\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    HWND progress = WaitForDialog(kProgressTitle);
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(e2e::WaitForControlText(progress, IDC_DIAL_STATUS, "MyISP - 0312345678"));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_EXIT));
    int hangUp = sim_.WaitForJournal("RasHangUpA handle=0x1001 entry=MyISP -> 0");
    EXPECT_GE(hangUp, 0);
    DWORD code = 1;
    ASSERT_TRUE(program_.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_LT(sim_.WaitForJournal("event handle=0x1001", 2000, static_cast<size_t>(hangUp + 1)), 0);
    std::vector<std::string> queries;
    std::vector<std::string> lines = sim_.JournalLines();
    for (size_t i = static_cast<size_t>(hangUp) + 1; i < lines.size(); ++i)
        if (lines[i].find("RasGetConnectStatusA handle=0x1001") != std::string::npos)
            queries.push_back(lines[i].substr(lines[i].find(" -> ")));
    std::vector<std::string> expected(5, " -> 0 state=0x2001");
    expected.push_back(" -> 6");
    EXPECT_EQ(queries, expected);
}

// Out of memory: the program ends at once with abort()'s code, without the runtime's box and
// without another timer message run inside it.
TEST(RuntimeTest, OutOfMemoryEndsAtOnce) {
    e2e::Program program;
    ASSERT_TRUE(program.Start("out_of_memory.exe"));
    DWORD code = 0;
    ASSERT_TRUE(program.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 3u);  // 42: a timer message ran after the failure
}

// Windows 2000 and later load a stand-in for a saved password. Cleared box, password left as
// loaded: the dial succeeds with the saved password, which is removed afterwards.
TEST_F(DialTest, StandInWithTheBoxClearedDialsWithTheSavedPasswordThenForgetsIt) {
    sim_.AppendScript("saved-password-stand-in on\ndial-interval 100\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    EXPECT_GE(sim_.WaitForJournal("RasGetEntryDialParamsA entry=MyISP -> 0 user=taro domain=\"\" saved-password=1"), 0);
    SendMessageA(GetDlgItem(dial, IDC_DIAL_SAVE_PASSWORD), BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    EXPECT_GE(sim_.WaitForJournal("RasSetEntryDialParamsA entry=MyISP user=taro password=**************** domain=\"\" "
                                  "remove-password=0 -> 0"),
              0);
    EXPECT_GE(sim_.WaitForJournal("RasDialA entry=MyISP user=taro password=secret domain=\"\" stand-in=resolved -> 0"), 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(dial));
    EXPECT_GE(sim_.WaitForJournal("RasSetEntryDialParamsA entry=MyISP user=taro password=\"\" domain=\"\" "
                                  "remove-password=1 -> 0"),
              0);
    EXPECT_LT(sim_.WaitForJournal("error=691", 200), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));  // connected and counted

    // The password is no longer saved: the next dial dialog loads none. (Window menu with one
    // connection: version, help, settings, connect, 切断-MyISP, exit.)
    size_t from = sim_.JournalLines().size();
    ASSERT_TRUE(ChooseFromMenu([&] { RightClick(); }, 4));
    HWND again = WaitForDialog(kDialTitle);
    ASSERT_NE(again, nullptr);
    EXPECT_GE(sim_.WaitForJournal("RasGetEntryDialParamsA entry=MyISP -> 0 user=taro domain=\"\" saved-password=0",
                                  e2e::kDefaultTimeoutMs, from),
              0);
    EXPECT_EQ(SendMessageA(GetDlgItem(again, IDC_DIAL_SAVE_PASSWORD), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_TRUE(e2e::PostCommand(again, IDCANCEL));
    EXPECT_TRUE(e2e::WaitForWindowGone(again));
}

// A password the user typed is dialled as typed, and the saved one goes at once.
TEST_F(DialTest, StandInModeATypedPasswordIsUsedAsTyped) {
    sim_.AppendScript("saved-password-stand-in on\ndial-interval 100\n");
    HWND dial = OpenDial();
    ASSERT_NE(dial, nullptr);
    ASSERT_TRUE(e2e::SetControlText(dial, IDC_DIAL_PASSWORD, "typed"));
    SendMessageA(GetDlgItem(dial, IDC_DIAL_SAVE_PASSWORD), BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(e2e::PostCommand(dial, IDOK));
    int store = sim_.WaitForJournal("RasSetEntryDialParamsA entry=MyISP user=taro password=typed domain=\"\" remove-password=1 -> 0");
    EXPECT_GE(store, 0);
    int dialed = sim_.WaitForJournal("RasDialA entry=MyISP user=taro password=typed domain=\"\" -> 0");
    EXPECT_GT(dialed, store);
    EXPECT_TRUE(e2e::WaitForWindowGone(dial));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WindowText(monitor_) == "MyISP"; }));
}

}  // namespace
