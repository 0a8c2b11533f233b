// The two things the usage log does with files, as a port: read a whole log, append a line.
// Both open the file sharing nothing with other openers and close it before returning.
#pragma once

#include <string>

enum class FileResult {
    kOk,
    kNotOpened,  // missing, locked by another opener, no permission, no folder
    kIoError,    // opened, then a read or write failed (a full disk, for instance)
};

class LogFiles {
public:
    LogFiles() = default;
    LogFiles(const LogFiles&) = delete;
    LogFiles& operator=(const LogFiles&) = delete;
    virtual ~LogFiles() = default;

    // Opens an existing file for reading only and reads all of it into `contents`.
    virtual FileResult ReadAll(const std::string& path, std::string* contents) = 0;
    // Opens the file for reading and writing, creating it when missing and never truncating
    // it, and writes `bytes` at its end in one write.
    virtual FileResult Append(const std::string& path, const std::string& bytes) = 0;
};

// The files in use: the platform's own until others are chosen.
LogFiles& Files();
void SetFiles(LogFiles* files);

// The platform's files (log_files_win.cpp or log_files_posix.cpp).
LogFiles& PlatformFiles();
