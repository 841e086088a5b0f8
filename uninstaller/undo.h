// Undoing one entry of the install record.
#pragma once

#include <string>
#include <vector>

#include "uninstaller/folders.h"

// Registry values and keys, associations, services and servers are undone
// at once; link files and copies join `files`, created folders join
// `folders`, for the later phases.
void UndoRecord(const std::wstring& taskLine, std::vector<std::wstring>* files, std::vector<FolderEntry>* folders);
