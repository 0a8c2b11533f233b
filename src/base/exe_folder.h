// The folder of the program's executable, ending in a backslash: the default log folder.
#pragma once

#include <string>

// Filled once at start-up; empty before.
extern std::string exeFolder;

// The folder part of a module path, cut after its last backslash (found by characters); a
// path without any backslash is kept whole.
std::string FolderOfModulePath(const std::string& modulePath);
