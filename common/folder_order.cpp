#include "common/folder_order.h"

#include "common/text.h"
#include "common/work_meter.h"

FolderEntry MakeFolderEntry(const std::wstring& path) {
  const std::wstring folder = text::WithBackslash(path);
  int depth = 0;
  for (wchar_t c : folder) depth += c == L'\\';
  return {folder, depth};
}

std::vector<FolderEntry> DeepestFirst(const std::vector<FolderEntry>& folders) {
  int deepest = 0;
  for (const FolderEntry& f : folders) deepest = f.depth > deepest ? f.depth : deepest;
  auto bucket = [deepest](const FolderEntry& f) { return static_cast<size_t>(deepest - (f.depth < 0 ? 0 : f.depth)); };
  std::vector<size_t> start(static_cast<size_t>(deepest) + 2, 0);
  for (const FolderEntry& f : folders) ++start[bucket(f) + 1];
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<FolderEntry> ordered(folders.size());
  for (const FolderEntry& f : folders) {
    ordered[start[bucket(f)]++] = f;
    CountWork();
  }
  return ordered;
}
