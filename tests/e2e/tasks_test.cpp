// The install tasks of a setup script, carried out in the task phase of a
// real installation and checked where they act: on the disk, in the
// registry, in link files, on the status line and in the install record of
// the uninstall data file.
#include <map>

#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"

namespace {

constexpr int kFinish = 5;
constexpr int kGroupField = 204, kStatus = 253, kFinishOptions = 303;

// The "key=value" lines a run_probe copy wrote beside itself.
std::map<std::string, std::string> ProbeReport(const std::wstring& file) {
  std::map<std::string, std::string> out;
  std::string bytes = ReadFileBytes(file);
  for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line = bytes.substr(at, end - at);
    size_t eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

std::string Utf16Bytes(const std::wstring& s) {
  return std::string(reinterpret_cast<const char*>(s.c_str()), (s.size() + 1) * sizeof(wchar_t));
}

}  // namespace

class Tasks : public DemoInstallTest {
 protected:
  void TearDown() override {
    for (const wchar_t* probe : {L"probe.exe", L"shown.exe", L"later.exe", L"lower.exe"}) StopProcessesNamed(probe);
    DemoInstallTest::TearDown();
  }

  // The setup script with these [iConfig] additions and [InstTasks] lines.
  void Script(const std::string& config, const std::string& tasks) {
    WriteScript(DemoApp(dest_, "", config, tasks));
  }

  // Builds and starts the package and walks the wizard until the
  // installation runs (through the group page, which names the group, when
  // `group`).
  HWND BuildAndStart(drive::Process* p, bool group = false) {
    *p = Launch(Build());
    HWND w = WaitWizard(*p);
    if (!w) return nullptr;
    if (group) {
      EXPECT_TRUE(WalkTo(w, kPageGroup));
      EXPECT_EQ(drive::Text(w, kGroupField), group_);
    }
    EXPECT_TRUE(WalkTo(w, kPageInstallation));
    return w;
  }

  // Runs the installation to the finish page. The last status text stays
  // on the (hidden) installation page; it is returned.
  std::string InstallToFinishPage(drive::Process* p, HWND* w, bool group = false) {
    *w = BuildAndStart(p, group);
    if (!*w) return std::string();
    EXPECT_TRUE(WaitFinishPage(*w)) << "the finish page did not come";
    return Narrow(drive::Text(*w, kStatus));
  }

  std::vector<std::string> Record() { return Section(dest_ + L"Uninst0.dat", "InstTasks"); }
};

TEST_F(Tasks, UnknownAndEmptyLinesDoNothing) {
  CopyHelper(L"run_probe.exe", Dir() + L"payload\\lower.exe");
  Script("",
         "Empty = \r\n"
         "Lower = run¶1¶1¶1¶<DefaultInstallPath>lower.exe¶/q¶Lower\r\n"
         "Stop = KILLTASK¶nothing_of_this_name.exe\r\n");
  drive::Process p;
  HWND w;
  // No task set a text of its own: the last one of the unpacking stays.
  EXPECT_EQ(InstallToFinishPage(&p, &w).rfind("Unpacking file: ", 0), 0u);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(drive::Visible(w, kFinishOptions)) << "a lower-case run line offers nothing";
  PressFinish(w, p);
  // The run has ended: a probe it had started would still run or would have
  // written its report.
  EXPECT_TRUE(NeverStarted(L"lower.exe", dest_ + L"lower.txt")) << "the lower-case run line started its program";
  EXPECT_FALSE(HasSection(dest_ + L"Uninst0.dat", "InstTasks"));
}

TEST_F(Tasks, RunStartsTheProgramInItsFolderAndWaitsForIt) {
  for (const wchar_t* name : {L"probe.exe", L"shown.exe", L"later.exe"})
    CopyHelper(L"run_probe.exe", Dir() + L"payload\\" + name);
  Write(L"payload\\probe.hold", "");
  Script("",
         "Hidden = RUN¶1¶1¶1¶<DefaultInstallPath>probe.exe¶/q¶Probe\r\n"
         "After = CREATEFOLDER¶<DefaultInstallPath>after\r\n"
         "Shown = RUN¶1¶0¶1¶<DefaultInstallPath>shown.exe¶two words¶Shown\r\n"
         "Later = RUN¶1¶1¶0¶<DefaultInstallPath>later.exe¶¶Later\r\n");
  drive::Process p;
  HWND w = BuildAndStart(&p);
  ASSERT_NE(w, nullptr);

  ASSERT_TRUE(drive::WaitUntil([&] { return FileExists(dest_ + L"probe.txt"); }, 60000)) << "probe.exe did not run";
  std::map<std::string, std::string> hidden = ProbeReport(dest_ + L"probe.txt");
  EXPECT_EQ(hidden["args"], "/q");
  EXPECT_EQ(hidden["cwd"] + "\\", Narrow(dest_));
  EXPECT_EQ(hidden["show"], "0") << "started without SW_HIDE";
  EXPECT_EQ(hidden["nshow"], "0");
  // The installer waits for the program, which is held: the next task has
  // not run.
  EXPECT_FALSE(FolderExists(dest_ + L"after"));
  EXPECT_FALSE(drive::Visible(w, kFinish));
  Write(L"dest\\probe.go", "");

  ASSERT_TRUE(WaitFinishPage(w));
  EXPECT_EQ(Narrow(drive::Text(w, kStatus)), "Running applications...");
  EXPECT_TRUE(FolderExists(dest_ + L"after"));
  std::map<std::string, std::string> shown = ProbeReport(dest_ + L"shown.txt");
  EXPECT_EQ(shown["args"], "two words");
  EXPECT_EQ(shown["cwd"] + "\\", Narrow(dest_));
  EXPECT_EQ(shown["show"], "5");
  // Run-now 0: offered on the finish page, not run in the task phase (which
  // is over: a probe it had started would still run or would have written
  // its report).
  EXPECT_TRUE(NeverStarted(L"later.exe", dest_ + L"later.txt"));
  ASSERT_EQ(drive::TreeItems(w, kFinishOptions).size(), 1u);
  ASSERT_TRUE(drive::ToggleTreeItem(w, kFinishOptions, 0));
  EXPECT_EQ(drive::TreeTicks(w, kFinishOptions), std::vector<bool>{false});
  PressFinish(w, p);
  EXPECT_TRUE(NeverStarted(L"later.exe", dest_ + L"later.txt")) << "the unticked option ran";
  EXPECT_EQ(Record(), std::vector<std::string>{"After = CREATEFOLDER¶" + Narrow(dest_) + "after\\"});
}

class RegistryTasks : public Tasks {
 protected:
  void SetUp() override {
    Tasks::SetUp();
    CleanKeys();
    EXPECT_TRUE(drive::MakeKey(HKEY_LOCAL_MACHINE, L"Software\\X"));
    EXPECT_TRUE(drive::MakeKey(HKEY_CLASSES_ROOT, L"TarnTestX"));
    EXPECT_TRUE(drive::MakeKey(HKEY_CURRENT_USER, L"Software\\TarnTest\\Str"));
    SetText(HKEY_CURRENT_USER, L"Software\\TarnTest\\Del", L"Gone", L"x");
    SetText(HKEY_CURRENT_USER, L"Software\\TarnTest\\Del", L"Keep", L"y");
    EXPECT_TRUE(drive::MakeKey(HKEY_CURRENT_USER, L"Software\\TarnTest\\Leaf"));
    EXPECT_TRUE(drive::MakeKey(HKEY_CURRENT_USER, L"Software\\TarnTest\\Branch\\Child"));
  }
  void TearDown() override {
    CleanKeys();
    Tasks::TearDown();
  }
  static void CleanKeys() {
    CleanUp({}, {{HKEY_LOCAL_MACHINE, L"Software\\X"}, {HKEY_CLASSES_ROOT, L"TarnTestX"},
                 {HKEY_CURRENT_USER, L"Software\\TarnTest"}});
  }
};

TEST_F(RegistryTasks, ValuesAndKeysAreWrittenDeletedAndRecorded) {
  const std::string dword = "REGADDVALUE¶HKLM¶Ver¶$10¶Software\\X¶REG_DWORD";
  const std::string key = "REGADDKEY¶HKCU¶¶¶Software\\TarnTest\\New\\Deep";
  Script("",
         "Dword = " + dword +
             "\r\n"
             "NoKey = REGADDVALUE¶HKLM¶Ver¶$10¶Software\\X\\Missing¶REG_DWORD\r\n"
             "Classes = REGADDVALUE¶HKCR¶Ver¶$10¶TarnTestX¶REG_DWORD\r\n"
             "Lower = REGADDVALUE¶hklm¶Lower¶$10¶Software\\X¶REG_DWORD\r\n"
             "Text = REGADDVALUE¶HKCU¶Name¶<DefaultInstallPath>App.exe¶Software\\TarnTest\\Str¶REG_SZ\r\n"
             "NewKey = " +
             key +
             "\r\n"
             "DelValue = REGDELVALUE¶HKCU¶Gone¶¶Software\\TarnTest\\Del\r\n"
             "DelLeaf = REGDELKEY¶HKCU¶¶¶Software\\TarnTest\\Leaf\r\n"
             "DelBranch = REGDELKEY¶HKCU¶¶¶Software\\TarnTest\\Branch\r\n"
             "Last = REGADDVALUE¶HKLM¶Ver¶$10¶Software\\X\\Missing¶REG_DWORD\r\n");
  drive::Process p;
  HWND w;
  // The failing value at the end shows no text of its own.
  EXPECT_EQ(InstallToFinishPage(&p, &w), "Deleting registry key...");
  ASSERT_NE(w, nullptr);
  PressFinish(w, p);

  DWORD type = REG_NONE;
  std::string bytes;
  drive::ReadValue(HKEY_LOCAL_MACHINE, L"Software\\X", L"Ver", &type, &bytes);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes, std::string("\x10\0\0\0", 4));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\X\\Missing")) << "a missing key was created";
  EXPECT_FALSE(ValueExists(HKEY_CLASSES_ROOT, L"TarnTestX", L"Ver")) << "HKCR is not a root name";
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, L"Software\\X", L"Lower")) << "root names are case-sensitive";
  type = REG_NONE;
  drive::ReadValue(HKEY_CURRENT_USER, L"Software\\TarnTest\\Str", L"Name", &type, &bytes);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, Utf16Bytes(dest_ + L"App.exe"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnTest\\New\\Deep"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, L"Software\\TarnTest\\Del", L"Gone"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, L"Software\\TarnTest\\Del", L"Keep"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnTest\\Leaf"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnTest\\Branch\\Child")) << "a key with sub-keys stays";

  // The whole line, tokens expanded, for the values and keys that were made.
  EXPECT_EQ(Record(),
            (std::vector<std::string>{
                "Dword = " + dword,
                "Text = REGADDVALUE¶HKCU¶Name¶" + Narrow(dest_) + "App.exe¶Software\\TarnTest\\Str¶REG_SZ",
                "NewKey = " + key}));
}

class FolderTasks : public Tasks {
 protected:
  void ReadOnly(const std::wstring& relative, const std::string& content) {
    Write(relative, content);
    SetFileAttributesW((Dir() + relative).c_str(), FILE_ATTRIBUTE_READONLY);
  }
  // Files and folders below a folder of the test's, relative to it.
  std::set<std::string> Tree(const std::wstring& relative) { return ::Tree(Dir() + relative); }
};

TEST_F(FolderTasks, DeleteFolderFollowsItsRecursiveAndForceFlags) {
  Write(L"t1\\a.txt", "a");
  ReadOnly(L"t1\\ro.txt", "ro");
  Write(L"t1\\s1\\b.txt", "b");
  Write(L"t1\\s1\\s2\\c.txt", "c");
  Write(L"t1\\s3\\d.txt", "d");
  ReadOnly(L"t1\\s3\\ro2.txt", "ro2");
  Write(L"t2\\a.txt", "a");
  Write(L"t2\\b.txt", "b");
  Write(L"t2\\sub\\c.txt", "c");
  Write(L"t3\\a.txt", "a");
  Write(L"t3\\b.txt", "b");
  ReadOnly(L"t4\\a.txt", "a");
  ReadOnly(L"t4\\sub\\b.txt", "b");
  ReadOnly(L"t4\\sub\\deeper\\c.txt", "c");
  const std::string base = Narrow(Dir());
  Script("",
         "Recursive = DELETEFOLDER¶" + base + "t1¶1¶0\r\n" +  //
             "Flat = DELETEFOLDER¶" + base + "t2\\¶0¶0\r\n" +  //
             "FilesOnly = DELETEFOLDER¶" + base + "t3¶0¶0\r\n" +
             "Forced = DELETEFOLDER¶" + base + "t4¶1¶1\r\n");
  drive::Process p;
  HWND w;
  EXPECT_EQ(InstallToFinishPage(&p, &w), "Deleting folder...");
  ASSERT_NE(w, nullptr);
  PressFinish(w, p);

  EXPECT_EQ(Tree(L"t1\\"), (std::set<std::string>{"ro.txt", "s3\\", "s3\\ro2.txt"}));
  EXPECT_EQ(Tree(L"t2\\"), (std::set<std::string>{"sub\\", "sub\\c.txt"}));
  EXPECT_FALSE(FolderExists(Dir() + L"t3"));
  EXPECT_FALSE(FolderExists(Dir() + L"t4"));
  EXPECT_FALSE(HasSection(dest_ + L"Uninst0.dat", "InstTasks")) << "DELETEFOLDER records nothing";
}

TEST_F(FolderTasks, FileAndFolderTasks) {
  Write(L"payload\\m1.txt", "first");
  Write(L"payload\\m2.txt", "second");
  Write(L"payload\\old.txt", "old");
  Write(L"payload\\c.txt", "copy me");
  Write(L"payload\\gone.txt", "x");
  Script("",
         "MoveLost = MOVEFILE¶<DefaultInstallPath>m1.txt¶<DefaultInstallPath>nowhere\\m1.txt\r\n"
         "MoveOver = MOVEFILE¶<DefaultInstallPath>m2.txt¶<DefaultInstallPath>old.txt\r\n"
         "Copy = COPYFILE¶<DefaultInstallPath>c.txt¶<DefaultInstallPath>c-copy.txt\r\n"
         "FolderOne = CREATEFOLDER¶<DefaultInstallPath>one\r\n"
         "FolderTwo = CREATEFOLDER¶<DefaultInstallPath>two\\\r\n"
         "Orphan = CREATEFOLDER¶<DefaultInstallPath>missing\\child\r\n"
         "Again = CREATEFOLDER¶<DefaultInstallPath>one\r\n"
         "Remove = DELETEFILE¶<DefaultInstallPath>gone.txt\r\n");
  drive::Process p;
  HWND w;
  EXPECT_EQ(InstallToFinishPage(&p, &w), "Removing existing files...");
  ASSERT_NE(w, nullptr);
  PressFinish(w, p);

  EXPECT_EQ(ReadFileBytes(dest_ + L"m1.txt"), "first") << "a failed move lost its source";
  EXPECT_FALSE(FolderExists(dest_ + L"nowhere"));
  EXPECT_EQ(ReadFileBytes(dest_ + L"old.txt"), "second");
  EXPECT_FALSE(FileExists(dest_ + L"m2.txt"));
  EXPECT_EQ(ReadFileBytes(dest_ + L"c-copy.txt"), "copy me");
  EXPECT_EQ(ReadFileBytes(dest_ + L"c.txt"), "copy me");
  EXPECT_TRUE(FolderExists(dest_ + L"one"));
  EXPECT_TRUE(FolderExists(dest_ + L"two"));
  EXPECT_FALSE(FolderExists(dest_ + L"missing"));
  EXPECT_FALSE(FileExists(dest_ + L"gone.txt"));
  // Two CREATEFOLDER lines, two records under their own names; the folder
  // that already existed is not recorded again.
  EXPECT_EQ(Record(), (std::vector<std::string>{"Copy = COPYFILE¶" + Narrow(dest_) + "c-copy.txt",
                                                "FolderOne = CREATEFOLDER¶" + Narrow(dest_) + "one\\",
                                                "FolderTwo = CREATEFOLDER¶" + Narrow(dest_) + "two\\"}));
}

class LinkTasks : public Tasks {
 protected:
  void TearDown() override {
    DeleteFileW(L"C:\\TarnRoot.lnk");
    Tasks::TearDown();
  }
};

TEST_F(LinkTasks, LinksInTheGroupAndTheDriveRoot) {
  const std::string address = "http://example.com/päge";
  Script("AutoCreateStartMenu = 1\r\n",
         "Home = INTERNETLINK¶17¶Home¶" + address +
             "¶0\r\n"
             "Tool = NORMALLINK¶17¶Tool.LNK¶<DefaultInstallPath>\\App.exe¶0¶1¶Tool\r\n"
             "Root = NORMALLINK¶18¶TarnRoot¶<DefaultInstallPath>App.exe¶0¶0¶Root\r\n"
             "App = NORMALLINK¶17¶App¶<DefaultInstallPath>App.exe¶0¶0¶App\r\n"
             "Later = NORMALLINK¶17¶Later¶<DefaultInstallPath>App.exe¶1¶0¶Later\r\n");
  drive::Process p;
  HWND w;
  EXPECT_EQ(InstallToFinishPage(&p, &w, true), "Creating shortcut...");
  ASSERT_NE(w, nullptr);
  // Field 5 "1": a finish option, nothing in the task phase.
  EXPECT_FALSE(FileExists(group_ + L"Later.lnk"));
  ASSERT_EQ(drive::TreeItems(w, kFinishOptions).size(), 1u);
  ASSERT_TRUE(drive::ToggleTreeItem(w, kFinishOptions, 0));
  PressFinish(w, p);

  EXPECT_EQ(drive::Tree(group_), (std::set<std::string>{"App.lnk", "Home.url", "Tool.LNK"}));
  EXPECT_EQ(ReadFileBytes(group_ + L"Home.url"), "[InternetShortcut]\r\nURL=" + address + "\r\n");

  Link app = ReadLink(group_ + L"App.lnk");
  ASSERT_TRUE(app.loaded);
  EXPECT_EQ(Narrow(app.target), Narrow(dest_ + L"App.exe"));
  EXPECT_EQ(Narrow(app.folder), Narrow(dest_));
  EXPECT_EQ(Narrow(app.icon), Narrow(dest_ + L"App.exe"));
  EXPECT_EQ(app.iconIndex, 0);
  EXPECT_EQ(Narrow(app.description), "App");
  EXPECT_EQ(app.show, SW_SHOWNORMAL);
  Link tool = ReadLink(group_ + L"Tool.LNK");
  ASSERT_TRUE(tool.loaded);
  EXPECT_EQ(Narrow(tool.target), Narrow(dest_ + L"App.exe")) << "the doubled backslash after the token is collapsed";
  EXPECT_EQ(tool.iconIndex, 1);

  // Index 18 names "\": the root of the installer's current drive, here the
  // drive of the package's folder.
  EXPECT_TRUE(FileExists(L"C:\\TarnRoot.lnk"));

  EXPECT_EQ(Record(), (std::vector<std::string>{"AutoStartMenuGroup = CREATEFOLDER¶" + Narrow(group_),
                                                "Home = NORMALLINK¶" + Narrow(group_) + "Home.url",
                                                "Tool = NORMALLINK¶" + Narrow(group_) + "Tool.LNK",
                                                "Root = NORMALLINK¶\\TarnRoot.lnk",
                                                "App = NORMALLINK¶" + Narrow(group_) + "App.lnk"}));
}
