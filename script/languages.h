// The usable localization files of a package, and the choice among them.
#pragma once

#include <string>
#include <vector>

struct Language {
  std::wstring name;    // "Language" of the file, without surrounding blanks
  std::wstring author;  // "Author", kept and not shown
  std::wstring path;    // full path of the file in the work folder
};

// The usable "*.ini" files of `folder`.
std::vector<Language> DiscoverLanguages(const std::wstring& folder);

// Shows the language selection window and returns the path of the chosen
// file, or the empty text when the chosen item matches no entry.
std::wstring SelectLanguage(const std::vector<Language>& languages);
