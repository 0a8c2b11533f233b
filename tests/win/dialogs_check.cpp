// Drives the settings dialog and the dial dialogs for real, under Wine, against the simulated
// remote access service. The user-interface thread runs each dialog as the monitor window
// would (EditSettings, RunDialDialog, a progress dialog on its own); a second thread plays
// the user: it reads and types into the controls, presses buttons, reads and dismisses the
// message boxes, and takes screenshots. Prints one line per check and the totals; the exit
// code is the number of failed checks.
//
//   dialogs_check.exe [--shots DIR] [--system-ras]
//
// --shots DIR    saves settings-dialog.bmp, dial-dialog.bmp and dial-progress.bmp in DIR.
// --system-ras   talks to rasapi32.dll (the simulator's drop-in in the prefix's system folder,
//                with WINEDLLOVERRIDES=rasapi32=n), steered through a script and checked through a
//                journal in the output folder; without it the simulator runs in-process.
// Without --shots the screenshots go to the output folder (TOLVANE_E2E_OUT).
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/prompt.h"
#include "base/settings.h"
#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/number_field.h"
#include "framework/prompt_win.h"
#include "harness.h"
#include "time_scale.h"
#include "monitor/connection_table.h"
#include "ras/dialing.h"
#include "ras/dialing_win.h"
#include "ras/ras_api.h"
#include "ras/ras_api_win.h"
#include "res/resource.h"
#include "sim/ras_sim.h"
#include "ui/dial_dlg_win.h"
#include "ui/settings_dlg_win.h"

namespace {

// --- Results ------------------------------------------------------------------------------

std::mutex outputLock;
int passed = 0;
int failures = 0;

std::string ToUtf8(const std::string& cp932);

// Texts are code page 932, printed as UTF-8.
bool Check(bool ok, const std::string& what) {
    std::lock_guard<std::mutex> lock(outputLock);
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", ToUtf8(what).c_str());
    std::fflush(stdout);
    (ok ? passed : failures)++;
    return ok;
}

void Note(const std::string& text) {
    std::lock_guard<std::mutex> lock(outputLock);
    std::printf("     %s\n", ToUtf8(text).c_str());
    std::fflush(stdout);
}

// --- Text ---------------------------------------------------------------------------------

std::string Convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    int bytes = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(to, 0, w.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}
std::string ToUtf8(const std::string& cp932) { return Convert(cp932, 932, CP_UTF8); }
std::string FromUtf8(const std::string& utf8) { return Convert(utf8, CP_UTF8, 932); }

std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// --- The service under the dialogs ----------------------------------------------------------

// What the checks need of the simulated service, in-process or as the drop-in DLL.
class Service {
public:
    virtual ~Service() = default;
    virtual void Entry(const std::string& name, const std::string& area, const std::string& number,
                       const std::string& user, const std::string& domain, const char* password) = 0;
    virtual void ErrorText(uint32_t code, const std::string& text) = 0;
    virtual void DialInterval(int ms) = 0;
    virtual void DialSteps(const std::string& steps) = 0;  // as in the script: "0,1,0x2000"
    virtual void DialError(uint32_t code, int after) = 0;
    virtual void DialFail(uint32_t code) = 0;
    virtual void FailLoadOnce(uint32_t code) = 0;
    // Every journal line so far, in code page 932.
    virtual std::vector<std::string> Journal() = 0;
};

std::vector<RASCONNSTATE> ParseSteps(const std::string& steps) {
    std::vector<RASCONNSTATE> out;
    std::stringstream in(steps);
    std::string word;
    while (std::getline(in, word, ',')) out.push_back(static_cast<RASCONNSTATE>(std::strtoul(word.c_str(), nullptr, 0)));
    return out;
}

class InProcessService final : public Service {
public:
    InProcessService() { SetRas(&sim); }
    ~InProcessService() override {
        sim.WaitForDials();
        SetRas(nullptr);
    }
    void Entry(const std::string& name, const std::string& area, const std::string& number, const std::string& user,
               const std::string& domain, const char* password) override {
        sim::Entry e;
        e.name = name;
        e.area = area;
        e.number = number;
        e.user = user;
        e.domain = domain;
        e.hasPassword = password != nullptr;
        e.password = password ? password : "";
        sim.AddEntry(e);
    }
    void ErrorText(uint32_t code, const std::string& text) override { sim.SetErrorText(code, text); }
    void DialInterval(int ms) override { sim.SetDialInterval(ms); }
    void DialSteps(const std::string& steps) override { sim.SetDialSteps(ParseSteps(steps)); }
    void DialError(uint32_t code, int after) override { sim.SetDialError(code, after); }
    void DialFail(uint32_t code) override { sim.SetDialFail(code); }
    void FailLoadOnce(uint32_t code) override { sim.Fail(sim::Op::kGetDialParams, code, 1); }
    std::vector<std::string> Journal() override { return sim.Journal(); }

private:
    sim::RasSim sim;
};

// The drop-in DLL: commands are appended to its script, which it reads before each call, and
// its journal is read back. The files are those of the run's output folder; the DLL takes
// their names from the environment at its first call.
class ScriptService final : public Service {
public:
    ScriptService() : files("dialogs") {
        SetEnvironmentVariableW(L"TOLVANE_SIM_SCRIPT", Wide(files.script()).c_str());
        SetEnvironmentVariableW(L"TOLVANE_SIM_JOURNAL", Wide(files.journal()).c_str());
        std::string failure;
        if (!LoadSystemRas(&failure)) {
            std::printf("FAILED: the system's rasapi32.dll (the simulator): %s\n", failure.c_str());
            std::exit(1);
        }
        SetRas(&SystemRasApi());
    }
    ~ScriptService() override { SetRas(nullptr); }
    void Entry(const std::string& name, const std::string& area, const std::string& number, const std::string& user,
               const std::string& domain, const char* password) override {
        std::string line = "entry " + Quote(name) + " area=" + Quote(area) + " number=" + Quote(number) +
                           " user=" + Quote(user) + " domain=" + Quote(domain);
        if (password) line += " password=" + Quote(password);
        files.AppendScript(line);
    }
    void ErrorText(uint32_t code, const std::string& text) override {
        files.AppendScript("error-text " + std::to_string(code) + " " + Quote(text));
    }
    void DialInterval(int ms) override { files.AppendScript("dial-interval " + std::to_string(ms)); }
    void DialSteps(const std::string& steps) override { files.AppendScript("dial-steps " + steps); }
    void DialError(uint32_t code, int after) override {
        files.AppendScript("dial-error " + std::to_string(code) + " after=" + std::to_string(after));
    }
    void DialFail(uint32_t code) override { files.AppendScript("dial-fail " + std::to_string(code)); }
    void FailLoadOnce(uint32_t code) override {
        files.AppendScript("fail get-dial-params " + std::to_string(code) + " times=1");
    }
    std::vector<std::string> Journal() override {
        std::vector<std::string> lines;
        for (const std::string& line : files.JournalLines()) lines.push_back(FromUtf8(line));
        return lines;
    }

private:
    // Script words are UTF-8; a word with blanks, '=' or quotes, or an empty one, is quoted.
    static std::string Quote(const std::string& cp932) {
        std::string word = ToUtf8(cp932);
        if (!word.empty() && word.find_first_of(" \t=\"\\") == std::string::npos) return word;
        std::string out = "\"";
        for (char c : word) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        return out + "\"";
    }

    e2e::SimFiles files;
};

Service* service = nullptr;

// The journal lines after the first `mark` lines.
std::vector<std::string> JournalSince(size_t mark) {
    std::vector<std::string> all = service->Journal();
    if (mark >= all.size()) return {};
    return std::vector<std::string>(all.begin() + static_cast<long>(mark), all.end());
}

// The index of the first line holding every one of `parts`, or -1.
int FindLine(const std::vector<std::string>& lines, std::initializer_list<std::string> parts, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i) {
        bool all = true;
        for (const std::string& p : parts) all = all && Contains(lines[i], p);
        if (all) return static_cast<int>(i);
    }
    return -1;
}

// The handle a RasDialA line gave ("handle=0x1002"), or empty.
std::string DialHandleIn(const std::vector<std::string>& lines) {
    int i = FindLine(lines, {"RasDialA ", "-> 0 handle="});
    if (i < 0) return std::string();
    const std::string& line = lines[static_cast<size_t>(i)];
    return line.substr(line.find("handle=") + 7);
}

void DumpJournal(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Note("journal: " + line);
}

// --- Prompts: every message is recorded on its way to the real message box -----------------

class RecordingPrompt final : public Prompt {
public:
    int Show(const std::string& text, unsigned style) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            shown.push_back({text, style});
        }
        return MessageBoxPrompt().Show(text, style);
    }
    struct Shown {
        std::string text;
        unsigned style;
    };
    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return shown.size();
    }
    Shown At(size_t i) {
        std::lock_guard<std::mutex> lock(mutex);
        return i < shown.size() ? shown[i] : Shown{"", 0};
    }

private:
    std::mutex mutex;
    std::vector<Shown> shown;
};

RecordingPrompt prompts;

// --- Windows of the user-interface thread, as the user sees them -----------------------------

DWORD uiThread = 0;
std::wstring shotFolder;
const char* const kShowCaptionsOf[] = {"ﾀﾞｲｱﾙｱｯﾌﾟ接続", "ﾀﾞｲｱﾙ接続中"};

// Captions of the dial windows that were ever shown, recorded by a hook on the UI thread.
std::mutex shownLock;
std::vector<std::string> shownCaptions;

LRESULT CALLBACK ShowHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        auto* msg = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (msg->message == WM_SHOWWINDOW && msg->wParam) {
            char caption[64] = "";
            GetWindowTextA(msg->hwnd, caption, sizeof caption);
            for (const char* c : kShowCaptionsOf) {
                if (std::strcmp(caption, c) == 0) {
                    std::lock_guard<std::mutex> lock(shownLock);
                    shownCaptions.push_back(caption);
                }
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool EverShown(const char* caption) {
    std::lock_guard<std::mutex> lock(shownLock);
    for (const std::string& c : shownCaptions) {
        if (c == caption) return true;
    }
    return false;
}

void ForgetShown() {
    std::lock_guard<std::mutex> lock(shownLock);
    shownCaptions.clear();
}

std::string Text(HWND w) {
    char buffer[512] = "";
    GetWindowTextA(w, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND w) {
    char buffer[64] = "";
    GetClassNameA(w, buffer, sizeof buffer);
    return buffer;
}

std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

bool Checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

long Selection(HWND dialog, int id) { return static_cast<long>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)); }

std::string ListItem(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0 || length > 500) return "<none>";
    char text[512] = "";
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

void SetItemText(HWND dialog, int id, const std::string& text) { SetWindowTextA(GetDlgItem(dialog, id), text.c_str()); }

void SetCheck(HWND dialog, int id, bool on) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Select(HWND dialog, int id, int index) { SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

// A click as the button sends it; posted, because the handler may run a nested loop.
void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND Focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(uiThread, &info) ? info.hwndFocus : nullptr;
}

// Waits until `ready` holds, for at most `ms`.
bool WaitFor(const std::function<bool()>& ready, DWORD ms = 10000) {
    DWORD start = GetTickCount();
    ms *= static_cast<DWORD>(TimeScale());
    while (!ready()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(15);
    }
    return true;
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(w);
    return TRUE;
}

// The visible top-level windows of the UI thread.
std::vector<HWND> UiWindows() {
    std::vector<HWND> all, visible;
    EnumThreadWindows(uiThread, CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND w : all) {
        if (IsWindowVisible(w)) visible.push_back(w);
    }
    return visible;
}

// The visible top-level window of the UI thread with this caption.
HWND VisibleWindow(const char* caption) {
    for (HWND w : UiWindows()) {
        if (Text(w) == caption) return w;
    }
    return nullptr;
}

HWND WaitWindow(const char* caption) {
    HWND found = nullptr;
    WaitFor([&] { return (found = VisibleWindow(caption)) != nullptr; });
    return found;
}

bool WaitGone(HWND w) {
    return WaitFor([&] { return !IsWindow(w) || !IsWindowVisible(w); });
}

bool IsFrameworkDialog(HWND w) { return CDialog::FromHandle(w) != nullptr; }

// A visible dialog of the UI thread that is not one of ours and has `ownerWanted` as owner
// (any owner when null): a message box, the file dialog or the folder picker.
HWND ForeignDialog(HWND ownerWanted) {
    for (HWND w : UiWindows()) {
        if (ClassOf(w) == "#32770" && !IsFrameworkDialog(w) && (!ownerWanted || GetWindow(w, GW_OWNER) == ownerWanted))
            return w;
    }
    return nullptr;
}

HWND WaitForeignDialog(HWND owner = nullptr) {
    HWND found = nullptr;
    WaitFor([&] { return (found = ForeignDialog(owner)) != nullptr; });
    return found;
}

// The text of a message box: its text static (id 0xFFFF on Windows, 100 in Wine's template),
// else its longest static text.
std::string MessageBoxText(HWND box) {
    for (int id : {0xFFFF, 100}) {
        HWND w = GetDlgItem(box, id);
        if (w && ClassOf(w) == "Static" && !Text(w).empty()) return Text(w);
    }
    std::string longest;
    for (HWND w = GetWindow(box, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (ClassOf(w) == "Static" && Text(w).size() > longest.size()) longest = Text(w);
    }
    return longest;
}

// Whether a message box shows the system's exclamation icon.
bool ShowsExclamation(HWND box) {
    HICON exclamation = LoadIconA(nullptr, IDI_EXCLAMATION);
    for (HWND w = GetWindow(box, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (ClassOf(w) == "Static" && reinterpret_cast<HICON>(SendMessageA(w, STM_GETICON, 0, 0)) == exclamation)
            return true;
    }
    return false;
}

// Waits for a message box, checks its text and icon, and presses OK.
bool AnswerMessageBox(const std::string& expected, const std::string& what) {
    HWND box = WaitForeignDialog();
    if (!Check(box != nullptr, what + ": a message box appears")) return false;
    std::string text = MessageBoxText(box);
    bool ok = Check(text == expected, what + ": message reads \"" + expected + "\"");
    if (!ok) Note("shown: \"" + text + "\"");
    Check(ShowsExclamation(box) && Text(box) == "dialogs_check", what + ": exclamation icon, application caption");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Check(WaitGone(box), what + ": the message box closes on OK");
    return ok;
}

// The window's picture as it is on the screen, saved as a 24-bit BMP in the shot folder.
void Screenshot(HWND w, const char* name) {
    if (shotFolder.empty()) return;
    Sleep(static_cast<DWORD>(Scaled(400)));  // let it paint
    RECT r{};
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(stride * static_cast<DWORD>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::wstring path = shotFolder + L"\\" + std::wstring(name, name + std::strlen(name));
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = out != INVALID_HANDLE_VALUE && WriteFile(out, &file, sizeof file, &written, nullptr) &&
              WriteFile(out, &info, sizeof info, &written, nullptr) &&
              WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    Check(ok, std::string("screenshot ") + name);
}

// --- Running a dialog with a user at it ------------------------------------------------------

// Runs `ui` on this (the user-interface) thread while `user` acts on another. When the user's
// part is over and the dialogs are still open, they are cancelled, so that a failed check
// cannot hang the run.
void WithUser(const std::function<void()>& ui, const std::function<void()>& user) {
    std::atomic<bool> uiDone{false};
    std::thread player([&] {
        user();
        DWORD start = GetTickCount();
        while (!uiDone) {
            Sleep(50);
            if (GetTickCount() - start < 3000) continue;
            Check(false, "the dialogs were still open after the user was done; cancelling them");
            for (HWND w : UiWindows()) {
                if (ClassOf(w) == "#32770" && Text(w) != "Tolvane") PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
            }
            start = GetTickCount();
        }
    });
    ui();
    uiDone = true;
    player.join();
}

// --- Settings ---------------------------------------------------------------------------------

const char kSettingsCaption[] = "Tolvane - 設定";

std::string Describe(const SettingsRecord& s) {
    std::ostringstream o;
    o << "WinPosX=" << s.WinPosX << " WinPosY=" << s.WinPosY << " DisconnectEnable=" << s.DisconnectEnable
      << " WarningEnable=" << s.WarningEnable << " DisconnectTime=" << s.DisconnectTime
      << " WarningTime=" << s.WarningTime << " DlgType=" << s.DlgType << " RunHide=" << s.RunHide
      << " ShowCnct=" << s.ShowCnct << " HideCnct=" << s.HideCnct << " LogonTime=" << s.LogonTime
      << " TimeUnit=" << s.TimeUnit << " FixedTime=" << s.FixedTime << " FixedTimeH=" << s.FixedTimeH
      << " FixedTimeM=" << s.FixedTimeM << " DateOffset=" << s.DateOffset << " StratAdjust=" << s.StratAdjust
      << " LogPath=" << s.LogPath << " WavPath=" << s.WavPath << " TBarDisp=" << s.TBarDisp;
    return o.str();
}

bool SameSettings(const SettingsRecord& expected, const std::string& what) {
    bool same = Describe(Settings) == Describe(expected);
    Check(same, what);
    if (!same) {
        Note("expected: " + Describe(expected));
        Note("found:    " + Describe(Settings));
    }
    return same;
}

// Distinct values in every field, so that a value copied into the wrong place shows.
SettingsRecord SampleSettings() {
    SettingsRecord s;
    s.WinPosX = 11;
    s.WinPosY = 22;
    s.DisconnectEnable = 1;
    s.WarningEnable = 0;
    s.DisconnectTime = 120;
    s.WarningTime = 3;
    s.DlgType = 3;
    s.RunHide = 0;
    s.ShowCnct = 1;
    s.HideCnct = 1;
    s.LogonTime = 1;
    s.TimeUnit = 3;
    s.FixedTime = 1;
    s.FixedTimeH = 22;
    s.FixedTimeM = 45;
    s.DateOffset = 20;
    s.StratAdjust = 15;
    s.LogPath = "C:\\ログ\\表";
    s.WavPath = "C:\\alert.wav";
    s.TBarDisp = 2;
    return s;
}

void CheckSettingsOpenAndOk() {
    Settings = SampleSettings();
    bool result = false;
    WithUser([&] { result = EditSettings(); },
             [] {
                 HWND d = WaitWindow(kSettingsCaption);
                 if (!Check(d != nullptr, "settings: the dialog opens")) return;
                 Check(GetWindow(d, GW_OWNER) == TheApp()->MainWindowHandle() &&
                           !IsWindowEnabled(TheApp()->MainWindowHandle()),
                       "settings: owned by the main window, which is disabled meanwhile");
                 Check(Checked(d, IDC_HIDE_CNCT) && !Checked(d, IDC_RUN_HIDE) && Checked(d, IDC_SHOW_CNCT) &&
                           Checked(d, IDC_FIXED_TIME) && !Checked(d, IDC_WARNING_ENABLE) &&
                           Checked(d, IDC_DISCONNECT_ENABLE),
                       "settings: check boxes show the settings");
                 Check(Selection(d, IDC_LOGON_TIME) == 1 && Selection(d, IDC_TIME_UNIT) == 3 &&
                           Selection(d, IDC_TBAR_DISP) == 2,
                       "settings: lists show the settings");
                 Check(ItemText(d, IDC_FIXED_TIME_H) == "22" && ItemText(d, IDC_FIXED_TIME_M) == "45" &&
                           ItemText(d, IDC_DATE_OFFSET) == "20" && ItemText(d, IDC_STRAT_ADJUST) == "15" &&
                           ItemText(d, IDC_WARNING_TIME) == "3" && ItemText(d, IDC_DISCONNECT_TIME) == "120",
                       "settings: numbers show the settings");
                 Check(ItemText(d, IDC_LOG_PATH) == "C:\\ログ\\表" && ItemText(d, IDC_WAV_PATH) == "C:\\alert.wav",
                       "settings: texts show the settings");
                 Check(ListItem(d, IDC_TIME_UNIT, 4) == "5&7分単位" && ListItem(d, IDC_LOGON_TIME, 1) == "ﾌﾟﾛﾊﾞｲﾀﾞ接続時" &&
                           ListItem(d, IDC_TBAR_DISP, 3) == "電話番号",
                       "settings: list items from the initialisation data");
                 Check(IsWindowVisible(GetDlgItem(d, ID_HELP)) != FALSE, "settings: Help button shown");
                 const struct {
                     int spin;
                     LRESULT range;
                 } spins[] = {{IDC_SPIN_FIXED_H, 23},      {IDC_SPIN_FIXED_M, 59},      {IDC_SPIN_DATE_OFFSET, 0x1001F},
                              {IDC_SPIN_STRAT_ADJUST, 60}, {IDC_SPIN_WARNING_TIME, 60}, {IDC_SPIN_DISCONNECT_TIME, 600}};
                 for (const auto& s : spins) {
                     LRESULT range = SendDlgItemMessageA(d, s.spin, UDM_GETRANGE, 0, 0);
                     Check(range == s.range, "settings: spin " + std::to_string(s.spin) + " range " + std::to_string(s.range));
                 }
                 Check(Focus() == GetDlgItem(d, IDOK), "settings: focus on the first tab stop");
                 Screenshot(d, "settings-dialog.bmp");

                 // The arrows stop at their range; typed values are taken as typed.
                 SetCheck(d, IDC_HIDE_CNCT, false);
                 SetCheck(d, IDC_RUN_HIDE, true);
                 SetCheck(d, IDC_SHOW_CNCT, false);
                 Select(d, IDC_LOGON_TIME, 0);
                 Select(d, IDC_TIME_UNIT, 4);
                 SetCheck(d, IDC_FIXED_TIME, false);
                 SetItemText(d, IDC_FIXED_TIME_H, "25");
                 SetItemText(d, IDC_FIXED_TIME_M, " 30 ");
                 SetItemText(d, IDC_DATE_OFFSET, "+7");
                 SetItemText(d, IDC_LOG_PATH, "D:\\新しい\\logs");
                 SetItemText(d, IDC_STRAT_ADJUST, "99999999999");
                 SetCheck(d, IDC_WARNING_ENABLE, true);
                 SetItemText(d, IDC_WARNING_TIME, "90");
                 SetCheck(d, IDC_DISCONNECT_ENABLE, false);
                 SetItemText(d, IDC_DISCONNECT_TIME, "007");
                 SetItemText(d, IDC_WAV_PATH, "E:\\音\\beep.wav");
                 Select(d, IDC_TBAR_DISP, 3);
                 Click(d, IDOK);
                 Check(WaitGone(d), "settings: OK closes the dialog");
             });
    Check(result, "settings: OK gives true");
    SettingsRecord expected = SampleSettings();  // WinPosX, WinPosY and DlgType stay
    expected.HideCnct = 0;
    expected.RunHide = 1;
    expected.ShowCnct = 0;
    expected.LogonTime = 0;
    expected.TimeUnit = 4;
    expected.FixedTime = 0;
    expected.FixedTimeH = 25;
    expected.FixedTimeM = 30;
    expected.DateOffset = 7;
    expected.LogPath = "D:\\新しい\\logs";
    expected.StratAdjust = 4294967295u;
    expected.WarningEnable = 1;
    expected.WarningTime = 90;
    expected.DisconnectEnable = 0;
    expected.DisconnectTime = 7;
    expected.WavPath = "E:\\音\\beep.wav";
    expected.TBarDisp = 3;
    SameSettings(expected, "settings: OK stores all seventeen edited values, and only those");
    Check(IsWindowEnabled(TheApp()->MainWindowHandle()) != FALSE, "settings: the main window is enabled again");
}

// Types `text` into the start day, presses OK, and expects `message` with the focus back on
// `faulty`, all its text selected, and the dialog open.
void RefuseNumber(HWND d, const std::string& text, const std::string& message, int faulty, const std::string& what) {
    size_t before = prompts.Count();
    SetItemText(d, IDC_DATE_OFFSET, text);
    Click(d, IDOK);
    AnswerMessageBox(message, what);
    Check(prompts.Count() == before + 1 && prompts.At(before).style == (kMbOk | kMbIconExclamation),
          what + ": one message, OK button and exclamation icon");
    Check(IsWindowVisible(d) != FALSE, what + ": the dialog stays open");
    HWND edit = GetDlgItem(d, faulty);
    bool focused = WaitFor([&] { return Focus() == edit; }, 2000);
    DWORD start = 1, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Check(focused && start == 0 && end == Text(edit).size(),
          what + ": focus in edit " + std::to_string(faulty) + " with all its text selected");
}

void CheckSettingsRefusals() {
    SettingsRecord before = SampleSettings();
    Settings = before;
    bool result = true;
    WithUser([&] { result = EditSettings(); },
             [] {
                 HWND d = WaitWindow(kSettingsCaption);
                 if (!Check(d != nullptr, "settings: the dialog opens again")) return;
                 const std::string positive = kEnterPositiveInteger, range = RangeMessage(1, 31);
                 RefuseNumber(d, "abc", positive, IDC_DATE_OFFSET, "start day abc");
                 RefuseNumber(d, "-5", positive, IDC_DATE_OFFSET, "start day -5");
                 RefuseNumber(d, "", positive, IDC_DATE_OFFSET, "start day empty");
                 RefuseNumber(d, "0", range, IDC_DATE_OFFSET, "start day 0");
                 RefuseNumber(d, "32", range, IDC_DATE_OFFSET, "start day 32");
                 // Several faults: the first in exchange order is the one reported.
                 SetItemText(d, IDC_FIXED_TIME_H, "x");
                 SetItemText(d, IDC_WARNING_TIME, "-1");
                 RefuseNumber(d, "0", positive, IDC_FIXED_TIME_H, "hour x before start day 0");
                 SetItemText(d, IDC_FIXED_TIME_H, "8");
                 SetItemText(d, IDC_WARNING_TIME, "5");
                 RefuseNumber(d, "32", range, IDC_DATE_OFFSET, "start day 32 before warning -1");
                 // Cancel after all that: nothing reaches Settings.
                 SetItemText(d, IDC_DATE_OFFSET, "9");
                 SetCheck(d, IDC_RUN_HIDE, true);
                 Click(d, IDCANCEL);
                 Check(WaitGone(d), "settings: Cancel closes the dialog");
             });
    Check(!result, "settings: Cancel gives false");
    SameSettings(before, "settings: Cancel after refused values changes nothing");
}

void CheckSettingsOddStoredValues() {
    SettingsRecord odd = SampleSettings();
    odd.TimeUnit = 7;
    odd.LogonTime = 5;
    odd.TBarDisp = -3;
    odd.HideCnct = 5;
    odd.RunHide = -1;
    odd.DateOffset = 40;
    Settings = odd;
    bool result = false;
    WithUser([&] { result = EditSettings(); },
             [] {
                 HWND d = WaitWindow(kSettingsCaption);
                 if (!Check(d != nullptr, "settings: opens with odd stored values")) return;
                 Check(Selection(d, IDC_TIME_UNIT) == CB_ERR && Selection(d, IDC_LOGON_TIME) == CB_ERR &&
                           Selection(d, IDC_TBAR_DISP) == CB_ERR,
                       "settings: positions not in the lists select nothing");
                 Check(!Checked(d, IDC_HIDE_CNCT) && !Checked(d, IDC_RUN_HIDE), "settings: check values 5 and -1 open unchecked");
                 Check(ItemText(d, IDC_DATE_OFFSET) == "40", "settings: start day 40 opens as 40");
                 RefuseNumber(d, "40", RangeMessage(1, 31), IDC_DATE_OFFSET, "stored start day 40");
                 SetItemText(d, IDC_DATE_OFFSET, "31");
                 Click(d, IDOK);
                 Check(WaitGone(d), "settings: OK with start day 31 closes");
             });
    Check(result, "settings: OK gives true");
    SettingsRecord expected = odd;
    expected.TimeUnit = -1;
    expected.LogonTime = -1;
    expected.TBarDisp = -1;
    expected.HideCnct = 0;
    expected.RunHide = 0;
    expected.DateOffset = 31;
    SameSettings(expected, "settings: no selection stores -1, odd check values store 0");
}

DWORD HelpContextSeen();

void CheckSettingsCloseBox() {
    SettingsRecord before = SampleSettings();
    Settings = before;
    bool result = true;
    WithUser([&] { result = EditSettings(); },
             [] {
                 HWND d = WaitWindow(kSettingsCaption);
                 if (!Check(d != nullptr, "settings: opens")) return;
                 SetItemText(d, IDC_WARNING_TIME, "44");
                 Select(d, IDC_TIME_UNIT, 0);
                 Click(d, ID_HELP);
                 Check(WaitFor([] { return HelpContextSeen() == 0x20089; }, 3000),
                       "settings: Help opens the help file at context 0x20089");
                 PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                 Check(WaitGone(d), "settings: the close box closes the dialog");
             });
    Check(!result, "settings: the close box gives false");
    SameSettings(before, "settings: the close box changes nothing");
}

// The file dialog: its file name goes into the name box, then OK.
bool PickFile(HWND picker, const std::string& path) {
    HWND name = nullptr;
    for (int id : {0x47C /* cmb13 */, 0x480 /* edt1 */}) {
        if ((name = GetDlgItem(picker, id)) != nullptr && IsWindowVisible(name)) break;
        name = nullptr;
    }
    if (!Check(name != nullptr, "wav picker: has a file name box")) return false;
    SetWindowTextA(name, path.c_str());
    PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
    return true;
}

void CheckSettingsWavPicker() {
    SettingsRecord before = SampleSettings();
    Settings = before;
    bool result = false;
    const std::string chosen = "C:\\windows\\tolvane-alert.wav";
    WithUser([&] { result = EditSettings(); },
             [&] {
                 HWND d = WaitWindow(kSettingsCaption);
                 if (!Check(d != nullptr, "settings: opens")) return;
                 // Typed, then undone by the picker's exchange towards the controls.
                 SetItemText(d, IDC_FIXED_TIME_H, "13");
                 SetCheck(d, IDC_RUN_HIDE, true);
                 SetItemText(d, IDC_LOG_PATH, "E:\\typed");
                 Click(d, IDC_BROWSE_WAV);
                 HWND picker = WaitForeignDialog(d);
                 if (!Check(picker != nullptr, "wav picker: opens owned by the settings dialog")) return;
                 Check((GetWindowLongA(picker, GWL_STYLE) & WS_THICKFRAME) != 0, "wav picker: resizable");
                 HWND filter = GetDlgItem(picker, 0x470 /* cmb1 */);
                 Check(filter && ListItem(picker, 0x470, 0) == "*.wav" &&
                           SendMessageA(filter, CB_GETCOUNT, 0, 0) == 1,
                       "wav picker: one filter, *.wav");
                 if (!PickFile(picker, chosen)) return;
                 Check(WaitGone(picker), "wav picker: closes on OK");
                 Check(WaitFor([&] { return ItemText(d, IDC_WAV_PATH) == chosen; }, 3000),
                       "wav picker: the chosen path shows in edit 1036");
                 Check(ItemText(d, IDC_FIXED_TIME_H) == "22" && !Checked(d, IDC_RUN_HIDE) &&
                           ItemText(d, IDC_LOG_PATH) == "C:\\ログ\\表",
                       "wav picker: typed values are undone");
                 Click(d, IDOK);
                 Check(WaitGone(d), "settings: OK closes");
             });
    SettingsRecord expected = before;
    expected.WavPath = chosen;
    Check(result, "settings: OK after the picker gives true");
    SameSettings(expected, "wav picker: only WavPath changed");
}

// The folder picker: the item of drive C: is selected, then OK.
bool PickDriveC(HWND picker) {
    HWND tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
    if (!Check(tree != nullptr, "folder picker: shows a folder tree")) return false;
    // Search the first two levels (the drives folder may be the root itself or under it).
    std::vector<HTREEITEM> level;
    for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) level.push_back(i);
    for (int depth = 0; depth < 3; ++depth) {
        std::vector<HTREEITEM> next;
        for (HTREEITEM item : level) {
            char text[260] = "";
            TVITEMA tv{};
            tv.mask = TVIF_TEXT;
            tv.hItem = item;
            tv.pszText = text;
            tv.cchTextMax = sizeof text;
            SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
            if (Contains(text, "(C:)")) {
                TreeView_SelectItem(tree, item);
                Sleep(200);
                PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
                return true;
            }
            TreeView_Expand(tree, item, TVE_EXPAND);
            for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c)) next.push_back(c);
        }
        level = next;
    }
    return Check(false, "folder picker: offers drive C:");
}

void CheckSettingsFolderPicker() {
    SettingsRecord before = SampleSettings();
    Settings = before;
    bool result = false;
    WithUser([&] { result = EditSettings(); },
             [] {
                 HWND d = WaitWindow(kSettingsCaption);
                 if (!Check(d != nullptr, "settings: opens")) return;
                 SetItemText(d, IDC_FIXED_TIME_H, "13");
                 Click(d, IDC_BROWSE_LOG);
                 HWND picker = WaitForeignDialog(d);
                 if (!Check(picker != nullptr, "folder picker: opens owned by the settings dialog")) return;
                 bool titled = false;
                 for (HWND w = GetWindow(picker, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) titled = titled || Text(w) == "保存先ﾌｫﾙﾀﾞ";
                 Check(titled, "folder picker: titled 保存先ﾌｫﾙﾀﾞ");
                 if (!PickDriveC(picker)) {
                     PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
                     return;
                 }
                 Check(WaitGone(picker), "folder picker: closes on OK");
                 Check(WaitFor([&] { return ItemText(d, IDC_LOG_PATH) == "C:\\"; }, 3000),
                       "folder picker: the drive's root shows in edit 1032");
                 Check(ItemText(d, IDC_FIXED_TIME_H) == "13", "folder picker: what was typed elsewhere stays");
                 Click(d, IDOK);
                 Check(WaitGone(d), "settings: OK closes");
             });
    SettingsRecord expected = before;
    expected.LogPath = "C:\\";
    expected.FixedTimeH = 13;
    Check(result, "settings: OK after the folder picker gives true");
    SameSettings(expected, "folder picker: LogPath is the picked folder");
}

// --- Dialing -----------------------------------------------------------------------------------

const char kDialCaption[] = "ﾀﾞｲｱﾙｱｯﾌﾟ接続";
const char kProgressCaption[] = "ﾀﾞｲｱﾙ接続中";
const char kBadPassword[] = "ﾕｰｻﾞｰ名またはﾊﾟｽﾜｰﾄﾞが正しくありません。";
const char kNoEntry[] = "電話帳のｴﾝﾄﾘが見つかりません。";
const char kPortBusy[] = "ﾎﾟｰﾄは既に使用中です。";
const char kDialingMyIsp[] = "MyISP - 0312345678";

void PrepareService() {
    service->Entry("MyISP", "03", "12345678", "taro", "", "secret");
    service->Entry("Other", "06", "9876", "hanako", "WORK", nullptr);
    service->ErrorText(691, kBadPassword);
    service->ErrorText(623, kNoEntry);
    service->ErrorText(633, kPortBusy);
    service->DialInterval(250);
    ResetSlot(kSlotCount);  // the monitor window's construction enumerates the entries
}

void CheckDialConnects() {
    ForgetShown();
    size_t mark = service->Journal().size();
    service->DialInterval(400);  // time for a screenshot while dialing
    WithUser(RunDialDialog, [] {
        HWND d = WaitWindow(kDialCaption);
        if (!Check(d != nullptr, "dial: the dialog opens")) return;
        Check(GetWindow(d, GW_OWNER) == TheApp()->MainWindowHandle(), "dial: owned by the main window");
        HWND list = GetDlgItem(d, IDC_DIAL_ENTRY);
        Check(SendMessageA(list, CB_GETCOUNT, 0, 0) == 2 && ListItem(d, IDC_DIAL_ENTRY, 0) == "MyISP" &&
                  ListItem(d, IDC_DIAL_ENTRY, 1) == "Other" && Selection(d, IDC_DIAL_ENTRY) == 0,
              "dial: the entries offered, the first selected");
        Check(ItemText(d, IDC_DIAL_USER) == "taro" && ItemText(d, IDC_DIAL_PASSWORD) == "secret" &&
                  ItemText(d, IDC_DIAL_DOMAIN).empty() && Checked(d, IDC_DIAL_SAVE_PASSWORD),
              "dial: the saved user name, password and domain loaded");
        Check(Focus() == list, "dial: focus on the entry list");
        Screenshot(d, "dial-dialog.bmp");

        // The second entry: what the service saved for it; typed changes are dropped.
        SetItemText(d, IDC_DIAL_USER, "typed-away");
        Select(d, IDC_DIAL_ENTRY, 1);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_DIAL_ENTRY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        Check(WaitFor([&] { return ItemText(d, IDC_DIAL_USER) == "hanako"; }, 3000) &&
                  ItemText(d, IDC_DIAL_PASSWORD).empty() && ItemText(d, IDC_DIAL_DOMAIN) == "WORK" &&
                  !Checked(d, IDC_DIAL_SAVE_PASSWORD),
              "dial: choosing the second entry loads what was saved for it");
        Select(d, IDC_DIAL_ENTRY, 0);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_DIAL_ENTRY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        Check(WaitFor([&] { return ItemText(d, IDC_DIAL_USER) == "taro"; }, 3000) &&
                  ItemText(d, IDC_DIAL_PASSWORD) == "secret",
              "dial: back to the first entry, its saved values again");

        // Dial with a typed password that is not to be saved.
        SetItemText(d, IDC_DIAL_PASSWORD, "typed");
        SetCheck(d, IDC_DIAL_SAVE_PASSWORD, false);
        Click(d, IDOK);
        HWND p = WaitWindow(kProgressCaption);
        if (!Check(p != nullptr, "progress: opens")) return;
        Check(GetWindow(p, GW_OWNER) == d && !IsWindowEnabled(d), "progress: owned by the dial dialog, which is disabled");
        Check(WaitFor([&] { return ItemText(p, IDC_DIAL_STATUS) == kDialingMyIsp; }, 5000),
              "progress: the status line reads entry - phone number while dialing");
        Screenshot(p, "dial-progress.bmp");
        Check(WaitGone(p) && WaitGone(d), "progress and dial: both close when connected");
    });
    service->DialInterval(250);
    std::vector<std::string> j = JournalSince(mark);
    int set = FindLine(j, {"RasSetEntryDialParamsA entry=MyISP user=taro password=typed", "remove-password=1"});
    int dial = FindLine(j, {"RasDialA entry=MyISP user=taro password=typed"});
    std::string handle = DialHandleIn(j);
    Check(set >= 0 && dial > set, "dial: typed values stored (saved password removed), then dialled with the typed password");
    Check(!handle.empty() && FindLine(j, {"event handle=" + handle + " state=0x2000 error=0"}) >= 0,
          "dial: the dial reached connected");
    Check(FindLine(j, {"RasHangUpA"}) < 0, "dial: nothing hung up");
    if (set < 0 || dial < 0) DumpJournal(j);
    Check(EverShown(kDialCaption) && EverShown(kProgressCaption), "dial: both dialogs were shown");

    // The saved password is gone now.
    std::string user, password, domain, entry, phone;
    int saved = -1;
    Check(ExchangeDialParams(0, user, password, domain, saved, entry, phone, false) && saved == 0 && password.empty(),
          "dial: the entry has no saved password any more");
}

// Opens the dial dialog and presses connect.
HWND DialFirstEntry() {
    HWND d = WaitWindow(kDialCaption);
    if (!Check(d != nullptr, "dial: the dialog opens")) return nullptr;
    Click(d, IDOK);
    return d;
}

// The dial dialog run as the connect command does, with its result.
INT_PTR RunDial() {
    CDialDlg dialog;
    return dialog.DoModal();
}

void CheckDialError() {
    size_t mark = service->Journal().size();
    service->DialError(691, 3);
    INT_PTR result = -2;
    WithUser([&] { result = RunDial(); }, [] {
        HWND d = DialFirstEntry();
        if (!d) return;
        HWND p = WaitWindow(kProgressCaption);
        if (!Check(p != nullptr, "dial error: progress opens")) return;
        AnswerMessageBox(kBadPassword, "dial error");
        Check(WaitGone(p) && WaitGone(d), "dial error: both dialogs close");
    });
    Check(result == IDOK, "dial error: the dial dialog ends with IDOK after the attempt");
    std::vector<std::string> j = JournalSince(mark);
    std::string handle = DialHandleIn(j);
    int error = FindLine(j, {"event handle=" + handle, "error=691"});
    Check(!handle.empty() && error >= 0 &&
              FindLine(j, {"RasHangUpA handle=" + handle}, static_cast<size_t>(error)) > error,
          "dial error: the dial is hung up after the error");
    if (handle.empty()) DumpJournal(j);
}

void CheckDialCancel() {
    size_t mark = service->Journal().size();
    service->DialInterval(600);
    INT_PTR result = -2;
    WithUser([&] { result = RunDial(); }, [] {
        HWND d = DialFirstEntry();
        if (!d) return;
        HWND p = WaitWindow(kProgressCaption);
        if (!Check(p != nullptr, "dial cancel: progress opens")) return;
        // The first event comes 600 ms after the dial starts; until then the line is blank.
        Check(ItemText(p, IDC_DIAL_STATUS).empty(), "progress: the status line is blank until the first event");
        Check(WaitFor([&] { return ItemText(p, IDC_DIAL_STATUS) == kDialingMyIsp; }, 5000), "dial cancel: dialing");
        Click(p, IDCANCEL);
        Check(WaitGone(p) && WaitGone(d), "dial cancel: both dialogs close");
    });
    service->DialInterval(250);
    Check(result == IDOK, "dial cancel: the dial dialog ends with IDOK after the attempt");
    std::vector<std::string> j = JournalSince(mark);
    std::string handle = DialHandleIn(j);
    Check(!handle.empty() && FindLine(j, {"RasHangUpA handle=" + handle + " entry=MyISP -> 0"}) >= 0,
          "dial cancel: RasHangUpA on the dial's handle");
    Check(FindLine(j, {"state=0x2000"}) < 0, "dial cancel: the dial never connected");
    if (handle.empty()) DumpJournal(j);
}

void CheckDialFailsToStart() {
    ForgetShown();
    size_t mark = service->Journal().size();
    service->DialFail(633);
    INT_PTR result = -2;
    WithUser([&] { result = RunDial(); }, [] {
        HWND d = DialFirstEntry();
        if (!d) return;
        AnswerMessageBox(kPortBusy, "dial fails to start");
        Check(WaitGone(d), "dial fails to start: the dial dialog closes");
    });
    Check(result == IDOK, "dial fails to start: the dial dialog ends with IDOK");
    Check(!EverShown(kProgressCaption), "dial fails to start: the progress dialog was never shown");
    Check(FindLine(JournalSince(mark), {"RasDialA", "-> 633"}) >= 0, "dial fails to start: RasDialA refused");
}

void CheckFirstLoadFails() {
    ForgetShown();
    service->FailLoadOnce(623);
    INT_PTR result = -2;
    WithUser([&] { result = RunDial(); }, [] { AnswerMessageBox(kNoEntry, "first load fails"); });
    Check(result == 0 && !EverShown(kDialCaption), "first load fails: the dial dialog ends with 0, never shown");
}

void CheckNoEntries() {
    ForgetShown();
    EntryListData saved = EntryList;
    EntryList = EntryListData{};
    size_t mark = service->Journal().size();
    INT_PTR result = -2;
    WithUser([&] { result = RunDial(); }, [] { AnswerMessageBox(kNoEntry, "no entries"); });
    Check(result == 0 && !EverShown(kDialCaption), "no entries: the dial dialog ends with 0, never shown");
    Check(FindLine(JournalSince(mark), {"RasGetEntryDialParamsA entry=\"\" -> 623"}) >= 0,
          "no entries: position 0 is asked for with an empty name");
    EntryList = saved;
}

void CheckLoadFailsOnChange() {
    size_t mark = service->Journal().size();
    bool cancelled = false;
    INT_PTR result = -2;
    WithUser([&] { result = RunDial(); }, [&] {
        HWND d = WaitWindow(kDialCaption);
        if (!Check(d != nullptr, "dial: the dialog opens")) return;
        service->FailLoadOnce(623);
        SetItemText(d, IDC_DIAL_USER, "kept");
        Select(d, IDC_DIAL_ENTRY, 1);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_DIAL_ENTRY, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_DIAL_ENTRY)));
        AnswerMessageBox(kNoEntry, "load fails on a change");
        Check(IsWindowVisible(d) && ItemText(d, IDC_DIAL_USER) == "kept" && ItemText(d, IDC_DIAL_PASSWORD) == "" &&
                  Selection(d, IDC_DIAL_ENTRY) == 1,
              "load fails on a change: the dialog stays with the fields as they were on screen");
        Click(d, IDCANCEL);
        cancelled = WaitGone(d);
    });
    Check(cancelled && result == IDCANCEL, "dial: Cancel closes the dial dialog with IDCANCEL");
    Check(FindLine(JournalSince(mark), {"RasSetEntryDialParamsA"}) < 0 && FindLine(JournalSince(mark), {"RasDialA"}) < 0,
          "dial: Cancel stores nothing and dials nothing");
}

// --- The progress dialog on its own --------------------------------------------------------------

// Loads the first entry into DialParams, as the dial dialog's connect does before the dial.
void PrepareDialParams() {
    std::string user, password, domain, entry, phone;
    int saved = 0;
    ExchangeDialParams(0, user, password, domain, saved, entry, phone, false);
}

void CheckProgressConnected() {
    PrepareDialParams();
    CDialProgressDlg progress;
    progress.m_strDialing = "X";
    INT_PTR result = progress.DoModal();
    Check(result == 1 && progress.m_strStatus == "接続完了", "progress: connected ends with 1, status 接続完了");
    Check(DialingHandle != nullptr, "progress: DialingHandle keeps the dial after it closes");
}

// Events queued behind one that ends the dialog, and events after it closed.
void CheckProgressLateEvents() {
    service->DialSteps("0");  // one step, then the dial stays quiet
    size_t mark = service->Journal().size();
    PrepareDialParams();
    CDialProgressDlg cancelled;
    cancelled.m_strDialing = "X";
    HWND oldWindow = nullptr;
    INT_PTR result = -2;
    WithUser([&] { result = cancelled.DoModal(); },
             [&] {
                 HWND p = WaitWindow(kProgressCaption);
                 if (!Check(p != nullptr, "progress: opens")) return;
                 oldWindow = p;
                 WaitFor([&] { return ItemText(p, IDC_DIAL_STATUS) == "X"; }, 3000);
                 // A cancel with a connection right behind it in the queue.
                 PostMessageA(p, WM_COMMAND, IDCANCEL, 0);
                 PostMessageA(p, WM_RASDIALEVENT, RASCS_Connected, 0);
                 Check(WaitGone(p), "late events: the progress dialog closes");
             });
    Check(result == IDCANCEL && cancelled.m_strStatus == "X", "late events: a connection queued behind Cancel is not taken");
    Check(reinterpret_cast<HWND>(DialTarget.load()) == oldWindow && oldWindow != nullptr,
          "late events: DialTarget still names the closed window");
    // The service reports again after the window is gone: the post is dropped, nothing runs.
    ForwardDialEvent(WM_RASDIALEVENT, RASCS_Connected, 0);
    Check(!IsWindow(oldWindow) && !PostMessageA(oldWindow, WM_RASDIALEVENT, RASCS_Connected, 0),
          "late events: a post to the closed window is refused");
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    std::vector<std::string> j = JournalSince(mark);
    std::string handle = DialHandleIn(j);
    Check(!handle.empty() && FindLine(j, {"RasHangUpA handle=" + handle}) >= 0, "late events: the cancel hung up the dial");
}

void CheckProgressErrorThenConnected() {
    size_t mark = service->Journal().size();
    PrepareDialParams();
    CDialProgressDlg progress;
    progress.m_strDialing = "X";
    INT_PTR result = -2;
    WithUser([&] { result = progress.DoModal(); },
             [&] {
                 HWND p = WaitWindow(kProgressCaption);
                 if (!Check(p != nullptr, "progress: opens")) return;
                 WaitFor([&] { return ItemText(p, IDC_DIAL_STATUS) == "X"; }, 3000);
                 // The connection arrives while the error's message is up.
                 PostMessageA(p, WM_RASDIALEVENT, 3, 691);
                 PostMessageA(p, WM_RASDIALEVENT, RASCS_Connected, 0);
                 PostMessageA(p, WM_RASDIALEVENT, 4, 692);
                 Sleep(300);
                 AnswerMessageBox(kBadPassword, "error then connected");
                 Check(WaitGone(p), "error then connected: the dialog closes");
                 Check(ForeignDialog(nullptr) == nullptr, "error then connected: no second message");
             });
    Check(result == IDCANCEL && progress.m_strStatus == "X", "error then connected: a failure, not a connection");
    std::vector<std::string> j = JournalSince(mark);
    std::string handle = DialHandleIn(j);
    Check(!handle.empty() && FindLine(j, {"RasHangUpA handle=" + handle}) >= 0, "error then connected: hung up");
}

void CheckProgressDisconnected() {
    size_t mark = service->Journal().size();
    size_t shown = prompts.Count();
    PrepareDialParams();
    CDialProgressDlg progress;
    progress.m_strDialing = "X";
    INT_PTR result = -2;
    WithUser([&] { result = progress.DoModal(); },
             [&] {
                 HWND p = WaitWindow(kProgressCaption);
                 if (!Check(p != nullptr, "progress: opens")) return;
                 WaitFor([&] { return ItemText(p, IDC_DIAL_STATUS) == "X"; }, 3000);
                 PostMessageA(p, WM_RASDIALEVENT, RASCS_Disconnected, 0);
                 Check(WaitGone(p), "ended disconnected: the dialog closes");
             });
    Check(result == IDCANCEL && progress.m_strStatus != "接続完了",
          "ended disconnected without an error: not reported as connected");
    Check(prompts.Count() == shown, "ended disconnected: no message");
    std::vector<std::string> j = JournalSince(mark);
    std::string handle = DialHandleIn(j);
    Check(!handle.empty() && FindLine(j, {"RasHangUpA handle=" + handle}) >= 0, "ended disconnected: hung up");
}

void CheckProgressFailsToStart() {
    service->DialFail(633);
    PrepareDialParams();
    CDialProgressDlg progress;
    INT_PTR result = -2;
    WithUser([&] { result = progress.DoModal(); }, [] { AnswerMessageBox(kPortBusy, "progress fails to start"); });
    Check(result == 0 && DialingHandle == nullptr, "progress: a dial that cannot start ends with 0, no handle");
}

// --- The application -----------------------------------------------------------------------------

class CheckApp : public CApplication {
public:
    bool InitInstance() override;
    int ExitInstance() override { return failures; }
    std::atomic<DWORD> helpContext{0};

protected:
    bool OpenHelp(HWND, DWORD context) override {
        helpContext = context;
        return true;
    }
};

CheckApp theApp;

DWORD HelpContextSeen() { return theApp.helpContext; }

bool CheckApp::InitInstance() {
    uiThread = GetCurrentThreadId();
    std::string command = GetCommandLineA();
    // Screenshots go to --shots DIR, else to the run's output folder.
    std::string folder = e2e::OutputFolder();
    size_t shots = command.find("--shots ");
    if (shots != std::string::npos) {
        folder = command.substr(shots + 8);
        folder = folder.substr(0, folder.find(" --"));
        while (!folder.empty() && (folder.back() == ' ' || folder.back() == '"')) folder.pop_back();
        if (!folder.empty() && folder.front() == '"') folder.erase(0, 1);
        folder = ToUtf8(folder);
    }
    shotFolder = Wide(folder);
    const bool systemRas = command.find("--system-ras") != std::string::npos;
    InProcessService* inProcess = systemRas ? nullptr : new InProcessService;
    ScriptService* script = systemRas ? new ScriptService : nullptr;
    service = inProcess ? static_cast<Service*>(inProcess) : script;
    Note(systemRas ? "service: rasapi32.dll" : "service: simulator in-process");

    SetPoster(&SystemMessagePoster());
    SetPrompts(&prompts);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, ShowHook, nullptr, uiThread);

    // A stand-in for the monitor window: the owner of the dialogs run without a parent.
    CDialog monitor(IDD_MONITOR);
    mainWindow = &monitor;
    monitor.Create(nullptr);
    ShowWindow(monitor.hwnd, SW_SHOW);

    CheckSettingsOpenAndOk();
    CheckSettingsRefusals();
    CheckSettingsOddStoredValues();
    CheckSettingsCloseBox();
    CheckSettingsWavPicker();
    CheckSettingsFolderPicker();

    PrepareService();
    CheckDialConnects();
    CheckDialError();
    CheckDialCancel();
    CheckDialFailsToStart();
    CheckFirstLoadFails();
    CheckNoEntries();
    CheckLoadFailsOnChange();
    CheckProgressConnected();
    CheckProgressLateEvents();
    CheckProgressErrorThenConnected();
    CheckProgressDisconnected();
    CheckProgressFailsToStart();

    UnhookWindowsHookEx(hook);
    monitor.DestroyWindow();
    mainWindow = nullptr;
    SetPoster(nullptr);
    delete inProcess;
    delete script;
    service = nullptr;
    return false;
}

}  // namespace

int main() {
    int failed = RunApplication(GetModuleHandleA(nullptr));
    std::printf("%d passed, %d failed\n", passed, failures);
    return failed;
}
