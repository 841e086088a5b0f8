// What a finished installation leaves for its removal: the uninstaller, its
// uninstall data, and the product's entry in the list of installed programs.
#pragma once

#include <string>

// Writes the uninstaller's bytes, the uninstall data and the registration.
// Nothing is reported; each of the three is attempted on its own. Returns 1.
int WriteUninstallInfo();

// Creates HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<name>
// with its eight REG_SZ values. 1 when the key could be created or opened.
int RegisterUninstall(const std::wstring& programName, const std::wstring& companyName,
                      const std::wstring& website, const std::wstring& email, const std::wstring& telephone,
                      const std::wstring& iconText, const std::wstring& uninstallCommand);

// The uninstall data of this installation (the file's bytes).
std::string UninstallDataBytes();
