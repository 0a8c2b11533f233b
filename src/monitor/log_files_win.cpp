// Log files over the Win32 file calls: read sharing read and write, appended to sharing
// nothing; the lines still to be written kept under the user's local application data.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

#include "base/app_names.h"
#include "base/exe_folder.h"
#include "monitor/log_files.h"

namespace {

class WinFiles final : public LogFiles {
public:
    FileResult Read(const std::string& path, ByteSink& sink) override {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        // Only a missing file is a month without lines; a missing folder may be a network
        // folder that dropped, and is read again later.
        if (file == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_NOT_FOUND ? FileResult::kMissing : FileResult::kNotOpened;
        FileResult result = ReadOpen(file, sink);
        CloseHandle(file);
        return result;
    }

    // The usage viewer's reads keep nobody out: Tolvane appends, a spreadsheet holds the log,
    // anyone deletes it meanwhile.
    FileResult ReadPart(const std::string& path, uint64_t offset, uint64_t maxBytes, ByteSink& sink,
                        uint64_t* size) override {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_NOT_FOUND ? FileResult::kMissing : FileResult::kNotOpened;
        LARGE_INTEGER length = {};
        LARGE_INTEGER at = {};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!GetFileSizeEx(file, &length) || !SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
            CloseHandle(file);
            return FileResult::kIoError;
        }
        *size = static_cast<uint64_t>(length.QuadPart);
        FileResult result = ReadOpen(file, sink, maxBytes);
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
        LARGE_INTEGER end = {};
        bool ok = SetFilePointerEx(file, none, &end, FILE_END);
        if (ok && !(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size())) {
            // A part of the line would run into the line written again later.
            SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
            ok = false;
        }
        ok = CloseHandle(file) && ok;
        return ok ? FileResult::kOk : FileResult::kIoError;
    }

    // Written as a new file, created the way a line is appended.
    FileResult Replace(const std::string& path, const std::string& bytes) override {
        if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
            return FileResult::kNotOpened;
        if (bytes.empty()) return FileResult::kOk;
        std::string folder = FolderOfModulePath(path);
        if (!folder.empty()) folder.pop_back();  // named without its final backslash
        CreateDirectoryA(folder.c_str(), nullptr);
        return Append(path, bytes);
    }

private:
    // Read to the end (or `maxBytes`), whatever the file's size: it is never held whole.
    // The piece is taken for the read and given back: a static buffer would be stored in full
    // in the program file, and the program would hold it for ever.
    static FileResult ReadOpen(HANDLE file, ByteSink& sink, uint64_t maxBytes = UINT64_MAX) {
        char* piece = static_cast<char*>(std::malloc(kReadPieceBytes));
        if (!piece) return FileResult::kIoError;
        FileResult result = FileResult::kOk;
        while (maxBytes > 0) {
            DWORD want = maxBytes < kReadPieceBytes ? static_cast<DWORD>(maxBytes) : static_cast<DWORD>(kReadPieceBytes);
            DWORD got = 0;
            if (!ReadFile(file, piece, want, &got, nullptr)) {
                result = FileResult::kIoError;
                break;
            }
            if (got == 0) break;
            sink.Take(piece, got);
            maxBytes -= got;
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

// The user's local application data: on the local disk, writable by the user whatever the
// folders of the program and its logs are, and still there at the end of the log-on session.
std::string PlatformKeepingFile() {
    char folder[MAX_PATH];
    std::string path;
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        path.append(folder).append("\\").append(appName).append("\\unwritten-lines.txt");
    return path;
}
