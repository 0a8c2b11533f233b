// The process-wide choice of folder lister.
#include "viewer/folder_list.h"

namespace {
FolderLister* current = nullptr;
}

FolderLister& Folders() { return current ? *current : PlatformFolders(); }

void SetFolders(FolderLister* lister) { current = lister; }
