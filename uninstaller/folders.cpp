#include "uninstaller/folders.h"

#include "common/handles.h"
#include "common/text.h"
#include "install/shared/path_guard.h"

namespace {

// True when no file below the folder has content.
bool HoldsNoContent(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW((folder + L"*").c_str(), &entry));
  if (!find.valid()) return true;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !HoldsNoContent(folder + name + L"\\"))
        return false;
    } else if (entry.nFileSizeLow || entry.nFileSizeHigh) {
      return false;
    }
  } while (FindNextFileW(find.get(), &entry));
  return true;
}

}  // namespace

void RemoveFolders(std::vector<FolderEntry> folders, const std::wstring& installFolder, bool installFolderProtected,
                   bool installPathCreated, PathGuard& guard) {
  const std::wstring install = text::WithBackslash(installFolder);
  if (!installFolderProtected) CollectSubFolders(install, &folders);
  for (const FolderEntry& folder : DeepestFirst(folders)) {
    // A recorded folder that is a system folder stays even when it is empty.
    if (IsProtectedFolder(guard, folder.path)) continue;
    // A link (the installation makes none) is left alone with what it points to.
    if (IsLink(folder.path)) continue;
    SetFileAttributesW(folder.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.path.c_str());
  }
  if (installFolderProtected) return;
  if (installPathCreated && HoldsNoContent(install)) DeleteTree(install);
  RemoveDirectoryW(install.c_str());
}
