// The installation as a person starts it from the wizard: the names of the
// uninstaller, the progress of the task phase, programs stopped before the
// unpacking, Cancel and the close box while files are unpacked, and the
// Start-menu group with its two links.
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>

#include "tests/driver/screen.h"
#include "tests/e2e/package_fixture.h"

using drive::Icon;

namespace {

constexpr wchar_t kTitle[] = L"Demo App v.1.0 :: Setup";
constexpr char kBom[] = "\xEF\xBB\xBF";

// Wizard controls.
constexpr int kCancel = 0, kNext = 1, kFinish = 5;
constexpr int kDestinationPage = 150, kGroupPage = 200, kFinishPage = 300;
constexpr int kGroupField = 204, kOptOut = 205, kStatus = 253, kProgress = 254;

const wchar_t kConfirmTitle[] = L"Please confirm";
const wchar_t kConfirmQuit[] =
    L"Are you sure you want to quit? You can install this program at a later time just by running the installer. "
    L"Press 'Yes' to exit or 'No' to continue with the installation.";

std::string U8(const std::wstring& s) { return drive::Narrow(s); }

// The entries of one section of an uninstall data file, as "key = value".
std::vector<std::string> Section(const std::wstring& file, const std::string& name) {
  std::string bytes = ReadFileBytes(file);
  std::vector<std::string> out;
  bool inside = false;
  for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + name + "]";
      continue;
    }
    if (inside) out.push_back(line);
  }
  return out;
}

// The value of one "key = value" entry of a section ("" when it is missing).
std::string Value(const std::vector<std::string>& section, const std::string& key) {
  for (const std::string& e : section)
    if (e.rfind(key + " = ", 0) == 0) return e.substr(key.size() + 3);
  return std::string();
}

bool HasSection(const std::wstring& file, const std::string& name) {
  return ReadFileBytes(file).find("\r\n[" + name + "]\r\n") != std::string::npos;
}

// Files and folders below a folder, relative to it; folders end with "\".
void ListTree(const std::wstring& base, const std::wstring& relative, std::set<std::string>* out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((base + relative + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out->insert(U8(relative + name + L"\\"));
      ListTree(base, relative + name + L"\\", out);
    } else {
      out->insert(U8(relative + name));
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

std::set<std::string> Tree(const std::wstring& folder) {
  std::set<std::string> out;
  ListTree(folder, L"", &out);
  return out;
}

std::wstring CommonPrograms() {
  wchar_t buf[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, buf);
  std::wstring path = buf;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

// What a shell link file says, read through the shell's link object.
struct Link {
  bool loaded = false;
  std::wstring target, folder, description, icon;
  int iconIndex = -1, show = -1;
};

Link ReadLink(const std::wstring& path) {
  Link l;
  HRESULT init = CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        l.loaded = true;
        wchar_t buf[MAX_PATH * 2] = {};
        link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
        l.target = buf;
        buf[0] = 0;
        link->GetWorkingDirectory(buf, MAX_PATH);
        l.folder = buf;
        buf[0] = 0;
        link->GetDescription(buf, MAX_PATH);
        l.description = buf;
        buf[0] = 0;
        link->GetIconLocation(buf, MAX_PATH, &l.iconIndex);
        l.icon = buf;
        link->GetShowCmd(&l.show);
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return l;
}

// Process identifiers of the running programs with this file name (any case).
std::vector<DWORD> ProcessesNamed(const std::wstring& name) {
  std::vector<DWORD> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W e = {};
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
    std::wstring exe = e.szExeFile;
    exe = exe.substr(exe.find_last_of(L"\\/") + 1);
    if (lstrcmpiW(exe.c_str(), name.c_str()) == 0) out.push_back(e.th32ProcessID);
  }
  CloseHandle(snap);
  return out;
}

void StopProcess(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 99);
  WaitForSingleObject(h, 5000);
  CloseHandle(h);
}

}  // namespace

class Install : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    dest_ = Dir() + L"dest\\";
    group_ = CommonPrograms() + L"Demo App\\";
    RemoveTree(group_);
  }
  void TearDown() override {
    // Programs a failed test may have left running hold files of its folder.
    for (const wchar_t* helper : {L"Victim_A.exe", L"victim_B.exe", L"run_probe.exe"})
      for (DWORD pid : ProcessesNamed(helper)) StopProcess(pid);
    for (int k = 1; k <= 4; ++k)
      for (DWORD pid : ProcessesNamed(L"step" + std::to_wstring(k) + L".exe")) StopProcess(pid);
    RemoveTree(group_);
    PackageTest::TearDown();
  }

  // The setup script: [GeneralInformation] additions, [iConfig] additions
  // and the [InstTasks] lines ("name = line" each ending with CR LF).
  void Script(const std::string& general, const std::string& config, const std::string& tasks) {
    WriteScript(std::string(kBom) + "[GeneralInformation]\r\nAppName = Demo App\r\nVersion = 1.0\r\n" + general +
                "[iConfig]\r\nDefaultPath = " + U8(dest_) + "\r\nPathChangeable = 1\r\n" + config +
                (tasks.empty() ? "" : "[InstTasks]\r\n" + tasks));
  }

  // Starts the package and goes on to the destination page.
  HWND OpenWizard(const drive::Process& p) {
    HWND w = drive::WaitWindow(p, kTitle);
    EXPECT_NE(w, nullptr) << "the wizard did not appear";
    if (!w) return nullptr;
    EXPECT_TRUE(drive::Click(w, kNext));
    EXPECT_TRUE(drive::WaitUntil([w] { return drive::Visible(w, kDestinationPage); }));
    EXPECT_EQ(drive::Text(w, 153), dest_);
    return w;
  }

  // Next on the destination page: the installation starts (no group page).
  void StartInstallation(HWND w) { EXPECT_TRUE(drive::Click(w, kNext)); }

  bool WaitFinishPage(HWND w, int timeoutMs = 60000) {
    return drive::WaitUntil([w] { return drive::Visible(w, kFinishPage) && drive::Visible(w, kFinish); }, timeoutMs);
  }

  void PressFinish(HWND w, const drive::Process& p) {
    EXPECT_TRUE(drive::Click(w, kFinish));
    EXPECT_EQ(p.WaitExit(), 0u);
  }

  // A whole run without a group: welcome, destination, installation, Finish.
  void RunThrough(const std::wstring& package) {
    drive::Process p = Launch(package);
    HWND w = OpenWizard(p);
    ASSERT_NE(w, nullptr);
    StartInstallation(w);
    ASSERT_TRUE(WaitFinishPage(w)) << "the finish page did not come";
    PressFinish(w, p);
  }

  void CopyHelper(const std::wstring& helper, const std::wstring& to) {
    EXPECT_TRUE(CopyFileW((BinFolder() + helper).c_str(), to.c_str(), FALSE)) << U8(to);
  }

  std::wstring dest_, group_;
};

TEST_F(Install, UninstallerTakesTheFirstFreeNumber) {
  Script("", "", "");
  const std::wstring package = Build();
  struct Case {
    const char* what;
    std::vector<std::pair<std::wstring, std::string>> files;  // made before the run; "" content: a folder
    std::wstring stem;                                       // the names the run must take
  };
  const std::vector<Case> cases = {
      {"an empty folder", {}, L"Uninst0"},
      {"only the data file of number 0", {{L"Uninst0.dat", "earlier uninstall data"}}, L"Uninst1"},
      {"a folder named like uninstaller 0 and data file 1",
       {{L"Uninst0.exe", ""}, {L"Uninst1.dat", "earlier uninstall data"}},
       L"Uninst2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(dest_);
    CreateDirectoryW(dest_.c_str(), nullptr);
    for (const auto& f : c.files) {
      if (f.second.empty()) CreateDirectoryW((dest_ + f.first).c_str(), nullptr);
      else Write(L"dest\\" + f.first, f.second);
    }
    RunThrough(package);

    std::set<std::string> expected = {"App.exe", U8(c.stem) + ".exe", U8(c.stem) + ".dat"};
    for (const auto& f : c.files) expected.insert(U8(f.first) + (f.second.empty() ? "\\" : ""));
    EXPECT_EQ(Tree(dest_), expected);
    EXPECT_EQ(ReadFileBytes(dest_ + c.stem + L".exe").substr(0, 2), "MZ");
    EXPECT_EQ(Value(Section(dest_ + c.stem + L".dat", "uConfig"), "InstallPath"), U8(dest_));
    for (const auto& f : c.files) {
      if (!f.second.empty()) {
        EXPECT_EQ(ReadFileBytes(dest_ + f.first), f.second) << "an earlier file was touched";
      }
    }
  }
}

// Four waited RUN tasks, each held by the test while it reads the bar from
// the screen (the installer serves no messages while it waits).
TEST_F(Install, ProgressBarShowsTheShareOfTasksDone) {
  std::string tasks;
  for (int k = 1; k <= 4; ++k) {
    std::wstring name = L"step" + std::to_wstring(k);
    CopyHelper(L"run_probe.exe", Dir() + L"payload\\" + name + L".exe");
    Write(L"payload\\" + name + L".hold", "");
    tasks += "Step" + std::to_string(k) + " = RUN¶1¶1¶1¶<DefaultInstallPath>" + U8(name) + ".exe¶¶Step\r\n";
  }
  Script("", "", tasks);
  drive::Process p = Launch(Build());
  HWND w = OpenWizard(p);
  ASSERT_NE(w, nullptr);
  StartInstallation(w);

  HWND bar = drive::Control(w, kProgress);
  ASSERT_NE(bar, nullptr);
  for (int k = 1; k <= 4; ++k) {
    SCOPED_TRACE("task " + std::to_string(k));
    const std::wstring stem = dest_ + L"step" + std::to_wstring(k);
    ASSERT_TRUE(drive::WaitUntil([&] { return FileExists(stem + L".txt"); }, 60000)) << "the task did not start";
    // Cancel is off for the whole task phase.
    EXPECT_FALSE(drive::Enabled(w, kCancel));
    EXPECT_FALSE(drive::Visible(w, kFinish));
    RECT r;
    GetWindowRect(bar, &r);
    drive::Pixels px = drive::Capture(r);
    ASSERT_GT(px.width, 20);
    // Columns inside the frame whose middle pixel differs from the empty
    // right end are filled.
    const int y = px.height / 2, left = 3, right = px.width - 4;
    const COLORREF empty = px.At(right, y);
    auto differs = [](COLORREF a, COLORREF b) {
      return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) + abs(GetBValue(a) - GetBValue(b)) >
             48;
    };
    int last = left - 1;
    for (int x = left; x <= right; ++x)
      if (differs(px.At(x, y), empty)) last = x;
    const int filled = (last - left + 1) * 100 / (right - left + 1);
    const int expected = (k - 1) * 25;
    EXPECT_NEAR(filled, expected, 5) << "the bar shows " << filled << "% filled";
    Write(L"dest\\step" + std::to_wstring(k) + L".go", "");
  }
  ASSERT_TRUE(WaitFinishPage(w));
  PressFinish(w, p);
  EXPECT_FALSE(HasSection(dest_ + L"Uninst0.dat", "InstTasks")) << "RUN tasks record nothing";
}

// Two running programs hold files of the payload open without sharing; the
// KILLTASK line stops them before the unpacking, so the files are written.
// In the task phase the same line does nothing: a program started by an
// earlier task under one of the names keeps running.
TEST_F(Install, KillTaskStopsListedProgramsBeforeUnpacking) {
  Write(L"payload\\A.txt", "new A");
  Write(L"payload\\B.txt", "new B");
  CreateDirectoryW((Dir() + L"payload\\bin").c_str(), nullptr);
  CopyHelper(L"victim.exe", Dir() + L"payload\\bin\\Victim_A.exe");
  Write(L"dest\\A.txt", "old A");
  Write(L"dest\\B.txt", "old B");
  const std::string again = U8(Dir()) + "again.marker";
  Script("", "",
         "Again = RUN¶0¶1¶1¶<DefaultInstallPath>bin\\Victim_A.exe¶- " + again +
             "¶Again\r\n"
             "Stop = KILLTASK¶ Victim_A.exe ,, VICTIM_b.EXE \r\n");
  const std::wstring package = Build();

  CopyHelper(L"victim.exe", Dir() + L"Victim_A.exe");
  CopyHelper(L"victim.exe", Dir() + L"victim_B.exe");
  drive::Process a = drive::Start(Dir() + L"Victim_A.exe", L"\"" + dest_ + L"A.txt\" \"" + Dir() + L"a.marker\"");
  drive::Process b = drive::Start(Dir() + L"victim_B.exe", L"\"" + dest_ + L"B.txt\" \"" + Dir() + L"b.marker\"");
  ASSERT_TRUE(a.started() && b.started());
  ASSERT_TRUE(drive::WaitUntil([&] { return FileExists(Dir() + L"a.marker") && FileExists(Dir() + L"b.marker"); }));
  // While they run, nobody can write their files.
  for (const wchar_t* held : {L"A.txt", L"B.txt"}) {
    HANDLE f = CreateFileW((dest_ + held).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(f, INVALID_HANDLE_VALUE) << "the file is not held: " << U8(held);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  }

  drive::Process p = Launch(package);
  HWND w = OpenWizard(p);
  ASSERT_NE(w, nullptr);
  StartInstallation(w);
  ASSERT_TRUE(WaitFinishPage(w));
  EXPECT_EQ(a.WaitExit(5000), 1u) << "Victim_A.exe was not stopped";
  EXPECT_EQ(b.WaitExit(5000), 1u) << "victim_B.exe was not stopped";
  EXPECT_EQ(ReadFileBytes(dest_ + L"A.txt"), "new A") << "A.txt was unpacked while its holder still ran";
  EXPECT_EQ(ReadFileBytes(dest_ + L"B.txt"), "new B") << "B.txt was unpacked while its holder still ran";

  // Started in the task phase before the KILLTASK line came by: it still runs.
  EXPECT_TRUE(drive::WaitUntil([&] { return FileExists(Widen(again)); }));
  std::vector<DWORD> restarted = ProcessesNamed(L"Victim_A.exe");
  EXPECT_EQ(restarted.size(), 1u) << "the program started by the task phase was stopped";
  PressFinish(w, p);
  for (DWORD pid : restarted) StopProcess(pid);
  EXPECT_FALSE(HasSection(dest_ + L"Uninst0.dat", "InstTasks")) << "KILLTASK and RUN record nothing";
}

// A payload large enough that the unpacking takes a while: many files of
// noise in the root and in two folders.
class InstallCancel : public Install {
 protected:
  static constexpr int kPerFolder = 100;
  static constexpr size_t kFileSize = 192 * 1024;
  const std::vector<std::wstring> folders_ = {L"", L"data\\", L"data\\deep\\"};

  std::wstring LargePackage() {
    unsigned seed = 1;
    for (const std::wstring& folder : folders_)
      for (int i = 0; i < kPerFolder; ++i) Write(L"payload\\" + folder + Name(i), NoiseBytes(kFileSize, seed++));
    Script("", "", "");
    return Build();
  }
  static std::wstring Name(int i) {
    wchar_t buf[16];
    wsprintfW(buf, L"f%03d.bin", i);
    return buf;
  }
  int UnpackedCount() const {
    int n = 0;
    for (const std::wstring& folder : folders_)
      for (int i = 0; i < kPerFolder; ++i) n += FileExists(dest_ + folder + Name(i));
    return n;
  }
  int Total() const { return kPerFolder * static_cast<int>(folders_.size()); }

  // Starts the installation and waits until some files are unpacked.
  HWND StartUnpacking(const drive::Process& p) {
    HWND w = OpenWizard(p);
    if (!w) return nullptr;
    StartInstallation(w);
    EXPECT_TRUE(drive::WaitUntil([this] { return UnpackedCount() >= 10; }, 30000));
    EXPECT_EQ(drive::Text(w, kStatus).rfind(L"Unpacking file:", 0), 0u) << U8(drive::Text(w, kStatus));
    return w;
  }
};

TEST_F(InstallCancel, YesLeavesOnlyWhatWasThereBefore) {
  const std::wstring package = LargePackage();
  Write(L"dest\\keep.txt", "mine");
  Write(L"dest\\data\\keep2.txt", "mine too");
  const std::set<std::string> before = Tree(dest_);

  drive::Process p = Launch(package);
  HWND w = StartUnpacking(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Click(w, kCancel));
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr);
  const int unpacked = UnpackedCount();
  ASSERT_LT(unpacked, Total()) << "the unpacking ended before Cancel was taken";
  EXPECT_EQ(U8(box.title), U8(kConfirmTitle));
  EXPECT_EQ(U8(box.text), U8(kConfirmQuit));
  EXPECT_STREQ(drive::IconName(box.icon), drive::IconName(Icon::kError));
  ASSERT_EQ(NewWorkFolders().size(), 1u);
  EXPECT_TRUE(drive::Answer(box, IDYES));
  EXPECT_EQ(p.WaitExit(), 0u);

  EXPECT_EQ(Tree(dest_), before) << unpacked << " files had been unpacked";
  EXPECT_EQ(ReadFileBytes(dest_ + L"keep.txt"), "mine");
  for (const std::wstring& left : NewWorkFolders()) {
    std::string what;
    for (const std::string& f : Tree(TempFolder() + left + L"\\")) what += " " + f;
    ADD_FAILURE() << "the work folder was left: " << U8(left) << " holding" << what;
  }
}

TEST_F(InstallCancel, NoAndCloseRequestsLetTheUnpackingGoOn) {
  drive::Process p = Launch(LargePackage());
  HWND w = StartUnpacking(p);
  ASSERT_NE(w, nullptr);
  // The close box is taken while files are unpacked and changes nothing.
  drive::CloseBox(w);
  ASSERT_TRUE(drive::WaitUntil([&] { return UnpackedCount() >= 30; }, 30000));
  drive::CloseBox(w);
  ASSERT_TRUE(drive::Click(w, kCancel));
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr);
  ASSERT_LT(UnpackedCount(), Total()) << "the unpacking ended before Cancel was taken";
  EXPECT_EQ(U8(box.text), U8(kConfirmQuit));
  EXPECT_TRUE(drive::Answer(box, IDNO));
  drive::WaitGone(box.window);
  drive::CloseBox(w);

  ASSERT_TRUE(WaitFinishPage(w, 120000)) << "the installation did not complete";
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(UnpackedCount(), Total());
  EXPECT_EQ(drive::WaitMessageBox(p, 500).window, nullptr) << "a message box came up";
  PressFinish(w, p);
  // Every unpacked file is listed for the uninstaller.
  const std::vector<std::string> listed = Section(dest_ + L"Uninst0.dat", "Files");
  const std::set<std::string> paths = [&] {
    std::set<std::string> out;
    for (const std::string& e : listed) out.insert(e.substr(e.find(" = ") + 3));
    return out;
  }();
  for (const std::wstring& folder : folders_)
    for (int i = 0; i < kPerFolder; ++i) EXPECT_EQ(paths.count(U8(dest_ + folder + Name(i))), 1u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

// The group's two links as the install procedure makes them.
class InstallGroup : public Install {
 protected:
  // Next on the destination page leads to the group page; Next there starts
  // the installation.
  HWND ToGroupPage(const drive::Process& p) {
    HWND w = OpenWizard(p);
    if (!w) return nullptr;
    EXPECT_TRUE(drive::Click(w, kNext));
    EXPECT_TRUE(drive::WaitUntil([w] { return drive::Visible(w, kGroupPage); }));
    EXPECT_EQ(drive::Text(w, kGroupField), group_);
    return w;
  }
};

TEST_F(InstallGroup, UninstallLinkButNoWebsiteLinkWithoutAnAddress) {
  Script("", "AutoCreateStartMenu = 1\r\nCreateInternetLink = 1\r\nCreateUninstallLink = 1\r\n", "");
  drive::Process p = Launch(Build());
  HWND w = ToGroupPage(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Click(w, kNext));
  ASSERT_TRUE(WaitFinishPage(w));

  // The link is there before the program it points at.
  EXPECT_EQ(Tree(group_), (std::set<std::string>{"Uninstall.lnk"}));
  EXPECT_FALSE(FileExists(dest_ + L"Uninst0.exe"));
  PressFinish(w, p);
  EXPECT_TRUE(FileExists(dest_ + L"Uninst0.exe"));

  Link link = ReadLink(group_ + L"Uninstall.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(U8(link.target), U8(dest_ + L"Uninst0.exe"));
  EXPECT_EQ(U8(link.folder), U8(dest_));
  EXPECT_EQ(U8(link.icon), U8(dest_ + L"Uninst0.exe"));
  EXPECT_EQ(link.iconIndex, 0);
  EXPECT_EQ(U8(link.description), "");

  EXPECT_EQ(Section(dest_ + L"Uninst0.dat", "InstTasks"),
            (std::vector<std::string>{"AutoStartMenuGroup = CREATEFOLDER¶" + U8(group_),
                                      "AutoStartMenuUninstallLink = NORMALLINK¶" + U8(group_) + "Uninstall.lnk"}));
}

TEST_F(InstallGroup, WebsiteLinkHoldsTheAddress) {
  const std::string address = "http://www.exämple.com/straße?q=1&r=ü";
  Script("Website = " + address + "\r\n", "AutoCreateStartMenu = 1\r\nCreateInternetLink = 1\r\n",
         "Folder = CREATEFOLDER¶<DefaultInstallPath>extra\r\n");
  drive::Process p = Launch(Build());
  HWND w = ToGroupPage(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Click(w, kNext));
  ASSERT_TRUE(WaitFinishPage(w));
  PressFinish(w, p);

  EXPECT_EQ(Tree(group_), (std::set<std::string>{"Website.url"}));
  EXPECT_EQ(ReadFileBytes(group_ + L"Website.url"), "[InternetShortcut]\r\nURL=" + address + "\r\n");
  // The group and its link come first, the tasks after them.
  EXPECT_EQ(Section(dest_ + L"Uninst0.dat", "InstTasks"),
            (std::vector<std::string>{"AutoStartMenuGroup = CREATEFOLDER¶" + U8(group_),
                                      "AutoStartMenuInternetLink = NORMALLINK¶" + U8(group_) + "Website.url",
                                      "Folder = CREATEFOLDER¶" + U8(dest_) + "extra\\"}));
}

TEST_F(InstallGroup, OptOutBoxLeavesTheStartMenuAlone) {
  Script("Website = http://www.example.com/\r\n",
         "AutoCreateStartMenu = 1\r\nForceGroupCreation = 1\r\nCreateInternetLink = 1\r\nCreateUninstallLink = 1\r\n",
         "Folder = CREATEFOLDER¶<DefaultInstallPath>extra\r\n");
  drive::Process p = Launch(Build());
  HWND w = ToGroupPage(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Click(w, kOptOut));
  EXPECT_TRUE(drive::WaitUntil([w] { return drive::Checked(w, kOptOut); }));
  ASSERT_TRUE(drive::Click(w, kNext));
  ASSERT_TRUE(WaitFinishPage(w));
  PressFinish(w, p);

  EXPECT_FALSE(FolderExists(group_));
  EXPECT_TRUE(FolderExists(dest_ + L"extra"));
  EXPECT_EQ(Section(dest_ + L"Uninst0.dat", "InstTasks"),
            (std::vector<std::string>{"Folder = CREATEFOLDER¶" + U8(dest_) + "extra\\"}));
}
