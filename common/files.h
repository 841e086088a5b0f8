// Small file-system helpers over the wide-character Windows calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/prelude.h"

// Creates every missing folder of a path up to its last backslash (the part
// after it is taken for a file name). True when that folder exists afterwards.
bool MakePath(const std::wstring& path);

// True when a file or folder of that name exists.
bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);

// Creates a file for writing, replacing an existing one (never a read-only one).
HANDLE CreateFileForWriting(const std::wstring& path);

bool WriteAll(HANDLE file, const void* data, size_t size);

// A folder with its depth, the number of backslashes in its path.
struct FolderEntry {
  std::wstring path;  // ends with "\"
  int depth;
};
FolderEntry MakeFolderEntry(const std::wstring& path);

// Appends every sub-folder below `folder`, depth first. A link to another
// folder is listed (it is removed as a link) but never walked.
void CollectSubFolders(const std::wstring& folder, std::vector<FolderEntry>* found);

// Deletes a folder with everything in it, depth first; read-only, hidden and
// system files go too, links to other folders are removed as links.
// Failures on single entries are ignored.
void DeleteTree(const std::wstring& folder);
