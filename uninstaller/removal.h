// The removal: uninstall tasks, the install record, files, folders, the
// programs that run afterwards, the registration and the final message.
#pragma once

#include <string>

#include "uninstaller/data.h"

// `files` already holds the installed files, the installed data file and the
// installed uninstaller. Returns when the final message has been answered.
void RunRemoval(const RemovalData& data, std::vector<std::wstring> files);
