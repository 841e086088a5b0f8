// Process-wide state of the setup stub, and the two ways a run ends.
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"
#include "startup/command_line.h"

struct Language {
  std::wstring name;    // "Language" of the file, without surrounding blanks
  std::wstring author;  // "Author", kept and not shown
  std::wstring path;    // full path of the file in the work folder
};

struct ProcessState {
  HINSTANCE module = nullptr;
  int osVersion = 0;
  std::wstring workFolder;    // empty until created; ends with "\" once set
  std::wstring languageFile;  // the chosen localization file
  Invocation invocation;  // what the command line asks for
  HANDLE instanceMutex = nullptr;  // kept open for the life of the process
  HBRUSH whiteBrush = nullptr;
  HFONT fonts[4] = {};
  HICON image0 = nullptr;     // 32 by 32, the "Initializing..." and language windows
  HBITMAP image1 = nullptr;   // 495 by 2, 24-bit, the wizard's separator strip
  HICON image2 = nullptr;     // 32 by 32, the destination page
  HICON image3 = nullptr;     // 32 by 32, the Start-menu page
  std::vector<Language> languages;
};

// The one instance, created on first use and never destroyed.
ProcessState& Process();

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
