// COM server registration through regsvr32.exe: a real server registered and
// unregistered by the machine's own regsvr32, and under an emulated NT 4.0 a
// recorder in the place where that system keeps regsvr32.exe.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/system_tasks.h"
#include "startup/os_version.h"
#include "tests/ops/ops_support.h"

namespace {

const wchar_t kClass[] = L"CLSID\\{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}";
const wchar_t kProgId[] = L"Tarnwick.OpsTestServer";

void RegisterAndUnregisterTheTestServer() {
  ops::DeleteKeyTree(HKEY_CLASSES_ROOT, kClass);
  ops::DeleteKeyTree(HKEY_CLASSES_ROOT, kProgId);
  // A blank in the path: only the quotes keep it one argument.
  const std::wstring folder = ops::FreshFolder(L"com server");
  const std::wstring server = folder + L"ops server.dll";
  ASSERT_TRUE(CopyFileW((ops::BinFolder() + L"ops_server.dll").c_str(), server.c_str(), FALSE));

  EXPECT_NE(0, RegisterServer(server, 1));
  // regsvr32 has ended by now: its work is done.
  const std::wstring registered = ops::TextValue(HKEY_CLASSES_ROOT, std::wstring(kClass) + L"\\InprocServer32", L"");
  EXPECT_EQ(0, lstrcmpiW(server.c_str(), registered.c_str())) << ops::Narrow(registered);
  EXPECT_EQ(L"{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}",
            ops::TextValue(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", L""));

  EXPECT_NE(0, RegisterServer(server, 0));
  EXPECT_FALSE(ops::KeyExists(HKEY_CLASSES_ROOT, kClass));
  EXPECT_FALSE(ops::KeyExists(HKEY_CLASSES_ROOT, kProgId));
  ops::RemoveTree(folder);
}

TEST(Servers, RegisteredAndUnregisteredByTheSystemsRegsvr32) { RegisterAndUnregisterTheTestServer(); }

// Windows 98 takes regsvr32.exe from the desktop drive's WINDOWS\System32,
// which is the system folder of the Wine machine too.
TEST(DISABLED_Win98Servers, RegisteredAndUnregistered) {
  ASSERT_EQ(kOs98, CurrentOsVersion());
  RegisterAndUnregisterTheTestServer();
}

TEST(Servers, UnderWindows98) { EXPECT_TRUE(ops::RunEmulated(L"win98", L"DISABLED_Win98Servers.*")); }

TEST(DISABLED_Nt4Servers, RegsvrFromTheWinntFolderOfTheDesktopDrive) {
  ASSERT_EQ(kOsNt4, CurrentOsVersion());
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop));
  const std::wstring winnt = std::wstring(desktop).substr(0, 3) + L"WINNT";
  const bool winntExisted = GetFileAttributesW(winnt.c_str()) != INVALID_FILE_ATTRIBUTES;
  const std::wstring folder = winnt + L"\\System32\\";
  CreateDirectoryW(winnt.c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring tool = folder + L"regsvr32.exe";
  const std::wstring log = tool + L".log";
  ASSERT_TRUE(CopyFileW((ops::BinFolder() + L"ops_recorder.exe").c_str(), tool.c_str(), FALSE));
  DeleteFileW(log.c_str());

  EXPECT_EQ(1, RegisterServer(L"C:\\App\\x.dll", 1));
  // The recorder writes after half a second: an entry now means it was waited for.
  std::vector<std::string> lines = ops::Lines(ops::ReadFileBytes(log));
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("\"" + ops::Narrow(tool) + "\" /s \"C:\\App\\x.dll\"", lines[0]);

  EXPECT_EQ(1, RegisterServer(L"C:\\App\\x.dll", 0));
  lines = ops::Lines(ops::ReadFileBytes(log));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("\"" + ops::Narrow(tool) + "\" /u /s \"C:\\App\\x.dll\"", lines[2]);

  EXPECT_EQ(0, RegisterServer(L"C:\\App\\x.dll", 2));
  EXPECT_EQ(0, RegisterServer(L"C:\\App\\x.dll", -1));
  Sleep(1000);
  EXPECT_EQ(4u, ops::Lines(ops::ReadFileBytes(log)).size());

  if (winntExisted) {
    DeleteFileW(tool.c_str());
    DeleteFileW(log.c_str());
  } else {
    ops::RemoveTree(winnt);
  }
}

TEST(Servers, UnderNt4) { EXPECT_TRUE(ops::RunEmulated(L"nt40", L"DISABLED_Nt4Servers.*")); }

}  // namespace
