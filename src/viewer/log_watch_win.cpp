// The log folder over the Win32 file calls: listed with FindFirstFileA, each file read in
// pieces of a fixed buffer, sharing everything, on a worker thread.
#include "viewer/log_watch_win.h"

#include <algorithm>

#include "res/viewer_resource.h"

namespace {

// The piece a file is read in: a log of any size is read in this much memory.
constexpr DWORD kPieceBytes = 256 * 1024;

}  // namespace

bool SameStamp(const FolderFile& a, const FolderFile& b) {
    return a.name == b.name && a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

bool ListFolder(const std::string& folder, std::vector<FolderFile>* files) {
    files->clear();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.csv").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // An empty folder is a folder without logs.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    }
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        FolderFile file;
        file.name = found.cFileName;
        file.size = uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow;
        file.written = found.ftLastWriteTime;
        files->push_back(file);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(files->begin(), files->end(), [](const FolderFile& a, const FolderFile& b) { return a.name < b.name; });
    return true;
}

FolderRead::~FolderRead() {
    Stop();
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
}

bool FolderRead::Start(HWND window, const std::string& folder, const std::vector<FolderFile>& files, ReadSink* sink) {
    window_ = window;
    folder_ = folder;
    files_ = files;
    sink_ = sink;
    stop_ = false;
    done_ = 0;
    total_ = 0;
    for (const FolderFile& f : files_) total_ += f.size;
    thread_ = CreateThread(nullptr, 0, Thread, this, 0, nullptr);
    if (thread_) return true;
    ReadAll();
    return false;
}

void FolderRead::Finish() {
    if (!thread_) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI FolderRead::Thread(void* self) {
    auto* read = static_cast<FolderRead*>(self);
    read->ReadAll();
    PostMessageA(read->window_, WM_VIEWER_READ, 0, reinterpret_cast<LPARAM>(read));
    return 0;
}

void FolderRead::ReadAll() {
    std::vector<char> buffer(kPieceBytes);
    for (size_t i = 0; i < files_.size(); ++i) {
        sink_->Begin(i);
        FileRead result = stop_ ? FileRead::kStopped : ReadOne(i, folder_ + files_[i].name, buffer);
        sink_->End(i, result);
    }
}

FileRead FolderRead::ReadOne(size_t index, const std::string& path, std::vector<char>& buffer) {
    // Read only, and everyone else may go on reading, writing and even deleting it: Tolvane
    // appends its lines meanwhile, a spreadsheet may hold it.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FileRead::kNotOpened;
    FileRead result = FileRead::kOk;
    for (;;) {
        if (stop_) {
            result = FileRead::kStopped;
            break;
        }
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            result = FileRead::kIoError;
            break;
        }
        if (got == 0) break;
        sink_->Take(index, buffer.data(), got);
        done_ += got;
    }
    CloseHandle(file);
    return result;
}
