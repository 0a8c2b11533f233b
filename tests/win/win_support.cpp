// Helpers for the Windows-built tests.
#include "win_support.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "sim/sim_codec.h"

namespace wintest {

TempFolder::TempFolder(const std::string& tag) {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::string base = n ? sim::Utf8FromWide(std::wstring(temp, n)) : std::string("C:\\");
    if (base.back() != '\\') base += '\\';
    for (unsigned i = 0;; ++i) {
        std::string name = base + u8"tolvane-試験-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount() + i);
        if (CreateDirectoryW(Wide(name).c_str(), nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || i > 100) return;
    }
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Wide(path_)), ignored);
}

std::string ReadWhole(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    CloseHandle(file);
    return out;
}

bool WriteWhole(const std::string& path, const std::string& bytes, bool append) {
    HANDLE file = CreateFileW(Wide(path).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::string Ansi(const std::string& utf8) { return sim::AnsiCodec().toAnsi(utf8); }
std::string Utf8(const std::string& ansi) { return sim::AnsiCodec().toUtf8(ansi); }
std::wstring Wide(const std::string& utf8) { return sim::WideFromUtf8(utf8); }

std::string UnixPath(const std::string& path) {
    // Wine's own export; it is absent on Windows.
    using Fn = char*(__cdecl*)(const wchar_t*);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return std::string();
    char* unix = fn(Wide(path).c_str());
    if (!unix) return std::string();
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

ScopedTimeZone::ScopedTimeZone(const char* tz) {
    const char* old = std::getenv("TZ");
    if (old && *old) old_ = std::string("TZ=") + old;
    _putenv((std::string("TZ=") + tz).c_str());
    _tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    // Never back to no TZ: msvcrt would then load the system's zone, and under Wine that
    // zone's lack of daylight dates sticks to every TZ set after it.
    if (old_.empty()) return;
    _putenv(old_.c_str());
    _tzset();
}

}  // namespace wintest
