// The folder lister over FindFirstFileA: names, sizes and write times from the folder's
// listing alone, without opening a file.
#include <windows.h>

#include "monitor/log_format.h"
#include "viewer/folder_list.h"

namespace {

class WinFolders final : public FolderLister {
public:
    bool List(const std::string& folder, FolderFileSink& sink) override {
        std::string pattern = LogFolderPrefix(folder) + "*";
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            FolderFile file;
            file.name = found.cFileName;
            file.size = uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow;
            file.writeTime = uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32 | found.ftLastWriteTime.dwLowDateTime;
            sink.Take(file);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return true;
    }
};

}  // namespace

FolderLister& PlatformFolders() {
    static WinFolders folders;
    return folders;
}
