// The setup settings: the in-memory record of the setup script, read once
// when the wizard starts and read by everything after it (the run's own
// is one of the process records, startup/process.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TaskEntry {
  std::wstring name;  // the key of the task line
  std::wstring line;  // keyword and fields separated by the pilcrow
};

struct SetupSettings {
  // [GeneralInformation]
  std::wstring programName, programVersion, companyName, website, supportEmail;
  // Operating-system permission flags, as read: exactly "0" forbids a family.
  std::wstring allowW98, allowWMe, allowWNt, allowW2k, allowWXp, allowWV;
  std::wstring dotNet;            // required framework, "1" to "5"
  std::wstring dependencyPage;    // RunIfDepNotFound
  // [Look]
  uint32_t headerTextColour = 0;  // 0x00BBGGRR
  // [FilesAndSettings]: text flags
  std::wstring readMeRequired, licenseRequired;
  // [InstTasks] and [UninstTasks]
  std::vector<TaskEntry> installTasks, uninstallTasks;
  // [uConfig]: kept for the uninstall data
  int32_t uninstallReboot = 0;
  std::wstring skipExtensions;
  int32_t iconFromUninstaller = 0, iconFromCustomFile = 0;
  std::wstring customIconPath;
  int32_t customIconIndex = 0;
  // [iConfig]
  int32_t installRebootOffered = 0;
  int32_t pathChangeable = 0;
  std::wstring defaultPath;
  int32_t createStartMenuGroup = 0;
  int32_t createInternetLink = 0;
  int32_t createUninstallLink = 0;
  int32_t offerGroupOptOut = 0;  // ForceGroupCreation
};

class IniDocument;

// Reads the setup settings from the parsed script, group by group in the
// order of the record; missing keys take their defaults.
void ReadSetupSettings(IniDocument& script, SetupSettings* settings);

// True when a text flag is exactly `flag` ("0" or "1"); "01" and "yes" are neither.
inline bool IsFlag(const std::wstring& value, const wchar_t* flag) { return value == flag; }
