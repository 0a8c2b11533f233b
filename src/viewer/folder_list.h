// The files of a folder, as a port: the usage viewer lists its log folder with it. The Windows
// adapter is folder_list_win.cpp (FindFirstFileA), the native one folder_list_posix.cpp.
#pragma once

#include <cstdint>
#include <string>

// One file of the folder (folders inside it are not listed).
struct FolderFile {
    std::string name;        // without the folder, code page 932
    uint64_t size = 0;       // bytes
    uint64_t writeTime = 0;  // last write, in the platform's units: compared, never shown
};

// Takes the files one at a time, so that a folder of any size is listed in small memory.
class FolderFileSink {
public:
    FolderFileSink() = default;
    FolderFileSink(const FolderFileSink&) = delete;
    FolderFileSink& operator=(const FolderFileSink&) = delete;
    virtual ~FolderFileSink() = default;
    virtual void Take(const FolderFile& file) = 0;
};

class FolderLister {
public:
    FolderLister() = default;
    FolderLister(const FolderLister&) = delete;
    FolderLister& operator=(const FolderLister&) = delete;
    virtual ~FolderLister() = default;
    // Hands every file of `folder` (a program path, backslashes, with or without a final one)
    // to `sink`, in no particular order. False when the folder cannot be listed (missing, no
    // permission); an empty folder is true.
    virtual bool List(const std::string& folder, FolderFileSink& sink) = 0;
};

// The lister in use: the platform's own until another is chosen.
FolderLister& Folders();
void SetFolders(FolderLister* lister);
// The platform's (folder_list_win.cpp or folder_list_posix.cpp).
FolderLister& PlatformFolders();
