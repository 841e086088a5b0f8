// Folders of the running system as the shell names them.
#pragma once

#include <string>

// The path of a shell folder (CSIDL identifier) with a trailing backslash,
// without surrounding spaces; empty when the shell cannot resolve it.
std::wstring ShellFolder(int csidl);

// The first three characters of the user's desktop folder, such as "C:\".
std::wstring DrivePrefix();
