#include "install/shared/admin_test.h"

#include "common/prelude.h"
#include "startup/os_version.h"

bool LacksAdministratorRights(int os) {
  if (os < kOs2000) return false;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, 0xF000F);
  if (!manager) return true;
  CloseServiceHandle(manager);
  return false;
}
