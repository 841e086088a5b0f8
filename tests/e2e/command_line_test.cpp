// The command line: the unpack-only mode, the usage message, and a single
// argument running the normal installation.
#include "package/messages.h"
#include "startup/messages.h"
#include "tests/e2e/package_fixture.h"

using drive::Icon;

class CommandLine : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    Write(L"payload\\docs\\manual.txt", NoiseBytes(300000, 3));
  }
  std::string Payload(const std::wstring& package) {
    std::string stub, payload, info;
    EXPECT_TRUE(SplitPackage(ReadFileBytes(package), &stub, &payload, &info));
    return payload;
  }
};

TEST_F(CommandLine, UnpackOnlyWritesThePayloadArchiveIntoNewFolders) {
  std::wstring package = Build();
  std::wstring target = Dir() + L"out\\deeper\\still";
  drive::Process p = Launch(package, L"-u \"" + target + L"\"");
  EXPECT_MESSAGE(p, startup_text::kSuccessTitle, startup_text::kUnpackWritten, Icon::kInformation, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_EQ(ReadFileBytes(target + L"\\ProgramData.zip"), Payload(package));
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(CommandLine, UnpackOnlyOverwritesAnExistingFile) {
  std::wstring package = Build();
  Write(L"out\\ProgramData.zip", std::string(2000000, 'o'));
  drive::Process p = Launch(package, L"-u " + Dir() + L"out\\ third-argument-ignored");
  EXPECT_MESSAGE(p, startup_text::kSuccessTitle, startup_text::kUnpackWritten, Icon::kInformation, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_EQ(ReadFileBytes(Dir() + L"out\\ProgramData.zip"), Payload(package));
}

TEST_F(CommandLine, BlankFolderWritesNothingAndSaysNothing) {
  drive::Process p = Launch(Build(), L"-u \"   \"");
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(CommandLine, OtherFirstArgumentShowsTheUsage) {
  drive::Process p = Launch(Build(), L"-U " + Dir() + L"out");
  EXPECT_MESSAGE(p, startup_text::kErrorTitle, startup_text::kUsage, Icon::kInformation, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_FALSE(FolderExists(Dir() + L"out"));
}

TEST_F(CommandLine, SingleArgumentRunsTheInstallation) {
  Write(L"info\\Languages\\English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
  Write(L"info\\Languages\\Deutsch.ini", "[TSF Localization File]\r\nLanguage = Deutsch\r\n");
  drive::Process p = Launch(Build(), L"-u");
  HWND w = drive::WaitWindow(p, L"Language selection");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(NewWorkFolders().size(), 1u);
  drive::Click(w, 2001);
  EXPECT_MESSAGE(p, package_text::kConfirmTitle, package_text::kConfirmStop, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}
