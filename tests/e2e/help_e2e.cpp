// End-to-end tests of the help: the monitor window's "ﾍﾙﾌﾟ" and the settings dialog's Help
// button open the help viewer (Wine's winhlp32) on Tolvane.HLP beside the program, each at its
// own topic; a missing or broken help file is the viewer's to report, not the program's.
#include <cstdio>
#include <string>
#include <vector>

#include "time_scale.h"
#include "tolvane_fixture.h"

namespace e2etest {
namespace {

const char kHelpTitle[] = "Tolvane ﾍﾙﾌﾟ";
const char kHelpFailed[] = "ﾍﾙﾌﾟの起動に失敗しました。";
const char kViewerClass[] = "MS_WINHELP";

// Every visible top-level window of class `className` that belongs to no process of `pids`.
std::vector<HWND> ForeignWindows(const char* className, std::initializer_list<DWORD> pids, bool hiddenToo = false) {
    std::vector<HWND> found;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        bool mine = false;
        for (DWORD p : pids) mine = mine || pid == p;
        if (!mine && (hiddenToo || IsWindowVisible(w)) && e2e::ClassName(w) == className) found.push_back(w);
    }
    return found;
}

std::string Lines(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\r' ? '\n' : c;
    return out;
}

// Takes the viewer's program away from the prefix for a while, as on a system without it: from
// the system folder and from the Windows folder, where a 32-bit prefix has a second copy.
class ViewerAway {
public:
    ViewerAway() {
        char folder[MAX_PATH];
        GetSystemDirectoryA(folder, sizeof folder);
        Take(std::string(folder) + "\\winhlp32.exe");
        GetWindowsDirectoryA(folder, sizeof folder);
        Take(std::string(folder) + "\\winhlp32.exe");
    }
    ~ViewerAway() {
        for (const std::string& path : moved_) MoveFileExA((path + ".away").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ViewerAway(const ViewerAway&) = delete;
    ViewerAway& operator=(const ViewerAway&) = delete;
    bool moved() const { return !moved_.empty() && !failed_; }

private:
    void Take(const std::string& path) {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
        if (MoveFileExA(path.c_str(), (path + ".away").c_str(), MOVEFILE_REPLACE_EXISTING))
            moved_.push_back(path);
        else
            failed_ = true;
    }
    std::vector<std::string> moved_;
    bool failed_ = false;
};

class HelpTest : public TolvaneTest {
protected:
    void TearDown() override {
        CloseViewer();
        TolvaneTest::TearDown();
    }

    // The viewer's main window once it shows a page.
    HWND WaitForViewer() { return e2e::WaitForWindow(0, kHelpTitle, kViewerClass, 30000, true); }

    // The text the viewer shows: its rich edit control's.
    std::string ViewerText(HWND viewer) {
        HWND text = ChildOfClass(viewer, "RichEdit20A");
        return text ? SentText(text) : std::string();
    }

    // A viewer that could not show its file keeps a hidden window while it ends; until then the
    // next help call would hand its command to that viewer instead of starting one.
    bool ViewerEnded() { return ForeignWindows(kViewerClass, {GetCurrentProcessId()}, true).empty(); }

    // Ends the viewer through its windows, as a user closing it would, and waits for its end.
    void CloseViewer() {
        for (HWND w : ForeignWindows(kViewerClass, {GetCurrentProcessId()}, true)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
            PostMessageA(w, WM_CLOSE, 0, 0);
            if (process) {
                EXPECT_EQ(WaitForSingleObject(process, Scaled(10000)), WAIT_OBJECT_0) << "the viewer did not end";
                CloseHandle(process);
            }
        }
    }

    // No box of the program tells that help could not be started.
    bool ProgramReportedFailure() {
        for (HWND w : e2e::TopWindows(program_.pid()))
            if (IsWindowVisible(w) && HasChildText(w, kHelpFailed)) return true;
        return false;
    }

    // Starts the program from a folder of its own, with `help` (if not empty) as its help file.
    HWND StartElsewhere(const char* help, size_t size) {
        std::string folder = sim_.folder() + "\\program";
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string exe = folder + "\\Tolvane.exe";
        if (!CopyFileA(ProgramPath().c_str(), exe.c_str(), FALSE)) return nullptr;
        if (help) {
            std::ofstream out(folder + "\\Tolvane.HLP", std::ios::binary);
            out.write(help, static_cast<std::streamsize>(size));
        }
        if (!program_.Start(exe, sim_.Environment())) return nullptr;
        monitor_ = e2e::WaitForWindow(program_.pid(), "Tolvane", "#32770");
        return monitor_;
    }

    // The viewer's message box about the file: its caption and text, answered with `answer`.
    std::string ViewerComplaint(WPARAM answer, const std::function<void()>& whileShown = nullptr) {
        HWND box = nullptr;
        e2e::WaitUntil([&] {
            for (HWND w : ForeignWindows("#32770", {GetCurrentProcessId(), program_.pid()})) box = w;
            return box != nullptr;
        }, 30000);
        if (!box) return std::string();
        std::string said = e2e::WindowText(box) + ": ";
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (e2e::ClassName(c) == "Static") said += e2e::WindowText(c);
        e2e::SaveScreenshot(std::string("viewer-") + (answer == IDNO ? "missing" : "broken") + ".bmp");
        if (whileShown) whileShown();
        PostMessageA(box, WM_COMMAND, answer, 0);
        EXPECT_TRUE(e2e::WaitForWindowGone(box));
        std::printf("the viewer said: %s\n", e2e::Utf8FromAnsi(said).c_str());
        return said;
    }

    void ExpectComplaintAbout(const std::string& help) {
        ASSERT_NE(StartElsewhere(help.data(), help.size()), nullptr);
        ASSERT_TRUE(e2e::PostCommand(monitor_, ID_HELP_INDEX));
        std::string said = ViewerComplaint(IDOK);
        EXPECT_NE(said.find("Tolvane.HLP"), std::string::npos) << e2e::Utf8FromAnsi(said);
        EXPECT_FALSE(ProgramReportedFailure());
        EXPECT_TRUE(e2e::WaitUntil([&] { return ViewerEnded(); }));
    }
};

TEST_F(HelpTest, MonitorHelpOpensTheWindowTopic) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_HELP_INDEX));
    HWND viewer = WaitForViewer();
    ASSERT_NE(viewer, nullptr) << "no help viewer titled " << e2e::Utf8FromAnsi(kHelpTitle);
    std::string text;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (text = ViewerText(viewer)).rfind("ウィンドウの見かた\r", 0) == 0; }))
        << e2e::Utf8FromAnsi(Lines(text.substr(0, 200)));
    EXPECT_NE(text.find("「接続時間」"), std::string::npos);
    EXPECT_NE(text.find("強制切断まで"), std::string::npos);
    e2e::SaveScreenshot("help-monitor.bmp", viewer);
    EXPECT_FALSE(ProgramReportedFailure());
    // The program goes on counting while the viewer is open.
    ASSERT_TRUE(Connect("MyISP"));
    EXPECT_TRUE(e2e::WaitForControlText(monitor_, IDC_SESSION_TIME, "00:00:17", kLong));
}

TEST_F(HelpTest, SettingsHelpOpensTheSettingsTopic) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::PostCommand(monitor_, IDC_SETTINGS_BUTTON));
    HWND dialog = WaitForDialog("Tolvane - 設定");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dialog, ID_HELP));
    HWND viewer = WaitForViewer();
    ASSERT_NE(viewer, nullptr);
    std::string text;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (text = ViewerText(viewer)).rfind("設定\r", 0) == 0; }))
        << e2e::Utf8FromAnsi(Lines(text.substr(0, 200)));
    for (const char* label : {"「ﾀｽｸﾄﾚｲで起動」", "「警報間隔」", "「ﾛｸﾞ作成ﾌｫﾙﾀﾞ」", "「月度累計開始日」"})
        EXPECT_NE(text.find(label), std::string::npos) << e2e::Utf8FromAnsi(label);
    e2e::SaveScreenshot("help-settings.bmp", viewer);
    EXPECT_FALSE(ProgramReportedFailure());
    // The dialog is still the program's to close.
    ASSERT_TRUE(e2e::PostCommand(dialog, IDCANCEL));
    EXPECT_TRUE(e2e::WaitForWindowGone(dialog));
}

TEST_F(HelpTest, AMissingHelpFileIsTheViewersToReport) {
    ASSERT_NE(StartElsewhere(nullptr, 0), nullptr);
    ASSERT_TRUE(Connect("MyISP"));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_HELP_INDEX));
    // The program goes on counting while the viewer's question waits for an answer.
    std::string said = ViewerComplaint(IDNO, [&] {
        std::string before = e2e::ControlText(monitor_, IDC_SESSION_TIME);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ControlText(monitor_, IDC_SESSION_TIME) != before; }, 5000))
            << before;
    });
    EXPECT_NE(said.find("Tolvane.HLP"), std::string::npos) << e2e::Utf8FromAnsi(said);
    EXPECT_FALSE(ProgramReportedFailure());
    // Once the box is answered the viewer ends.
    EXPECT_TRUE(e2e::WaitUntil([&] { return ViewerEnded(); }));
}

// Only where the help engine itself cannot start the viewer does the program say so, and
// only for the Help button of a dialog: the window's "ﾍﾙﾌﾟ" asks for the help and nothing more.
TEST_F(HelpTest, WhereTheViewerCannotStartOnlyTheHelpButtonSaysSo) {
    ASSERT_TRUE(ViewerEnded());
    ViewerAway away;
    ASSERT_TRUE(away.moved());
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    ASSERT_TRUE(e2e::PostCommand(monitor_, ID_HELP_INDEX));
    EXPECT_FALSE(e2e::WaitUntil([&] { return ProgramReportedFailure(); }, 3000));
    EXPECT_TRUE(ViewerEnded());
    ASSERT_TRUE(e2e::PostCommand(monitor_, IDC_SETTINGS_BUTTON));
    HWND dialog = WaitForDialog("Tolvane - 設定");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(e2e::PostCommand(dialog, ID_HELP));
    HWND box = WaitForOtherWindow("#32770", {dialog});
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(HasChildText(box, kHelpFailed));
    EXPECT_EQ(e2e::WindowText(box), "Tolvane");
    ASSERT_TRUE(e2e::PostCommand(box, IDOK));
    EXPECT_TRUE(e2e::WaitForWindowGone(box));
    ASSERT_TRUE(e2e::PostCommand(dialog, IDCANCEL));
    EXPECT_TRUE(e2e::WaitForWindowGone(dialog));
}

// A file that is not a help file, and one cut short.
TEST_F(HelpTest, ABrokenHelpFileIsTheViewersToReport) {
    ExpectComplaintAbout("not a help file");
}

TEST_F(HelpTest, ATruncatedHelpFileIsTheViewersToReport) {
    std::string good = ReadText(e2e::TestProgramFolder() + "\\Tolvane.HLP");
    ASSERT_GT(good.size(), 4096u);
    ExpectComplaintAbout(good.substr(0, 4096));
}

}  // namespace
}  // namespace e2etest
