// The uninstaller's command line. Pure logic.
#pragma once

#include <string>

struct UninstallerArguments {
  // The second stage: started by the first with the installed data file
  // and the installed uninstaller.
  bool secondStage = false;
  std::wstring dataPath, uninstallerPath;
  bool silent = false;  // "/S": no questions, no windows
  std::wstring log;     // "/LOG=FILE": the removal's copy writes its log there
};

// The forms, after the program's own name:
//   (nothing)                       the first stage
//   /S                              the first stage of a removal without questions
//   "DATA" "UNINSTALLER"            the second stage
//   "DATA" "UNINSTALLER" /S         the second stage without questions
// and any of them with /LOG=FILE last: FILE runs to the end of the line,
// blanks included, quoted or not ("/LOG=FILE" quoted whole too).
// ("C:\...\Temp\123\123.exe" "C:\App\Uninst0.dat" "C:\App\Uninst0.exe").
// The program's name is quoted, or (an older, unquoted uninstall entry) is
// the running program's own path, or runs to the first blank. Anything
// else is the first stage.
UninstallerArguments ReadUninstallerArguments(const std::wstring& commandLine, const std::wstring& ownPath);
