#include "tests/driver/registry.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/driver/files.h"

namespace drive {

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
  return ReadValue(root, path, name, nullptr, nullptr);
}

bool ReadValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD* type, std::string* bytes) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG r = RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
  if (r == ERROR_SUCCESS && bytes) {
    bytes->assign(size, '\0');
    r = RegQueryValueExW(key, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&(*bytes)[0]), &size);
    bytes->resize(size);
  }
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

std::wstring GetText(HKEY root, const std::wstring& path, const std::wstring& name) {
  DWORD type = 0;
  std::string bytes;
  if (!ReadValue(root, path, name, &type, &bytes)) return L"<missing>";
  if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  bytes.copy(reinterpret_cast<char*>(&text[0]), text.size() * sizeof(wchar_t));
  return text.substr(0, text.find(L'\0'));
}

DWORD GetNumber(HKEY root, const std::wstring& path, const std::wstring& name) {
  DWORD type = 0, value = 0xDEADBEEF;
  std::string bytes;
  if (ReadValue(root, path, name, &type, &bytes) && type == REG_DWORD && bytes.size() == 4) bytes.copy(
      reinterpret_cast<char*>(&value), 4);
  return value;
}

bool MakeKey(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD size) {
  HKEY key;
  LONG r = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (r == ERROR_SUCCESS) {
    r = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  EXPECT_EQ(r, ERROR_SUCCESS) << "cannot write " << Narrow(path) << "\\" << Narrow(name);
  return r == ERROR_SUCCESS;
}

bool SetText(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
  return SetValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name.c_str());
  RegCloseKey(key);
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    wchar_t name[256];
    for (;;) {
      DWORD length = 256;
      if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      std::wstring before = name;
      DeleteKeyTree(root, path + L"\\" + name);
      length = 256;
      // A sub-key that stays (no right to delete it) would loop for ever.
      if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
          before == name)
        break;
    }
    RegCloseKey(key);
  }
  RegDeleteKeyW(root, path.c_str());
}

}  // namespace drive
