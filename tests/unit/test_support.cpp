// Helpers for the unit tests, natively over POSIX and iconv, in the Windows build over the
// Windows API and msvcrt.
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/exe_folder.h"
#include "base/settings.h"
#include "monitor/connection_table.h"
#include "monitor/log_files.h"
#include "monitor/tick_time.h"
#include "monitor/usage_log.h"
#include "ras/dialing.h"
#include "ras/ras_api.h"

namespace test {

int RecordingPrompt::Show(const std::string& text, unsigned style) {
    shown.push_back({text, style});
    if (answers.empty()) return kIdYes;
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

#ifdef _WIN32

namespace {

// The core takes paths in the ANSI code page, so the folder is named and reached in it.
std::filesystem::path WidePath(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

}  // namespace

TempDir::TempDir() {
    char base[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH) return;
    for (unsigned i = 0; i < 1000; ++i) {
        std::string name = std::string(base, n) + "tolvane-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount() + i);
        if (CreateDirectoryA(name.c_str(), nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(WidePath(path_), ignored);
}

bool TempDir::Exists(const std::string& name) const {
    return GetFileAttributesA((path_ + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

HeldFile::HeldFile(const TempDir& dir, const std::string& name, bool othersMayRead)
    : handle_(reinterpret_cast<intptr_t>(CreateFileA((dir.path() + "\\" + name).c_str(), GENERIC_READ,
                                                     othersMayRead ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr))) {}

bool HeldFile::held() const { return reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE; }

void HeldFile::Release() {
    if (held()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
}

#else

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    path_ = mkdtemp(buffer.data()) ? buffer.data() : "";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool TempDir::Exists(const std::string& name) const { return std::filesystem::exists(path_ + "/" + name); }

HeldFile::HeldFile(const TempDir& dir, const std::string& name, bool othersMayRead)
    : handle_(open((dir.path() + "/" + name).c_str(), O_RDONLY | O_CLOEXEC)) {
    if (held() && flock(static_cast<int>(handle_), othersMayRead ? LOCK_SH : LOCK_EX) != 0) Release();
}

bool HeldFile::held() const { return handle_ >= 0; }

void HeldFile::Release() {
    if (held()) close(static_cast<int>(handle_));
    handle_ = -1;
}

#endif

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(path_ + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void TempDir::Write(const std::string& name, const std::string& contents) const {
    std::ofstream(path_ + "/" + name, std::ios::binary) << contents;
}

#ifdef _WIN32

// msvcrt reads TZ in its POSIX form but only the names and offsets: a zone with a daylight
// name gets the US rules, whatever rule text follows.
ScopedTimeZone::ScopedTimeZone(const char* tz) {
    const char* old = getenv("TZ");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    _putenv_s("TZ", tz);
    _tzset();
}

// Never back to no TZ: msvcrt would load the system's zone, and under Wine that zone's lack
// of daylight dates sticks to every TZ set after it. With no TZ at the start, the last zone
// set stays; every test that reads local time sets its own.
ScopedTimeZone::~ScopedTimeZone() {
    if (!hadOld_) return;
    _putenv_s("TZ", old_.c_str());
    _tzset();
}

std::tm LocalFields(int64_t t) {
    std::tm fields{};
    __time64_t tt = t;
    if (_localtime64_s(&fields, &tt) != 0) fields = std::tm{};
    return fields;
}

#else

ScopedTimeZone::ScopedTimeZone(const char* tz) {
    const char* old = getenv("TZ");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (hadOld_)
        setenv("TZ", old_.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

std::tm LocalFields(int64_t t) {
    std::tm fields{};
    time_t tt = static_cast<time_t>(t);
    if (!localtime_r(&tt, &fields)) fields = std::tm{};
    return fields;
}

#endif

int64_t Local(std::tm fields) {
#ifdef _WIN32
    return _mktime64(&fields);  // the 32-bit build's time_t, and so its mktime, is 32 bits wide
#else
    return static_cast<int64_t>(std::mktime(&fields));
#endif
}

int64_t Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return Local(t);
}

namespace {

#ifdef _WIN32
constexpr UINT kUtf8 = CP_UTF8, kCp932 = 932;

// A text that does not convert comes back as it is, as the simulator's own codec keeps it.
std::string Convert(UINT to, UINT from, const std::string& text) {
    if (text.empty()) return text;
    int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) return text;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], n);
    int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return text;
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(to, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}
#else
const char* const kUtf8 = "UTF-8";
const char* const kCp932 = "CP932";

std::string Convert(const char* to, const char* from, const std::string& text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* o = &out[0];
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}
#endif

}  // namespace

std::string Cp932(const std::string& utf8) { return Convert(kCp932, kUtf8, utf8); }

sim::TextCodec Cp932Codec() {
    sim::TextCodec codec;
    codec.toAnsi = [](const std::string& s) { return Convert(kCp932, kUtf8, s); };
    codec.toUtf8 = [](const std::string& s) { return Convert(kUtf8, kCp932, s); };
    return codec;
}

void CoreTest::SetUp() {
    ApplySettingDefaults(Settings);
    for (uint32_t i = 0; i < kSlotCount; ++i) ResetSlot(i);
    for (auto*& p : ConnectionTable.active) p = nullptr;
    ConnectionTable.activeCount = 0;
    EntryList = EntryListData{};
    TickTime = 0;
    exeFolder = "C:\\Tolvane\\";
    SetRas(&ras_);
    SetPrompts(&prompt_);
    SetFiles(nullptr);
    ResetUnwrittenLines("");
    for (std::string ignored; TakeLogError(&ignored);) {
    }
    ResetDialing();
}

void CoreTest::TearDown() {
    SetRas(nullptr);
    SetPrompts(nullptr);
    SetFiles(nullptr);
    SetClock(nullptr);
}

}  // namespace test
