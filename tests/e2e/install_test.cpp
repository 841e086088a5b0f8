// The installation as a person starts it from the wizard: the names of the
// uninstaller, the progress of the task phase, programs stopped before the
// unpacking, Cancel and the close box while files are unpacked, and the
// Start-menu group with its two links.
#include <cstdlib>

#include "tests/driver/package_fixture.h"
#include "tests/driver/screen.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"

using drive::Icon;

namespace {

// Wizard controls.
constexpr int kCancel = 0, kNext = 1, kFinish = 5;
constexpr int kGroupField = 204, kOptOut = 205, kStatus = 253, kProgress = 254;

}  // namespace

class Install : public DemoInstallTest {
 protected:
  void TearDown() override {
    // Programs a failed test may have left running hold files of its folder.
    CleanUp({L"Victim_A.exe", L"victim_B.exe", L"run_probe.exe", L"step1.exe", L"step2.exe", L"step3.exe",
             L"step4.exe"}, {});
    DemoInstallTest::TearDown();
  }

  // The setup script: [GeneralInformation] additions, [iConfig] additions
  // and the [InstTasks] lines ("name = line" each ending with CR LF).
  void Script(const std::string& general, const std::string& config, const std::string& tasks) {
    WriteScript(DemoApp(dest_, general, config, tasks));
  }

  // Starts the package and goes on to the destination page.
  HWND OpenWizard(const drive::Process& p) {
    HWND w = WaitWizard(p);
    if (!w) return nullptr;
    EXPECT_TRUE(WalkTo(w, kPageDestination));
    EXPECT_EQ(drive::Text(w, 153), dest_);
    return w;
  }

  // A whole run without a group: welcome, destination, installation, Finish.
  void RunThrough(const std::wstring& package) {
    drive::Process p = Launch(package);
    HWND w = OpenWizard(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageFinish)) << "the finish page did not come";
    PressFinish(w, p);
  }
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

    std::set<std::string> expected = {"App.exe", Narrow(c.stem) + ".exe", Narrow(c.stem) + ".dat"};
    for (const auto& f : c.files) expected.insert(Narrow(f.first) + (f.second.empty() ? "\\" : ""));
    EXPECT_EQ(Tree(dest_), expected);
    EXPECT_EQ(ReadFileBytes(dest_ + c.stem + L".exe").substr(0, 2), "MZ");
    EXPECT_EQ(Value(Section(dest_ + c.stem + L".dat", "uConfig"), "InstallPath"), Narrow(dest_));
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
    tasks += "Step" + std::to_string(k) + " = RUN¶1¶1¶1¶<DefaultInstallPath>" + Narrow(name) + ".exe¶¶Step\r\n";
  }
  Script("", "", tasks);
  drive::Process p = Launch(Build());
  HWND w = OpenWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageInstallation));

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
  const std::string again = Narrow(Dir()) + "again.marker";
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
    EXPECT_EQ(f, INVALID_HANDLE_VALUE) << "the file is not held: " << Narrow(held);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  }

  drive::Process p = Launch(package);
  HWND w = OpenWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageFinish));
  EXPECT_EQ(a.WaitExit(), 1u) << "Victim_A.exe was not stopped";
  EXPECT_EQ(b.WaitExit(), 1u) << "victim_B.exe was not stopped";
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

// A payload of many files of noise in the root and in two folders, and
// Cancel pressed while they are unpacked.
class InstallCancel : public Install {
 protected:
  static constexpr int kPerFolder = 100;
  static constexpr size_t kFileSize = 192 * 1024;
  // Requests posted ahead of Cancel.
  static constexpr int kAhead = 20;
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

  // Next on the destination page starts the unpacking; posted right behind
  // it come kAhead requests that change nothing (the close box's, or empty
  // messages), then a click on Cancel. The program takes no message between
  // Next and the first entry, and then one posted message after each entry
  // it unpacks: Cancel is taken, and its question holds the unpacking, only
  // once kAhead entries are unpacked (App.exe and the two folders may be
  // among them).
  drive::MessageBoxInfo CancelBehind(const drive::Process& p, HWND w, bool closeBox) {
    EXPECT_TRUE(drive::Click(w, kNext));
    for (int i = 0; i < kAhead; ++i) {
      if (closeBox) drive::CloseBox(w);
      else PostMessageW(w, WM_NULL, 0, 0);
    }
    EXPECT_TRUE(drive::PostClick(w, kCancel));
    drive::MessageBoxInfo box = drive::WaitMessageBox(p, 60000);
    EXPECT_NE(box.window, nullptr) << "Cancel did not ask";
    if (box.window) {
      EXPECT_GE(UnpackedCount(), kAhead - 3) << "Cancel was taken before its turn";
      EXPECT_EQ(drive::Text(w, kStatus).rfind(L"Unpacking file: ", 0), 0u) << Narrow(drive::Text(w, kStatus));
    }
    return box;
  }
};

TEST_F(InstallCancel, YesLeavesOnlyWhatWasThereBefore) {
  const std::wstring package = LargePackage();
  Write(L"dest\\keep.txt", "mine");
  Write(L"dest\\data\\keep2.txt", "mine too");
  const std::set<std::string> before = Tree(dest_);

  drive::Process p = Launch(package);
  HWND w = OpenWizard(p);
  ASSERT_NE(w, nullptr);
  drive::MessageBoxInfo box = CancelBehind(p, w, false);
  ASSERT_NE(box.window, nullptr);
  const int unpacked = UnpackedCount();
  ASSERT_LT(unpacked, Total()) << "the unpacking ended before Cancel was taken";
  EXPECT_EQ(Narrow(box.title), Narrow(kConfirmTitle));
  EXPECT_EQ(Narrow(box.text), Narrow(kConfirmQuit));
  EXPECT_STREQ(drive::IconName(box.icon), drive::IconName(Icon::kError));
  ASSERT_EQ(NewWorkFolders().size(), 1u);
  EXPECT_TRUE(drive::Answer(box, IDYES));
  EXPECT_EQ(p.WaitExit(), 0u);

  EXPECT_EQ(Tree(dest_), before) << unpacked << " files had been unpacked";
  EXPECT_EQ(ReadFileBytes(dest_ + L"keep.txt"), "mine");
  for (const std::wstring& left : NewWorkFolders()) {
    std::string what;
    for (const std::string& f : Tree(TempFolder() + left + L"\\")) what += " " + f;
    ADD_FAILURE() << "the work folder was left: " << Narrow(left) << " holding" << what;
  }
}

TEST_F(InstallCancel, NoAndCloseRequestsLetTheUnpackingGoOn) {
  drive::Process p = Launch(LargePackage());
  HWND w = OpenWizard(p);
  ASSERT_NE(w, nullptr);
  // The close box, pressed again and again while files are unpacked: each
  // request is taken and changes nothing, then Cancel asks.
  drive::MessageBoxInfo box = CancelBehind(p, w, true);
  ASSERT_NE(box.window, nullptr);
  ASSERT_LT(UnpackedCount(), Total()) << "the unpacking ended before Cancel was taken";
  EXPECT_EQ(Narrow(box.text), Narrow(kConfirmQuit));
  // Pressed while the question is open, the close box is taken by its loop.
  drive::CloseBox(w);
  EXPECT_TRUE(drive::Answer(box, IDNO));
  drive::CloseBox(w);

  ASSERT_TRUE(WaitFinishPage(w, 120000)) << "the installation did not complete";
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(UnpackedCount(), Total());
  // Finish is posted behind every close request and taken after them: a
  // question one of them brought up would hold the run, and only Finish
  // writes the uninstall data read below.
  ASSERT_TRUE(drive::PostClick(w, kFinish));
  EXPECT_EQ(p.WaitExit(), 0u);
  // Every unpacked file is listed for the uninstaller.
  const std::vector<std::string> listed = Section(dest_ + L"Uninst0.dat", "Files");
  const std::set<std::string> paths = [&] {
    std::set<std::string> out;
    for (const std::string& e : listed) out.insert(e.substr(e.find(" = ") + 3));
    return out;
  }();
  for (const std::wstring& folder : folders_)
    for (int i = 0; i < kPerFolder; ++i) EXPECT_EQ(paths.count(Narrow(dest_ + folder + Name(i))), 1u);
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
    EXPECT_TRUE(WalkTo(w, kPageGroup));
    EXPECT_EQ(drive::Text(w, kGroupField), group_);
    return w;
  }
};

TEST_F(InstallGroup, UninstallLinkButNoWebsiteLinkWithoutAnAddress) {
  Script("", "AutoCreateStartMenu = 1\r\nCreateInternetLink = 1\r\nCreateUninstallLink = 1\r\n", "");
  drive::Process p = Launch(Build());
  HWND w = ToGroupPage(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageFinish));

  // The link is there before the program it points at.
  EXPECT_EQ(Tree(group_), (std::set<std::string>{"Uninstall.lnk"}));
  EXPECT_FALSE(FileExists(dest_ + L"Uninst0.exe"));
  PressFinish(w, p);
  EXPECT_TRUE(FileExists(dest_ + L"Uninst0.exe"));

  Link link = ReadLink(group_ + L"Uninstall.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(Narrow(link.target), Narrow(dest_ + L"Uninst0.exe"));
  EXPECT_EQ(Narrow(link.folder), Narrow(dest_));
  EXPECT_EQ(Narrow(link.icon), Narrow(dest_ + L"Uninst0.exe"));
  EXPECT_EQ(link.iconIndex, 0);
  EXPECT_EQ(Narrow(link.description), "");

  EXPECT_EQ(Section(dest_ + L"Uninst0.dat", "InstTasks"),
            (std::vector<std::string>{"AutoStartMenuGroup = CREATEFOLDER¶" + Narrow(group_),
                                      "AutoStartMenuUninstallLink = NORMALLINK¶" + Narrow(group_) + "Uninstall.lnk"}));
}

TEST_F(InstallGroup, WebsiteLinkHoldsTheAddress) {
  const std::string address = "http://www.exämple.com/straße?q=1&r=ü";
  Script("Website = " + address + "\r\n", "AutoCreateStartMenu = 1\r\nCreateInternetLink = 1\r\n",
         "Folder = CREATEFOLDER¶<DefaultInstallPath>extra\r\n");
  drive::Process p = Launch(Build());
  HWND w = ToGroupPage(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageFinish));
  PressFinish(w, p);

  EXPECT_EQ(Tree(group_), (std::set<std::string>{"Website.url"}));
  EXPECT_EQ(ReadFileBytes(group_ + L"Website.url"), "[InternetShortcut]\r\nURL=" + address + "\r\n");
  // The group and its link come first, the tasks after them.
  EXPECT_EQ(Section(dest_ + L"Uninst0.dat", "InstTasks"),
            (std::vector<std::string>{"AutoStartMenuGroup = CREATEFOLDER¶" + Narrow(group_),
                                      "AutoStartMenuInternetLink = NORMALLINK¶" + Narrow(group_) + "Website.url",
                                      "Folder = CREATEFOLDER¶" + Narrow(dest_) + "extra\\"}));
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
  ASSERT_TRUE(WalkTo(w, kPageFinish));
  PressFinish(w, p);

  EXPECT_FALSE(FolderExists(group_));
  EXPECT_TRUE(FolderExists(dest_ + L"extra"));
  EXPECT_EQ(Section(dest_ + L"Uninst0.dat", "InstTasks"),
            (std::vector<std::string>{"Folder = CREATEFOLDER¶" + Narrow(dest_) + "extra\\"}));
}

// With nothing to unpack and no tasks, the first status line of the
// installation is the last one: the group's when a group is made.
TEST_F(InstallGroup, FirstStatusLineStaysWhenNothingIsUnpacked) {
  DeleteFileW((Dir() + L"payload\\App.exe").c_str());
  for (bool group : {false, true}) {
    SCOPED_TRACE(group ? "with a group" : "without a group");
    Script("", group ? "AutoCreateStartMenu = 1\r\n" : "", "");
    drive::Process p = Launch(Build(group ? L"group.exe" : L"plain.exe"));
    HWND w = group ? ToGroupPage(p) : OpenWizard(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageFinish));
    EXPECT_EQ(Narrow(drive::Text(w, kStatus)), group ? "Creating program groups..." : "Preparing to install...");
    EXPECT_EQ(FolderExists(group_), group);
    PressFinish(w, p);
    RemoveTree(dest_);
    RemoveTree(group_);
  }
}
