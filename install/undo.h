// Undoing one entry of the install record: by the uninstaller, and by the
// setup stub when an installation is cancelled or fails.
#pragma once

#include <string>
#include <vector>

#include "common/files.h"
#include "install/install_record.h"

// Registry values and keys, associations, services and servers are undone
// at once; link files and copies join `files`, created folders join
// `folders`, for the later phases.
void UndoRecord(const Record& record, std::vector<std::wstring>* files, std::vector<FolderEntry>* folders);
