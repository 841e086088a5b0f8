// The texts of a localization file: the text table (Key0 to Key102 of
// [LocalizationStub]; see script/added_texts.h for those after Key96) and
// the uninstaller's texts ([LocalizationUninstall]). The run's own table is
// one of the process records (startup/process.h).
#pragma once

#include <string>
#include <vector>

#include "script/settings.h"

constexpr int kTextCount = 103;

class IniDocument;

struct TextTable {
  std::wstring keys[kTextCount];
  std::wstring none;  // what a key outside 0 to 102 reads: always empty
  // Every key line of [LocalizationUninstall], in file order.
  std::vector<TaskEntry> uninstall;

  const std::wstring& operator[](int key) const { return key >= 0 && key < kTextCount ? keys[key] : none; }
};

// Loads the chosen file into the run's table; when it cannot be opened
// shows the fixed English message and ends the run through CleanUp(0).
void LoadTexts(const std::wstring& path);
// Reads both parts from a parsed localization file (pure; used by
// LoadTexts): a key missing from the file is empty, but for the keys after
// Key96, which are English then.
void ReadTexts(IniDocument& file, TextTable* table);

// The language an unattended run takes: the first file whose "Language"
// is one of the names of the system's language (its English and its own
// name, without regard to case), else the one named "English", else the
// first. The index into `names`; 0 for an empty list.
size_t PreferredLanguage(const std::vector<std::wstring>& names, const std::vector<std::wstring>& systemNames);
