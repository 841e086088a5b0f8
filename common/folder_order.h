// Folders in the order they can be removed: deepest first. Pure logic.
#pragma once

#include <string>
#include <vector>

// A folder with its depth, the number of backslashes in its path.
struct FolderEntry {
  std::wstring path;  // ends with "\"
  int depth;
};
FolderEntry MakeFolderEntry(const std::wstring& path);

// The folders ordered deepest first, folders of the same depth in list
// order. Linear: one bucket per depth.
std::vector<FolderEntry> DeepestFirst(const std::vector<FolderEntry>& folders);
