#include "wizard/disk_space.h"

#include "common/handles.h"
#include "common/system_api.h"
#include "wizard/messages.h"
#include "wizard/size_format.h"

bool ReadRequiredSpace(const std::wstring& path, uint64_t* bytes) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  unsigned char buffer[8] = {};
  DWORD got = 0;
  ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr);
  *bytes = RequiredSpaceOf(buffer, got);
  return true;
}

uint64_t DriveSpace(const std::wstring& root, wchar_t mode) {
  uint64_t freeToUser = 0, total = 0;
  if (!FreeSpaceOf(root.c_str(), &freeToUser, &total)) return kUnknownSpace;
  switch (mode | 0x20) {  // lower case
    case L'f': return freeToUser;
    case L't': return total;
    case L'u': return total - freeToUser;
    default: return kUnknownSpace;
  }
}

std::wstring SpaceText(uint64_t bytes) {
  return bytes == kUnknownSpace ? wizard_text::kUnknownSpace : FormatSize(bytes, 1);
}
