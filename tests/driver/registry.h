// The registry as the tests read, write and clean it (the platform's own
// calls, not the ones under test). Paths are below the root; an empty value
// name is the key's default value.
#pragma once

#include <windows.h>

#include <string>

namespace drive {

bool KeyExists(HKEY root, const std::wstring& path);
bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name);
// A value's type and bytes; false when it is missing.
bool ReadValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD* type, std::string* bytes);
// The REG_SZ value's text, or "<missing>" / "<type N>" when it is not one.
std::wstring GetText(HKEY root, const std::wstring& path, const std::wstring& name);
// The REG_DWORD value, or 0xDEADBEEF when it is not one.
DWORD GetNumber(HKEY root, const std::wstring& path, const std::wstring& name);

// Creates the key (and the keys above it).
bool MakeKey(HKEY root, const std::wstring& path);
// Writes a value, creating the key; a failure is also the test's.
bool SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD size);
bool SetText(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name);
// Deletes the key with everything below it that can be deleted.
void DeleteKeyTree(HKEY root, const std::wstring& path);

// Puts a key's default value back as it was (or the key away, when there was
// none) when the case ends, however it ends.
class RestoredDefault {
 public:
  RestoredDefault(HKEY root, const std::wstring& path)
      : root_(root), path_(path), keyExisted_(KeyExists(root, path)), original_(GetText(root, path, L"")) {}
  ~RestoredDefault() {
    if (!keyExisted_) DeleteKeyTree(root_, path_);
    else if (original_ == L"<missing>") DeleteValue(root_, path_, L"");
    else SetText(root_, path_, L"", original_);
  }
  RestoredDefault(const RestoredDefault&) = delete;
  RestoredDefault& operator=(const RestoredDefault&) = delete;

 private:
  HKEY root_;
  std::wstring path_;
  bool keyExisted_;
  std::wstring original_;
};

}  // namespace drive
