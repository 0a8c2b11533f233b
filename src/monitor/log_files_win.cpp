// Log files over the Win32 file calls, opened with no sharing.
#include <windows.h>

#include <cstdlib>

#include "monitor/log_files.h"

namespace {

class WinFiles final : public LogFiles {
public:
    FileResult Read(const std::string& path, ByteSink& sink) override {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return FileResult::kNotOpened;
        FileResult result = ReadOpen(file, sink);
        CloseHandle(file);
        return result;
    }

    FileResult Append(const std::string& path, const std::string& bytes) override {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return FileResult::kNotOpened;
        DWORD written = 0;
        // The 64-bit seek: a log past 4 GiB still gets its line at its end.
        LARGE_INTEGER none = {};
        bool ok = SetFilePointerEx(file, none, nullptr, FILE_END) &&
                  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
        ok = CloseHandle(file) && ok;
        return ok ? FileResult::kOk : FileResult::kIoError;
    }

private:
    // Read to the end, whatever the file's size: it is never held whole.
    // The piece is taken for the read and given back: a static buffer would be stored in full
    // in the program file, and the program would hold it for ever.
    static FileResult ReadOpen(HANDLE file, ByteSink& sink) {
        char* piece = static_cast<char*>(std::malloc(kReadPieceBytes));
        if (!piece) return FileResult::kIoError;
        FileResult result = FileResult::kOk;
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(file, piece, kReadPieceBytes, &got, nullptr)) {
                result = FileResult::kIoError;
                break;
            }
            if (got == 0) break;
            sink.Take(piece, got);
        }
        std::free(piece);
        return result;
    }
};

}  // namespace

LogFiles& PlatformFiles() {
    static WinFiles files;
    return files;
}
