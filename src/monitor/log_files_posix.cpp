// Log files on a POSIX host, for native tests against a real folder. The program's paths use
// backslashes; separators (found by characters, never trail bytes) become slashes here.
// Sharing is modelled with advisory locks, refused rather than waited for: a reader takes a
// shared lock, as one that lets others read and write, so only an opener that shares nothing
// (an exclusive lock) keeps it out; an append takes an exclusive lock, which any other
// opener keeps out, as a spreadsheet that lets others read but not write.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/cp932.h"
#include "base/exe_folder.h"
#include "monitor/log_files.h"

namespace {

// One reader at a time: the user-interface thread (the viewer's reading thread). At file scope, so that it takes no room in
// the program file (a static of an inline member function would be stored in full).
char piece[kReadPieceBytes];

std::string HostPath(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); i += Cp932CharLength(out, i))
        if (out[i] == '\\') out[i] = '/';
    return out;
}

int OpenLocked(const std::string& path, int flags, int lock) {
    int fd = open(HostPath(path).c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (flock(fd, lock | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool FolderExists(const std::string& path) {
    struct stat s;
    return stat(HostPath(FolderOfModulePath(path)).c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

class PosixFiles final : public LogFiles {
public:
    FileResult Read(const std::string& path, ByteSink& sink) override {
        int fd = OpenLocked(path, O_RDONLY, LOCK_SH);
        if (fd < 0) return errno == ENOENT && FolderExists(path) ? FileResult::kMissing : FileResult::kNotOpened;
        FileResult result = ReadOpen(fd, sink);
        close(fd);
        return result;
    }

    // Advisory locks are Tolvane's own: the viewer's part reads take none, so that they keep
    // nobody out, as a read that shares everything.
    FileResult ReadPart(const std::string& path, uint64_t offset, uint64_t maxBytes, ByteSink& sink,
                        uint64_t* size) override {
        int fd = open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return errno == ENOENT && FolderExists(path) ? FileResult::kMissing : FileResult::kNotOpened;
        struct stat s;
        FileResult result = FileResult::kIoError;
        if (fstat(fd, &s) == 0) {
            *size = static_cast<uint64_t>(s.st_size);
            result = FileResult::kOk;
            while (maxBytes > 0) {
                size_t want = maxBytes < sizeof piece ? static_cast<size_t>(maxBytes) : sizeof piece;
                ssize_t n = pread(fd, piece, want, static_cast<off_t>(offset));
                if (n == 0) break;
                if (n < 0) {
                    result = FileResult::kIoError;
                    break;
                }
                sink.Take(piece, static_cast<size_t>(n));
                offset += static_cast<uint64_t>(n);
                maxBytes -= static_cast<uint64_t>(n);
            }
        }
        close(fd);
        return result;
    }

    FileResult Append(const std::string& path, const std::string& bytes) override {
        int fd = OpenLocked(path, O_RDWR | O_CREAT, LOCK_EX);
        if (fd < 0) return FileResult::kNotOpened;
        off_t end = lseek(fd, 0, SEEK_END);
        bool ok = end >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        // A part of the line would run into the line written again later.
        if (!ok && end >= 0 && ftruncate(fd, end) != 0) ok = false;
        ok = close(fd) == 0 && ok;
        return ok ? FileResult::kOk : FileResult::kIoError;
    }

    FileResult Replace(const std::string& path, const std::string& bytes) override {
        std::string host = HostPath(path);
        if (bytes.empty()) return unlink(host.c_str()) == 0 || errno == ENOENT ? FileResult::kOk : FileResult::kNotOpened;
        mkdir(HostPath(FolderOfModulePath(path)).c_str(), 0755);
        int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return FileResult::kNotOpened;
        bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ok = close(fd) == 0 && ok;
        return ok ? FileResult::kOk : FileResult::kIoError;
    }

private:
    static FileResult ReadOpen(int fd, ByteSink& sink) {
        for (;;) {
            ssize_t n = read(fd, piece, sizeof piece);
            if (n == 0) return FileResult::kOk;
            if (n < 0) return FileResult::kIoError;
            sink.Take(piece, static_cast<size_t>(n));
        }
    }
};

}  // namespace

LogFiles& PlatformFiles() {
    static PosixFiles files;
    return files;
}

// The native build is no program a user runs: tests choose their own keeping file.
std::string PlatformKeepingFile() { return ""; }
