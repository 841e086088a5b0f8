#include "wizard/framework.h"

#include "common/text.h"

std::wstring RequiredFramework(const std::wstring& dotNet) {
  static const wchar_t* const kVersions[] = {L"1.0", L"1.1", L"2.0", L"3.0", L"3.5"};
  if (dotNet.size() == 1 && dotNet[0] >= L'1' && dotNet[0] <= L'5') return kVersions[dotNet[0] - L'1'];
  return std::wstring();
}

bool FrameworkFolderMatches(const std::wstring& folderName, const std::wstring& version) {
  if (folderName == L"." || folderName == L"..") return false;
  return text::Trim(folderName.substr(folderName.empty() ? 0 : 1, 3), L" ") == version;
}

std::wstring DependencyAddress(const std::wstring& value) {
  if (value.empty() || text::EqualsNoCase(value, L"http://")) return std::wstring();
  if (!text::EqualsNoCase(value.substr(0, 7), L"http://")) return L"http://" + value;
  return value;
}
