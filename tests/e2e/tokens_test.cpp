// Path tokens and text variables as the setup stub expands them on each
// family of systems. The probe program runs the product's own expansion; a
// copy of it is started under a name for which Wine reports an older Windows
// version, and the test works out the folders it expects from the shell of
// the same Wine machine.
#include <shlobj.h>

#include <map>
#include <set>

#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"

namespace {

constexpr wchar_t kQuickLaunch[] = L"Microsoft\\Internet Explorer\\Quick Launch\\";

// One command-line argument, quoted so that the C runtime reads it back
// unchanged (also with trailing backslashes and inner quotes).
std::wstring Quote(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

// The OS version numbers each emulated version may be classified as. Every
// version-6 system is one family for the tokens; Wine 8 reports an emulated
// "win7" with the server product type (75) rather than workstation (70).
const std::map<std::wstring, std::set<std::string>> kOsNumbers = {
    {L"win98", {"30"}}, {L"nt40", {"20"}}, {L"win2k", {"50"}}, {L"winxp", {"60"}}, {L"win7", {"70", "75"}}};

// The registered command that <PureBasic> reads: under the classes root on
// NT systems, under the machine's classes on Windows 98.
constexpr wchar_t kNtCommandKey[] = L"Applications\\PureBasic.exe\\shell\\open\\command";
constexpr wchar_t kNineCommandKey[] = L"Software\\Classes\\PureBasic.exe\\shell\\open\\command";

void SetCommand(HKEY root, const std::wstring& key, const std::wstring& command) { SetText(root, key, L"", command); }

// Removes "...\PureBasic.exe\shell\open\command" with its "PureBasic.exe" key.
void RemoveCommand(HKEY root, const std::wstring& key) {
  drive::DeleteKeyTree(root, key.substr(0, key.find(L"\\shell\\")));
}

}  // namespace

class Tokens : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    desktop_ = ShellPath(CSIDL_DESKTOPDIRECTORY);
    drive_ = desktop_.substr(0, 3);
    windows_ = ShellPath(CSIDL_WINDOWS);
    programFiles_ = ShellPath(CSIDL_PROGRAM_FILES);
    ASSERT_EQ(drive_.size(), 3u);
    ASSERT_EQ(drive_.substr(1), L":\\");
    ASSERT_FALSE(windows_.empty());
    ASSERT_FALSE(programFiles_.empty());
  }

  // Runs the probe under the emulated Windows version with these options and
  // texts (see tests/helpers/token_probe.cpp); returns one result per text.
  std::vector<std::string> Probe(const std::wstring& version, const std::vector<std::wstring>& arguments) {
    const std::wstring name = L"probe_" + version + L".exe";
    const std::wstring exe = Dir() + name, out = Dir() + L"probe_" + version + L".txt";
    if (!FileExists(exe)) {
      EXPECT_TRUE(CopyFileW((BinFolder() + L"token_probe.exe").c_str(), exe.c_str(), FALSE));
    }
    DeleteFileW(out.c_str());
    {
      AppSettings settings(name);
      settings.Version(version);
      std::wstring line = Quote(out) + L" ?os";
      for (const std::wstring& a : arguments) line += L" " + Quote(a);
      drive::Process p = Launch(exe, line);
      EXPECT_EQ(p.WaitExit(), 0u) << drive::Narrow(name);
    }

    std::vector<std::string> results;
    std::string bytes = ReadFileBytes(out);
    for (size_t at = 0, end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1)
      results.push_back(bytes.substr(at, end - at));
    if (results.empty()) {
      ADD_FAILURE() << "the probe wrote nothing under " << drive::Narrow(version);
      return results;
    }
    // The probe must have seen the emulated system, or nothing else means anything.
    EXPECT_EQ(kOsNumbers.at(version).count(results[0]), 1u)
        << "OS version number " << results[0] << " under " << drive::Narrow(version);
    results.erase(results.begin());
    return results;
  }

  std::wstring desktop_, drive_, windows_, programFiles_;
};

TEST_F(Tokens, FoldersFollowTheSystemFamily) {
  const std::wstring commonDesktop = ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY);
  const std::wstring system = ShellPath(CSIDL_SYSTEM);
  const std::wstring programs = ShellPath(CSIDL_PROGRAMS), commonPrograms = ShellPath(CSIDL_COMMON_PROGRAMS);
  const std::wstring start = ShellPath(CSIDL_STARTMENU), commonStart = ShellPath(CSIDL_COMMON_STARTMENU);
  const std::wstring documents = ShellPath(CSIDL_PERSONAL), commonDocuments = ShellPath(CSIDL_COMMON_DOCUMENTS);
  const std::wstring appData = ShellPath(CSIDL_APPDATA), commonAppData = ShellPath(CSIDL_COMMON_APPDATA);
  // Each family's answer must be told apart from the others'.
  ASSERT_NE(desktop_, commonDesktop);
  ASSERT_NE(windows_, drive_ + L"WINNT\\");
  ASSERT_NE(windows_, drive_ + L"WINDOWS\\");

  for (const wchar_t* version : {L"win98", L"nt40", L"win2k", L"winxp", L"win7"}) {
    SCOPED_TRACE(drive::Narrow(version));
    if (LeftOutOnX64(version, "the folders of the family")) continue;
    const bool nt4 = std::wstring(version) == L"nt40", nine = std::wstring(version) == L"win98";
    const bool old = nt4 || nine;

    const std::wstring allUsersDesktop = nine ? desktop_ : commonDesktop;
    const std::wstring windows = nt4 ? drive_ + L"WINNT\\" : nine ? drive_ + L"WINDOWS\\" : windows_;
    const std::wstring systemFolder =
        nt4 ? drive_ + L"WINNT\\System32\\" : nine ? drive_ + L"WINDOWS\\System32\\" : system;
    const std::wstring programFiles = old ? drive_ + L"Program Files\\" : programFiles_;
    const std::wstring root = old ? drive_ : windows_.substr(0, 3);

    EXPECT_EQ(Probe(version, {L"<AllUsersDesktop>", L"<Windows>", L"<ProgramFiles>", L"<RootPartition>Tools\\Bin",
                              L"<System>", L"<Desktop>", L"<AllUsersStartPrograms>", L"<StartPrograms>",
                              L"<AllUsersStart>", L"<Start>", L"<AllUsersDocuments>", L"<Documents>",
                              L"<AllUsersQuickLaunch>", L"<QuickLaunch>", L"<Temp>", L"#10", L"#3", L"#0", L"#1"}),
              NarrowEach({allUsersDesktop, windows, programFiles, root + L"Tools\\Bin", systemFolder, desktop_,
                     nine ? programs : commonPrograms, programs, nine ? start : commonStart, start,
                     nine ? documents : commonDocuments, documents, (nine ? appData : commonAppData) + kQuickLaunch,
                     appData + kQuickLaunch, TempFolder(), allUsersDesktop, windows, programFiles, root}));
  }
}

TEST_F(Tokens, NamesAreFoundInAnyCaseAndJoinWithOneBackslash) {
  for (const wchar_t* version : {L"win7", L"nt40"}) {
    SCOPED_TRACE(drive::Narrow(version));
    if (LeftOutOnX64(version, "token names in any case")) continue;
    const std::wstring programFiles = std::wstring(version) == L"nt40" ? drive_ + L"Program Files\\" : programFiles_;
    EXPECT_EQ(Probe(version, {L"--name", L"Demo App", L"<PROGRAMFILES>", L"<programfiles>\\<PROGRAMNAME>",
                              L"<ProgramFiles>\\<ProgramName>\\Bin", L"<pRoGrAmFiLeS><programname>"}),
              NarrowEach({programFiles, programFiles + L"Demo App", programFiles + L"Demo App\\Bin",
                     programFiles + L"Demo App"}));
  }
  // Doubled backslashes are collapsed once, from the left: three become two.
  EXPECT_EQ(Probe(L"win7", {L"C:\\Data\\\\\\Three", L"C:\\\\\\\\Four"}), NarrowEach({L"C:\\Data\\\\Three", L"C:\\\\Four"}));
}

TEST_F(Tokens, UncInstallFolderKeepsItsLeadingBackslashes) {
  EXPECT_EQ(Probe(L"win7", {L"--install", L"\\\\server\\share\\Demo\\", L"<DefaultInstallPath>Bin\\App.exe", L"#2"}),
            NarrowEach({L"\\\\server\\share\\Demo\\Bin\\App.exe", L"\\\\server\\share\\Demo\\"}));
}

TEST_F(Tokens, TextVariablesAreReplacedOnlyByValues) {
  EXPECT_EQ(Probe(L"win7",
                  {
                      L"--name", L"Demo App", L"--version", L"1.0", L"--company", L"Tarn & Co", L"--website",
                      L"http://example.test/",
                      L"<ProgramName> <PROGRAMVERSION> by <companyname> (<CompanyWebsite>)",
                      // No e-mail: the variable stays, and the rest is still expanded.
                      L"Write to <SupportEmail> about <ProgramName>", L"<Unknown>\\<ProgramName>",
                      L"--email", L"help@example.test", L"Write to <SupportEmail> about <ProgramName>",
                      // A value that holds a token is expanded in a later pass.
                      L"--company", L"<ProgramFiles>Tarn", L"<CompanyName>\\Shared",
                      // A value that holds itself stays after the last pass.
                      L"--website", L"<CompanyWebsite>", L"Site: <CompanyWebsite>",
                  }),
            NarrowEach({L"Demo App 1.0 by Tarn & Co (http://example.test/)", L"Write to <SupportEmail> about Demo App",
                   L"<Unknown>\\Demo App", L"Write to help@example.test about Demo App",
                   programFiles_ + L"Tarn\\Shared", L"Site: <CompanyWebsite>"}));
}

TEST_F(Tokens, WizardMarkersAreReplacedEvenByEmptyValues) {
  EXPECT_EQ(Probe(L"win7", {L"--name", L"Demo App", L"--version", L"1.0",
                            L"@Welcome to $appname$ version $APPVERSION$ ($AppName$).", L"@<ProgramName> stays",
                            L"--version", L"", L"@$APPNAME$ v$APPVERSION$!"}),
            NarrowEach({L"Welcome to Demo App version 1.0 (Demo App).", L"<ProgramName> stays", L"Demo App v!"}));
}

TEST_F(Tokens, InstallFolderAndGroupAreKnownOnlyOnceSet) {
  const std::wstring group = ShellPath(CSIDL_COMMON_PROGRAMS) + L"Demo App";
  EXPECT_EQ(Probe(L"win7",
                  {
                      L"<DefaultInstallPath>Bin", L"#2", L"#17",
                      L"--install", L"<ProgramFiles>Demo App\\", L"<DefaultInstallPath>Bin", L"#2",
                      L"--group", group, L"#17", L"<DefaultStartMenuGroup>\\Readme.lnk",
                      L"--group", group + L"\\", L"#17", L"#18", L"#99", L"#-1",
                  }),
            NarrowEach({
                L"<DefaultInstallPath>Bin", L"<DefaultInstallPath>\\", L"<DefaultStartMenuGroup>\\",
                // The location folder takes one pass over the bare token only.
                programFiles_ + L"Demo App\\Bin", L"<ProgramFiles>Demo App\\",
                group + L"\\", group + L"\\Readme.lnk",
                group + L"\\", L"\\", L"\\", L"\\",
            }));
}

TEST_F(Tokens, PureBasicFolderComesFromTheRegisteredCommand) {
  struct Cleanup {
    Cleanup() { Run(); }
    ~Cleanup() { Run(); }
    static void Run() {
      RemoveCommand(HKEY_CLASSES_ROOT, kNtCommandKey);
      RemoveCommand(HKEY_LOCAL_MACHINE, kNineCommandKey);
    }
  } cleanup;
  const std::vector<std::wstring> texts = {L"<PureBasic>", L"<PureBasic>Examples\\", L"#5"};
  const std::vector<std::string> unresolved = NarrowEach({L"<PureBasic>", L"<PureBasic>Examples\\", L"<PureBasic>\\"});

  for (const wchar_t* version : {L"win98", L"win7"}) {
    if (!LeftOutOnX64(version, "an unregistered command")) {
      EXPECT_EQ(Probe(version, texts), unresolved) << "not registered";
    }
  }

  SetCommand(HKEY_CLASSES_ROOT, kNtCommandKey, L"\"C:\\Tools\\PB\\PureBasic.exe\" \"%1\"");
  for (const wchar_t* version : {L"nt40", L"win2k", L"winxp", L"win7"}) {
    if (!LeftOutOnX64(version, "the command under the classes root")) {
      EXPECT_EQ(Probe(version, texts), NarrowEach({L"C:\\Tools\\PB\\", L"C:\\Tools\\PB\\Examples\\", L"C:\\Tools\\PB\\"}))
          << drive::Narrow(version);
    }
  }
  // Windows 98 looks under the machine's classes instead. The folder part
  // ends at the last slash of either kind; a backslash is appended unless
  // it ends with one.
  const bool nine = !LeftOutOnX64(L"win98", "the command under the machine's classes");
  if (nine) {
    EXPECT_EQ(Probe(L"win98", texts), unresolved);
  }
  SetCommand(HKEY_LOCAL_MACHINE, kNineCommandKey, L"\"D:/Old/PB/PureBasic.exe\" %1");
  if (nine) {
    EXPECT_EQ(Probe(L"win98", texts), NarrowEach({L"D:/Old/PB/\\", L"D:/Old/PB/\\Examples\\", L"D:/Old/PB/\\"}));
  }
  EXPECT_EQ(Probe(L"win7", {L"<PureBasic>"}), NarrowEach({L"C:\\Tools\\PB\\"}));

  // A command without a quoted program gives a lone backslash.
  SetCommand(HKEY_CLASSES_ROOT, kNtCommandKey, L"PureBasic.exe %1");
  EXPECT_EQ(Probe(L"win7", texts), NarrowEach({L"\\", L"\\Examples\\", L"\\"}));

  // The command is read into 522 bytes: 260 characters and the terminator fit, one more does not.
  const std::wstring fits = L"C:\\" + std::wstring(236, L'L') + L"\\";
  const std::wstring longer = L"C:\\" + std::wstring(237, L'L') + L"\\";
  SetCommand(HKEY_CLASSES_ROOT, kNtCommandKey, L"\"" + fits + L"PureBasic.exe\" \"%1\"");
  EXPECT_EQ(Probe(L"win7", {L"#5"}), NarrowEach({fits}));
  SetCommand(HKEY_CLASSES_ROOT, kNtCommandKey, L"\"" + longer + L"PureBasic.exe\" \"%1\"");
  EXPECT_EQ(Probe(L"win7", {L"#5"}), NarrowEach({L"<PureBasic>\\"}));
}
