// The OS version number: one integer that classifies the running Windows
// version. Every OS-dependent rule of the system compares only this number.
//
//   5 NT 3.x    10 95    20 NT 4.0    30 98    40 Me    50 2000    60 XP
//   65 version 5.2    70 version 6 workstation    75 version 6 server
//   100 anything else, or a failed version query
#pragma once

#include <cstdint>

enum OsVersionNumber : int {
  kOsNt3 = 5,
  kOs95 = 10,
  kOsNt4 = 20,
  kOs98 = 30,
  kOsMe = 40,
  kOs2000 = 50,
  kOsXp = 60,
  kOs2003 = 65,
  kOsVistaWorkstation = 70,
  kOsVistaServer = 75,
  kOsUnknown = 100,
};

struct OsVersionInfo {
  bool queried;         // false when the version query failed
  uint32_t platformId;  // 1 Windows 9x family, 2 NT family
  uint32_t major;
  uint32_t minor;
  int productType;      // 1 workstation, 2 domain controller, 3 server; -1 not obtainable
};

// Pure classification of what the version query reported.
int ClassifyOsVersion(const OsVersionInfo& info);

// The number for the running system (Windows only).
int CurrentOsVersion();
