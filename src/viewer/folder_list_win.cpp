// A folder's files through FindFirstFileA: names in the ANSI code page, sizes and last write
// times from the same listing, so no file is opened to list it.
#include <windows.h>

#include "base/cp932.h"
#include "viewer/folder_list.h"

namespace {

class WinFolders final : public FolderLister {
public:
    bool List(const std::string& folder, FolderFileSink& sink) override {
        std::string pattern = folder;
        if (!EndsWithBackslash(pattern)) pattern += "\\";
        pattern += "*";
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(pattern.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // nothing in it
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            FolderFile file;
            file.name = found.cFileName;
            file.size = uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow;
            file.writeTime = uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32 | found.ftLastWriteTime.dwLowDateTime;
            sink.Take(file);
        } while (FindNextFileA(find, &found));
        FindClose(find);
        return true;
    }
};

}  // namespace

FolderLister& PlatformFolders() {
    static WinFolders folders;
    return folders;
}
