// Binding a system library's functions by name, from its full path in the system folder.
#include "base/system_library.h"

#include <vector>

#include "base/cp932.h"

namespace {

const char kNotLoaded[] = "ｼｽﾃﾑのﾗｲﾌﾞﾗﾘ %1 を読み込めませんでした。\nﾌﾟﾛｸﾞﾗﾑを終了します。";
const char kNoFunction[] = "ｼｽﾃﾑのﾗｲﾌﾞﾗﾘ %1 に %2 がありません。\nﾌﾟﾛｸﾞﾗﾑを終了します。";

bool IsFullPath(const std::string& folder) {
    bool drive = folder.size() >= 3 && ((folder[0] | 0x20) >= 'a' && (folder[0] | 0x20) <= 'z') &&
                 folder[1] == ':' && folder[2] == '\\';
    return drive || folder.compare(0, 2, "\\\\") == 0;
}

// `format` with %1 and %2 replaced; no trail byte of code page 932 is a '%'.
std::string Message(const char* format, const std::string& first, const char* second) {
    std::string text;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            text += *++p == '1' ? first : std::string(second);
        } else {
            text += *p;
        }
    }
    return text;
}

}  // namespace

std::string SystemLibraryPath(const std::string& folder, const char* name) {
    if (!IsFullPath(folder)) return std::string();
    std::string path = folder;
    if (!EndsWithBackslash(path)) path += '\\';
    return path + name;
}

bool BindSystemLibrary(LibraryLoader& loader, const char* name, const char* const functions[], void* slots[],
                       size_t count, std::string* failure) {
    std::string path = SystemLibraryPath(loader.SystemFolder(), name);
    void* library = path.empty() ? nullptr : loader.Load(path);
    if (!library) {
        *failure = Message(kNotLoaded, path.empty() ? std::string(name) : path, "");
        return false;
    }
    std::vector<void*> found(count);
    for (size_t i = 0; i < count; ++i) {
        found[i] = loader.Find(library, functions[i]);
        if (!found[i]) {
            *failure = Message(kNoFunction, path, functions[i]);
            return false;
        }
    }
    for (size_t i = 0; i < count; ++i) slots[i] = found[i];
    return true;
}
