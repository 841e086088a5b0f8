#include "uninstaller/data_check.h"

#include "common/prelude.h"

#include "common/handles.h"
#include "common/text.h"
#include "install/path_guard.h"
#include "install/path_rules.h"
#include "install/registry.h"
#include "install/uninstall_data.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// False when the entry exists, holds a digest and that is not `digest`.
// `uninstallerForm` non-empty: only an entry naming that uninstaller counts.
bool EntryAgrees(HKEY uninstall, const std::wstring& name, const std::wstring& digest,
                 const std::wstring& uninstallerForm) {
  ScopedKey entry;
  if (RegOpenKeyExW(uninstall, name.c_str(), 0, KEY_QUERY_VALUE, entry.out()) != ERROR_SUCCESS) return true;
  if (!uninstallerForm.empty() &&
      GuardFormHere(UninstallProgram(RegistryText(entry.get(), L"UninstallString"))) != uninstallerForm)
    return true;
  const std::wstring stored = RegistryText(entry.get(), kUninstallDataDigestValue);
  return stored.empty() || stored == digest;
}

}  // namespace

bool DataMatchesItsEntries(const RemovalData& data, const std::wstring& installedUninstaller) {
  ScopedKey uninstall;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                    uninstall.out()) != ERROR_SUCCESS)
    return true;
  // Without a program name the key would be the Uninstall key itself.
  if (!data.contents.appName.empty() && !EntryAgrees(uninstall.get(), data.contents.appName, data.digest, L""))
    return false;
  const std::wstring own = GuardFormHere(installedUninstaller);
  if (!IsAbsoluteGuardForm(own)) return true;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];  // the longest key name the registry allows, and its end
    DWORD length = 256;
    const LONG r = RegEnumKeyExW(uninstall.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) return true;  // ERROR_NO_MORE_ITEMS after the last
    if (!EntryAgrees(uninstall.get(), std::wstring(name, length), data.digest, own)) return false;
  }
}
