// The wizard from the keyboard alone, texts shown as written, a window that
// keeps answering while the installation waits or works, and a download
// that is cancelled without leaving anything behind.
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"
#include "tests/ops/download_server.h"
#include "tools/tarnpack/builder.h"

using drive::Icon;

namespace {

constexpr int kCancel = 0, kNext = 1, kPrevious = 2, kFinish = 5;
constexpr int kLicenseBox = 52, kLicenseText = 53, kDestination = 153, kBrowse = 154, kGroupList = 206;
constexpr int kOptions = 303;
const char P[] = "\xC2\xB6";

// Answers the wizard's own Yes/No question from the keyboard: Tab moves to
// No, Enter presses it; or Enter alone presses Yes.
void AnswerWithKeys(const drive::Process& p, bool yes) {
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr);
  if (!yes) {
    ASSERT_TRUE(drive::PressKey(box.window, VK_TAB));
  }
  ASSERT_TRUE(drive::PressKey(box.window, VK_RETURN));
  ASSERT_TRUE(drive::WaitGone(box.window));
}

}  // namespace

class Responsive : public DemoInstallTest {
 protected:
  void TearDown() override {
    CleanUp({L"run_probe.exe"}, {{HKEY_CURRENT_USER, L"Software\\TarnCancel"}, {HKEY_CLASSES_ROOT, L".tarncancel"}});
    DemoInstallTest::TearDown();
  }

  // The name a screen reader gives a control: a button's or check box's own
  // text, else the text of the label before it (the nearest earlier
  // control with a text, pictures skipped).
  std::string AccessibleName(HWND w, int id) {
    HWND c = drive::Control(w, id);
    if (!c) return "";
    const LONG style = GetWindowLongW(c, GWL_STYLE);
    if (drive::ClassName(c) == L"Button" && (style & BS_TYPEMASK) != BS_GROUPBOX) return Narrow(drive::Text(w, id));
    for (HWND prev = GetWindow(c, GW_HWNDPREV); prev; prev = GetWindow(prev, GW_HWNDPREV)) {
      const LONG s = GetWindowLongW(prev, GWL_STYLE);
      if (drive::ClassName(prev) == L"Static" && ((s & SS_TYPEMASK) == SS_ICON || (s & SS_TYPEMASK) == SS_BITMAP))
        continue;
      wchar_t text[256] = {};
      GetWindowTextW(prev, text, 256);
      return Narrow(text);
    }
    return "";
  }

  // Tab from control `from` until the focus comes back to it: the order
  // the focus took.
  std::vector<int> TabRound(HWND w, int from, bool backwards = false) {
    std::vector<int> order;
    EXPECT_TRUE(drive::WaitFocus(w, from)) << "focus on " << drive::FocusedId(w);
    for (int i = 0; i < 12; ++i) {
      const int before = drive::FocusedId(w);
      if (!drive::PressKey(w, VK_TAB, backwards)) break;
      if (!drive::WaitUntil([&] { return drive::FocusedId(w) != before; }, 5000)) break;
      order.push_back(drive::FocusedId(w));
      if (order.back() == from) break;
    }
    return order;
  }
};

// From the language window to Finish with keys alone: Enter presses the
// default button (or the focused push button), Tab and Shift+Tab walk the
// page's controls and the buttons in reading order, Space ticks, Escape
// presses Cancel and nothing where Cancel is off.
TEST_F(Responsive, EveryPageFromTheKeyboard) {
  Write(L"info\\Resources\\License.txt", "Terms & conditions.");
  // The licence box's text, with an "&", from the language files.
  for (const wchar_t* language : {L"English", L"German"}) {
    std::string ini = ReadFileBytes(BinFolder() + L"data\\languages\\" + language + L".ini");
    const size_t at = ini.find("\nKey31 = ");
    ASSERT_NE(at, std::string::npos);
    ini.replace(at + 9, ini.find('\r', at + 1) - at - 9, "I accept & agree");
    Write(L"info\\Languages\\" + std::wstring(language) + L".ini", ini);
  }
  WriteScript(DemoApp(dest_, "CompanyName = Tarn & Co\r\n", "AutoCreateStartMenu = 1\r\nCreateInternetLink = 0\r\n",
                      "Later = RUN" + std::string(P) + "0" + P + "0" + P + "0" + P + "<DefaultInstallPath>App.exe" + P +
                          P + "Start & go\r\n")
                  .Section("FilesAndSettings", "RequireLicense = 1\r\n"));
  // The information folder brings two languages: the language window comes first.
  drive::Process p = Launch(Build());
  HWND languages = drive::WaitWindow(p, L"Language selection");
  ASSERT_NE(languages, nullptr);
  ASSERT_TRUE(drive::PressKey(languages, VK_RETURN));  // OK, English preselected

  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  // Escape asks the Cancel question; No goes on.
  ASSERT_TRUE(drive::PressKey(w, VK_ESCAPE));
  AnswerWithKeys(p, false);
  ASSERT_TRUE(drive::PressKey(w, VK_RETURN));
  ASSERT_SOON(ShownPage(w) == 1);

  // The licence page: the text, the box, Previous, Cancel (Next is off).
  EXPECT_EQ(TabRound(w, kLicenseText), (std::vector<int>{kLicenseBox, kPrevious, kCancel, kLicenseText}));
  EXPECT_EQ(TabRound(w, kLicenseText, true), (std::vector<int>{kCancel, kPrevious, kLicenseBox, kLicenseText}));
  // Every control the keyboard reaches has a name for a screen reader.
  for (int id : {kLicenseText, kLicenseBox, kPrevious, kCancel})
    EXPECT_FALSE(AccessibleName(w, id).empty()) << "control " << id << " has no name";
  EXPECT_EQ(AccessibleName(w, kLicenseText), "License Agreement");
  // The box's text keeps its "&" (doubled for a button, shown once).
  EXPECT_EQ(Narrow(drive::Text(w, kLicenseBox)), "I accept && agree");
  ASSERT_TRUE(drive::PressKey(w, VK_TAB));
  ASSERT_TRUE(drive::WaitFocus(w, kLicenseBox));
  ASSERT_TRUE(drive::PressKey(w, VK_SPACE));
  ASSERT_SOON(drive::Checked(w, kLicenseBox) && drive::Enabled(w, kNext));
  ASSERT_TRUE(drive::PressKey(w, VK_RETURN));
  ASSERT_SOON(ShownPage(w) == 3);

  // The destination page: the field, Browse, then the buttons.
  ASSERT_TRUE(drive::WaitFocus(w, kDestination) || drive::PressKey(w, VK_TAB));
  EXPECT_EQ(TabRound(w, kDestination), (std::vector<int>{kBrowse, kPrevious, kNext, kCancel, kDestination}));
  EXPECT_EQ(AccessibleName(w, kDestination), "Destination directory");
  EXPECT_FALSE(AccessibleName(w, kBrowse).empty());
  ASSERT_TRUE(drive::PressKey(w, VK_RETURN));  // from the field: the default button, Next
  ASSERT_SOON(ShownPage(w) == 4);
  EXPECT_FALSE(AccessibleName(w, kGroupList).empty());
  ASSERT_TRUE(drive::PressKey(w, VK_RETURN));  // the installation starts

  ASSERT_TRUE(WaitFinishPage(w));
  // No Cancel on the finish page: Escape does nothing, and Enter still works.
  ASSERT_TRUE(drive::PressKey(w, VK_ESCAPE));
  ASSERT_TRUE(drive::WaitFocus(w, kOptions) || drive::PressKey(w, VK_TAB));
  ASSERT_TRUE(drive::WaitFocus(w, kOptions));
  // Space clears the one option (the RUN line), so that nothing runs.
  ASSERT_EQ(drive::TreeTicks(w, kOptions), std::vector<bool>{true});
  EXPECT_FALSE(AccessibleName(w, kOptions).empty());
  ASSERT_TRUE(drive::PressKey(w, VK_SPACE));
  ASSERT_SOON(drive::TreeTicks(w, kOptions) == std::vector<bool>{false});
  ASSERT_TRUE(drive::PressKey(w, VK_RETURN));
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(FileExists(dest_ + L"Uninst0.exe"));
  EXPECT_TRUE(ProcessesNamed(L"App.exe").empty());
}

// Texts from the script and the language file are shown as written: "&"
// is no mnemonic in static texts.
TEST_F(Responsive, TextsKeepTheirAmpersands) {
  WriteScript(DemoApp(dest_, "Website = http://tarn.example/?a=1&b=2\r\n"));
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  for (int id : {13, 15, 4}) {  // the welcome page's title and text, the website link
    HWND control = drive::Control(w, id);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX) << id;
  }
  EXPECT_EQ(Narrow(drive::Text(w, 4)), "http://tarn.example/?a=1&b=2");
  ASSERT_TRUE(drive::PressKey(w, VK_ESCAPE));
  AnswerWithKeys(p, true);
  EXPECT_EQ(p.WaitExit(), 0u);
}

// While a RUN task waits for its program, the window answers well within
// the five seconds after which Windows calls it "Not Responding"; so it does
// while one large file is unpacked. (A busy build machine may take a
// second or two to schedule it.)
TEST_F(Responsive, TheWindowAnswersWhileTheInstallationWaitsOrWorks) {
  CopyHelper(L"run_probe.exe", Dir() + L"payload\\probe.exe");
  Write(L"payload\\probe.hold", "");
  // 128 MB of zeros: a small archive, an unpacking long enough to ask the
  // window a few times while the file grows.
  constexpr long long kBig = 128ll << 20;
  {
    HANDLE f = CreateFileW((Dir() + L"payload\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = kBig;
    SetFilePointerEx(f, size, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
  }
  WriteScript(DemoApp(dest_, "", "",
                      "Wait = RUN" + std::string(P) + "1" + P + "1" + P + "1" + P + "<DefaultInstallPath>probe.exe\r\n"));
  drive::Process p = Launch(Build());
  HWND w = StartInstallation(p);
  ASSERT_NE(w, nullptr);

  // Unpacking: answered while the big file is still growing.
  auto answers = [&] {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 4000, &r) != 0;
  };
  auto size = [&] {
    WIN32_FILE_ATTRIBUTE_DATA a = {};
    if (!GetFileAttributesExW((dest_ + L"big.bin").c_str(), GetFileExInfoStandard, &a)) return -1ll;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
  };
  int answeredMidway = 0;
  for (int i = 0; i < 5000 && answeredMidway < 3; ++i) {
    const long long before = size();
    if (before <= 0 || before >= (kBig)) {
      if (before >= kBig) break;
      Sleep(1);
      continue;
    }
    ASSERT_TRUE(answers()) << "the window did not answer while a file was unpacked";
    if (size() < kBig) ++answeredMidway;
  }
  EXPECT_GT(answeredMidway, 0) << "the unpacking ended before the window could be asked";

  // The RUN task: the probe runs, held, and the installer waits for it.
  ASSERT_TRUE(drive::WaitUntil([&] { return FileExists(dest_ + L"probe.txt"); }, 60000));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(answers()) << "the window did not answer while the task waited";
  EXPECT_FALSE(drive::Visible(w, kFinish)) << "the installation did not wait for the program";
  Write(L"dest\\probe.go", "");
  ASSERT_TRUE(WaitFinishPage(w));
  PressFinish(w, p);
}

// A download may be cancelled: the transfer stops, its part file goes, and
// the rollback takes the installation away with the install folder; a file
// and a folder the tasks before it removed come back with their attributes,
// and what they changed in the registry comes back as it was: a text value
// overwritten by a number, a deleted key, an extension's class.
TEST_F(Responsive, ACancelledDownloadLeavesNothing) {
  Write(L"mine\\gone.txt", "gone");
  Write(L"mine\\tree\\ro.txt", "ro");
  Write(L"mine\\tree\\sub\\s.txt", "s");
  SetFileAttributesW((Dir() + L"mine\\gone.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW((Dir() + L"mine\\tree\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::set<std::string> mine = Tree(Dir() + L"mine\\");
  const DWORD gone = GetFileAttributesW((Dir() + L"mine\\gone.txt").c_str());
  const DWORD readOnly = GetFileAttributesW((Dir() + L"mine\\tree\\ro.txt").c_str());
  SetText(HKEY_CURRENT_USER, L"Software\\TarnCancel", L"v", L"old");
  SetText(HKEY_CURRENT_USER, L"Software\\TarnCancel\\gone", L"", L"kept");
  SetText(HKEY_CLASSES_ROOT, L".tarncancel", L"", L"previous");
  DownloadServer server;
  ASSERT_TRUE(server.listening());
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Reply held;
  held.body = NoiseBytes(256 * 1024, 5);
  held.holdAfter = 64 * 1024;
  held.release = release;
  server.Serve("/big.bin", held);
  WriteScript(DemoApp(dest_, "", "",
                      "Gone = DELETEFILE" + std::string(P) + Narrow(Dir()) + "mine\\gone.txt\r\nTree = DELETEFOLDER" +
                             P + Narrow(Dir()) + "mine\\tree\\" + P + "1" + P + "1\r\n" +
                             "Value = REGADDVALUE" + P + "HKCU" + P + "v" + P + "7" + P +
                             "Software\\TarnCancel" + P + "REG_DWORD\r\nGoneKey = REGDELKEY" + P + "HKCU" + P + P + P +
                             "Software\\TarnCancel\\gone\r\nFiles = ASSOCIATEEXTENSION" + P + "tarncancel" + P +
                             "Cancel File" + P + "<DefaultInstallPath>App.exe" + P + "0\r\nFetch = DOWNLOADFILE" + P +
                             Narrow(server.Url("/big.bin")) + P + "<DefaultInstallPath>big.bin\r\n"));
  drive::Process p = Launch(Build());
  HWND w = StartInstallation(p);
  ASSERT_NE(w, nullptr);
  // The download asks first (its address box); then it fetches, held by the
  // server after the first part: Cancel is offered meanwhile.
  drive::MessageBoxInfo box = drive::WaitMessageBox(p, 60000);
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(Narrow(box.text), Narrow(server.Url("/big.bin")));
  ASSERT_TRUE(drive::Answer(box, IDOK));
  ASSERT_SOON(drive::Enabled(w, kCancel));
  ASSERT_TRUE(drive::ClickLater(w, kCancel));
  SetEvent(release);  // the next block's progress report takes the click
  EXPECT_MESSAGE(p, kConfirmTitle, kConfirmQuit, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
  CloseHandle(release);
  EXPECT_FALSE(Exists(dest_)) << "the install folder (and a part file in it) was left";
  EXPECT_TRUE(NewWorkFolders().empty());
  EXPECT_EQ(Tree(Dir() + L"mine\\"), mine);
  EXPECT_EQ(GetFileAttributesW((Dir() + L"mine\\gone.txt").c_str()), gone);
  EXPECT_EQ(GetFileAttributesW((Dir() + L"mine\\tree\\ro.txt").c_str()), readOnly);
  SetFileAttributesW((Dir() + L"mine\\tree\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetText(HKEY_CURRENT_USER, L"Software\\TarnCancel", L"v"), L"old");
  EXPECT_EQ(GetText(HKEY_CURRENT_USER, L"Software\\TarnCancel\\gone", L""), L"kept");
  EXPECT_EQ(GetText(HKEY_CLASSES_ROOT, L".tarncancel", L""), L"previous");
}
