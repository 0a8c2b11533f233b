// A small library for end-to-end tests of a Windows program under Wine, used from Windows-built
// GoogleTest programs: start the program with the simulator's script and journal, find its
// windows, read and drive its controls, act on the script at a moment of the test's choosing,
// read the journal and the registry, take screenshots, and end the program.
//
// Paths are UTF-8 in Windows form (a Unix path is accepted wherever a path comes from the
// environment). Window and control texts are the program's own bytes (code page 932), so
// tests compare them with plain literals, which the build compiles to code page 932.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

constexpr int kDefaultTimeoutMs = 10000;

// Polls `condition` every `stepMs` until it holds or `timeoutMs` has passed. Every time-out
// here grows with TOLVANE_E2E_TIME_SCALE (tests/win/time_scale.h).
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kDefaultTimeoutMs, int stepMs = 25);
// Gives the program `ms` (times the time scale) to do what it does meanwhile.
void Pause(int ms);

// --- Files of a run.

// Where the tests leave what a person may want to look at (screenshots): TOLVANE_E2E_OUT,
// else a folder under the temporary folder. Created when missing.
std::string OutputFolder();
// The folder of the running test program, where the program under test stands (the simulated
// service is the prefix's own rasapi32.dll, in its system folder).
std::string TestProgramFolder();
// The Unix path of a file under Wine (for a shell-side check), empty elsewhere.
std::string UnixPath(const std::string& path);
// Starts a Unix program under Wine (which starts one from CreateProcess), for what no Windows
// call can set up, such as a log that is a link to /dev/full, a disk with no room left. Wine
// gives no handle to wait on: wait for its effect.
bool StartUnix(const std::string& commandLine);

// The simulator's two files for one run of the program: a folder of its own under the output
// folder holding script.txt (UTF-8, "version 1" first) and journal.txt.
class SimFiles {
public:
    explicit SimFiles(const std::string& name);
    const std::string& folder() const { return folder_; }
    const std::string& script() const { return script_; }
    const std::string& journal() const { return journal_; }

    // Replaces the script; call before the program starts.
    bool WriteScript(const std::string& utf8Lines);
    // Appends lines; the simulator takes them in before the program's next call.
    bool AppendScript(const std::string& utf8Lines);

    // The journal's lines so far (UTF-8, with their time stamps).
    std::vector<std::string> JournalLines() const;
    // Waits for a journal line, from line `from` on, that contains `text`; its index, or -1.
    int WaitForJournal(const std::string& text, int timeoutMs = kDefaultTimeoutMs, size_t from = 0) const;
    // Appends "mark NAME" and waits until the simulator has taken it in, that is until the
    // program has made a call since: every line appended before it is in effect then.
    bool Sync(const std::string& name, int timeoutMs = kDefaultTimeoutMs);

    // The environment entries that point the simulator at these files.
    std::vector<std::string> Environment() const;

private:
    std::string folder_;
    std::string script_;
    std::string journal_;
};

// --- The program under test.

class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();  // terminates the program if it still runs

    // Starts `exe` (a full path, or a name beside the test program) in its own folder, with
    // this process's environment plus `environment` ("NAME=VALUE", UTF-8; a later entry wins).
    bool Start(const std::string& exe, const std::vector<std::string>& environment = {},
               const std::string& arguments = "");
    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_; }
    bool Running() const;

    // Waits for the program to end; false when it still runs after `timeoutMs`.
    bool WaitForExit(int timeoutMs = kDefaultTimeoutMs, DWORD* exitCode = nullptr);
    // Posts WM_CLOSE to each of its visible top-level windows and waits for its end; when it
    // does not end in time it is terminated and the result is false.
    bool End(int timeoutMs = kDefaultTimeoutMs, DWORD* exitCode = nullptr);
    void Terminate();

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// --- Windows.

// A top-level window of process `pid` (0: any process) with this title and/or class (nullptr:
// any); hidden windows count unless `visibleOnly`.
HWND FindTopWindow(DWORD pid, const char* title, const char* className, bool visibleOnly = false);
HWND WaitForWindow(DWORD pid, const char* title, const char* className, int timeoutMs = kDefaultTimeoutMs,
                   bool visibleOnly = false);
bool WaitForWindowGone(HWND window, int timeoutMs = kDefaultTimeoutMs);
// Every top-level window of the process.
std::vector<HWND> TopWindows(DWORD pid);
// An open popup menu (class "#32768") of the process, or nullptr. Under Wine 8 its items
// cannot be read from here: choose them with keys and check their effect.
HWND FindPopupMenu(DWORD pid);

std::string WindowText(HWND window);
std::string ClassName(HWND window);

// Controls of a dialog, by id.
std::string ControlText(HWND dialog, int id);  // GetDlgItemTextA
bool SetControlText(HWND dialog, int id, const std::string& text);
bool ControlVisible(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
bool WaitForControlText(HWND dialog, int id, const std::string& text, int timeoutMs = kDefaultTimeoutMs);

// A report list view of another process (the reader must be of its bitness: the item
// structure holds a pointer), read with LVM_GETITEMCOUNT and LVM_GETITEMTEXTW through memory
// in that process. Texts in code page 932; -1 rows when it cannot be read.
int ListViewCount(HWND list);
std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns);

// The clipboard's CF_TEXT (code page 932 bytes), empty when it holds none.
std::string ClipboardText();
bool ClearClipboard();

// --- Commands and keys.

// WM_COMMAND as a click on control `id` sends it (the control's handle in lParam, if any).
bool PostCommand(HWND window, int id);
bool PostSysCommand(HWND window, WPARAM command);
bool PostClose(HWND window);
// Key presses (virtual-key codes) posted to a window's thread as WM_KEYDOWN / WM_KEYUP: this
// also reaches a popup menu that the thread is tracking.
bool PostKeys(HWND window, const std::vector<WORD>& keys);
// Key presses through SendInput, after making `window` the foreground window.
bool SendKeys(HWND window, const std::vector<WORD>& keys);

// Keys pressed together through SendInput (Ctrl+C: {VK_CONTROL, 'C'}), released in reverse.
bool SendChord(HWND window, const std::vector<WORD>& keys);

// --- Registry (HKEY_CURRENT_USER of the same prefix; names in code page 932).

bool ReadRegistryDword(const std::string& key, const std::string& name, DWORD* value);
bool ReadRegistryString(const std::string& key, const std::string& name, std::string* value);
bool WriteRegistryDword(const std::string& key, const std::string& name, DWORD value);
bool WriteRegistryString(const std::string& key, const std::string& name, const std::string& value);
bool DeleteRegistryKey(const std::string& key);  // with everything below it

// --- Screenshots.

// Copies the screen (or the screen area of `window`) with BitBlt from the screen DC into a
// 24-bit BMP file. A bare name goes to the output folder. The end-to-end runner converts the
// BMP files it finds there to PNG. Returns the path written, or empty.
std::string SaveScreenshot(const std::string& name, HWND window = nullptr);

// --- Texts.

std::string Utf8FromAnsi(const std::string& ansi);
std::string AnsiFromUtf8(const std::string& utf8);

}  // namespace e2e
