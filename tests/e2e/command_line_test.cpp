// The command line: the unpack-only mode, the usage message, and a single
// argument running the normal installation.
#include "tests/driver/package_fixture.h"

using drive::Icon;

namespace {
constexpr wchar_t kWritten[] =
    L"The file was written. You can unpack them with any ZIP compatible archiver.";
}  // namespace

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
  EXPECT_MESSAGE(p, L"Success", kWritten, Icon::kInformation, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_EQ(ReadFileBytes(target + L"\\ProgramData.zip"), Payload(package));
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(CommandLine, UnpackOnlyOverwritesAnExistingFile) {
  std::wstring package = Build();
  Write(L"out\\ProgramData.zip", std::string(2000000, 'o'));
  drive::Process p = Launch(package, L"-u " + Dir() + L"out\\ third-argument-ignored");
  EXPECT_MESSAGE(p, L"Success", kWritten, Icon::kInformation, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_EQ(ReadFileBytes(Dir() + L"out\\ProgramData.zip"), Payload(package));
}

TEST_F(CommandLine, UnpackOnlyIntoAFolderThatCannotBeMadeSaysSo) {
  const std::wstring target = MissingDriveRoot() + L"unpacked";
  drive::Process p = Launch(Build(), L"-u " + target);
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr) << "no message box appeared";
  EXPECT_EQ(drive::Narrow(box.title), "Error");
  EXPECT_EQ(drive::Narrow(box.text),
            drive::Narrow(L"Could not create the temporary file at location: \r\n" + target + L"\\ProgramData.zip"));
  EXPECT_STREQ(drive::IconName(box.icon), "error");
  // The unpacking window stays behind the message.
  std::vector<std::string> titles;
  for (HWND w : drive::WindowsOf(p.pid()))
    if (w != box.window) titles.push_back(drive::Narrow(drive::Title(w)));
  EXPECT_EQ(titles, std::vector<std::string>{"Unpacking data contained for external check..."});
  EXPECT_TRUE(drive::Answer(box, IDOK));
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(CommandLine, BlankFolderWritesNothingAndSaysNothing) {
  drive::Process p = Launch(Build(), L"-u \"   \"");
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(CommandLine, OtherFirstArgumentShowsTheUsage) {
  drive::Process p = Launch(Build(), L"-U " + Dir() + L"out");
  EXPECT_MESSAGE(p, L"Error",
                 L"If you want to unpack the contained files to check them before installation, the syntax is:\r\n"
                 L"Installer.exe -u [PathToStoreUnpackedFiles]",
                 Icon::kInformation, IDOK);
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
  EXPECT_MESSAGE(p, L"Please confirm",
                 L"Are you sure you want to stop the installation now? Press 'No' to continue or 'Yes' to end this "
                 L"program. You can run this installer at a later time and continue the installation procedure.",
                 Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

// "/? /LOG=": the switches and exit codes in a box titled as the package's
// version information names it, and in the log; the run ends with 0.
TEST_F(CommandLine, QuestionMarkListsTheSwitchesInABoxAndTheLog) {
  const std::wstring log = Dir() + L"switches.log";
  drive::Process p = Launch(Build(), L"/? /LOG=" + log);
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr) << "no message box appeared";
  EXPECT_EQ(drive::Narrow(box.title), "Demo App Setup");
  EXPECT_EQ(drive::Narrow(box.text.substr(0, box.text.find(L"\r\n"))), "Switches:");
  EXPECT_NE(box.text.find(L"\r\n  /S /PASSIVE         install showing only the progress, asking nothing\r\n"),
            std::wstring::npos);
  EXPECT_STREQ(drive::IconName(box.icon), "information");
  EXPECT_TRUE(drive::Answer(box, IDOK));
  EXPECT_EQ(p.WaitExit(), 0u);
  const std::string written = ReadFileBytes(log);
  for (const char* line : {"  Switches:\r\n", "  1639                the command line was not understood\r\n",
                           "  end: succeeded (exit code 0)\r\n"})
    EXPECT_NE(written.find(line), std::string::npos) << line << " is not in the log:\n" << written;
  EXPECT_TRUE(NewWorkFolders().empty());
}
