// A folder's files on a POSIX host, for native tests against a real folder: program paths
// use backslashes, found by characters, which become slashes here.
#include <dirent.h>
#include <sys/stat.h>

#include "base/cp932.h"
#include "viewer/folder_list.h"

namespace {

std::string HostPath(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); i += Cp932CharLength(out, i))
        if (out[i] == '\\') out[i] = '/';
    return out;
}

class PosixFolders final : public FolderLister {
public:
    bool List(const std::string& folder, FolderFileSink& sink) override {
        std::string host = HostPath(folder);
        if (host.empty() || host.back() != '/') host += '/';
        DIR* dir = opendir(host.c_str());
        if (!dir) return false;
        while (dirent* e = readdir(dir)) {
            struct stat s;
            if (stat((host + e->d_name).c_str(), &s) != 0 || !S_ISREG(s.st_mode)) continue;
            FolderFile file;
            file.name = e->d_name;
            file.size = static_cast<uint64_t>(s.st_size);
            file.writeTime = static_cast<uint64_t>(s.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(s.st_mtim.tv_nsec);
            sink.Take(file);
        }
        closedir(dir);
        return true;
    }
};

}  // namespace

FolderLister& PlatformFolders() {
    static PosixFolders folders;
    return folders;
}
