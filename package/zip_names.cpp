#include "package/zip_names.h"

#include "common/text.h"

std::wstring BackslashName(const std::wstring& name) { return text::ReplaceAll(name, L"/", L"\\"); }

std::wstring DropDrivePart(const std::wstring& name) {
  size_t at = name.find(L":\\");
  return at == std::wstring::npos ? name : name.substr(at + 2);
}

bool IsSafeEntryName(const std::wstring& name) {
  // A colon left over would name a drive ("D:x") or an alternate data stream.
  if (name.find(L':') != std::wstring::npos) return false;
  for (const std::wstring& part : text::Split(name, L'\\')) {
    // Windows ignores trailing dots and blanks, so ". ." and "..." climb too.
    std::wstring bare = text::TrimRight(part, L". ");
    if (bare.empty() && part.find(L"..") != std::wstring::npos) return false;
  }
  return true;
}
