#include "script/languages.h"

#include "common/prelude.h"
#include "common/text.h"
#include "script/ini.h"

std::vector<Language> DiscoverLanguages(const std::wstring& folder) {
  std::vector<Language> list;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder + L"*.ini").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return list;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring path = folder + fd.cFileName;
    IniDocument file;
    if (!ReadIniFile(path, &file)) continue;
    file.SelectGroup(L"TSF Localization File");
    std::wstring name = file.ReadText(L"Language", L"");
    std::wstring author = file.ReadText(L"Author", L"");
    if (!text::Trim(name, L" ").empty()) list.push_back({name, author, path});
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return list;
}
