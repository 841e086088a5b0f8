// The guard of destructive work on a real system: the system's folders are
// protected under every name Windows accepts for them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "install/path_guard.h"

namespace {

std::wstring WindowsFolder() {
  wchar_t buf[MAX_PATH] = {};
  GetWindowsDirectoryW(buf, MAX_PATH);
  return buf;
}

std::wstring ShortName(const std::wstring& path) {
  wchar_t buf[MAX_PATH] = {};
  DWORD n = GetShortPathNameW(path.c_str(), buf, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(buf, n) : std::wstring();
}

}  // namespace

TEST(Guard, TheSystemsFoldersUnderEveryName) {
  const std::wstring windows = WindowsFolder();  // C:\windows
  const std::wstring rest = windows.substr(3);
  wchar_t programFiles[MAX_PATH] = {};
  ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
  const std::wstring shortProgramFiles = ShortName(programFiles);
  ASSERT_FALSE(shortProgramFiles.empty());
  for (const std::wstring& path :
       {windows, L"\\\\?\\" + windows + L"\\", L"\\\\.\\" + windows, L"\\\\localhost\\c$\\" + rest,
        L"\\\\127.0.0.1\\C$\\" + rest + L"\\system32\\..", L"\\\\?\\UNC\\localhost\\c$\\" + rest, windows + L". \\",
        L"  " + windows + L"  ", windows + L"\\System32", std::wstring(programFiles), shortProgramFiles,
        std::wstring(L"C:\\"), std::wstring(L"C:"), std::wstring(L"T:\\"), std::wstring(L""), std::wstring(L"\\"),
        std::wstring(L"relative\\folder"), std::wstring(L"\\\\?\\unix\\etc"), std::wstring(L"\\\\server\\share\\")})
    EXPECT_TRUE(IsProtectedFolder(path)) << std::string(path.begin(), path.end());
  EXPECT_FALSE(IsProtectedFolder(L"C:\\tarnguard\\App\\"));
  EXPECT_FALSE(IsProtectedFolder(std::wstring(programFiles) + L"\\Tarn Demo\\"));
  EXPECT_FALSE(IsProtectedFolder(L"\\\\server\\share\\App\\"));
}

TEST(Guard, FilesToDeleteNeedAFullPath) {
  EXPECT_TRUE(IsDeletableFilePath(L"C:\\tarnguard\\a.txt"));
  EXPECT_TRUE(IsDeletableFilePath(WindowsFolder() + L"\\tarn.ini"));  // a file in a system folder may be named
  for (const wchar_t* path : {L"", L"a.txt", L"\\a.txt", L"C:a.txt", L"C:\\", L"C:\\windows"})
    EXPECT_FALSE(IsDeletableFilePath(path)) << std::string(path, path + wcslen(path));
}
