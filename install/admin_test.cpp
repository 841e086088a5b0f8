#include "install/admin_test.h"

#include "common/prelude.h"

bool IsAdministrator() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, 0xF000F);
  if (!manager) return false;
  CloseServiceHandle(manager);
  return true;
}
