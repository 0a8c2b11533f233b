// The end-to-end harness over the Win32 calls another process may make on a program's windows.
#include "harness.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "sim/ras_sim.h"
#include "sim/sim_codec.h"
#include "sim/sim_script.h"
#include "time_scale.h"
#include "win_support.h"

namespace e2e {

namespace {

std::wstring W(const std::string& utf8) { return sim::WideFromUtf8(utf8); }
std::string U(const std::wstring& wide) { return sim::Utf8FromWide(wide); }

std::string EnvironmentValue(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::string();
    std::wstring value(n, L'\0');
    DWORD got = GetEnvironmentVariableW(name, &value[0], n);
    if (got == 0 || got >= n) return std::string();
    value.resize(got);
    return U(value);
}

// Creates a folder and the folders above it.
bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesW(W(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2) MakeFolders(path.substr(0, slash));
    return CreateDirectoryW(W(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string Folder(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The environment block of this process with `changes` applied, for CreateProcessW.
std::wstring EnvironmentBlock(const std::vector<std::string>& changes) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsW(block);
    }
    for (const std::string& change : changes) {
        std::wstring entry = W(change);
        size_t eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos) continue;
        auto sameName = [&](const std::wstring& e) {
            return e.size() > eq && e[eq] == L'=' && CompareStringOrdinal(e.c_str(), static_cast<int>(eq),
                                                                          entry.c_str(), static_cast<int>(eq),
                                                                          TRUE) == CSTR_EQUAL;
        };
        entries.erase(std::remove_if(entries.begin(), entries.end(), sameName), entries.end());
        entries.push_back(entry);
    }
    std::wstring block;
    for (const std::wstring& e : entries) block += e + L'\0';
    block += L'\0';
    return block;
}

HKEY OpenKey(const std::string& key, REGSAM access, bool create) {
    HKEY h = nullptr;
    LONG r = create ? RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, access, nullptr, &h, nullptr)
                    : RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, access, &h);
    return r == ERROR_SUCCESS ? h : nullptr;
}

bool WriteBmp(const std::string& path, HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as BMP files store rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    std::string pixels(stride * static_cast<size_t>(height), '\0');
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != height)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes += pixels;
    return wintest::WriteWhole(path, bytes, false);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs) {
    ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(0, Scaled(timeoutMs)));
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(static_cast<DWORD>(std::max(1, stepMs)));
    }
}

std::string OutputFolder() {
    std::string folder = sim::WindowsPath(EnvironmentValue(L"TOLVANE_E2E_OUT"));
    if (folder.empty()) {
        wchar_t temp[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        folder = (n ? U(std::wstring(temp, n)) : std::string("C:\\")) + "tolvane-e2e";
    }
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    MakeFolders(folder);
    return folder;
}

std::string TestProgramFolder() {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n);
    return Folder(U(path));
}

std::string UnixPath(const std::string& path) { return wintest::UnixPath(path); }

void Pause(int ms) { Sleep(static_cast<DWORD>(Scaled(ms))); }

bool StartUnix(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string command = commandLine;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    return true;
}

// --- SimFiles.

SimFiles::SimFiles(const std::string& name)
    : folder_(OutputFolder() + "\\" + name), script_(folder_ + "\\script.txt"), journal_(folder_ + "\\journal.txt") {
    MakeFolders(folder_);
    wintest::WriteWhole(script_, "version 1\n", false);
    DeleteFileW(W(journal_).c_str());
}

bool SimFiles::WriteScript(const std::string& utf8Lines) {
    return wintest::WriteWhole(script_, "version 1\n" + utf8Lines, false);
}

bool SimFiles::AppendScript(const std::string& utf8Lines) {
    std::string lines = utf8Lines;
    if (!lines.empty() && lines.back() != '\n') lines += '\n';  // a line counts once it ends
    return wintest::WriteWhole(script_, lines, true);
}

std::vector<std::string> SimFiles::JournalLines() const {
    std::string text = wintest::ReadWhole(journal_);
    std::vector<std::string> lines;
    size_t start = 0;
    // Only whole lines: the last one may be half written.
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int SimFiles::WaitForJournal(const std::string& text, int timeoutMs, size_t from) const {
    int found = -1;
    WaitUntil(
        [&] {
            std::vector<std::string> lines = JournalLines();
            for (size_t i = from; i < lines.size(); ++i) {
                if (lines[i].find(text) != std::string::npos) {
                    found = static_cast<int>(i);
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 50);
    return found;
}

bool SimFiles::Sync(const std::string& name, int timeoutMs) {
    size_t from = JournalLines().size();
    std::string quoted = sim::QuoteValue(name);
    if (!AppendScript("mark " + quoted + "\n")) return false;
    return WaitForJournal(" mark " + quoted, timeoutMs, from) >= 0;
}

std::vector<std::string> SimFiles::Environment() const {
    return {"TOLVANE_SIM_SCRIPT=" + script_, "TOLVANE_SIM_JOURNAL=" + journal_};
}

// --- Program.

Program::~Program() {
    if (Running()) Terminate();
    if (process_) CloseHandle(process_);
}

bool Program::Start(const std::string& exe, const std::vector<std::string>& environment,
                    const std::string& arguments) {
    if (process_) return false;
    std::string path = exe.find('\\') == std::string::npos ? TestProgramFolder() + "\\" + exe : exe;
    std::wstring commandLine = L"\"" + W(path) + L"\"" + (arguments.empty() ? L"" : L" " + W(arguments));
    std::wstring block = EnvironmentBlock(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(W(path).c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        &block[0], W(Folder(path)).c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    WaitForInputIdle(process_, 5000);
    return true;
}

bool Program::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool Program::WaitForExit(int timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(std::max(0, timeoutMs))) != WAIT_OBJECT_0)
        return false;
    if (exitCode) GetExitCodeProcess(process_, exitCode);
    return true;
}

bool Program::End(int timeoutMs, DWORD* exitCode) {
    for (HWND window : TopWindows(pid_))
        if (IsWindowVisible(window)) PostClose(window);
    if (WaitForExit(timeoutMs, exitCode)) return true;
    Terminate();
    return false;
}

void Program::Terminate() {
    if (!Running()) return;
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 5000);
}

// --- Windows.

namespace {

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->pid == 0 || owner == search->pid) search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopWindow(DWORD pid, const char* title, const char* className, bool visibleOnly) {
    for (HWND window : TopWindows(pid)) {
        if (visibleOnly && !IsWindowVisible(window)) continue;
        if (title && WindowText(window) != title) continue;
        if (className && ClassName(window) != className) continue;
        return window;
    }
    return nullptr;
}

HWND WaitForWindow(DWORD pid, const char* title, const char* className, int timeoutMs, bool visibleOnly) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pid, title, className, visibleOnly)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND window, int timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

HWND FindPopupMenu(DWORD pid) { return FindTopWindow(pid, nullptr, "#32768", true); }

std::string WindowText(HWND window) {
    int n = GetWindowTextLengthA(window);
    if (n <= 0) return std::string();
    std::string text(static_cast<size_t>(n) + 1, '\0');
    int got = GetWindowTextA(window, &text[0], n + 1);
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

std::string ClassName(HWND window) {
    char name[256];
    int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, static_cast<size_t>(std::max(0, n)));
}

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return std::string();
    // As GetDlgItemTextA, but bounded in time: a program busy in a loop does not hang the test.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                             5000, &got))
        return std::string();
    text.resize(std::min(static_cast<size_t>(got), text.size() - 1));
    return text;
}

bool SetControlText(HWND dialog, int id, const std::string& text) {
    return SetDlgItemTextA(dialog, id, text.c_str()) != FALSE;
}

bool ControlVisible(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

bool ControlEnabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool WaitForControlText(HWND dialog, int id, const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return ControlText(dialog, id) == text; }, timeoutMs, 50);
}

// --- List views and the clipboard.

int ListViewCount(HWND list) {
    DWORD_PTR count = 0;
    if (!list || !SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) return -1;
    return static_cast<int>(count);
}

std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows;
    int count = ListViewCount(list);
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = count > 0 ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)
                               : nullptr;
    if (!process) return rows;
    constexpr int kChars = 1024;
    const SIZE_T bytes = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
    for (int row = 0; remote && row < count; ++row) {
        std::vector<std::string> texts;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = column;
            item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
            item.cchTextMax = kChars;
            wchar_t text[kChars] = L"";
            DWORD_PTR length = 0;
            if (!WriteProcessMemory(process, remote, &item, sizeof item, nullptr) ||
                !WriteProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof(wchar_t), nullptr) ||
                !SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                                     SMTO_ABORTIFHUNG, 5000, &length) ||
                !ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof text, nullptr))
                break;
            text[kChars - 1] = L'\0';
            texts.push_back(AnsiFromUtf8(U(text)));
        }
        rows.push_back(texts);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return rows;
}

std::string ClipboardText() {
    std::string text;
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) Sleep(50);
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool ClearClipboard() {
    if (!OpenClipboard(nullptr)) return false;
    bool ok = EmptyClipboard() != FALSE;
    return CloseClipboard() && ok;
}

// --- Commands and keys.

bool PostCommand(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control)) != FALSE;
}

bool PostSysCommand(HWND window, WPARAM command) {
    return PostMessageA(window, WM_SYSCOMMAND, command, 0) != FALSE;
}

bool PostClose(HWND window) { return PostMessageA(window, WM_CLOSE, 0, 0) != FALSE; }

bool PostKeys(HWND window, const std::vector<WORD>& keys) {
    for (WORD key : keys) {
        LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
        if (!PostMessageA(window, WM_KEYDOWN, key, scan | 1)) return false;
        if (!PostMessageA(window, WM_KEYUP, key, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31))) return false;
        Sleep(30);  // one at a time, as typed
    }
    return true;
}

bool SendKeys(HWND window, const std::vector<WORD>& keys) {
    SetForegroundWindow(window);
    for (WORD key : keys) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (SendInput(2, input, sizeof(INPUT)) != 2) return false;
        Sleep(30);
    }
    return true;
}

bool SendChord(HWND window, const std::vector<WORD>& keys) {
    // Keys sent before the window is in front would go to the one that was.
    SetForegroundWindow(window);
    if (!WaitUntil([&] { return GetForegroundWindow() == window; }, 2000)) return false;
    std::vector<INPUT> inputs(keys.size() * 2);
    for (size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(30);
    return sent == inputs.size();
}

// --- Registry.

bool ReadRegistryDword(const std::string& key, const std::string& name, DWORD* value) {
    HKEY h = OpenKey(key, KEY_READ, false);
    if (!h) return false;
    DWORD type = 0, size = sizeof *value;
    LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS && type == REG_DWORD && size == sizeof *value;
}

bool ReadRegistryString(const std::string& key, const std::string& name, std::string* value) {
    HKEY h = OpenKey(key, KEY_READ, false);
    if (!h) return false;
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size);
    std::string data(size, '\0');
    if (r == ERROR_SUCCESS && size)
        r = RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    data.resize(std::min<size_t>(size, data.size()));
    while (!data.empty() && data.back() == '\0') data.pop_back();
    *value = data;
    return true;
}

bool WriteRegistryDword(const std::string& key, const std::string& name, DWORD value) {
    HKEY h = OpenKey(key, KEY_WRITE, true);
    if (!h) return false;
    LONG r = RegSetValueExA(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool WriteRegistryString(const std::string& key, const std::string& name, const std::string& value) {
    HKEY h = OpenKey(key, KEY_WRITE, true);
    if (!h) return false;
    LONG r = RegSetValueExA(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

bool DeleteRegistryKey(const std::string& key) {
    LONG r = RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    if (r == ERROR_SUCCESS) r = RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

// --- Screenshots.

std::string SaveScreenshot(const std::string& name, HWND window) {
    std::string path = name.find('\\') == std::string::npos ? OutputFolder() + "\\" + name : name;
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    RECT area = screen;
    if (window) {
        RECT r;
        if (!GetWindowRect(window, &r) || !IntersectRect(&area, &r, &screen)) return std::string();
    }
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return std::string();

    HDC screenDc = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDc);
    HBITMAP bitmap = CreateCompatibleBitmap(screenDc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool ok = BitBlt(memory, 0, 0, width, height, screenDc, area.left, area.top, SRCCOPY | CAPTUREBLT) != FALSE;
    SelectObject(memory, old);
    ok = ok && WriteBmp(path, memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screenDc);
    return ok ? path : std::string();
}

// --- Texts.

std::string Utf8FromAnsi(const std::string& ansi) { return sim::AnsiCodec().toUtf8(ansi); }
std::string AnsiFromUtf8(const std::string& utf8) { return sim::AnsiCodec().toAnsi(utf8); }

}  // namespace e2e
