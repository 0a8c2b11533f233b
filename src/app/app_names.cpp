// Names derived from the executable's path, found by characters of code page 932.
#include "app/app_names.h"

#include "app/cp932.h"

std::string appName;
std::string helpFile;

namespace {

// Start of the file name: after the last "\", "/" or ":" character.
size_t FileNameStart(const std::string& path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size();) {
        char c = path[i];
        bool lead = IsCp932LeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size();
        if (!lead && (c == '\\' || c == '/' || c == ':')) start = i + 1;
        i += lead ? 2 : 1;
    }
    return start;
}

// Position of the last "." at or after `from`, or npos.
size_t LastDot(const std::string& path, size_t from) {
    size_t dot = std::string::npos;
    for (size_t i = from; i < path.size();) {
        bool lead = IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
        if (!lead && path[i] == '.') dot = i;
        i += lead ? 2 : 1;
    }
    return dot;
}

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
