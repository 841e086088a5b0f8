// The guard of destructive work on a real system: the system's folders are
// protected under every name Windows accepts for them, and by what a path
// is (a link or junction to a protected folder is protected too). The rows
// that make folders and links work on the session's throw-away drive T:.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "common/files.h"
#include "install/file_tasks.h"
#include "install/shared/path_guard.h"
#include "tests/driver/support.h"

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

std::wstring Case(std::wstring s, bool upper) {
  (upper ? CharUpperBuffW : CharLowerBuffW)(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

using drive::Exists;

// A fresh folder of this run on T:, the session's throw-away drive.
std::wstring Scratch(const std::wstring& name) {
  const std::wstring root = L"T:\\" + name + std::to_wstring(GetCurrentProcessId()) + L"\\";
  return CreateDirectoryW(root.c_str(), nullptr) ? root : L"T:\\missing\\";
}

struct Guard : testing::Test { PathGuard guard; };  // each case owns a guard, as each run does
}  // namespace

TEST_F(Guard, TheSystemsFoldersUnderEveryName) {
  const std::wstring windows = WindowsFolder();  // C:\windows
  const std::wstring rest = windows.substr(3);
  wchar_t host[MAX_COMPUTERNAME_LENGTH + 1] = {}, programFiles[MAX_PATH] = {};
  DWORD hostSize = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(host, &hostSize));
  ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
  const std::wstring shortProgramFiles = ShortName(programFiles);
  ASSERT_FALSE(shortProgramFiles.empty());
  for (const std::wstring& path :
       {windows, L"\\\\?\\" + windows + L"\\", L"\\\\localhost\\c$\\" + rest,
        L"\\\\127.0.0.1\\C$\\" + rest + L"\\system32\\..", L"\\\\?\\UNC\\localhost\\c$\\" + rest, windows + L". \\",
        L"  " + windows + L"  ", windows + L"\\System32", std::wstring(programFiles), shortProgramFiles,
        std::wstring(L"C:\\"), std::wstring(L"C:"), std::wstring(L"T:\\"), std::wstring(L""), std::wstring(L"\\"),
        std::wstring(L"relative\\folder"), std::wstring(L"\\\\?\\unix\\etc"), std::wstring(L"\\\\server\\share\\"),
        // Stream and device syntax, on any folder.
        windows + L"::$INDEX_ALLOCATION", windows + L":$DATA", windows + L"\\System32:x", L"\\\\.\\" + windows,
        std::wstring(L"T:\\tarnguard\\App:s"), std::wstring(L"\\\\.\\T:\\tarnguard\\App"),
        std::wstring(L"\\??\\T:\\tarnguard\\App"), std::wstring(L"//./T:/tarnguard/App"), std::wstring(L"T:\\tarnguard\\A*"),
        std::wstring(L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x"), std::wstring(L"\\\\?\\Volume{0-0}\\x"),
        // Every loopback spelling, the computer's own name in any case, its hidden shares.
        L"\\\\127.1.2.3\\c$\\" + rest, L"\\\\0x7f.1\\C$\\" + rest, L"\\\\[::1]\\c$\\" + rest,
        L"\\\\0--1.IPV6-LITERAL.NET\\c$\\" + rest, L"\\\\LocalHost.\\c$\\" + rest,
        L"\\\\" + Case(host, false) + L"\\c$\\" + rest, L"\\\\" + Case(host, true) + L"\\C$\\" + rest,
        std::wstring(L"\\\\localhost\\ADMIN$"), std::wstring(L"\\\\localhost\\admin$\\System32"),
        std::wstring(L"\\\\127.0.0.1\\print$\\"), L"\\\\" + std::wstring(host) + L"\\IPC$\\x"})
    EXPECT_TRUE(IsProtectedFolder(guard, path)) << path;
  EXPECT_FALSE(IsProtectedFolder(guard, L"C:\\tarnguard\\App\\"));
  EXPECT_FALSE(IsProtectedFolder(guard, std::wstring(programFiles) + L"\\Tarn Demo\\"));
  EXPECT_FALSE(IsProtectedFolder(guard, L"\\\\server\\share\\App\\"));
  EXPECT_FALSE(IsProtectedFolder(guard, L"\\\\?\\T:\\tarnguard\\App"));
}

TEST_F(Guard, FilesToDeleteNeedAFullPath) {
  EXPECT_TRUE(IsDeletableFilePath(guard, L"C:\\tarnguard\\a.txt"));
  EXPECT_TRUE(IsDeletableFilePath(guard, WindowsFolder() + L"\\tarn.ini"));  // a file in a system folder may be named
  for (const wchar_t* path : {L"", L"a.txt", L"\\a.txt", L"C:a.txt", L"C:\\", L"C:\\windows", L"C:\\tarnguard\\a.txt:s",
                              L"C:\\tarnguard\\a.txt::$DATA", L"\\\\.\\C:\\tarnguard\\a.txt", L"\\??\\C:\\tarnguard\\a.txt",
                              L"\\\\localhost\\ADMIN$\\tarn.ini"})
    EXPECT_FALSE(IsDeletableFilePath(guard, path)) << path;
}

// Case variants in letters beyond Latin-1, links and junctions of a
// protected folder: the guard compares what a path is.
TEST_F(Guard, WhatAPathIsNotHowItIsWritten) {
  ASSERT_TRUE(Exists(L"T:\\")) << "drive T: is missing: this test runs only in a test session";
  const std::wstring root = Scratch(L"guard"), users = root + L"U\u017Cytkownicy\\", plain = root + L"plain\\";
  const std::wstring profile = users + L"\u0141ucja \u03A9\u03BC\u03AD\u03B3\u03B1 \u0416\u0443\u043A\u043E\u0432\\";
  const std::wstring desk = profile + L"Pulpit\\";
  for (const std::wstring& folder : {users, profile, desk, plain}) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ProtectFolder(guard, desk);
  std::vector<std::wstring> refused = {Case(desk, false), Case(desk, true), Case(profile, true), Case(users, false)};
  std::vector<std::wstring> allowed = {plain, Case(desk, true) + L"Nowy\\"};
  const bool links = drive::MakeLink(root + L"toDesk", desk, true) && drive::MakeLink(root + L"toWindows", WindowsFolder(), true) &&
                     drive::MakeLink(root + L"toUsers", users, true) && drive::MakeLink(root + L"toPlain", plain, true) &&
                     drive::MakeLink(root + L"symDesk", desk, false);
  if (links) {
    refused.insert(refused.end(), {root + L"toDesk", root + L"TODESK\\..\\toWindows", root + L"toWindows\\System32",
                                   root + L"toUsers\\", root + L"symDesk"});
    allowed.insert(allowed.end(), {root + L"toPlain", root + L"toDesk\\Nowy\\"});
  }
  for (const std::wstring& path : refused) {
    EXPECT_TRUE(IsProtectedFolder(guard, path)) << path;
    EXPECT_FALSE(IsDeletableFilePath(guard, path)) << path;
  }
  for (const std::wstring& path : allowed) EXPECT_FALSE(IsProtectedFolder(guard, path)) << path;
  if (!links) GTEST_SKIP() << "PARTLY CHECKED: the case rows ran; NOT CHECKED: links, which this system cannot make";
}

// DeleteTree and DeleteFolder given a link, or meeting one inside the tree,
// remove the link; the files it points to stay.
// Links are left alone by every deleting walk: not entered, not removed (the
// installation makes none, and Wine removes an empty target in their place),
// so what they point to stays, an empty folder included.
TEST_F(Guard, ADeletionLeavesLinksAndWhatTheyPointTo) {
  ASSERT_TRUE(Exists(L"T:\\")) << "drive T: is missing: this test runs only in a test session";
  const std::wstring root = Scratch(L"links"), keep = root + L"keep\\", tree = root + L"tree\\", empty = root + L"empty\\";
  for (const std::wstring& folder : {keep, keep + L"sub\\", tree, empty})
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  for (const std::wstring& file : {keep + L"a.txt", keep + L"sub\\b.txt", tree + L"c.txt"})
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr));
  if (!drive::MakeLink(root + L"j1", keep, true) || !drive::MakeLink(root + L"j2", keep, true) || !drive::MakeLink(root + L"j3", keep, true) ||
      !drive::MakeLink(tree + L"inner", keep, true) || !drive::MakeLink(tree + L"toEmpty", empty, true))
    GTEST_SKIP() << "NOT CHECKED: this system makes neither junctions nor symbolic links";
  std::vector<FolderEntry> found;
  CollectSubFolders(root + L"j3", &found);
  CollectSubFolders(tree, &found);
  EXPECT_TRUE(found.empty()) << "a link was listed for removal";
  DeleteTree(root + L"j1\\");
  EXPECT_FALSE(DeleteFolder(root + L"j2", L"", kDeleteRecursive | kDeleteForce));
  DeleteTree(tree);
  for (const wchar_t* file : {L"a.txt", L"sub\\b.txt"}) EXPECT_TRUE(Exists(keep + file)) << file;
  EXPECT_TRUE(GetFileAttributesW((keep + L"a.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Exists(empty)) << "the empty folder a link pointed to went";
  for (const wchar_t* link : {L"j1", L"j2", L"tree\\inner", L"tree\\toEmpty"}) EXPECT_TRUE(Exists(root + link)) << link;
  EXPECT_FALSE(Exists(tree + L"c.txt"));
}
