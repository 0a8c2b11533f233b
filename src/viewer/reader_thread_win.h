// The model's folder reader run on a worker thread of its own, so that the window keeps
// answering while a log of any size is read; the thread posts WM_VIEWER_READ to the window
// when the reader is done.
#pragma once

#include <windows.h>

#include "viewer/log_reader.h"

class ReaderThread {
public:
    ReaderThread() = default;
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;
    ~ReaderThread() { Join(); }

    // Runs reader->Run() on the thread; without a thread, here and now (the message is
    // posted all the same).
    void Start(HWND window, FolderReader* reader);
    // Waits for the thread: after its message, or after a Stop of the reader.
    void Join();
    bool Running() const { return thread_ != nullptr; }

private:
    static DWORD WINAPI Run(void* self);

    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
    FolderReader* reader_ = nullptr;
};
