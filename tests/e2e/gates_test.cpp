// The system gate and the single-instance guard.
#include "tests/driver/package_fixture.h"

using drive::Icon;

class Gates : public PackageTest {
 protected:
  // A package whose trailer is broken: once past the gates it shows the
  // "incomplete" message and waits, which is how the test sees it got there.
  std::wstring BrokenPackage(const std::wstring& name) {
    std::wstring path = Build(name);
    std::string bytes = ReadFileBytes(path);
    Write(name, bytes.substr(0, bytes.size() - 1));
    return path;
  }
};

TEST_F(Gates, Windows95AndNt3AreRefused) {
  if (kIs64Bit) GTEST_SKIP() << "i686 only: Windows 95 and NT 3.51 run no 64-bit programs";
  for (const wchar_t* version : {L"win95", L"nt351"}) {
    SCOPED_TRACE(drive::Narrow(version));
    std::wstring name = std::wstring(L"gate_") + version + L".exe";
    const EmulatedVersion emulated(name, version);
    drive::Process p = Launch(BrokenPackage(name));
    EXPECT_MESSAGE(p, L"Compatibility problem",
                   L"We are sorry, Tarnwick SetupForge was designed for WinNT and later operating systems. Please "
                   L"upgrade your PC!",
                   Icon::kError, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
  }
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(Gates, OlderSupportedAndCurrentSystemsPass) {
  struct Row {
    const wchar_t* version;
    bool only32;  // a system of 32-bit programs only
  };
  const Row rows[] = {{L"nt40", true},   {L"win98", true}, {L"winme", true}, {L"win2k", true},
                      {L"winxp", false}, {L"win7", false}, {L"win10", false}};
  std::string skipped;
  for (const Row& row : rows) {
    if (kIs64Bit && row.only32) {
      skipped += " " + drive::Narrow(row.version);
      continue;
    }
    SCOPED_TRACE(drive::Narrow(row.version));
    std::wstring name = std::wstring(L"gate_") + row.version + L".exe";
    const EmulatedVersion emulated(name, row.version);
    drive::Process p = Launch(BrokenPackage(name));
    EXPECT_MESSAGE(p, L"Error",
                   L"This installer is incomplete! If you downloaded it from the Internet try to transfer it again.",
                   Icon::kError, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
  }
  if (!skipped.empty()) GTEST_SKIP() << "i686 only, not run here:" << skipped << " (systems of 32-bit programs)";
}

TEST_F(Gates, SecondPackageIsKeptOutWhileOneRuns) {
  drive::Process first = Launch(BrokenPackage(L"first.exe"));
  drive::MessageBoxInfo waiting = drive::WaitMessageBox(first);
  ASSERT_NE(waiting.window, nullptr);

  // Any package of the platform, not only the same file.
  Write(L"payload\\Other.txt", "another product");
  drive::Process second = Launch(Build(L"second.exe"));
  EXPECT_MESSAGE(second, L"Tarnwick Install Platform",
                 L"Another installation driven by TIP is in progress. Please finish the active installation and run "
                 L"this installer again.",
                 Icon::kWarning, IDOK);
  EXPECT_EQ(second.WaitExit(), 0u);

  // The first one still waits in its message box for the test's answer.
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindow(waiting.window));
  drive::Answer(waiting, IDOK);
  EXPECT_EQ(first.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}
