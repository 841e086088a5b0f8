// Opening INI files from the disk.
#include "common/handles.h"
#include "common/system_api.h"
#include "script/ini.h"

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  bytes->clear();
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER size;
  if (!FileSizeOf(file.get(), &size.QuadPart) || size.QuadPart > 0x7FFFFFFF) return false;
  bytes->resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (size.QuadPart && (!ReadFile(file.get(), &(*bytes)[0], static_cast<DWORD>(size.QuadPart), &got, nullptr) ||
                        got != size.QuadPart))
    return false;
  return true;
}

bool ReadIniFile(const std::wstring& path, IniDocument* document) {
  document->Clear();
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  document->Parse(bytes);
  return true;
}
