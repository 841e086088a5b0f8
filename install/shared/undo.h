// Undoing one entry of the install record by the uninstaller. (A cancelled
// or failed installation is put back by its journals instead, to the state
// before the run.)
#pragma once

#include <string>
#include <vector>

#include "common/files.h"
#include "install/install_record.h"

// Registry values and keys, associations, services and servers are undone
// at once; link files and copies join `files`, created folders join
// `folders`, for the later phases.
void UndoRecord(const Record& record, std::vector<std::wstring>* files, std::vector<FolderEntry>* folders);
