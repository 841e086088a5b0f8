#include "install/shared/uninstall_entry.h"

#include "common/prelude.h"

#include "common/handles.h"
#include "common/log.h"
#include "common/text.h"
#include "install/shared/registry.h"
#include "install/uninstall_data.h"

namespace {

constexpr wchar_t kUninstallList[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetNumber(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

std::wstring UninstallEntryKey(const std::wstring& name) { return std::wstring(kUninstallList) + L"\\" + name; }

bool WriteUninstallEntry(const std::wstring& name, const UninstallEntryValues& v) {
  ScopedKey key;
  if (RegCreateKeyW(HKEY_LOCAL_MACHINE, UninstallEntryKey(name).c_str(), key.out()) != ERROR_SUCCESS) return false;
  SetString(key.get(), L"DisplayName", name);
  SetString(key.get(), L"DisplayIcon", v.icon);
  SetString(key.get(), L"Publisher", v.publisher);
  SetString(key.get(), L"URLInfoAbout", v.website);
  SetString(key.get(), L"HelpLink", v.website);
  SetString(key.get(), L"Contact", v.contact);
  SetString(key.get(), L"HelpTelephone", v.telephone);
  // Quoted: with a blank in the path, an unquoted command could start
  // another program (C:\Program.exe).
  SetString(key.get(), L"UninstallString", L"\"" + v.uninstaller + L"\"");
  // For deployment tools: the removal without questions, and the size.
  SetString(key.get(), L"QuietUninstallString", L"\"" + v.uninstaller + L"\" /S");
  SetNumber(key.get(), L"EstimatedSize", static_cast<DWORD>(v.sizeBytes / 1024 + (v.sizeBytes % 1024 ? 1 : 0)));
  SetString(key.get(), kUninstallDataDigestValue, v.digest);
  SetString(key.get(), L"DisplayVersion", v.version);
  SetString(key.get(), L"InstallLocation", v.location);
  SetNumber(key.get(), L"NoModify", 1);
  SetNumber(key.get(), L"NoRepair", 1);
  LogLine(L"uninstall entry: HKEY_LOCAL_MACHINE\\" + UninstallEntryKey(name) + L", removal: \"" + v.uninstaller +
          L"\"");
  return true;
}

bool ReadUninstallEntry(const std::wstring& name, UninstallEntry* e) {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallEntryKey(name).c_str(), 0, KEY_QUERY_VALUE, key.out()) !=
      ERROR_SUCCESS)
    return false;
  e->location = text::Trim(RegistryText(key.get(), L"InstallLocation"));
  e->uninstaller = UninstallProgram(RegistryText(key.get(), L"UninstallString"));
  e->version = text::Trim(RegistryText(key.get(), L"DisplayVersion"));
  e->digest = RegistryText(key.get(), kUninstallDataDigestValue);
  return true;
}

bool UninstallEntryNames(std::vector<std::wstring>* names) {
  ScopedKey list;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallList, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, list.out()) !=
      ERROR_SUCCESS)
    return false;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];  // the longest key name the registry allows, and its end
    DWORD length = 256;
    if (RegEnumKeyExW(list.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return true;  // ERROR_NO_MORE_ITEMS after the last
    names->push_back(std::wstring(name, length));
  }
}

void DeleteUninstallEntry(const std::wstring& name) {
  if (!name.empty()) RegistryDeleteKey(HKEY_LOCAL_MACHINE, UninstallEntryKey(name), L"");
}
