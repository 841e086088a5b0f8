// The removal: uninstall tasks, the install record, files, folders, the
// programs that run afterwards, the registration and the final message.
#pragma once

#include <string>

#include "install/shared/path_guard.h"
#include "uninstaller/data.h"

// `files` already holds the installed files, the installed data file and the
// installed uninstaller, which is never ended (it may be waiting for this
// copy). Returns when the final message has been answered. `guard` keeps
// the deletions away from what the installation does not own.
void RunRemoval(const RemovalData& data, std::vector<std::wstring> files, const std::wstring& installedUninstaller,
                PathGuard& guard);

// Deletes the installed uninstaller once it has ended, and the install folder
// when that is empty now.
void RemoveInstalledUninstaller(const RemovalData& data, const std::wstring& installedUninstaller, PathGuard& guard);
