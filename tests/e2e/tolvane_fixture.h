// The fixture of the end-to-end tests of Tolvane.exe: the program started beside the test
// with the simulator's files, its settings in the registry, and helpers to read its log, its
// windows and the registry as a user would.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "harness.h"  // <windows.h> first

#include <shellapi.h>
#include <shlobj.h>

#include "res/resource.h"
#include "screen_probe.h"

namespace e2etest {

inline const char kSettingsKey[] = "Software\\Orlimo\\Tolvane\\Settings";
inline const char kQuestion[] = "ﾀﾞｲｱﾙ回線を切断しますか";
inline const int kTrayIcons[] = {IDI_TRAY_NONE, IDI_TRAY_ONE, IDI_TRAY_MANY};

// A session's timeline takes a minute or two; waits for it are long.
inline constexpr int kLong = 90000;

inline std::string ProgramPath() { return e2e::TestProgramFolder() + "\\Tolvane.exe"; }

// The file name of this month's log of `entry` in `folder` (the calendar month).
inline std::string LogFile(const std::string& folder, const std::string& entry) {
    __time64_t now = _time64(nullptr);
    tm local{};
    _localtime64_s(&local, &now);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02d%02d.csv", local.tm_year % 100, local.tm_mon + 1);
    return folder + "\\" + entry + suffix;
}

// Where the program keeps the log lines it could not write yet, for its next start.
inline std::string KeepingFile() {
    char folder[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Tolvane\\unwritten-lines.txt";
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What `reg query` prints for the settings key, as a user would ask for it.
inline std::string RegQuery(const std::string& key) {
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

inline BOOL CALLBACK MatchChildText(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<TextSearch*>(data);
    if (e2e::WindowText(child) == search->text) search->found = true;
    return TRUE;
}

// The value `reg query` shows for `name` ("0x5", or a text), empty when it is not listed.
inline std::string RegValue(const std::string& output, const std::string& name) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word, type, value;
        if (!(words >> word) || word != name || !(words >> type)) continue;
        std::getline(words >> std::ws, value);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        return value;
    }
    return "";
}

// Every child text of a window (a message box's text is one of them).
inline bool HasChildText(HWND window, const std::string& text) {
    TextSearch search{text, false};
    EnumChildWindows(window, MatchChildText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The text of a window of another process: its own text, not the caption kept for it.
inline std::string SentText(HWND window) {
    char text[65536];
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             5000, &got))
        return std::string();
    return std::string(text, got);
}

struct ChildSearch {
    const char* className;
    HWND found;
};

inline BOOL CALLBACK MatchChildClass(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch*>(data);
    if (e2e::ClassName(child) != search->className) return TRUE;
    search->found = child;
    return FALSE;
}

inline HWND ChildOfClass(HWND window, const char* className) {
    ChildSearch search{className, nullptr};
    EnumChildWindows(window, MatchChildClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class TolvaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::DeleteRegistryKey("Software\\Orlimo\\Tolvane");
        DeleteFileA(KeepingFile().c_str());  // no line an earlier test left
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
    // A visible window of the program other than the monitor window and those `besides`, such
    // as a message box.
    HWND WaitForOtherWindow(const char* className, std::initializer_list<HWND> besides = {}) {
        HWND found = nullptr;
        e2e::WaitUntil([&] {
            for (HWND w : e2e::TopWindows(program_.pid())) {
                bool known = w == monitor_;
                for (HWND b : besides) known = known || w == b;
                if (!known && IsWindowVisible(w) && e2e::ClassName(w) == className) found = w;
            }
            return found != nullptr;
        });
        return found;
    }
    HWND WaitForDialog(const char* title) { return e2e::WaitForWindow(program_.pid(), title, "#32770", e2e::kDefaultTimeoutMs, true); }
    void RightClick() { PostMessageA(monitor_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10)); }
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

}  // namespace e2etest
