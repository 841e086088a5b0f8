// The setup stub's process-wide records, and the two ways a run ends.
#pragma once

#include <string>

#include "common/prelude.h"
#include "script/localization.h"
#include "script/settings.h"
#include "startup/command_line.h"

// The fixed paths of the extracted information, and the payload copy.
struct PackagePaths {
  std::wstring payloadCopy;
  std::wstring script;      // Information\Config\Script.ini
  std::wstring statistics;  // Information\Config\Statistics.ini
  std::wstring wizardBitmap;
  std::wstring headerBitmap;
  std::wstring readMe;
  std::wstring license;
};

// What the run knows from start to end, whoever needs it. Everything else
// is handed from one step to the next.
struct ProcessState {
  int osVersion = 0;
  Invocation invocation;           // what the command line asks for
  HANDLE instanceMutex = nullptr;  // kept open for the life of the process
  std::wstring workFolder;         // empty until created; ends with "\" once set
  PackagePaths paths;              // set once the information is extracted
  std::wstring languageFile;       // the chosen localization file
  TextTable texts;                 // its texts
  SetupSettings settings;          // the setup script's
};

// The one instance, created on first use and never destroyed: EndPlain frees
// the private heap its strings live in, so no destructor may run after it.
ProcessState& Process();

// Shorthands for the records read everywhere.
inline PackagePaths& Paths() { return Process().paths; }
inline SetupSettings& Settings() { return Process().settings; }
// The text of key n (0 to 102) of the chosen localization file.
inline const std::wstring& Text(int key) { return Process().texts[key]; }

// Deletes the work folder (when one was created). Mode 0 then ends the
// process (EndPlain); mode 1 returns.
void CleanUp(int mode);
// CleanUp(1), as the unfinished work of a run that has a work folder (see
// SetUnfinishedWork): every end of the run deletes the folder.
void RemoveWorkFolder();

// Ends the process without deleting anything: closes the toolkit and the
// log, destroys the private heap and exits (with 0, or in a quiet run with
// the outcome's code).
[[noreturn]] void EndPlain();
