// Names derived from the executable's path: the application name, which names the registry
// key and captions every message box, and the help file.
#pragma once

#include <string>

// Fixed at start-up, before anything else runs.
extern std::string appName;
extern std::string helpFile;

// The file name without folder and extension: the text after the last "\", "/" or ":",
// without everything from its last "." on.
std::string AppNameOfModulePath(const std::string& modulePath);

// The path with its extension replaced by ".HLP".
std::string HelpFileOfModulePath(const std::string& modulePath);
