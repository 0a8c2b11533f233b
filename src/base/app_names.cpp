// Names derived from the executable's path, found by characters of code page 932.
#include "base/app_names.h"

#include "base/cp932.h"

std::string appName;
std::string helpFile;

namespace {

// Start of the file name: after the last "\", "/" or ":" character.
size_t FileNameStart(const std::string& path) {
    size_t separator = FindLastCharOf(path, "\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// Position of the last "." at or after `from`, or npos.
size_t LastDot(const std::string& path, size_t from) { return FindLastCharOf(path, ".", from); }

}  // namespace

std::string AppNameOfModulePath(const std::string& modulePath) {
    size_t start = FileNameStart(modulePath);
    size_t dot = LastDot(modulePath, start);
    return modulePath.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
}

std::string HelpFileOfModulePath(const std::string& modulePath) {
    size_t dot = LastDot(modulePath, FileNameStart(modulePath));
    return modulePath.substr(0, dot) + ".HLP";
}
