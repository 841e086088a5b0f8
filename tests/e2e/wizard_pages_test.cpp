// The wizard's pages as a person meets them: which page follows which, the
// licence box, the Start-menu page, the destination field, the close box,
// the website link, every text against the English language file, the
// headers, the look, and the documents on the licence and read-me pages.
#include <richedit.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tests/driver/package_fixture.h"
#include "tests/driver/screen.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"
#include "wizard/controls.h"

using drive::Icon;

namespace {

std::wstring ReplaceAll(std::wstring s, const std::wstring& what, const std::wstring& with) {
  for (size_t at = s.find(what); at != std::wstring::npos; at = s.find(what, at + with.size()))
    s.replace(at, what.size(), with);
  return s;
}

// The English texts the wizard shows on its buttons, in its questions and
// on the destination page.
const wchar_t kAvailable[] = L"Available space:";
const wchar_t kWarning[] = L"Warning";
const wchar_t kNoPath[] = L"Please select a path for the program!";
const wchar_t kBrowseTitle[] = L"Browse for folder";

bool MessageBoxShown(const drive::Process& p) {
  for (HWND h : drive::WindowsOf(p.pid()))
    if (drive::ClassName(h) == L"#32770") return true;
  return false;
}

// Chooses an entry of a list box with the mouse; the clicks go through the
// program's queue as a person's do.
bool ClickListEntry(HWND w, int id, int index) {
  HWND list = drive::Control(w, id);
  if (!list || !IsWindowVisible(list) || !IsWindowEnabled(list)) return false;
  DWORD_PTR top = 0, height = 0;
  SendMessageTimeoutW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 5000, &top);
  SendMessageTimeoutW(list, LB_GETTOPINDEX, 0, 0, SMTO_NORMAL, 5000, &top);
  SendMessageTimeoutW(list, LB_GETITEMHEIGHT, 0, 0, SMTO_NORMAL, 5000, &height);
  const int y = (index - static_cast<int>(top)) * static_cast<int>(height) + static_cast<int>(height) / 2;
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, y));
  PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(6, y));
  return true;
}

// Whether the characters from..to of a rich-text control are bold; the
// format is read through memory in the control's own process.
bool Bold(HWND w, int id, int from, int to) {
  HWND edit = drive::Control(w, id);
  DWORD pid = 0;
  GetWindowThreadProcessId(edit, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return false;
  CHARFORMAT2W format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_BOLD;
  void* remote = VirtualAllocEx(process, nullptr, sizeof format, MEM_COMMIT, PAGE_READWRITE);
  bool bold = false;
  if (remote) {
    DWORD_PTR r = 0;
    WriteProcessMemory(process, remote, &format, sizeof format, nullptr);
    SendMessageTimeoutW(edit, EM_SETSEL, from, to, SMTO_NORMAL, 5000, &r);
    SendMessageTimeoutW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000,
                        &r);
    ReadProcessMemory(process, remote, &format, sizeof format, nullptr);
    SendMessageTimeoutW(edit, EM_SETSEL, 0, 0, SMTO_NORMAL, 5000, &r);
    bold = (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return bold;
}

void SetFieldText(HWND w, int id, const std::wstring& text) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(drive::Control(w, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                      &r);
}

std::wstring ControlText(HWND w, int id) {
  std::wstring s = drive::Text(w, id);
  while (!s.empty() && (s.back() == L'\r' || s.back() == L'\n')) s.pop_back();
  return s;
}

RECT Rect(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

// A rectangle in 1/96 inch at a DPI, and whether two agree within a pixel.
RECT AtDpi(const RECT& r, int dpi) {
  return Rect(MulDiv(r.left, dpi, 96), MulDiv(r.top, dpi, 96), MulDiv(r.right - r.left, dpi, 96),
              MulDiv(r.bottom - r.top, dpi, 96));
}
bool WithinAPixel(const RECT& a, const RECT& b) {
  return std::abs(a.left - b.left) <= 1 && std::abs(a.top - b.top) <= 1 &&
         std::abs((a.right - a.left) - (b.right - b.left)) <= 1 && std::abs((a.bottom - a.top) - (b.bottom - b.top)) <= 1;
}

std::string Describe(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "(%ld, %ld) %ld x %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return buf;
}

// What a header shows in its text area: pixels of the text colour red and
// dark (black) pixels, and the rightmost column of red in each text line.
struct HeaderInk {
  int red = 0, dark = 0;
  int lastRedColumn[2] = {-1, -1};
};

HeaderInk ReadHeader(HWND w, int id) {
  HeaderInk ink;
  HWND header = drive::Control(w, id);
  RECT r;
  GetWindowRect(header, &r);
  // The text lines start at x 10 and y 11 and 32; the emblem of the
  // default header lies at the far right.
  RECT area = {r.left, r.top, r.left + 420, r.top + 56};
  drive::Pixels px = drive::Capture(area);
  for (int y = 8; y < px.height; ++y) {
    for (int x = 0; x < px.width; ++x) {
      COLORREF c = px.At(x, y);
      int R = GetRValue(c), G = GetGValue(c), B = GetBValue(c);
      if (R >= 190 && G <= 90 && B <= 90) {
        ++ink.red;
        int line = y < 31 ? 0 : 1;
        if (x > ink.lastRedColumn[line]) ink.lastRedColumn[line] = x;
      }
      if (R < 90 && G < 90 && B < 90) ++ink.dark;
    }
  }
  return ink;
}

// The width of a header line in the font the wizard draws it with.
int HeaderTextWidth(const std::wstring& text, int points, int weight, DWORD quality) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return size.cx;
}

}  // namespace

class WizardPages : public WizardTest {
 protected:
  void TearDown() override {
    // What an installation leaves outside the test's folder.
    CleanUp({}, {{HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App"}}, {CommonPrograms() + L"Demo App"});
    for (const std::wstring& group : extraGroups_) CleanUp({}, {}, {group});
    PackageTest::TearDown();
  }

  // A script without a byte-order mark for a program 1.0 installing below
  // the test's folder, with further lines for [FilesAndSettings] and [iConfig].
  void Script(const std::string& filesAndSettings, const std::string& iConfig, const std::string& general = "",
              const std::string& name = "Demo App", const std::string& version = "1.0") {
    WriteScript(ScriptText(name, version, false)
                    .Add(general)
                    .Section("FilesAndSettings", filesAndSettings)
                    .Section("iConfig", "PathChangeable = 1\r\n")
                    .Dest(Dest())
                    .Add(iConfig));
  }

  // Next on the last page before the installation: the installation runs
  // and the finish page follows.
  void InstallAndExpectFinishPage(HWND w) {
    ASSERT_TRUE(WalkTo(w, kPageFinish));
    EXPECT_SOON(drive::Visible(w, kFinishButton));
    EXPECT_SOON(!drive::Visible(w, kNextButton));
    EXPECT_SOON(!drive::Visible(w, kPreviousButton));
    EXPECT_SOON(!drive::Visible(w, kCancelButton));
    EXPECT_TRUE(FileExists(Dest() + L"App.exe")) << "the payload was not installed";
  }

  std::vector<std::wstring> extraGroups_;
};

// Every combination of licence, read-me and Start-menu page, forward to the
// last page, back to the welcome page, forward again and on to the finish
// page; the Start-menu group exists afterwards only when its page was shown.
TEST_F(WizardPages, PagesFollowTheScriptForwardAndBack) {
  Write(L"info\\Resources\\License.txt", "Licence terms.");
  Write(L"info\\Resources\\ReadMe.txt", "Read me.");
  // Anything but exactly "1" leaves the licence and read-me pages out.
  const char* const kOff[] = {"0", "yes", "01", ""};
  for (int bits = 0; bits < 8; ++bits) {
    const bool license = bits & 1, readMe = bits & 2, startMenu = bits & 4;
    SCOPED_TRACE("licence " + std::to_string(license) + ", read-me " + std::to_string(readMe) + ", Start menu " +
                 std::to_string(startMenu));
    std::string files;
    if (license) files += "RequireLicense = 1\r\n";
    else if (*kOff[bits % 4]) files += std::string("RequireLicense = ") + kOff[bits % 4] + "\r\n";
    if (readMe) files += "RequireReadme = 1\r\n";
    else if (*kOff[(bits + 1) % 4]) files += std::string("RequireReadme = ") + kOff[(bits + 1) % 4] + "\r\n";
    Script(files, std::string("AutoCreateStartMenu = ") + (startMenu ? "1" : "0") + "\r\n");

    std::vector<int> pages = {0};
    if (license) pages.push_back(1);
    if (readMe) pages.push_back(2);
    pages.push_back(3);
    if (startMenu) pages.push_back(4);

    drive::Process p = Launch(Build(L"order" + std::to_wstring(bits) + L".exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    for (int pass = 0; pass < 2; ++pass) {
      for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_SOON(ShownPage(w) == pages[i]) << "page " << ShownPage(w) << ", forward step " << i;
        EXPECT_SOON(drive::Enabled(w, kPreviousButton) == (pages[i] != 0)) << "page " << pages[i];
        EXPECT_TRUE(drive::Visible(w, kNextButton));
        EXPECT_FALSE(drive::Visible(w, kFinishButton));
        if (pages[i] == 1 && !drive::Checked(w, kLicenseBox)) {
          ASSERT_TRUE(drive::Click(w, kLicenseBox));
        }
        if (i + 1 < pages.size()) {
          ASSERT_TRUE(drive::Click(w, kNextButton));
        }
      }
      if (pass == 1) break;
      for (size_t i = pages.size() - 1; i > 0; --i) {
        ASSERT_TRUE(drive::Click(w, kPreviousButton));
        EXPECT_SOON(ShownPage(w) == pages[i - 1]) << "page " << ShownPage(w) << ", back from page " << pages[i];
      }
      EXPECT_SOON(!drive::Enabled(w, kPreviousButton));
      EXPECT_SOON(drive::Enabled(w, kNextButton));
    }
    EXPECT_FALSE(FolderExists(Dest())) << "installed before the last page";
    InstallAndExpectFinishPage(w);
    EXPECT_EQ(FolderExists(CommonPrograms() + L"Demo App"), startMenu);
    FinishAndExpectEnd(p, w);
    RemoveTree(Dest());
    RemoveTree(CommonPrograms() + L"Demo App");
  }
}

TEST_F(WizardPages, PreviousDoesNothingOnTheWelcomePage) {
  Script("", "");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  EXPECT_SOON(ShownPage(w) == 0) << "page " << ShownPage(w);
  // A button that is off cannot be pressed: no click reaches the wizard.
  EXPECT_FALSE(drive::Enabled(w, kPreviousButton));
  EXPECT_TRUE(drive::Visible(w, kPreviousButton));
  CancelAndConfirm(p, w);
}

// The licence box gates Next on the licence page and keeps its tick when
// the user leaves the page and comes back.
TEST_F(WizardPages, LicenceBoxGatesNextAndKeepsItsTick) {
  Write(L"info\\Resources\\License.txt", "Licence terms.");
  Script("RequireLicense = 1\r\n", "");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageLicence));
  EXPECT_SOON(!drive::Checked(w, kLicenseBox));
  EXPECT_SOON(!drive::Enabled(w, kNextButton));

  ASSERT_TRUE(drive::Click(w, kLicenseBox));
  EXPECT_SOON(drive::Checked(w, kLicenseBox));
  EXPECT_SOON(drive::Enabled(w, kNextButton));
  ASSERT_TRUE(drive::Click(w, kLicenseBox));
  EXPECT_SOON(!drive::Checked(w, kLicenseBox));
  EXPECT_SOON(!drive::Enabled(w, kNextButton));

  // Unticked, back and forth: still unticked, Next still off.
  ASSERT_TRUE(drive::Click(w, kPreviousButton));
  EXPECT_SOON(ShownPage(w) == 0) << "page " << ShownPage(w);
  EXPECT_SOON(drive::Enabled(w, kNextButton));
  ASSERT_TRUE(WalkTo(w, kPageLicence));
  EXPECT_SOON(!drive::Checked(w, kLicenseBox));
  EXPECT_SOON(!drive::Enabled(w, kNextButton));

  // Ticked, back to the welcome page and forward again.
  ASSERT_TRUE(drive::Click(w, kLicenseBox));
  ASSERT_TRUE(drive::Click(w, kPreviousButton));
  EXPECT_SOON(ShownPage(w) == 0) << "page " << ShownPage(w);
  ASSERT_TRUE(WalkTo(w, kPageLicence));
  EXPECT_TRUE(drive::Checked(w, kLicenseBox));
  EXPECT_SOON(drive::Enabled(w, kNextButton));

  // Ticked, on to the destination page and back.
  ASSERT_TRUE(WalkTo(w, kPageDestination));
  ASSERT_TRUE(drive::Click(w, kPreviousButton));
  EXPECT_SOON(ShownPage(w) == 1) << "page " << ShownPage(w);
  EXPECT_TRUE(drive::Checked(w, kLicenseBox));
  EXPECT_SOON(drive::Enabled(w, kNextButton));
  CancelAndConfirm(p, w);
}

TEST_F(WizardPages, OptOutBoxIsHiddenUnlessGroupCreationMayBeRefused) {
  Script("", "AutoCreateStartMenu = 1\r\nForceGroupCreation = 0\r\n");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageGroup));
  EXPECT_FALSE(drive::Visible(w, kGroupOptOut));
  EXPECT_SOON(drive::Enabled(w, kGroupList));
  CancelAndConfirm(p, w);
}

// Ticking "Don't create a Start menu group", going back to the destination
// page and pressing Next installs at once: no Start-menu page, no group.
TEST_F(WizardPages, OptOutSkipsTheGroupPageAndTheGroup) {
  RemoveTree(CommonPrograms() + L"Demo App");
  Script("", "AutoCreateStartMenu = 1\r\nForceGroupCreation = 2\r\n");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageGroup));
  EXPECT_TRUE(drive::Visible(w, kGroupOptOut));
  EXPECT_SOON(!drive::Checked(w, kGroupOptOut));
  EXPECT_SOON(drive::Enabled(w, kGroupList));

  ASSERT_TRUE(drive::Click(w, kGroupOptOut));
  EXPECT_SOON(drive::Checked(w, kGroupOptOut));
  EXPECT_SOON(!drive::Enabled(w, kGroupList));
  ASSERT_TRUE(drive::Click(w, kGroupOptOut));
  EXPECT_SOON(!drive::Checked(w, kGroupOptOut));
  EXPECT_SOON(drive::Enabled(w, kGroupList));
  ASSERT_TRUE(drive::Click(w, kGroupOptOut));
  EXPECT_SOON(!drive::Enabled(w, kGroupList));

  ASSERT_TRUE(drive::Click(w, kPreviousButton));
  ASSERT_SOON(ShownPage(w) == 3) << "page " << ShownPage(w);
  InstallAndExpectFinishPage(w);
  EXPECT_FALSE(FolderExists(CommonPrograms() + L"Demo App"));
  FinishAndExpectEnd(p, w);
  EXPECT_FALSE(FolderExists(CommonPrograms() + L"Demo App"));
}

// The group list offers an empty entry and then the existing groups; the
// choice sets the group field, and the installation creates the group there.
TEST_F(WizardPages, GroupListOffersTheExistingGroups) {
  const std::wstring programs = CommonPrograms();
  for (const wchar_t* name : {L"Tarn Group A", L"Tarn Group B"}) {
    extraGroups_.push_back(programs + name);
    CreateDirectoryW((programs + name).c_str(), nullptr);
  }
  const std::wstring file = programs + L"Tarn Loose File.txt";
  HANDLE f = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  extraGroups_.push_back(file);  // CleanUp deletes a file as well

  // The sub-folders in the order the file system lists them.
  std::vector<std::wstring> expected = {L""};
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((programs + L"*.*").c_str(), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    std::wstring name = fd.cFileName;
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") expected.push_back(name);
  } while (FindNextFileW(find, &fd));
  FindClose(find);

  Script("", "AutoCreateStartMenu = 1\r\n");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageGroup));
  std::vector<std::wstring> items = drive::Items(w, kGroupList);
  EXPECT_EQ(items, expected);
  EXPECT_SOON(!drive::Enabled(w, kGroupField));
  EXPECT_SOON(drive::Text(w, kGroupField) == programs + L"Demo App\\") << drive::Narrow(drive::Text(w, kGroupField));

  size_t groupB = 0;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == L"Tarn Group B") groupB = i;
  ASSERT_NE(groupB, 0u);
  ASSERT_TRUE(ClickListEntry(w, kGroupList, static_cast<int>(groupB)));
  EXPECT_SOON(drive::Text(w, kGroupField) == programs + L"Tarn Group B\\Demo App\\") << drive::Narrow(drive::Text(w, kGroupField));
  ASSERT_TRUE(ClickListEntry(w, kGroupList, 0));
  EXPECT_SOON(drive::Text(w, kGroupField) == programs + L"Demo App\\") << drive::Narrow(drive::Text(w, kGroupField));
  ASSERT_TRUE(ClickListEntry(w, kGroupList, static_cast<int>(groupB)));
  EXPECT_SOON(drive::Text(w, kGroupField) == programs + L"Tarn Group B\\Demo App\\") << drive::Narrow(drive::Text(w, kGroupField));

  InstallAndExpectFinishPage(w);
  EXPECT_TRUE(FolderExists(programs + L"Tarn Group B\\Demo App"));
  EXPECT_FALSE(FolderExists(programs + L"Demo App"));
  FinishAndExpectEnd(p, w);
}

// The destination field: its start value, the warning for an empty field
// or a relative folder, and a fixed destination.
TEST_F(WizardPages, DestinationField) {
  // A default path without the closing backslash gets one.
  WriteScript(ScriptText("Demo App", "1.0", false).Section("iConfig", "PathChangeable = 1\r\n").Dest(Dir() + L"dest"));
  {
    drive::Process p = Launch(Build(L"changeable.exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageDestination));
    EXPECT_EQ(drive::Text(w, kDestinationField), Dest());
    EXPECT_SOON(drive::Enabled(w, kDestinationField));
    EXPECT_SOON(drive::Enabled(w, kBrowseButton));

    SetFieldText(w, kDestinationField, L"");
    ASSERT_TRUE(drive::Click(w, kNextButton));
    EXPECT_MESSAGE(p, kWarning, kNoPath, Icon::kError, IDOK);
    EXPECT_SOON(ShownPage(w) == 3) << "page " << ShownPage(w);
    EXPECT_SOON(drive::Enabled(w, kNextButton));
    // A folder that is not a full path: the same warning, never an
    // installation (relative to the current folder, the package's).
    SetFieldText(w, kDestinationField, L"dest\\");
    ASSERT_TRUE(drive::Click(w, kNextButton));
    EXPECT_MESSAGE(p, kWarning, kNoPath, Icon::kError, IDOK);
    EXPECT_SOON(ShownPage(w) == 3) << "page " << ShownPage(w);
    EXPECT_FALSE(FolderExists(Dest()));
    CancelAndConfirm(p, w);
  }
  // No PathChangeable: fixed. A blank default path: the Program Files
  // folder and the program's name.
  WriteScript(ScriptText("Demo App", "1.0", false).Section("iConfig", "DefaultPath =    \r\n"));
  {
    drive::Process p = Launch(Build(L"fixed.exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageDestination));
    EXPECT_EQ(drive::Text(w, kDestinationField), ShellPath(CSIDL_PROGRAM_FILES) + L"Demo App\\");
    EXPECT_SOON(!drive::Enabled(w, kDestinationField));
    EXPECT_SOON(!drive::Enabled(w, kBrowseButton));
    CancelAndConfirm(p, w);
  }
  // PathChangeable 0 with a default path that holds a path token.
  WriteScript(ScriptText("Demo App", "1.0", false)
                  .Section("iConfig", "PathChangeable = 0\r\nDefaultPath = <ProgramFiles>\\Tarn Fixed\\\r\n"));
  {
    drive::Process p = Launch(Build(L"token.exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageDestination));
    EXPECT_EQ(drive::Text(w, kDestinationField), ShellPath(CSIDL_PROGRAM_FILES) + L"Tarn Fixed\\");
    EXPECT_SOON(!drive::Enabled(w, kDestinationField));
    EXPECT_SOON(!drive::Enabled(w, kBrowseButton));
    CancelAndConfirm(p, w);
  }
  // A drive this machine does not have: its free space cannot be known.
  std::wstring missing;
  for (wchar_t letter = L'Q'; letter <= L'Y' && missing.empty(); ++letter)
    if (!(GetLogicalDrives() & (1u << (letter - L'A')))) missing = std::wstring(1, letter) + L":\\";
  ASSERT_FALSE(missing.empty()) << "every drive letter from Q to Y is taken";
  WriteScript(ScriptText("Demo App", "1.0", false).Section("iConfig", "PathChangeable = 1\r\n").Dest(missing + L"Tarn Demo"));
  {
    drive::Process p = Launch(Build(L"no_drive.exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageDestination));
    EXPECT_EQ(drive::Text(w, kDestinationField), missing + L"Tarn Demo\\");
    EXPECT_EQ(drive::Narrow(drive::Text(w, kAvailableSpace)), "Available space: n/a");
    CancelAndConfirm(p, w);
  }
}

// Browse opens the shell's folder requester at the Program Files folder;
// cancelled it changes nothing, confirmed it puts the folder into the field.
TEST_F(WizardPages, BrowseChoosesTheDestination) {
  Script("", "");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageDestination));
  const std::wstring available = drive::Text(w, kAvailableSpace), required = drive::Text(w, kRequiredSpace);

  ASSERT_TRUE(drive::Click(w, kBrowseButton));
  drive::MessageBoxInfo requester = drive::WaitMessageBox(p);
  ASSERT_NE(requester.window, nullptr) << "no folder requester";
  std::vector<std::wstring> texts;
  for (HWND c = GetWindow(requester.window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    texts.push_back(drive::Title(c));
  EXPECT_NE(std::find(texts.begin(), texts.end(), kBrowseTitle), texts.end()) << "the requester does not say " << Narrow(kBrowseTitle);
  EXPECT_TRUE(drive::Answer(requester, IDCANCEL));

  // The second requester comes from a click taken after the first one's
  // handling had ended: the cancelled choice changed nothing.
  ASSERT_TRUE(drive::Click(w, kBrowseButton));
  requester = drive::WaitMessageBox(p);
  ASSERT_NE(requester.window, nullptr) << "no folder requester";
  EXPECT_EQ(drive::Text(w, kDestinationField), Dest());
  EXPECT_TRUE(drive::Answer(requester, IDOK));
  EXPECT_SOON(drive::Text(w, kDestinationField) == ShellPath(CSIDL_PROGRAM_FILES))
      << drive::Narrow(drive::Text(w, kDestinationField));
  EXPECT_EQ(drive::Text(w, kRequiredSpace), required);
  EXPECT_EQ(drive::Text(w, kAvailableSpace).rfind(kAvailable + std::wstring(L" "), 0), 0u) << drive::Narrow(available);
  CancelAndConfirm(p, w);
}

// The title bar's close box does nothing; Cancel asks, and No keeps the
// wizard where it was. What follows a request shows only once the wizard
// has taken it, so each is followed by one whose effect can be seen.
TEST_F(WizardPages, OnlyConfirmedCancelEndsTheWizard) {
  Script("", "");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  // The information was read and deleted before the window appeared.
  std::vector<std::wstring> work = NewWorkFolders();
  ASSERT_EQ(work.size(), 1u);
  EXPECT_FALSE(FolderExists(TempFolder() + work[0] + L"\\Information"));

  ASSERT_TRUE(drive::Click(w, kNextButton));
  // Cancel is posted behind the close request: its question is the first
  // and only box, so the close request before it changed nothing.
  drive::CloseBox(w);
  ASSERT_TRUE(drive::PostClick(w, kCancelButton));
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr) << "Cancel did not ask";
  EXPECT_EQ(drive::WindowsOf(p.pid()).size(), 2u) << "the wizard and the question, nothing else";
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(ShownPage(w), 3);
  EXPECT_EQ(Narrow(box.title), Narrow(kConfirmTitle));
  EXPECT_EQ(Narrow(box.text), Narrow(kConfirmQuit));
  EXPECT_TRUE(drive::Answer(box, IDNO));

  // After No, Cancel asks again on the same page; Yes ends the run.
  ASSERT_TRUE(drive::Click(w, kCancelButton));
  box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr) << "Cancel did not ask a second time";
  EXPECT_EQ(ShownPage(w), 3);
  EXPECT_EQ(Narrow(box.text), Narrow(kConfirmQuit));
  EXPECT_TRUE(drive::Answer(box, IDYES));
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(WizardPages, WebsiteLinkShowsOnlyARealAddress) {
  Script("", "", "Website =    \r\n");
  {
    drive::Process p = Launch(Build(L"blank.exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(drive::Exists(w, kWebsiteLink));
    EXPECT_FALSE(drive::Visible(w, kWebsiteLink));
    CancelAndConfirm(p, w);
  }
  const std::wstring site = L"http://www.tarnwick.example/demo";
  Script("", "", "Website = " + drive::Narrow(site) + "\r\n");
  {
    drive::Process p = Launch(Build(L"site.exe"));
    HWND w = WaitWizard(p);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(drive::Visible(w, kWebsiteLink));
    EXPECT_EQ(drive::Text(w, kWebsiteLink), site);
    // As wide as the address measured with the screen's font.
    HDC screen = GetDC(nullptr);
    SIZE size = {};
    GetTextExtentPoint32W(screen, site.c_str(), static_cast<int>(site.size()), &size);
    ReleaseDC(nullptr, screen);
    RECT r = drive::Placement(w, kWebsiteLink);
    EXPECT_EQ(Describe(r), Describe(Rect(9, 327, size.cx, 20)));
    // Still there on the other pages.
    ASSERT_TRUE(drive::Click(w, kNextButton));
    EXPECT_TRUE(drive::Visible(w, kWebsiteLink));
    CancelAndConfirm(p, w);
  }
}

// Every text of every page as the English language file words it, with the
// program's name and version put in.
TEST_F(WizardPages, TextsComeFromTheLanguageFile) {
  // A payload of 239296 bytes in all.
  Write(L"payload\\data\\blob.bin", NoiseBytes(239296 - 9, 5));
  ASSERT_EQ(ReadFileBytes(Dir() + L"payload\\App.exe").size() + ReadFileBytes(Dir() + L"payload\\data\\blob.bin").size(),
            239296u);
  Write(L"info\\Resources\\License.txt", "Licence terms.");
  Write(L"info\\Resources\\ReadMe.txt", "Read me.");
  Script("RequireLicense = 1\r\nRequireReadme = 1\r\n", "AutoCreateStartMenu = 1\r\nForceGroupCreation = 1\r\n", "",
         "Tarn Viewer", "2.5 beta");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p, L"Tarn Viewer v.2.5 beta :: Setup");
  ASSERT_NE(w, nullptr);

  EXPECT_FALSE(drive::Visible(w, kFinishButton));
  const struct {
    int id;
    const wchar_t* text;
  } texts[] = {
      {kCancelButton, L"Cancel"}, {kNextButton, L"Next"}, {kPreviousButton, L"Previous"}, {kFinishButton, L"Finish"},
      {kWelcomeTitle, L"Welcome to the Tarn Viewer version 2.5 beta installation wizard."},
      {kLegalNotice, L"Warning! This software is protected by copyright law and by international agreements. Copying "
                     L"or passing it on, in whole or in part, without the permission of its owner may lead to civil "
                     L"and criminal prosecution."},
      {kWelcomeText, L"Please close all active programs to avoid conflicts and press 'Next' to begin the setup "
                     L"procedure or 'Cancel' to exit this wizard."},
      {kLicenseBox, L"I understand and agree with the terms in the License Agreement"},
      {kDestinationFrame, L"Destination directory"}, {kBrowseButton, L"Browse"}, {kStatusLine, L"Current action:"},
      {kGroupText, L"Setup will create a set of shortcuts in the Start menu. Please review the settings below. If you "
                   L"do not want to create a start menu group, select the option below."},
      {kGroupOptOut, L"Don't create a Start menu group"},
      {kInstallText, L"Setup is now installing the program. This may take a few minutes, depending on your computer "
                     L"hardware, software and free resources."},
      {kFinishTitle, L"Finishing the Tarn Viewer installation wizard."},
      {kFinishText, L"The program was installed successfully. Press 'Finish' to close this installation wizard and "
                    L"return to your desktop."},
      // The space figure of the payload.
      {kRequiredSpace, L"Required space: 233.7 KB"},
  };
  for (const auto& t : texts) EXPECT_EQ(Narrow(drive::Text(w, t.id)), Narrow(t.text)) << "control " << t.id;
  // The free space moves while the machine works: the figure must read as
  // a size with one decimal close to what the drive reports now.
  ULARGE_INTEGER before = {}, total = {}, free = {};
  GetDiskFreeSpaceExW(L"C:\\", &before, &total, &free);
  const std::wstring available = drive::Text(w, kAvailableSpace);
  ULARGE_INTEGER after = {};
  GetDiskFreeSpaceExW(L"C:\\", &after, &total, &free);
  const std::wstring label = kAvailable + std::wstring(L" ");
  ASSERT_EQ(available.substr(0, label.size()), label) << drive::Narrow(available);
  const std::wstring figure = available.substr(label.size());
  const double shown = _wtof(figure.c_str());
  // The largest unit of 1024 bytes that leaves a figure of at least 1.
  const std::wstring unit = figure.substr(figure.find(L' ') + 1);
  const std::vector<std::wstring> units = {L"KB", L"MB", L"GB", L"TB"};
  const size_t power = std::find(units.begin(), units.end(), unit) - units.begin() + 1;
  ASSERT_LE(power, units.size()) << drive::Narrow(available);
  EXPECT_TRUE(shown >= 1 && shown <= 1024) << drive::Narrow(available);
  const double scale = std::pow(1024.0, static_cast<double>(power));
  char again[64];
  std::snprintf(again, sizeof again, "%.1f ", shown);
  EXPECT_EQ(figure, Widen(again) + unit) << "for " << before.QuadPart << " bytes free";
  const double low = std::min(before.QuadPart, after.QuadPart) / scale - 0.25;
  const double high = std::max(before.QuadPart, after.QuadPart) / scale + 0.25;
  EXPECT_TRUE(shown >= low && shown <= high) << drive::Narrow(available) << " for " << before.QuadPart << " bytes free";
  CancelAndConfirm(p, w);
}

// The headers of the inner pages carry their two lines in the header
// colour: red for 255, black without the key.
TEST_F(WizardPages, HeadersCarryTheirTextsInTheHeaderColour) {
  Write(L"info\\Resources\\License.txt", "Licence terms.");
  Write(L"info\\Resources\\ReadMe.txt", "Read me.");
  // A long name, so that a header without it would be much shorter.
  const std::wstring name = L"Tarnwick Lake Observatory Suite";
  const std::wstring title = name + L" v.1.0 :: Setup";
  const int headers[4] = {kLicenseHeader, kReadMeHeader, kDestinationHeader, kGroupHeader};

  for (int coloured = 1; coloured >= 0; --coloured) {
    SCOPED_TRACE(coloured ? "HeaderTextColour = 255" : "no HeaderTextColour");
    Script("RequireLicense = 1\r\nRequireReadme = 1\r\n", "AutoCreateStartMenu = 1\r\n",
           coloured ? "[Look]\r\nHeaderTextColour = 255\r\n" : "", Narrow(name));
    drive::Process p = Launch(Build(coloured ? L"red.exe" : L"black.exe"));
    HWND w = WaitWizard(p, title);
    ASSERT_NE(w, nullptr);
    SetForegroundWindow(w);
    for (int page = 1; page <= 4; ++page) {
      ASSERT_TRUE(WalkTo(w, page));
      EXPECT_EQ(Describe(drive::Placement(w, headers[page - 1])), Describe(Rect(0, 0, 500, 60)));
      ASSERT_TRUE(drive::PaintAnew(w)) << "page " << page << " was not painted";
      HeaderInk ink = ReadHeader(w, headers[page - 1]);
      if (coloured) {
        EXPECT_GT(ink.red, 150) << "page " << page;
        EXPECT_GE(ink.lastRedColumn[0], 10) << "no first line on page " << page;
        EXPECT_GE(ink.lastRedColumn[1], 10) << "no second line on page " << page;
      } else {
        EXPECT_EQ(ink.red, 0) << "page " << page;
        EXPECT_GT(ink.dark, 150) << "page " << page;
      }
      if (page == 1 && coloured) {
        // The lines end where "License Agreement" in bold and "License for"
        // with the program's name end.
        int first = 10 + HeaderTextWidth(L"License Agreement", 10, FW_BOLD, DEFAULT_QUALITY);
        int second = 10 + HeaderTextWidth(L"License for " + name, 9, FW_NORMAL, PROOF_QUALITY);
        EXPECT_NEAR(ink.lastRedColumn[0], first, 4);
        EXPECT_NEAR(ink.lastRedColumn[1], second, 4);
      }
      Screenshot(w, std::wstring(coloured ? L"red-" : L"black-") + L"page" + std::to_wstring(page));
    }
    CancelAndConfirm(p, w);
  }
}

// Where the controls sit on each page and how large the window is, in
// 1/96 inch: pixels on a screen of 96 DPI, scaled within a pixel on any
// other, and again once the window has moved to a screen of another DPI.
TEST_F(WizardPages, ControlsSitWhereTheLookPutsThem) {
  UseStub(StubFile(L"-test"));
  Write(L"info\\Resources\\License.txt", "Licence terms.");
  Script("RequireLicense = 1\r\n", "AutoCreateStartMenu = 1\r\nForceGroupCreation = 1\r\nRebootRequired = 1\r\n");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  // The page on which the walk checks a control: -1 every page, 9 the last
  // page walked, 4 (the later pages are placed while hidden).
  const struct {
    int page, id;
    RECT r;
  } expected[] = {
      {-1, kCancelButton, Rect(403, 323, 76, 22)},   {-1, kNextButton, Rect(314, 323, 76, 22)},
      {-1, kPreviousButton, Rect(238, 323, 76, 22)}, {-1, kSeparator, Rect(0, 310, 495, 2)},
      {9, kFinishButton, Rect(403, 323, 76, 22)},    {0, kWelcomeContainer, Rect(0, 0, 491, 310)},
      {0, kWelcomeBitmap, Rect(0, 0, 155, 310)},     {0, kWelcomeWhite, Rect(0, 0, 496, 310)},
      {0, kWelcomeTitle, Rect(162, 26, 322, 89)},    {0, kLegalNotice, Rect(161, 231, 325, 73)},
      {0, kWelcomeText, Rect(161, 150, 324, 60)},    {1, kLicenseHeader, Rect(0, 0, 500, 60)},
      {1, kLicenseBox, Rect(15, 285, 456, 15)},      {1, kLicenseText, Rect(16, 76, 456, 200)},
      {3, kDestinationHeader, Rect(0, 0, 500, 60)},  {3, kDestinationFrame, Rect(12, 71, 468, 60)},
      {3, kDestinationField, Rect(82, 96, 317, 21)}, {3, kBrowseButton, Rect(405, 95, 68, 22)},
      {3, kAvailableSpace, Rect(14, 145, 466, 16)},  {3, kRequiredSpace, Rect(14, 169, 466, 15)},
      {3, kDestinationIcon, Rect(32, 91, 32, 32)},   {4, kGroupHeader, Rect(0, 0, 500, 60)},
      {4, kGroupIcon, Rect(30, 80, 32, 32)},         {4, kGroupText, Rect(75, 80, 385, 60)},
      {4, kGroupField, Rect(30, 146, 430, 20)},      {4, kGroupOptOut, Rect(30, 270, 425, 15)},
      {4, kGroupList, Rect(30, 175, 430, 80)},       {9, kInstallHeader, Rect(0, 0, 500, 60)},
      {9, kInstallText, Rect(15, 70, 452, 44)},      {9, kProgressBar, Rect(15, 150, 460, 20)},
      {9, kStatusLine, Rect(15, 115, 459, 30)},      {9, kFinishContainer, Rect(0, 0, 491, 310)},
      {9, kFinishTitle, Rect(161, 26, 322, 73)},     {9, kFinishOptions, Rect(161, 80, 322, 155)},
      {9, kFinishText, Rect(161, 255, 322, 49)},
  };
  // A page's controls, or with `all` every control.
  auto checkPage = [&](int page, int dpi, bool all) {
    SCOPED_TRACE("page " + std::to_string(page) + " at " + std::to_string(dpi) + " DPI");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(Describe(client), Describe(Rect(0, 0, MulDiv(491, dpi, 96), MulDiv(358, dpi, 96))));
    for (const auto& e : expected) {
      if (!all && e.page >= 0 && e.page != page && !(page == 4 && e.page == 9)) continue;
      const RECT got = drive::Placement(w, e.id), want = AtDpi(e.r, dpi);
      if (dpi == 96) EXPECT_EQ(Describe(got), Describe(want)) << "control " << e.id;
      else EXPECT_TRUE(WithinAPixel(got, want)) << "control " << e.id << ": " << Describe(got) << " for " << Describe(want);
    }
  };
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  for (int page : {0, 1, 3, 4}) {
    ASSERT_TRUE(WalkTo(w, page));
    checkPage(page, dpi, false);
  }
  // Moved to a screen of another DPI (the system's message), the window
  // lays itself out for that one.
  const int other = dpi == 96 ? 144 : 96;
  DWORD_PTR r = 0;
  ASSERT_TRUE(SendMessageTimeoutW(w, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(other, other), 0, SMTO_NORMAL, 10000, &r));
  checkPage(4, other, true);
  Screenshot(w, L"page4-" + std::to_wstring(other) + L"dpi");
  CancelAndConfirm(p, w);
}

// A picture of every page for a person to look at, with an RTF licence
// shown formatted and a plain-text read-me shown as written.
TEST_F(WizardPages, DocumentsAndPicturesOfEveryPage) {
  UseStub(StubFile(L"-test"));
  Write(L"info\\Resources\\License.txt", "{\\rtf1 {\\b Bold} text}");
  Write(L"info\\Resources\\ReadMe.txt", "Read me first.\r\nSecond line: caf\xC3\xA9 au lait.\r\n");
  Script("RequireLicense = 1\r\nRequireReadme = 1\r\n", "AutoCreateStartMenu = 1\r\nForceGroupCreation = 1\r\n"
         "RebootRequired = 1\r\n", "Website = http://www.tarnwick.example/\r\n[Look]\r\nHeaderTextColour = 255\r\n");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  SetForegroundWindow(w);
  Screenshot(w, L"page0");
  ASSERT_TRUE(WalkTo(w, kPageLicence));
  // The RTF licence formatted: its text without the control words, the
  // first word bold.
  EXPECT_EQ(ControlText(w, kLicenseText), L"Bold text");
  EXPECT_TRUE(Bold(w, kLicenseText, 0, 4));
  EXPECT_FALSE(Bold(w, kLicenseText, 5, 9));
  EXPECT_EQ(drive::Text(w, kRequiredSpace), L"Required space: 9 Byte");
  Screenshot(w, L"page1");
  ASSERT_TRUE(WalkTo(w, kPageReadMe));
  // The plain read-me as written, lines and letters.
  EXPECT_EQ(ReplaceAll(ControlText(w, kReadMeText), L"\r\n", L"\r"),
            L"Read me first.\rSecond line: caf\u00e9 au lait.");
  Screenshot(w, L"page2");
  ASSERT_TRUE(WalkTo(w, kPageDestination));
  Screenshot(w, L"page3");
  ASSERT_TRUE(WalkTo(w, kPageGroup));
  Screenshot(w, L"page4");
  InstallAndExpectFinishPage(w);
  Screenshot(w, L"page6");
  // Leave nothing ticked that would act on the machine.
  std::vector<bool> ticks = drive::TreeTicks(w, kFinishOptions);
  for (size_t i = 0; i < ticks.size(); ++i)
    if (ticks[i]) drive::ToggleTreeItem(w, kFinishOptions, static_cast<int>(i));
  FinishAndExpectEnd(p, w);
}

TEST_F(WizardPages, EmptyDocumentsShowEmptyPages) {
  Write(L"info\\Resources\\License.txt", "");
  Write(L"info\\Resources\\ReadMe.txt", "");
  Script("RequireLicense = 1\r\nRequireReadme = 1\r\n", "");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(MessageBoxShown(p));
  ASSERT_TRUE(WalkTo(w, kPageLicence));
  EXPECT_EQ(ControlText(w, kLicenseText), L"");
  EXPECT_SOON(!drive::Enabled(w, kNextButton));
  ASSERT_TRUE(WalkTo(w, kPageReadMe));
  EXPECT_EQ(ControlText(w, kReadMeText), L"");
  ASSERT_TRUE(WalkTo(w, kPageDestination));
  CancelAndConfirm(p, w);
}

// The etched lines under the headers and above the buttons, the white
// welcome and finish pages, and a window centred on the screen.
TEST_F(WizardPages, EtchedLinesWhitePagesAndPlace) {
  UseStub(StubFile(L"-test"));
  Script("", "RebootRequired = 1\r\n");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  SetForegroundWindow(w);
  ASSERT_TRUE(drive::PaintAnew(w));

  RECT outer;
  GetWindowRect(w, &outer);
  EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF face = GetSysColor(COLOR_BTNFACE), white = RGB(255, 255, 255);
  RECT strip;
  GetWindowRect(drive::Control(w, kSeparator), &strip);
  drive::Pixels sep = drive::Capture(strip);
  ASSERT_EQ(sep.height, 2);
  for (int x = 0; x < sep.width; x += 7) {
    EXPECT_EQ(sep.At(x, 0), shadow) << "separator column " << x;
    EXPECT_EQ(sep.At(x, 1), highlight) << "separator column " << x;
  }

  // Texts on the white page: white around the letters, not the button face
  // (a few smoothed letter pixels may happen to have its grey).
  auto onWhite = [&](int id) {
    RECT r;
    GetWindowRect(drive::Control(w, id), &r);
    drive::Pixels px = drive::Capture(r);
    size_t faces = 0, whites = 0;
    for (COLORREF c : px.rgb) {
      if (c == face) ++faces;
      if (c == white) ++whites;
    }
    EXPECT_GT(whites, px.rgb.size() / 2) << "control " << id;
    EXPECT_LT(faces, px.rgb.size() / 50 + 1) << "control " << id;
  };
  for (int id : {kWelcomeTitle, kLegalNotice, kWelcomeText}) onWhite(id);
  // The right-hand part of the welcome page, outside the texts, is white.
  RECT page;
  GetWindowRect(drive::Control(w, kWelcomeContainer), &page);
  drive::Pixels right = drive::Capture(RECT{page.left + 160, page.top + 2, page.left + 488, page.top + 24});
  for (COLORREF c : right.rgb) ASSERT_EQ(c, white);

  ASSERT_TRUE(WalkTo(w, kPageDestination));
  ASSERT_TRUE(drive::PaintAnew(w));
  RECT header;
  GetWindowRect(drive::Control(w, kDestinationHeader), &header);
  drive::Pixels rows = drive::Capture(RECT{header.left, header.top + 58, header.left + 480, header.top + 60});
  for (int x = 0; x < rows.width; x += 7) {
    EXPECT_EQ(rows.At(x, 0), shadow) << "header column " << x;
    EXPECT_EQ(rows.At(x, 1), highlight) << "header column " << x;
  }

  InstallAndExpectFinishPage(w);
  ASSERT_TRUE(drive::PaintAnew(w));
  for (int id : {kFinishTitle, kFinishText, kFinishOptions}) onWhite(id);
  drive::ToggleTreeItem(w, kFinishOptions, 0);
  FinishAndExpectEnd(p, w);
}
