// The removal: uninstall tasks, the install record, files, folders, the
// programs that run afterwards, the registration and the final message.
#pragma once

#include <string>

#include "uninstaller/data.h"

// `files` already holds the installed files, the installed data file and the
// installed uninstaller, which is never ended (it may be waiting for this
// copy). Returns when the final message has been answered.
void RunRemoval(const RemovalData& data, std::vector<std::wstring> files, const std::wstring& installedUninstaller);

// Deletes the installed uninstaller once it has ended, and the install folder
// when that is empty now.
void RemoveInstalledUninstaller(const RemovalData& data, const std::wstring& installedUninstaller);
