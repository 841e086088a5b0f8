// The product's entry in the system's list of installed programs,
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\<name>:
// the installation writes it, the next installation (an upgrade) and the
// removal read it, the removal deletes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The entry's key below HKEY_LOCAL_MACHINE.
std::wstring UninstallEntryKey(const std::wstring& name);

// What the installation writes into its entry.
struct UninstallEntryValues {
  std::wstring icon, publisher, website, contact, telephone;
  std::wstring uninstaller;  // its path, unquoted
  std::wstring digest;       // of the uninstall data
  std::wstring version, location;
  uint64_t sizeBytes;
};

// Creates the entry (or opens it) with its REG_SZ values: DisplayName (the
// name), DisplayIcon, Publisher, URLInfoAbout and HelpLink (the website),
// Contact, HelpTelephone, UninstallString (the uninstaller's path in double
// quotes), QuietUninstallString (the same with " /S"), the uninstall data's
// digest (kUninstallDataDigestValue), DisplayVersion and InstallLocation;
// and REG_DWORD EstimatedSize (kilobytes, rounded up), NoModify and NoRepair
// (1). Logs it. False when the key could be neither created nor opened.
bool WriteUninstallEntry(const std::wstring& name, const UninstallEntryValues& values);

// What the readers take from an entry.
struct UninstallEntry {
  std::wstring location;     // InstallLocation, trimmed
  std::wstring uninstaller;  // the program UninstallString starts
  std::wstring version;      // DisplayVersion, trimmed
  std::wstring digest;       // of the uninstall data; empty in entries of earlier versions
};

// False when there is no entry of that name.
bool ReadUninstallEntry(const std::wstring& name, UninstallEntry* entry);

// The names of all entries, of every product. False when the list cannot be read.
bool UninstallEntryNames(std::vector<std::wstring>* names);

// Deletes the entry. Nothing without a name (the key would be the list itself).
void DeleteUninstallEntry(const std::wstring& name);
