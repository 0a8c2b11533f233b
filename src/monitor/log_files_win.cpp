// Log files over the Win32 file calls, opened with no sharing.
#include <windows.h>

#include <cstdlib>

#include "monitor/log_files.h"

namespace {

class WinFiles final : public LogFiles {
public:
    FileResult ReadAll(const std::string& path, std::string* contents) override {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return FileResult::kNotOpened;
        FileResult result = ReadOpen(file, contents);
        CloseHandle(file);
        return result;
    }

    FileResult Append(const std::string& path, const std::string& bytes) override {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return FileResult::kNotOpened;
        DWORD written = 0;
        bool ok = SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
        ok = CloseHandle(file) && ok;
        return ok ? FileResult::kOk : FileResult::kIoError;
    }

private:
    static FileResult ReadOpen(HANDLE file, std::string* contents) {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file, &size) || size.HighPart != 0 || size.LowPart > 0x7FFFFFFF)
            return FileResult::kIoError;
        // The program runs without exceptions, where a failed allocation ends it: a log too
        // large for the memory left is a read error instead, found by asking for its room first.
        void* room = std::malloc(size.LowPart + size_t{1});
        if (!room) return FileResult::kIoError;
        std::free(room);
        contents->resize(size.LowPart);
        DWORD got = 0;
        if (size.LowPart && (!ReadFile(file, &(*contents)[0], size.LowPart, &got, nullptr) || got != size.LowPart))
            return FileResult::kIoError;
        return FileResult::kOk;
    }
};

}  // namespace

LogFiles& PlatformFiles() {
    static WinFiles files;
    return files;
}
