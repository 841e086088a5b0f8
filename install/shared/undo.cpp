#include "install/shared/undo.h"

#include "install/shared/associations.h"
#include "install/shared/registry.h"
#include "install/shared/services.h"
#include "install/shared/system_tasks.h"

void UndoRecord(const Record& r, std::vector<std::wstring>* files, std::vector<FolderEntry>* folders) {
  switch (r.kind) {
    case RecordKind::kRegistryValue:
    case RecordKind::kRegistryKey: {
      // Only the two roots a task can write to; any other name was never written.
      HKEY root = RootFromName(r.root);
      if (!root || r.keyPath.empty()) return;
      if (r.kind == RecordKind::kRegistryKey) RegistryDeleteKey(root, r.keyPath, L"");  // sub-keys keep it
      else if (!r.valueName.empty()) RegistryDeleteValue(root, r.keyPath, r.valueName, L"");
      return;
    }
    case RecordKind::kLink:
    case RecordKind::kCopy:
      files->push_back(r.path);
      return;
    case RecordKind::kFolder:
      if (!r.path.empty()) folders->push_back(MakeFolderEntry(r.path));
      return;
    case RecordKind::kAssociation:
      if (!r.programFile.empty() && !r.extension.empty()) RemoveAssociation(r.extension, r.programFile);
      return;
    case RecordKind::kService:
      if (r.service.empty()) return;
      ServiceStop(r.service);
      ServiceRemove(r.service);
      return;
    case RecordKind::kServer:
      if (!r.path.empty() && PathExists(r.path)) RegisterServer(r.path, 0);
      return;
    case RecordKind::kUnknown:
      return;
  }
}
