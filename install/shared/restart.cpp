// Restarting the computer: on NT systems the process first enables its
// shutdown privilege.
#include "common/handles.h"
#include "common/prelude.h"
#include "install/shared/system_tasks.h"

namespace {

// 0 when the privilege is enabled, else the step that failed (1 token,
// 2 privilege lookup, 3 enabling).
int EnableShutdownPrivilege() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return 1;
  ScopedHandle token(raw);
  TOKEN_PRIVILEGES privileges = {};
  if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return 2;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return 3;
  return 0;
}

}  // namespace

int Reboot(int force) {
  ExitSystem(EWX_REBOOT | (force ? EWX_FORCE : 0));
  return 0;
}

int ExitSystem(UINT flags) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    const int failedStep = EnableShutdownPrivilege();
    if (failedStep) return failedStep;
  }
  return RequestExitWindows(flags) ? 0 : 4;
}
