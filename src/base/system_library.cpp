// Binding a system library's functions by name, from its full path in the system folder.
#include "base/system_library.h"

#include "base/cp932.h"

namespace {

const char kLibrary[] = "ｼｽﾃﾑのﾗｲﾌﾞﾗﾘ ";
const char kNotLoaded[] = " を読み込めませんでした。";
const char kLacks[] = " がありません。";
const char kEnding[] = "\nﾌﾟﾛｸﾞﾗﾑを終了します。";

bool IsFullPath(const std::string& folder) {
    char drive = static_cast<char>(folder.empty() ? 0 : folder[0] | 0x20);
    return (folder.size() >= 3 && drive >= 'a' && drive <= 'z' && folder[1] == ':' && folder[2] == '\\') ||
           folder.compare(0, 2, "\\\\") == 0;
}

// The message for a library that did not load (no function named) or lacks `function`.
std::string Failure(const std::string& library, const char* function) {
    std::string text = kLibrary;
    text += library;
    if (function) {
        text += " に ";
        text += function;
        text += kLacks;
    } else {
        text += kNotLoaded;
    }
    text += kEnding;
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
        *failure = Failure(path.empty() ? name : path, nullptr);
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        slots[i] = loader.Find(library, functions[i]);
        if (!slots[i]) {
            *failure = Failure(path, functions[i]);
            while (i > 0) slots[--i] = nullptr;  // all or nothing
            return false;
        }
    }
    return true;
}
