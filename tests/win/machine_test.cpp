// The test machine keeps the build machine out of reach of the programs
// under test: no drive shows the Linux root, the current folder and "\" lie
// in the Wine prefix, and Wine's own "\\?\unix\" names (which no drive
// letter can hide) reach a file system the programs cannot write.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/driver/files.h"

using drive::Exists;

namespace {

std::string Ascii(const std::wstring& s) { return std::string(s.begin(), s.end()); }

}  // namespace

TEST(Machine, NoDriveShowsTheLinuxRoot) {
  DWORD drives = GetLogicalDrives();
  ASSERT_NE(drives, 0u);
  EXPECT_FALSE(drives & (1u << ('Z' - 'A'))) << "drive Z: is mapped";
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (!(drives & (1u << (letter - L'A')))) continue;
    const std::wstring root = std::wstring(1, letter) + L":\\";
    for (const wchar_t* marker : {L"etc\\passwd", L"proc\\self", L"usr\\lib"})
      EXPECT_FALSE(Exists(root + marker)) << "drive " << Ascii(root) << " holds " << Ascii(marker);
  }
}

TEST(Machine, TheCurrentFolderAndTheRootLieInThePrefix) {
  wchar_t current[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  EXPECT_EQ(std::wstring(current, 3), L"C:\\") << "the current folder is not on C:";
  wchar_t root[MAX_PATH] = {};
  ASSERT_GT(GetFullPathNameW(L"\\", MAX_PATH, root, nullptr), 0u);
  EXPECT_EQ(std::wstring(root), L"C:\\");
  EXPECT_TRUE(Exists(L"\\windows\\system32")) << "\"\\\" is not the prefix's drive C:";
}

TEST(Machine, WinesUnixNamesAreReadOnly) {
  wchar_t guard[32] = {};
  GetEnvironmentVariableW(L"TARN_SESSION_GUARD", guard, 32);
  if (std::wstring(guard) != L"read-only")
    GTEST_SKIP() << "NOT CHECKED: this host allows no mount namespace, so the session's programs can write the "
                    "Linux file system through \\\\?\\unix\\ names";
  const wchar_t probe[] = L"\\\\?\\unix\\etc\\tarnwick-write-probe";
  HANDLE h = CreateFileW(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    DeleteFileW(probe);
  }
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a program under test wrote /etc/tarnwick-write-probe";
  const wchar_t folder[] = L"\\\\?\\unix\\etc\\tarnwick-folder-probe";
  const bool made = CreateDirectoryW(folder, nullptr) != 0;
  if (made) RemoveDirectoryW(folder);
  EXPECT_FALSE(made) << "a program under test made the folder /etc/tarnwick-folder-probe";
}
