// The worker thread of a folder read.
#include "viewer/reader_thread_win.h"

#include "res/viewer_resource.h"

void ReaderThread::Start(HWND window, FolderReader* reader) {
    Join();
    window_ = window;
    reader_ = reader;
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (!thread_) Run(this);
}

void ReaderThread::Join() {
    if (!thread_) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI ReaderThread::Run(void* self) {
    auto* thread = static_cast<ReaderThread*>(self);
    thread->reader_->Run();
    PostMessageA(thread->window_, WM_VIEWER_READ, 0, reinterpret_cast<LPARAM>(thread->reader_));
    return 0;
}
