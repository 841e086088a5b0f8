// Path tokens and text variables with the values of the running system, the
// setup script and the installation.
#pragma once

#include <string>

// The installation's own folders, as <DefaultInstallPath> and
// <DefaultStartMenuGroup> give them: empty while they are not known.
struct InstallFolders {
  std::wstring install;
  std::wstring group;
};

std::wstring ExpandTokens(const std::wstring& text, const InstallFolders& folders);
std::wstring ExpandPathTokens(const std::wstring& text, const InstallFolders& folders);
std::wstring ExpandTextVariables(const std::wstring& text);
std::wstring TokenFolder(int locationIndex, const InstallFolders& folders);
std::wstring ApplyWizardVariables(const std::wstring& text);

// The value of one path token on this system (empty when unresolvable).
std::wstring PathTokenValue(int locationIndex, const InstallFolders& folders);
// The folder of the program registered as PureBasic.exe, or empty.
std::wstring PureBasicFolder();
// The temporary folder as the <Temp> token gives it.
std::wstring TempTokenFolder();
