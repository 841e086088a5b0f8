// The texts of the chosen localization file: the text table (Key0 to Key102
// of [LocalizationStub]; see script/added_texts.h for those after Key96) and the uninstaller's texts ([LocalizationUninstall]).
#pragma once

#include <string>
#include <vector>

#include "script/settings.h"

constexpr int kTextCount = 103;

// Loads both from the file; when it cannot be opened shows the fixed
// English message and ends the run through CleanUp(0).
void LoadTexts(const std::wstring& path);
// Reads both from the INI file that is open (pure; used by LoadTexts).
void ReadTexts();

// The text of key n (0 to 102); a key missing from the file is empty, but
// for the keys after Key96, which are English then.
const std::wstring& Text(int key);
void SetText(int key, const std::wstring& value);

// Every key line of [LocalizationUninstall], in file order.
std::vector<TaskEntry>& UninstallTexts();

// The language an unattended run takes: the first file whose "Language"
// is one of the names of the system's language (its English and its own
// name, without regard to case), else the one named "English", else the
// first. The index into `names`; 0 for an empty list.
size_t PreferredLanguage(const std::vector<std::wstring>& names, const std::vector<std::wstring>& systemNames);
