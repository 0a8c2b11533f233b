// The executable's folder.
#include "base/exe_folder.h"

#include "base/cp932.h"

std::string exeFolder;

std::string FolderOfModulePath(const std::string& modulePath) {
    size_t slash = FindLastBackslash(modulePath);
    return slash == std::string::npos ? modulePath : modulePath.substr(0, slash + 1);
}
