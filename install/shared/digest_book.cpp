#include "install/shared/digest_book.h"

#include "common/handles.h"
#include "common/prelude.h"
#include "common/system_api.h"
#include "install/shared/path_guard.h"

namespace {

constexpr wchar_t kBook[] = L"Software\\Tarnwick Install Platform\\Uninstall data";

}  // namespace

std::wstring DigestBookName(PathGuard& guard, const std::wstring& dataPath) {
  ScopedHandle file(CreateFileW(dataPath.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::wstring final = file.valid() ? FinalPathOf(file.get()) : std::wstring();
  return GuardFormHere(guard, final.empty() ? dataPath : final);
}

void WriteDigestBookEntry(const std::wstring& name, const std::wstring& digest) {
  ScopedKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBook, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      key.out(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(digest.c_str()),
                 static_cast<DWORD>((digest.size() + 1) * sizeof(wchar_t)));
}

std::wstring ReadDigestBookEntry(const std::wstring& name) {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBook, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return L"";
  wchar_t value[80] = {};
  DWORD type = 0, size = sizeof value - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return L"";
  return value;
}

void EraseDigestBookEntry(const std::wstring& name) {
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBook, 0, KEY_SET_VALUE, key.out()) == ERROR_SUCCESS)
    RegDeleteValueW(key.get(), name.c_str());
}
