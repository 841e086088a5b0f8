// The uninstaller's command line. Pure logic.
#pragma once

#include <string>

// The second stage is started with exactly two double-quoted paths after
// its own name: the installed data file and the installed uninstaller
// ("C:\...\Temp\123\123.exe" "C:\App\Uninst0.dat" "C:\App\Uninst0.exe").
// The program's name is quoted, or (an older, unquoted uninstall entry) is
// the running program's own path, or runs to the first blank. True when
// the rest is those two paths, which are then stored; false for the first
// stage (nothing, or anything else, after the name).
bool SecondStageArguments(const std::wstring& commandLine, const std::wstring& ownPath, std::wstring* dataPath,
                          std::wstring* uninstallerPath);
