#include "uninstaller/data_check.h"

#include "common/prelude.h"

#include "common/handles.h"
#include "common/text.h"
#include "install/path_guard.h"
#include "install/path_rules.h"
#include "install/uninstall_data.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A text value of an open key, or the empty text.
std::wstring TextValue(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return L"";
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size) != ERROR_SUCCESS)
    return L"";
  value.resize(value.find(L'\0'));
  return value;
}

// The program an UninstallString starts: quoted, or (older entries) the
// whole text.
std::wstring ProgramOf(const std::wstring& command) {
  const std::wstring line = text::Trim(command);
  if (line.empty() || line[0] != L'"') return line;
  const size_t close = line.find(L'"', 1);
  return line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
}

// False when the entry exists, holds a digest and that is not `digest`.
// `uninstallerForm` non-empty: only an entry naming that uninstaller counts.
bool EntryAgrees(HKEY uninstall, const std::wstring& name, const std::wstring& digest,
                 const std::wstring& uninstallerForm) {
  ScopedKey entry;
  if (RegOpenKeyExW(uninstall, name.c_str(), 0, KEY_QUERY_VALUE, entry.out()) != ERROR_SUCCESS) return true;
  if (!uninstallerForm.empty() &&
      GuardFormHere(ProgramOf(TextValue(entry.get(), L"UninstallString"))) != uninstallerForm)
    return true;
  const std::wstring stored = TextValue(entry.get(), kUninstallDataDigestValue);
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
