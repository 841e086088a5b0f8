#include "startup/os_version.h"

int ClassifyOsVersion(const OsVersionInfo& v) {
  if (!v.queried) return kOsUnknown;
  if (v.platformId == 1) {  // Windows 95, 98, Me
    switch (v.minor) {
      case 0: return kOs95;
      case 10: return kOs98;
      case 90: return kOsMe;
      default: return kOsUnknown;
    }
  }
  if (v.platformId != 2) return kOsUnknown;
  switch (v.major) {
    case 3: return kOsNt3;
    case 4: return kOsNt4;
    case 5:
      if (v.minor == 0) return kOs2000;
      if (v.minor == 1) return kOsXp;
      if (v.minor == 2) return kOs2003;
      return kOsUnknown;
    case 6:
      return (v.productType == 1 || v.productType < 0) ? kOsVistaWorkstation : kOsVistaServer;
    default:
      return kOsUnknown;
  }
}
