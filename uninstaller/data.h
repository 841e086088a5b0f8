// The uninstall data: what the setup stub wrote beside the installed product
// ("Uninst<n>.dat") for the uninstaller to read.
#pragma once

#include <string>
#include <vector>

#include "script/settings.h"

// The texts of [LocalizationUninstall], by key number.
enum UninstallTextKey {
  kConfirmTitle = 0,  // Key0
  kConfirmText = 1,   // Key1
  kCancelButton = 2,  // Key2
  kProgressText = 3,  // Key3
  kRestartTitle = 4,  // Key4
  kRestartText = 5,   // Key5
  kSuccessTitle = 6,  // Key6
  kSuccessText = 7,   // Key7
  kUninstallTextCount = 8,
};

struct UninstallData {
  std::wstring appName;             // [uConfig] AppName
  std::wstring installPath;         // [uConfig] InstallPath
  int rebootRequired = 0;           // [uConfig] RebootRequired
  bool installPathCreated = false;  // [uConfig] InstallPathCreated = 1
  std::wstring skipExtensions;      // [uConfig] SkipExtString
  // Key0 to Key7, every "$APPNAME$" replaced by the program name.
  std::wstring texts[kUninstallTextCount];
  std::vector<TaskEntry> installRecord;   // [InstTasks], in file order
  std::vector<TaskEntry> uninstallTasks;  // [UninstTasks], in file order
  std::vector<std::wstring> files;        // the values of [Files], in file order
};

// Reads the data file. False when it cannot be opened.
bool ReadUninstallData(const std::wstring& path, UninstallData* data);

// The lower-case extensions of SkipExtString: split at commas, each piece
// trimmed of blanks; empty pieces add nothing.
std::vector<std::wstring> SkipList(const std::wstring& skipExtensions);
