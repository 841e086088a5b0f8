// The system gate and the single-instance guard.
#include "startup/messages.h"
#include "tests/e2e/package_fixture.h"

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
  for (const wchar_t* version : {L"win95", L"nt351"}) {
    std::wstring name = std::wstring(L"gate_") + version + L".exe";
    drive::EmulateVersion(name, version);
    drive::Process p = Launch(BrokenPackage(name));
    EXPECT_MESSAGE(p, startup_text::kCompatibilityTitle, startup_text::kCompatibility, Icon::kError, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
    drive::EmulateVersion(name, L"");
  }
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(Gates, OlderSupportedAndCurrentSystemsPass) {
  for (const wchar_t* version : {L"nt40", L"win98", L"winme", L"win2k", L"winxp", L"win7", L"win10"}) {
    std::wstring name = std::wstring(L"gate_") + version + L".exe";
    drive::EmulateVersion(name, version);
    drive::Process p = Launch(BrokenPackage(name));
    drive::MessageBoxInfo box = drive::WaitMessageBox(p);
    EXPECT_EQ(drive::Narrow(box.title), "Error") << drive::Narrow(version);
    EXPECT_NE(box.text.find(L"incomplete"), std::wstring::npos) << drive::Narrow(version);
    drive::Answer(box, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
    drive::EmulateVersion(name, L"");
  }
}

TEST_F(Gates, SecondPackageIsKeptOutWhileOneRuns) {
  drive::Process first = Launch(BrokenPackage(L"first.exe"));
  drive::MessageBoxInfo waiting = drive::WaitMessageBox(first);
  ASSERT_NE(waiting.window, nullptr);

  // Any package of the platform, not only the same file.
  Write(L"payload\\Other.txt", "another product");
  drive::Process second = Launch(Build(L"second.exe"));
  EXPECT_MESSAGE(second, startup_text::kInstanceTitle, startup_text::kInstanceRunning, Icon::kWarning, IDOK);
  EXPECT_EQ(second.WaitExit(), 0u);

  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindow(waiting.window));
  drive::Answer(waiting, IDOK);
  EXPECT_EQ(first.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}
