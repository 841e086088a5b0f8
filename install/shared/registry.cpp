// The registry layer: each operation opens what it needs with full access,
// does one thing and closes what it opened.
#include "install/shared/registry.h"

#include "common/handles.h"
#include "common/prelude.h"
#include "script/integer.h"

namespace {

// Only the first character is tested: "\\Key" keeps one backslash and then
// fails to open.
const wchar_t* WithoutLeadingBackslash(const std::wstring& keyPath) {
  return keyPath.c_str() + (!keyPath.empty() && keyPath[0] == L'\\' ? 1 : 0);
}

// The key the operation works under: the root itself, or the same root of
// another computer's registry, held by `connected` until the caller is done.
// Null when the root is null or the connection failed.
HKEY BaseKey(HKEY root, const std::wstring& computer, ScopedKey& connected) {
  if (!root || computer.empty()) return root;
  if (RegConnectRegistryW(computer.c_str(), root, connected.out()) != ERROR_SUCCESS) return nullptr;
  return connected.get();
}

bool OpenKey(HKEY root, const std::wstring& keyPath, const std::wstring& computer, ScopedKey& key) {
  ScopedKey connected;
  HKEY base = BaseKey(root, computer, connected);
  return base && RegOpenKeyExW(base, WithoutLeadingBackslash(keyPath), 0, KEY_ALL_ACCESS, key.out()) == ERROR_SUCCESS;
}

}  // namespace

HKEY RootFromName(const std::wstring& name) {
  if (name == L"HKCU") return HKEY_CURRENT_USER;
  if (name == L"HKLM") return HKEY_LOCAL_MACHINE;
  return nullptr;
}

int RegistrySetValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                     const std::wstring& data, DWORD type, const std::wstring& computer) {
  ScopedKey key;
  if (!OpenKey(root, keyPath, computer, key)) return 0;
  if (type == REG_SZ) {
    RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  } else if (type == REG_DWORD) {
    DWORD number = static_cast<DWORD>(ReadInteger(data));
    RegSetValueExW(key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
  }
  return 1;
}

int RegistryCreateKey(HKEY root, const std::wstring& keyPath, const std::wstring& computer) {
  ScopedKey connected;
  HKEY base = BaseKey(root, computer, connected);
  ScopedKey key;
  return base && RegCreateKeyExW(base, WithoutLeadingBackslash(keyPath), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, key.out(), nullptr) == ERROR_SUCCESS;
}

int RegistryDeleteValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                        const std::wstring& computer) {
  ScopedKey key;
  if (!OpenKey(root, keyPath, computer, key)) return 0;
  return RegDeleteValueW(key.get(), valueName.c_str()) == ERROR_SUCCESS;
}

int RegistryDeleteKey(HKEY root, const std::wstring& keyPath, const std::wstring& computer) {
  ScopedKey connected;
  HKEY base = BaseKey(root, computer, connected);
  return base && RegDeleteKeyW(base, WithoutLeadingBackslash(keyPath)) == ERROR_SUCCESS;
}

std::wstring RegistrySubkeyName(HKEY root, const std::wstring& keyPath, DWORD index, const std::wstring& computer) {
  ScopedKey key;
  if (!OpenKey(root, keyPath, computer, key)) return std::wstring();
  wchar_t name[255];
  DWORD length = 255;
  if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return std::wstring();
  return std::wstring(name, length);
}

int RegistryDeleteTree(HKEY root, const std::wstring& keyPath, const std::wstring& computer) {
  // Always the sub-key at index 0: a deleted one makes room for the next. One
  // that cannot be deleted comes back under the same name, which ends the loop
  // after its second try.
  std::wstring current;
  std::wstring previous;
  do {
    previous = current;
    current = RegistrySubkeyName(root, keyPath, 0, computer);
    if (!current.empty()) RegistryDeleteTree(root, keyPath + L"\\" + current, computer);
  } while (current != previous);
  RegistryDeleteKey(root, keyPath, computer);
  return 0;
}

int RegistryWriteValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                       const std::wstring& data, DWORD type, const std::wstring& computer) {
  RegistryCreateKey(root, keyPath, computer);
  return RegistrySetValue(root, keyPath, valueName, data, type, computer);
}

std::wstring RegistryText(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return L"";
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size) != ERROR_SUCCESS)
    return L"";
  value.resize(value.find(L'\0'));
  return value;
}
