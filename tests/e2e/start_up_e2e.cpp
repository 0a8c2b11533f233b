// Tolvane.exe's start-up guards under Wine: a second start while one runs brings that one's
// window up and ends, so every session is logged once; and libraries of the system's names
// lying beside the program are never loaded, though Wine is told to prefer files on disk.
#include "tolvane_fixture.h"

#include <vector>

namespace {

using namespace e2etest;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

size_t LineCount(const std::string& text) {
    size_t n = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
    return n;
}

// The window of `program` (hidden or not), once it has one.
HWND MonitorOf(const e2e::Program& program) { return e2e::WaitForWindow(program.pid(), "Tolvane", "#32770"); }

TEST_F(TolvaneTest, ASecondStartBringsTheRunningOneUpAndEnds) {
    Set("RunHide", 1);  // in the tray: only a second start's request shows the window
    // Two starts at the same moment, the second before the first has a window: one goes on.
    e2e::Program other;
    ASSERT_TRUE(program_.Start(ProgramPath(), sim_.Environment()));
    ASSERT_TRUE(other.Start(ProgramPath(), sim_.Environment()));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !program_.Running() || !other.Running(); }));
    e2e::Pause(1000);
    ASSERT_NE(program_.Running(), other.Running()) << "exactly one of the two runs";
    e2e::Program& first = program_.Running() ? program_ : other;
    monitor_ = MonitorOf(first);
    ASSERT_NE(monitor_, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; })) << "brought up by the second";
    ShowWindow(monitor_, SW_HIDE);

    // A later start, with the first long running: its window comes up, and the second ends
    // without touching the settings (the first has them loaded; the key is gone meanwhile).
    ASSERT_TRUE(e2e::DeleteRegistryKey(kSettingsKey));
    e2e::Program second;
    ASSERT_TRUE(second.Start(ProgramPath(), sim_.Environment()));
    DWORD code = 0xBAD;
    EXPECT_TRUE(second.WaitForExit(e2e::kDefaultTimeoutMs, &code));
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(monitor_) != FALSE; }));
    DWORD unused = 0;
    EXPECT_FALSE(e2e::ReadRegistryDword(kSettingsKey, "RunHide", &unused)) << "the second start saved settings";
    EXPECT_TRUE(first.Running());

    // A copy under another name is another program, with settings of its own: it runs.
    const std::string copy = e2e::TestProgramFolder() + "\\TolvaneCopy.exe";
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE));
    e2e::Program renamed;
    ASSERT_TRUE(renamed.Start(copy, sim_.Environment()));
    EXPECT_NE(e2e::WaitForWindow(renamed.pid(), "Tolvane", "#32770", e2e::kDefaultTimeoutMs, true), nullptr);
    EXPECT_TRUE(renamed.Running());
    renamed.Terminate();
    e2e::DeleteRegistryKey("Software\\Orlimo\\TolvaneCopy");
    DeleteFileA(copy.c_str());

    // A session with two more starts meanwhile is in the log once.
    ASSERT_TRUE(Connect("MyISP"));
    for (int i = 0; i < 2; ++i) {
        e2e::Program again;
        ASSERT_TRUE(again.Start(ProgramPath(), sim_.Environment()));
        EXPECT_TRUE(again.WaitForExit());
    }
    e2e::Pause(1500);
    ASSERT_TRUE(sim_.AppendScript("drop MyISP\n"));
    const std::string log = LogFile(sim_.folder(), "MyISP");
    ASSERT_TRUE(e2e::WaitUntil([&] { return LineCount(ReadText(log)) > 0; }, kLong));
    e2e::Pause(1500);
    EXPECT_EQ(LineCount(ReadText(log)), 1u) << ReadText(log);
}

// A minimal PCM WAV file: a tenth of a second of silence.
std::string SilentWav() {
    auto word = [](uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
        return s;
    };
    const uint32_t samples = 800;
    return "RIFF" + word(36 + samples, 4) + "WAVEfmt " + word(16, 4) + word(1, 2) + word(1, 2) + word(8000, 4) +
           word(8000, 4) + word(1, 2) + word(8, 2) + "data" + word(samples, 4) + std::string(samples, '\x80');
}

// The file's last access; the file system notes a read when the last one is older than the
// last change.
uint64_t LastAccess(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return uint64_t{data.ftLastAccessTime.dwHighDateTime} << 32 | data.ftLastAccessTime.dwLowDateTime;
}

bool SetLastAccessLongAgo(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    SYSTEMTIME then = {2001, 1, 0, 1, 0, 0, 0, 0};
    FILETIME longAgo;
    bool ok = SystemTimeToFileTime(&then, &longAgo) && SetFileTime(file, nullptr, &longAgo, nullptr);
    CloseHandle(file);
    return ok;
}

TEST_F(TolvaneTest, LibrariesBesideTheProgramAreNeverLoaded) {
    // The program in a folder of its own, as unpacked into Downloads beside a rasapi32.dll
    // and a winmm.dll that a web page once dropped there.
    const std::string folder = sim_.folder() + "\\Downloads";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string program = folder + "\\Tolvane.exe";
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), program.c_str(), FALSE));
    for (const char* name : {"rasapi32.dll", "winmm.dll"}) {
        std::string decoy = e2e::TestProgramFolder() + "\\decoys\\" + name;
        ASSERT_TRUE(CopyFileA(decoy.c_str(), (folder + "\\" + name).c_str(), FALSE)) << decoy;
    }
    const std::string wav = sim_.folder() + "\\alert.wav";
    {
        std::ofstream out(wav, std::ios::binary);
        out << SilentWav();
    }
    ASSERT_TRUE(SetLastAccessLongAgo(wav));
    const uint64_t untouched = LastAccess(wav);
    Set("WavPath", wav);
    Set("StratAdjust", 44);  // the first reading: 44 s, two seconds before the warning
    Set("WarningTime", 1);

    std::vector<std::string> environment = sim_.Environment();
    environment.push_back("WINEDLLOVERRIDES=rasapi32,winmm=n,b");  // files on disk before Wine's own
    ASSERT_TRUE(program_.Start(program, environment));
    monitor_ = MonitorOf(program_);
    ASSERT_NE(monitor_, nullptr);
    ASSERT_TRUE(Connect("MyISP"));  // the system folder's service: the simulator
    EXPECT_TRUE(e2e::WaitForControlText(monitor_, IDC_SESSION_TIME, "00:00:50"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return LastAccess(wav) != untouched; })) << "the warning was not sounded";
    EXPECT_FALSE(Exists(folder + "\\rasapi32.dll.loaded"));
    EXPECT_FALSE(Exists(folder + "\\winmm.dll.loaded"));
}

}  // namespace
