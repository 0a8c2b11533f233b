// Log files on a POSIX host, for native tests against a real folder. The program's paths use
// backslashes; separators (found by characters, never trail bytes) become slashes here.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/cp932.h"
#include "monitor/log_files.h"

namespace {

// One reader at a time: the user-interface thread. At file scope, so that it takes no room in
// the program file (a static of an inline member function would be stored in full).
char piece[kReadPieceBytes];

std::string HostPath(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); i += Cp932CharLength(out, i))
        if (out[i] == '\\') out[i] = '/';
    return out;
}

// No sharing: an exclusive lock that is refused, not waited for, while another opener holds one.
int OpenUnshared(const std::string& path, int flags) {
    int fd = open(HostPath(path).c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

class PosixFiles final : public LogFiles {
public:
    FileResult Read(const std::string& path, ByteSink& sink) override {
        int fd = OpenUnshared(path, O_RDONLY);
        if (fd < 0) return FileResult::kNotOpened;
        FileResult result = ReadOpen(fd, sink);
        close(fd);
        return result;
    }

    FileResult Append(const std::string& path, const std::string& bytes) override {
        int fd = OpenUnshared(path, O_RDWR | O_CREAT);
        if (fd < 0) return FileResult::kNotOpened;
        bool ok = lseek(fd, 0, SEEK_END) >= 0 &&
                  write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
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
