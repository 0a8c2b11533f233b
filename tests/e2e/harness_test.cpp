// The end-to-end harness against the stand-in program: start it with the simulator, follow its
// window as the script changes the connections, drive it by commands, menus and keys, read
// the journal and the registry, take screenshots, and end it.
#include <gtest/gtest.h>

#include "harness.h"
#include "standin/standin_ids.h"

namespace {

const char kTitle[] = "試験ﾓﾆﾀ";

class HarnessTest : public ::testing::Test {
protected:
    void SetUp() override { e2e::DeleteRegistryKey(STANDIN_KEY); }
    void TearDown() override {
        if (program_.Running()) program_.End(3000);
    }

    // Starts the stand-in with the script so far and waits for its dialog.
    HWND Start(std::vector<std::string> environment = {}) {
        for (const std::string& e : sim_.Environment()) environment.insert(environment.begin(), e);
        if (!program_.Start("standin.exe", environment)) return nullptr;
        return e2e::WaitForWindow(program_.pid(), kTitle, "#32770", e2e::kDefaultTimeoutMs, true);
    }

    e2e::SimFiles sim_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    e2e::Program program_;
};

TEST_F(HarnessTest, FollowsConnectionsAndEndsTheProgram) {
    sim_.WriteScript(u8"entry \"接続 先\" area=03 number=1234\nhangup-polls 2\n");
    HWND dialog = Start();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_COUNT, "0"));
    EXPECT_FALSE(e2e::ControlEnabled(dialog, IDC_HANGUP));
    EXPECT_FALSE(e2e::ControlVisible(dialog, IDC_ONLINE));

    // A connection appears at a moment of the test's choosing.
    size_t before = sim_.JournalLines().size();
    ASSERT_TRUE(sim_.AppendScript(u8"connect \"接続 先\""));
    ASSERT_TRUE(e2e::WaitForControlText(dialog, IDC_COUNT, "1"));
    EXPECT_EQ(e2e::ControlText(dialog, IDC_NAME), "接続 先");  // code page 932 bytes
    EXPECT_TRUE(e2e::ControlEnabled(dialog, IDC_HANGUP));
    EXPECT_TRUE(e2e::ControlVisible(dialog, IDC_ONLINE));
    EXPECT_GE(sim_.WaitForJournal("RasEnumConnectionsA -> 0 count=1", 5000, before), 0);
    EXPECT_FALSE(e2e::SaveScreenshot("connected.bmp", dialog).empty());

    // The disconnect button: the hang-up and its polls reach the journal.
    ASSERT_TRUE(e2e::PostCommand(dialog, IDC_HANGUP));
    int hangUp = sim_.WaitForJournal(u8"RasHangUpA handle=0x1001 entry=\"接続 先\" -> 0");
    ASSERT_GE(hangUp, 0);
    EXPECT_GE(sim_.WaitForJournal("RasGetConnectStatusA handle=0x1001 -> 6", 5000, static_cast<size_t>(hangUp)), 0);
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_COUNT, "0"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::ControlEnabled(dialog, IDC_HANGUP); }));

    DWORD exitCode = 0;
    ASSERT_TRUE(program_.End(e2e::kDefaultTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(STANDIN_EXIT_CODE));
    DWORD ticks = 0;
    ASSERT_TRUE(e2e::ReadRegistryDword(STANDIN_KEY, "Ticks", &ticks));
    EXPECT_GE(ticks, 2u);
    std::string name;
    ASSERT_TRUE(e2e::ReadRegistryString(STANDIN_KEY, "LastName", &name));
    EXPECT_EQ(name, "接続 先");
    EXPECT_EQ(e2e::Utf8FromAnsi(name), u8"接続 先");
}

TEST_F(HarnessTest, DialEventsReachTheWindowFromTheServiceThread) {
    sim_.WriteScript(u8"entry ﾌﾟﾛﾊﾞｲﾀﾞ user=太郎 password=秘密\ndial-interval 50\n");
    HWND dialog = Start();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dialog, IDC_DIAL));
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_DIAL_STATE, "0x2000"));
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_DIAL_THREAD, "other"));
    EXPECT_GE(sim_.WaitForJournal(u8"RasDialA entry=ﾌﾟﾛﾊﾞｲﾀﾞ user=太郎 password=秘密 domain=\"\" -> 0"), 0);
    EXPECT_GE(sim_.WaitForJournal("state=0x2000 error=0"), 0);
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_NAME, "ﾌﾟﾛﾊﾞｲﾀﾞ"));

    // A failing dial, set up while the program runs.
    ASSERT_TRUE(sim_.AppendScript(u8"dial-error 691 after=3\ndrop ﾌﾟﾛﾊﾞｲﾀﾞ"));
    ASSERT_TRUE(sim_.Sync("failing dial"));
    ASSERT_TRUE(e2e::PostCommand(dialog, IDC_DIAL));
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_DIAL_STATE, "ｴﾗｰ 691"));
}

TEST_F(HarnessTest, ScriptNamedByAUnixPath) {
    // What a shell script hands over under Wine; the simulator maps it to drive Z:.
    std::string unix = e2e::UnixPath(sim_.script());
    if (unix.empty()) GTEST_SKIP() << "not under Wine";
    ASSERT_EQ(unix[0], '/');
    sim_.WriteScript("connect Other\n");
    HWND dialog = Start({"TOLVANE_SIM_SCRIPT=" + unix});
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_COUNT, "1"));
    EXPECT_EQ(e2e::ControlText(dialog, IDC_NAME), "Other");
}

TEST_F(HarnessTest, ContextMenuChosenWithKeysAndSystemCommands) {
    HWND dialog = Start();
    ASSERT_NE(dialog, nullptr);
    RECT r;
    GetWindowRect(dialog, &r);
    ASSERT_TRUE(PostMessageA(dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dialog), MAKELPARAM(r.left + 30, r.top + 40)));
    HWND menu = e2e::WaitForWindow(program_.pid(), nullptr, "#32768", e2e::kDefaultTimeoutMs, true);
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(e2e::SaveScreenshot("context-menu.bmp").empty());
    // Items cannot be read from another process under Wine: choose the second, check its effect.
    ASSERT_TRUE(e2e::PostKeys(dialog, {VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_MARK, "印2"));
    EXPECT_TRUE(e2e::WaitForWindowGone(menu));

    ASSERT_TRUE(e2e::PostSysCommand(dialog, IDM_SYS_MARK));
    EXPECT_TRUE(e2e::WaitForControlText(dialog, IDC_MARK, "ｼｽﾃﾑ"));
    ASSERT_TRUE(e2e::PostSysCommand(dialog, SC_MINIMIZE));
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsIconic(dialog) != FALSE; }));
    ASSERT_TRUE(e2e::PostSysCommand(dialog, SC_RESTORE));
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsIconic(dialog) == FALSE; }));

    // Escape through SendInput reaches the dialog once it is in front: the dialog ends.
    ASSERT_TRUE(e2e::SendKeys(dialog, {VK_ESCAPE}));
    DWORD exitCode = 0;
    EXPECT_TRUE(program_.WaitForExit(e2e::kDefaultTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(STANDIN_EXIT_CODE));
}

TEST(Harness, RegistryHelpers) {
    const std::string key = "Software\\Tolvane\\HarnessTest";
    ASSERT_TRUE(e2e::DeleteRegistryKey(key));
    DWORD value = 0;
    std::string text;
    EXPECT_FALSE(e2e::ReadRegistryDword(key, "Number", &value));
    ASSERT_TRUE(e2e::WriteRegistryDword(key, "Number", 0xFFFFFFFF));
    ASSERT_TRUE(e2e::WriteRegistryString(key, "Folder", "C:\\表\\ログ"));
    ASSERT_TRUE(e2e::ReadRegistryDword(key, "Number", &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_FALSE(e2e::ReadRegistryDword(key, "Folder", &value));  // the wrong type
    ASSERT_TRUE(e2e::ReadRegistryString(key, "Folder", &text));
    EXPECT_EQ(text, "C:\\表\\ログ");
    ASSERT_TRUE(e2e::DeleteRegistryKey(key));
    EXPECT_FALSE(e2e::ReadRegistryString(key, "Folder", &text));
}

TEST(Harness, ScreenshotOfTheWholeScreen) {
    std::string path = e2e::SaveScreenshot("screen.bmp");
    ASSERT_FALSE(path.empty());
    HANDLE file = CreateFileA(e2e::AnsiFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    BITMAPFILEHEADER header{};
    BITMAPINFOHEADER info{};
    DWORD got = 0;
    ReadFile(file, &header, sizeof header, &got, nullptr);
    ReadFile(file, &info, sizeof info, &got, nullptr);
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    CloseHandle(file);
    EXPECT_EQ(header.bfType, 0x4D42);
    EXPECT_EQ(info.biWidth, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(info.biHeight, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(header.bfSize));
}

}  // namespace
