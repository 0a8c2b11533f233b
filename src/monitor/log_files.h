// What the usage log does with files, as a port: read a log piece by piece, append a line,
// and keep the lines still to be written in a file of their own. Each call closes what it
// opened before it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class FileResult {
    kOk,
    kMissing,    // a read found no such file (its folder is there)
    kNotOpened,  // held by another opener, no permission, no folder, a network that dropped
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

    // Opens an existing file for reading only, letting others read and write it meanwhile (a
    // spreadsheet that holds the log open must not stop the read), and hands all of it to
    // `sink`, in pieces of at most kReadPieceBytes. On kIoError the sink may have taken part
    // of the file.
    virtual FileResult Read(const std::string& path, ByteSink& sink) = 0;
    // Opens the file for reading and writing, sharing nothing, creating it when missing and
    // never truncating it, and writes `bytes` at its end in one write. A write that fails
    // leaves the file as it was, so that the line can be written again whole.
    virtual FileResult Append(const std::string& path, const std::string& bytes) = 0;
    // Reads the part of an existing file from `offset` on, at most `maxBytes` of it, into
    // `sink` in pieces of at most kReadPieceBytes: for a reader that takes a large file a step
    // at a time (the usage viewer). Opened for reading only, letting others read, write and
    // delete it meanwhile, and closed before it returns. `*size` gets the file's size at the
    // open. Fewer bytes than asked for means the file ended.
    virtual FileResult ReadPart(const std::string&, uint64_t, uint64_t, ByteSink&, uint64_t*) {
        return FileResult::kNotOpened;
    }
    // Makes the file hold exactly `bytes`, creating it (and its folder) when missing; empty
    // bytes delete it. Only the file of the lines still to be written is replaced.
    virtual FileResult Replace(const std::string&, const std::string&) { return FileResult::kNotOpened; }
};

// The files in use: the platform's own until others are chosen.
LogFiles& Files();
void SetFiles(LogFiles* files);

// The platform's files (log_files_win.cpp or log_files_posix.cpp).
LogFiles& PlatformFiles();
// Where the platform keeps log lines not yet written from one run to the next: a file of the
// user's own that is sure to be writable; empty when there is none.
std::string PlatformKeepingFile();
