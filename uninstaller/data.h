// What the uninstaller reads from the uninstall data beside the installed
// product ("Uninst<n>.dat"; the format is in install/uninstall_data.h).
#pragma once

#include <string>
#include <vector>

#include "install/uninstall_data.h"

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

struct RemovalData {
  UninstallContents contents;
  // Key0 to Key7, every "$APPNAME$" replaced by the program name.
  std::wstring texts[kUninstallTextCount];
  // The SHA-256 digest (lower-case hex) of the very bytes the contents were
  // read from: the file is read once, so what is checked is what is used.
  std::wstring digest;
};

// Reads the data file. False when it cannot be opened.
bool ReadRemovalData(const std::wstring& path, RemovalData* data);

// The lower-case extensions of SkipExtString: split at commas, each piece
// trimmed of blanks; empty pieces add nothing.
std::vector<std::wstring> SkipList(const std::wstring& skipExtensions);
