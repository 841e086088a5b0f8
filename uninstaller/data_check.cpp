#include "uninstaller/data_check.h"

#include "common/prelude.h"

#include "install/shared/path_guard.h"
#include "install/path_rules.h"
#include "install/shared/uninstall_entry.h"

namespace {

// False when the entry exists, holds a digest and that is not `digest`.
// `uninstallerForm` non-empty: only an entry naming that uninstaller counts.
bool EntryAgrees(const std::wstring& name, const std::wstring& digest, const std::wstring& uninstallerForm,
                 PathGuard& guard) {
  UninstallEntry entry;
  if (!ReadUninstallEntry(name, &entry)) return true;
  if (!uninstallerForm.empty() && GuardFormHere(guard, entry.uninstaller) != uninstallerForm) return true;
  return entry.digest.empty() || entry.digest == digest;
}

}  // namespace

bool DataMatchesItsEntries(const RemovalData& data, const std::wstring& installedUninstaller, PathGuard& guard) {
  std::vector<std::wstring> names;
  if (!UninstallEntryNames(&names)) return true;
  // Without a program name the key would be the Uninstall key itself.
  if (!data.contents.appName.empty() && !EntryAgrees(data.contents.appName, data.digest, L"", guard)) return false;
  const std::wstring own = GuardFormHere(guard, installedUninstaller);
  if (!IsAbsoluteGuardForm(own)) return true;
  for (const std::wstring& name : names)
    if (!EntryAgrees(name, data.digest, own, guard)) return false;
  return true;
}
