// The OS version number of the running system.
#include "common/prelude.h"
#include "startup/os_version.h"

int CurrentOsVersion() {
  OsVersionInfo info = {};
  OSVERSIONINFOEXA ex = {};
  ex.dwOSVersionInfoSize = sizeof ex;
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) {
    info = {true, ex.dwPlatformId, ex.dwMajorVersion, ex.dwMinorVersion, ex.wProductType};
  } else {
    // Systems before NT 4 SP6 know only the short record: no product type.
    OSVERSIONINFOA plain = {};
    plain.dwOSVersionInfoSize = sizeof plain;
    if (GetVersionExA(&plain)) info = {true, plain.dwPlatformId, plain.dwMajorVersion, plain.dwMinorVersion, -1};
  }
  return ClassifyOsVersion(info);
}
