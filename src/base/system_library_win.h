// Where the process looks for the libraries it loads later (Windows build only).
#pragma once

// Limits the search of every library loaded from now on to the system folder, where the
// system offers that (SetDefaultDllDirectories: Windows 8 on, and Vista and 7 with their
// update), and takes the current folder out of it (SetDllDirectoryA(""): XP SP1 on). Both are
// looked up at run time, so the program still starts where they are missing. Called first
// thing, before any library is loaded.
void RestrictLibrarySearch();
