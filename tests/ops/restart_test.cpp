// The restart request: its flags, its result codes and the shutdown
// privilege that NT systems need. The request itself goes to the recorder.
#include <gtest/gtest.h>
#include <windows.h>

#include "install/shared/system_tasks.h"
#include "tests/ops/exit_recorder.h"
#include "tests/driver/support.h"

namespace {

// Whether SeShutdownPrivilege is enabled in this process's token; sets it
// to `enable` first when asked.
bool ShutdownPrivilegeEnabled(int enable = -1) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  LUID luid = {};
  LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &luid);
  if (enable >= 0) {
    TOKEN_PRIVILEGES change = {};
    change.PrivilegeCount = 1;
    change.Privileges[0].Luid = luid;
    change.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    AdjustTokenPrivileges(token, FALSE, &change, 0, nullptr, nullptr);
  }
  PRIVILEGE_SET wanted = {};
  wanted.PrivilegeCount = 1;
  wanted.Control = PRIVILEGE_SET_ALL_NECESSARY;
  wanted.Privilege[0].Luid = luid;
  BOOL held = FALSE;
  PrivilegeCheck(token, &wanted, &held);
  CloseHandle(token);
  return held != FALSE;
}

TEST(Restart, RebootAsksForARestartForcedOnlyWhenTold) {
  exit_recorder::Reset(TRUE);
  EXPECT_EQ(0, Reboot(0));
  EXPECT_EQ(0, Reboot(1));
  EXPECT_EQ(0, Reboot(-5));
  ASSERT_EQ(3u, exit_recorder::Requests().size());
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), exit_recorder::Requests()[0]);
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCE), exit_recorder::Requests()[1]);
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCE), exit_recorder::Requests()[2]);

  exit_recorder::Reset(FALSE);
  EXPECT_EQ(0, Reboot(0));  // a refused request changes nothing for the caller
  EXPECT_EQ(1u, exit_recorder::Requests().size());
}

TEST(Restart, ExitSystemReportsTheRequestsResult) {
  exit_recorder::Reset(TRUE);
  EXPECT_EQ(0, ExitSystem(EWX_REBOOT));
  exit_recorder::Reset(FALSE);
  EXPECT_EQ(4, ExitSystem(EWX_REBOOT | EWX_FORCE));
  ASSERT_EQ(1u, exit_recorder::Requests().size());
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCE), exit_recorder::Requests()[0]);
  exit_recorder::Reset(TRUE);
  EXPECT_EQ(0, ExitSystem(EWX_LOGOFF));
  EXPECT_EQ(static_cast<UINT>(EWX_LOGOFF), exit_recorder::Requests().at(0));
}

TEST(Restart, NtSystemsEnableTheShutdownPrivilegeFirst) {
  ASSERT_FALSE(ShutdownPrivilegeEnabled(0)) << "the privilege cannot be switched off for the test";
  exit_recorder::Reset(TRUE);
  EXPECT_EQ(0, Reboot(0));
  EXPECT_TRUE(ShutdownPrivilegeEnabled());
  EXPECT_EQ(1u, exit_recorder::Requests().size());
}

// Run under emulated Windows 98 (see below): no token is touched there.
TEST(DISABLED_Win98Restart, NoPrivilegeStepsOnWindows9x) {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExW(&version));
  ASSERT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), version.dwPlatformId);
  ASSERT_FALSE(ShutdownPrivilegeEnabled(0));
  exit_recorder::Reset(TRUE);
  EXPECT_EQ(0, ExitSystem(EWX_REBOOT));
  EXPECT_FALSE(ShutdownPrivilegeEnabled());
  EXPECT_EQ(1u, exit_recorder::Requests().size());
  exit_recorder::Reset(FALSE);
  EXPECT_EQ(4, ExitSystem(EWX_REBOOT));
}

TEST(Restart, UnderWindows98) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows 98 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"win98", L"DISABLED_Win98Restart.*"));
}

}  // namespace
