// What a finished installation leaves for its removal: the uninstaller, its
// uninstall data, and the product's entry in the list of installed programs.
#pragma once

#include <cstdint>
#include <string>

#include "install/install_state.h"

// Writes the uninstaller's bytes, the uninstall data and the registration.
// Nothing is reported; each of the three is attempted on its own. Returns 1.
int WriteUninstallInfo(InstallState& state);

// Creates HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<name>
// with its eight REG_SZ values (UninstallString: the uninstaller's path in
// double quotes), QuietUninstallString (the same with " /S") and
// EstimatedSize (REG_DWORD, kilobytes, rounded up) and the uninstall data's
// digest (kUninstallDataDigestValue), and InstallLocation. 1 when the key
// could be created or opened.
int RegisterUninstall(const std::wstring& programName, const std::wstring& companyName,
                      const std::wstring& website, const std::wstring& email, const std::wstring& telephone,
                      const std::wstring& iconText, const std::wstring& uninstallerPath, uint64_t sizeBytes,
                      const std::wstring& dataDigest, const std::wstring& installFolder);
