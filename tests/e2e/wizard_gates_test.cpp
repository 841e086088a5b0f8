// What the wizard checks before its window opens: the script's permission
// for this Windows version, the .NET Framework it requires (and the web page
// it then opens), the documents and bitmaps it must be able to read, and
// the window itself.
#include <shlobj.h>

#include <vector>

#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "wizard/controls.h"

using drive::Icon;

namespace {

// <Windows>\Microsoft.NET\Framework\ with only the folders a test puts
// there; whatever was there before is set aside and put back afterwards.
class FrameworkFolder {
 public:
  FrameworkFolder() {
    net_ = ShellPath(CSIDL_WINDOWS) + L"Microsoft.NET";
    framework_ = net_ + L"\\Framework";
    createdNet_ = !FolderExists(net_);
    if (FolderExists(framework_)) {
      kept_ = net_ + L"\\Framework.kept-during-wizard-test";
      RemoveTree(kept_);
      MoveFileW(framework_.c_str(), kept_.c_str());
    }
    CreateDirectoryW(net_.c_str(), nullptr);
    CreateDirectoryW(framework_.c_str(), nullptr);
  }
  ~FrameworkFolder() {
    RemoveTree(framework_);
    if (!kept_.empty()) MoveFileW(kept_.c_str(), framework_.c_str());
    if (createdNet_) RemoveTree(net_);
  }
  void AddFolder(const std::wstring& name) { CreateDirectoryW((framework_ + L"\\" + name).c_str(), nullptr); }
  void AddFile(const std::wstring& name) {
    HANDLE f = CreateFileW((framework_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(f);
  }

 private:
  std::wstring net_, framework_, kept_;
  bool createdNet_ = false;
};

// The shell's command for web addresses, pointed at a recorder for the
// length of a test.
class WebAddressHandler {
 public:
  explicit WebAddressHandler(const std::wstring& program) {
    SetText(HKEY_CLASSES_ROOT, kKey, L"", L"\"" + program + L"\" \"%1\"");
  }

 private:
  static constexpr const wchar_t* kKey = L"http\\shell\\open\\command";
  RestoredDefault restored_{HKEY_CLASSES_ROOT, kKey};
};

}  // namespace

class WizardGates : public WizardTest {
 protected:
  void Script(const std::string& general, const std::string& more = "") {
    WriteScript(ScriptText("Demo App", "1.0", false).Add(general + more));
  }

  // The package stops before its wizard with this message, leaving nothing.
  void ExpectRefused(const std::wstring& package, const std::wstring& text) {
    drive::Process p = Launch(package);
    // A message box or, wrongly, the wizard.
    HWND wizard = nullptr;
    drive::WaitUntil([&] {
      for (HWND h : drive::WindowsOf(p.pid())) {
        if (drive::ClassName(h) == L"#32770") return true;
        if (drive::Title(h) == kDemoTitle) wizard = h;
      }
      return wizard || !p.Running();
    }, 15000);
    if (wizard) {
      ADD_FAILURE() << drive::Narrow(package) << " was not refused";
      CancelWizard(p, wizard);
      return;
    }
    drive::MessageBoxInfo box = drive::WaitMessageBox(p);
    ASSERT_NE(box.window, nullptr) << "no message from " << drive::Narrow(package);
    for (HWND h : drive::WindowsOf(p.pid()))
      EXPECT_EQ(drive::ClassName(h), L"#32770") << "a window beside the message: " << drive::Narrow(drive::Title(h));
    EXPECT_EQ(drive::Narrow(box.title), drive::Narrow(T(0)));
    EXPECT_EQ(drive::Narrow(box.text), drive::Narrow(text));
    EXPECT_STREQ(drive::IconName(box.icon), drive::IconName(Icon::kError));
    EXPECT_TRUE(drive::Answer(box, IDOK));
    EXPECT_EQ(p.WaitExit(), 0u);
    EXPECT_TRUE(NewWorkFolders().empty());
  }

  // The package gets as far as its wizard; cancelled there.
  void ExpectWizard(const std::wstring& package) {
    drive::Process p = Launch(package);
    HWND w = drive::WaitWindow(p, kDemoTitle);
    if (!w) {
      drive::MessageBoxInfo box = drive::WaitMessageBox(p);
      ADD_FAILURE() << "no wizard for " << drive::Narrow(package) << ": " << drive::Narrow(box.text);
      if (box.window) drive::Answer(box, IDOK);
      p.WaitExit();
      return;
    }
    CancelAndConfirm(p, w);
  }
};

TEST_F(WizardGates, PermissionFlagRefusesOnlyItsOwnSystem) {
  ASSERT_FALSE(T(5).empty()) << "cannot read the English language file";
  const struct {
    const char* flags;
    const wchar_t* package;
    const wchar_t* version;
    bool refused;
  } cases[] = {
      {"W2K = 0\r\n", L"w2k_off.exe", L"win2k", true},
      {"W2K = 0\r\n", L"w2k_off.exe", L"winxp", false},
      // Only exactly "0" refuses.
      {"W2K = no\r\nWXP = 00\r\n", L"w2k_no.exe", L"win2k", false},
      {"W2K = no\r\nWXP = 00\r\n", L"w2k_no.exe", L"winxp", false},
      {"WXP = 0\r\n", L"wxp_off.exe", L"winxp", true},
      {"WXP = 0\r\n", L"wxp_off.exe", L"win2k", false},
  };
  for (const auto& c : cases) {
    const std::string what = std::string(c.flags, std::string(c.flags).find('\r')) + (c.refused ? " refusing" : " allowing");
    SCOPED_TRACE(what + " under " + drive::Narrow(c.version));
    if (LeftOutOnX64(c.version, what)) continue;
    Script(c.flags);
    const std::wstring package = Build(c.package);
    AppSettings settings(c.package);
    settings.Version(c.version);
    if (c.refused) ExpectRefused(package, T(5));
    else ExpectWizard(package);
  }
}

// Each permission flag guards its own systems; version 6 server systems are
// never refused by them. Windows 8 and 10 report version 6.2 to a program
// that does not declare them in its manifest, so "WV" covers them. (Wine
// reports its "win7" as a server product, so Windows 7 is not among the
// cases.)
TEST_F(WizardGates, EveryPermissionFlagGuardsItsOwnSystems) {
  const struct {
    const char* flag;
    std::vector<const wchar_t*> refused;
    const wchar_t* allowed;
  } cases[] = {
      {"WNT", {L"nt40"}, L"win2k"},          {"W98", {L"win98"}, L"winme"},
      {"WME", {L"winme"}, L"win98"},         {"W2K", {L"win2k"}, L"nt40"},
      {"WXP", {L"winxp"}, L"win2003"},       {"WV", {L"win2003", L"vista", L"win8", L"win10"}, L"winxp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flag);
    Script(std::string(c.flag) + " = 0\r\n");
    const std::wstring name = L"flag_" + Widen(c.flag) + L".exe";
    const std::wstring package = Build(name);
    AppSettings settings(name);
    for (const wchar_t* version : c.refused) {
      SCOPED_TRACE(drive::Narrow(version));
      if (LeftOutOnX64(version, std::string(c.flag) + " = 0 refusing")) continue;
      settings.Version(version);
      ExpectRefused(package, T(5));
    }
    if (LeftOutOnX64(c.allowed, std::string(c.flag) + " = 0 allowing")) continue;
    settings.Version(c.allowed);
    ExpectWizard(package);
  }
  Script("WNT = 0\r\nW98 = 0\r\nWME = 0\r\nW2K = 0\r\nWXP = 0\r\nWV = 0\r\n");
  const std::wstring all = Build(L"flags_all.exe");
  AppSettings settings(L"flags_all.exe");
  settings.Version(L"win2008");
  ExpectWizard(all);
}

// The framework version counts as installed when a folder of the Framework
// folder names it (characters 2 to 4 of the folder's name).
TEST_F(WizardGates, FrameworkVersionIsLookedUpInTheFrameworkFolder) {
  ASSERT_FALSE(T(6).empty()) << "cannot read the English language file";
  FrameworkFolder framework;
  framework.AddFolder(L"v1.1.4322");
  framework.AddFolder(L"v4.0.30319");
  framework.AddFile(L"v2.0.50727");  // a file, not a folder

  Script("DotNet = 3\r\n");
  const std::wstring two = Build(L"net20.exe");
  ExpectRefused(two, T(6) + L" 2.0.");
  Script("DotNet = 5\r\n");
  ExpectRefused(Build(L"net35.exe"), T(6) + L" 3.5.");
  Script("DotNet = 1\r\n");
  ExpectRefused(Build(L"net10.exe"), T(6) + L" 1.0.");
  // Versions that are there, and values that ask for nothing.
  Script("DotNet = 2\r\n");
  ExpectWizard(Build(L"net11.exe"));
  Script("DotNet = 6\r\n");
  ExpectWizard(Build(L"net6.exe"));
  Script("DotNet = 03\r\n");
  ExpectWizard(Build(L"net03.exe"));

  // The system's permission is checked first, the documents after the
  // framework.
  Script("DotNet = 3\r\nWXP = 0\r\n");
  const std::wstring both = Build(L"net_and_xp.exe");
  {
    AppSettings settings(L"net_and_xp.exe");
    settings.Version(L"winxp");
    ExpectRefused(both, T(5));
  }
  Script("DotNet = 3\r\n", "[FilesAndSettings]\r\nRequireLicense = 1\r\n");
  ExpectRefused(Build(L"net_no_license.exe"), T(6) + L" 2.0.");

  DeleteFileW((ShellPath(CSIDL_WINDOWS) + L"Microsoft.NET\\Framework\\v2.0.50727").c_str());
  framework.AddFolder(L"v2.0.50727");
  ExpectWizard(two);
}

// The dependency page: a bare host name is opened with "http://" in front,
// an address with its scheme as it is, "HTTP://" alone not at all.
TEST_F(WizardGates, DependencyPageOpensThroughTheShell) {
  FrameworkFolder framework;
  framework.AddFolder(L"v1.1.4322");
  const std::wstring recorder = Recorder(L"browser.exe");
  const std::wstring log = recorder + L".log";
  WebAddressHandler handler(recorder);
  // The recorder has written its whole note.
  auto noted = [&] { return ReadFileBytes(log).find('\n') != std::string::npos; };

  Script("DotNet = 3\r\nRunIfDepNotFound = www.example.test\r\n");
  ExpectRefused(Build(L"bare.exe"), T(6) + L" 2.0.");
  ASSERT_TRUE(drive::WaitUntil(noted)) << "no web page was opened";
  std::wstring opened = Widen(ReadFileBytes(log));
  EXPECT_NE(opened.find(L"\"http://www.example.test\""), std::wstring::npos) << drive::Narrow(opened);
  DeleteFileW(log.c_str());

  Script("DotNet = 3\r\nRunIfDepNotFound = HTTP://www.example.test/runtime\r\n");
  ExpectRefused(Build(L"full.exe"), T(6) + L" 2.0.");
  ASSERT_TRUE(drive::WaitUntil(noted)) << "no web page was opened";
  opened = Widen(ReadFileBytes(log));
  EXPECT_NE(opened.find(L"\"HTTP://www.example.test/runtime\""), std::wstring::npos) << drive::Narrow(opened);
  DeleteFileW(log.c_str());

  Script("DotNet = 3\r\nRunIfDepNotFound = HTTP://\r\n");
  ExpectRefused(Build(L"scheme.exe"), T(6) + L" 2.0.");
  // The run has ended: a handler it had started would still run or would
  // have written its note.
  EXPECT_TRUE(NeverStarted(L"browser.exe", log)) << drive::Narrow(Widen(ReadFileBytes(log)));

  // The wizard's website link goes the same way.
  Script("Website = http://www.example.test/home\r\n");
  drive::Process p = Launch(Build(L"link.exe"));
  HWND w = drive::WaitWindow(p, kDemoTitle);
  ASSERT_NE(w, nullptr);
  // A click with the mouse: the link is a label, not a button. Mouse input
  // comes through the program's queue.
  HWND link = drive::Control(w, kWebsiteLink);
  ASSERT_TRUE(link && IsWindowVisible(link));
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(drive::WaitUntil(noted)) << "the website was not opened";
  opened = Widen(ReadFileBytes(log));
  EXPECT_NE(opened.find(L"\"http://www.example.test/home\""), std::wstring::npos) << drive::Narrow(opened);
  EXPECT_TRUE(p.Running());
  CancelWizard(p, w);
}

// Documents and bitmaps the wizard cannot read stop it with their own
// message before the window opens.
TEST_F(WizardGates, UnreadableDocumentsAndBitmapsAreReported) {
  ASSERT_FALSE(T(10).empty()) << "cannot read the English language file";
  Script("", "[FilesAndSettings]\r\nRequireLicense = 1\r\n");
  ExpectRefused(Build(L"no_license.exe"), T(10));
  Script("", "[FilesAndSettings]\r\nRequireReadme = 1\r\n");
  ExpectRefused(Build(L"no_readme.exe"), T(8));

  Script("");
  Write(L"info\\Resources\\WizBitmap.bmp", "This is not a bitmap.\r\n");
  ExpectRefused(Build(L"bad_wizard_bitmap.exe"), T(11));
  DeleteFileW((Dir() + L"info\\Resources\\WizBitmap.bmp").c_str());
  Write(L"info\\Resources\\HeadBitmap.bmp", "BM but not a bitmap either.\r\n");
  ExpectRefused(Build(L"bad_header_bitmap.exe"), T(12));
  DeleteFileW((Dir() + L"info\\Resources\\HeadBitmap.bmp").c_str());

  // The read-me is read before the licence, both before the bitmaps.
  Script("", "[FilesAndSettings]\r\nRequireLicense = 1\r\nRequireReadme = 1\r\n");
  ExpectRefused(Build(L"neither.exe"), T(8));
  Write(L"info\\Resources\\ReadMe.txt", "Read me.");
  Write(L"info\\Resources\\WizBitmap.bmp", "This is not a bitmap.\r\n");
  ExpectRefused(Build(L"no_license_bad_bitmap.exe"), T(10));
  DeleteFileW((Dir() + L"info\\Resources\\WizBitmap.bmp").c_str());

  // With everything in place the same package opens.
  Write(L"info\\Resources\\License.txt", "Licence terms.");
  Script("", "[FilesAndSettings]\r\nRequireLicense = 1\r\n");
  ExpectWizard(Build(L"whole.exe"));
}

// Without a rich-text control the window cannot be built: the run ends with
// the wizard's own message.
TEST_F(WizardGates, WindowThatCannotBeBuiltIsReported) {
  Script("");
  const std::wstring package = Build(L"no_rich_text.exe");
  AppSettings settings(L"no_rich_text.exe");
  settings.WithoutDll(L"riched20");
  settings.WithoutDll(L"riched32");
  ExpectRefused(package,
                L"The installation wizard could not be opened. Please restart your PC and run this installer again.");
}
