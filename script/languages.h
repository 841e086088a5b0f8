// Discovery of the usable localization files of a package.
#pragma once

#include <string>

// Fills the language list of the process from the "*.ini" files of `folder`.
void DiscoverLanguages(const std::wstring& folder);

// Shows the language selection window and returns the path of the chosen
// file, or the empty text when the chosen item matches no entry.
std::wstring SelectLanguage();
