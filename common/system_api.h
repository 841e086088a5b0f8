// Every function that the setup stub and the uninstaller look up at run
// time, because an older system may lack it, with its fallback.
#pragma once

#include <string>

#include "common/prelude.h"

// Restricts the DLL search path to the system folder, so that a DLL planted
// beside a downloaded package is never loaded. Does nothing where the kernel
// lacks SetDefaultDllDirectories.
void RestrictDllSearchPath();

// Loads a system DLL by its full path in the system folder.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The user's temporary folder with a trailing backslash, converted to its
// long form when the kernel exports GetLongPathNameW.
std::wstring TempFolder();
