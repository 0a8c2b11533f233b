// The two things the usage log does with files, as a port: read a log piece by piece, append
// a line. Both open the file sharing nothing with other openers and close it before returning.
#pragma once

#include <cstddef>
#include <string>

enum class FileResult {
    kOk,
    kNotOpened,  // missing, locked by another opener, no permission, no folder
    kIoError,    // opened, then a read or write failed (a full disk, for instance)
};

// Takes a file's bytes in order, one piece at a time.
class ByteSink {
public:
    ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;
    virtual ~ByteSink() = default;
    virtual void Take(const char* data, size_t size) = 0;
};

// Pieces a file is read in: a log of any size is read with this much memory.
constexpr size_t kReadPieceBytes = 64 * 1024;

class LogFiles {
public:
    LogFiles() = default;
    LogFiles(const LogFiles&) = delete;
    LogFiles& operator=(const LogFiles&) = delete;
    virtual ~LogFiles() = default;

    // Opens an existing file for reading only and hands all of it to `sink`, in pieces of at
    // most kReadPieceBytes. On kIoError the sink may have taken part of the file.
    virtual FileResult Read(const std::string& path, ByteSink& sink) = 0;
    // Opens the file for reading and writing, creating it when missing and never truncating
    // it, and writes `bytes` at its end in one write.
    virtual FileResult Append(const std::string& path, const std::string& bytes) = 0;
};

// The files in use: the platform's own until others are chosen.
LogFiles& Files();
void SetFiles(LogFiles* files);

// The platform's files (log_files_win.cpp or log_files_posix.cpp).
LogFiles& PlatformFiles();
