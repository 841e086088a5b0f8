#include "package/temp_names.h"

#include "common/text.h"
#include "package/md5.h"

std::wstring WorkFolderName(const std::wstring& tempFolder, uint32_t number) {
  return text::WithBackslash(tempFolder) + text::DecimalUnsigned(number) + L"\\";
}

std::wstring TempFileName(const std::wstring& workFolder, uint32_t number) {
  const std::wstring digits = text::DecimalUnsigned(number);
  unsigned char bytes[48];
  size_t count = 0;
  for (wchar_t c : digits) {
    bytes[count++] = static_cast<unsigned char>(c & 0xFF);
    bytes[count++] = static_cast<unsigned char>((c >> 8) & 0xFF);
  }
  return workFolder + Md5Hex(bytes, digits.size()) + L".tmp";
}
