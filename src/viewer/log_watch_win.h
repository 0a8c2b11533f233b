// The viewer's reach into the log folder: the folder listed (names, sizes, times, without
// opening a file), log files read piece by piece on a worker thread of their own, each opened
// for reading only, letting others read, write and delete it meanwhile, and closed as soon as
// it is read. Nothing in the folder is ever written.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A file of the folder as its listing shows it: what tells that it changed.
struct FolderFile {
    std::string name;  // without the folder
    uint64_t size = 0;
    FILETIME written{};
};
bool SameStamp(const FolderFile& a, const FolderFile& b);

// The *.csv files of `folder` (ending in a backslash), in name order; false when the folder
// cannot be listed (missing, a network folder that dropped).
bool ListFolder(const std::string& folder, std::vector<FolderFile>* files);

enum class FileRead { kOk, kNotOpened, kIoError, kStopped };

// What a read hands its bytes to, on the worker thread: every file in turn, in pieces.
class ReadSink {
public:
    ReadSink() = default;
    ReadSink(const ReadSink&) = delete;
    ReadSink& operator=(const ReadSink&) = delete;
    virtual ~ReadSink() = default;
    virtual void Begin(size_t file) = 0;
    virtual void Take(size_t file, const char* data, size_t size) = 0;
    virtual void End(size_t file, FileRead result) = 0;
};

// One read of some files of a folder on a thread of its own. When it is done (or stopped) it
// posts WM_VIEWER_READ to the window; the sink then belongs to the window again.
class FolderRead {
public:
    FolderRead() = default;
    FolderRead(const FolderRead&) = delete;
    FolderRead& operator=(const FolderRead&) = delete;
    ~FolderRead();  // stops the read and waits for its thread

    // False when the thread could not be started: then the files are read here and now.
    bool Start(HWND window, const std::string& folder, const std::vector<FolderFile>& files, ReadSink* sink);
    void Stop() { stop_ = true; }
    bool Stopped() const { return stop_; }
    // Waits for the thread after its message came.
    void Finish();
    bool Running() const { return thread_ != nullptr; }
    // Bytes read so far of all the files, and their sizes together, for the progress bar.
    uint64_t Done() const { return done_; }
    uint64_t Total() const { return total_; }

private:
    static DWORD WINAPI Thread(void* self);
    void ReadAll();
    FileRead ReadOne(size_t index, const std::string& path, std::vector<char>& buffer);

    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
    std::string folder_;
    std::vector<FolderFile> files_;
    ReadSink* sink_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> done_{0};
    uint64_t total_ = 0;
};
