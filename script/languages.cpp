#include "script/languages.h"

#include "common/prelude.h"
#include "common/text.h"
#include "script/ini.h"
#include "startup/process.h"

void DiscoverLanguages(const std::wstring& folder) {
  std::vector<Language>& list = Process().languages;
  list.clear();
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder + L"*.ini").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring path = folder + fd.cFileName;
    if (!IniOpen(path)) continue;
    IniSelectGroup(L"TSF Localization File");
    std::wstring name = IniReadText(L"Language", L"");
    std::wstring author = IniReadText(L"Author", L"");
    if (!text::Trim(name, L" ").empty()) list.push_back({name, author, path});
    IniClose();
  } while (FindNextFileW(find, &fd));
  FindClose(find);
}
