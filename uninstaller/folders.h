// The folder phase of the removal, and the guard that keeps it away from
// drive roots and the system's own folders.
#pragma once

#include <string>
#include <vector>

#include "common/files.h"
#include "install/shared/path_guard.h"

// Removes the emptied folders: the listed ones (recorded folders and the
// install folder), deepest first, together with every sub-folder of the
// install folder; then the install folder itself with everything below it
// when that holds no file content and the installation created the folder.
// `installFolderProtected` leaves the install folder alone (no walk, no
// recursive deletion, no removal) and only the listed folders are tried.
void RemoveFolders(std::vector<FolderEntry> folders, const std::wstring& installFolder, bool installFolderProtected,
                   bool installPathCreated, PathGuard& guard);
