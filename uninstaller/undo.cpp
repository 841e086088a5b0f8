#include "uninstaller/undo.h"

#include "common/files.h"
#include "install/associations.h"
#include "install/registry.h"
#include "install/services.h"
#include "install/system_tasks.h"
#include "install/task_line.h"

void UndoRecord(const std::wstring& taskLine, std::vector<std::wstring>* files, std::vector<FolderEntry>* folders) {
  const TaskFields f(taskLine);
  const std::wstring& keyword = f[1];
  if (keyword == L"REGADDVALUE" || keyword == L"REGADDKEY") {
    // Only the two roots a task can write to; any other name was never written.
    HKEY root = RootFromName(f[2]);
    const std::wstring& keyPath = f[5];
    if (!root || keyPath.empty()) return;
    if (keyword == L"REGADDKEY") {
      RegistryDeleteKey(root, keyPath, L"");  // a key that still has sub-keys stays
    } else if (!f[3].empty()) {
      RegistryDeleteValue(root, keyPath, f[3], L"");
    }
  } else if (keyword == L"NORMALLINK" || keyword == L"INTERNETLINK" || keyword == L"COPYFILE") {
    files->push_back(f[2]);
  } else if (keyword == L"CREATEFOLDER") {
    if (!f[2].empty()) folders->push_back(MakeFolderEntry(f[2]));
  } else if (keyword == L"ASSOCIATEEXTENSION") {
    if (!f[2].empty() && !f[3].empty()) RemoveAssociation(f[3], f[2]);
  } else if (keyword == L"INSTALLSERVICE") {
    if (f[2].empty()) return;
    ServiceStop(f[2]);
    ServiceRemove(f[2]);
  } else if (keyword == L"REGISTERSERVER") {
    if (!f[2].empty() && PathExists(f[2])) RegisterServer(f[2], 0);
  }
}
