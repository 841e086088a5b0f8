// Install and uninstall with real packages: what a package puts on the
// machine (files, folders, the Start-menu group and its links, registry
// keys and values, an association, a service, a registered server, the
// uninstall entry, the uninstaller and its data) is gone again after its
// uninstaller ran, and what was there before stays.
//
// The packages are built on the test build of the stub, which carries the
// uninstaller build that only records restart requests.
#include <memory>

#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"

using drive::Icon;

namespace {

constexpr wchar_t kTitle[] = L"Cycle Demo v.1.0 :: Setup";
constexpr int kFinish = 5;

// The second stage of an uninstaller: the numbered copy in the temporary
// folder that the installed uninstaller starts.
struct SecondStage {
  drive::Process process;
  std::wstring program;
};

}  // namespace

class UninstallCycle : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    UseStub(StubFile(L"-test"));
    dest_ = Dir() + L"dest\\";
    group_ = CommonPrograms() + L"Cycle Demo\\";
    service_ = L"TarnCycle" + std::to_wstring(GetCurrentProcessId());
    Clean();
  }

  void TearDown() override {
    if (stage_ && stage_->process.Running()) {
      ADD_FAILURE() << "the uninstaller was still running at the end of the test";
      stage_->process.Kill();
    }
    // Should a test fail half-way, the temporary data copy may still be there.
    if (stage_ && !stage_->program.empty())
      DeleteFileW((stage_->program.substr(0, stage_->program.size() - 3) + L"dat").c_str());
    Clean();
    PackageTest::TearDown();
  }

  void Clean() {
    CleanUp({}, {{HKEY_CURRENT_USER, L"Software\\TarnCycle"}, {HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Cycle Demo")},
                 {HKEY_CLASSES_ROOT, L".tarncyc"}, {HKEY_CLASSES_ROOT, L"tarncyc_auto_file"},
                 {HKEY_CLASSES_ROOT, L"Applications\\App.exe"},
                 {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.tarncyc"}},
            {group_});
    RemoveService(service_);
  }

  // The setup script: a group with both links, the uninstaller's icon for
  // the registration, install tasks and uninstall tasks (lines "name = line").
  void Script(const std::string& tasks, const std::string& uninstallTasks) {
    WriteScript(ScriptText("Cycle Demo")
                    .Add("CompanyName = Tarn Co\r\nWebsite = http://tarn.invalid/\r\n")
                    .Section("iConfig")
                    .Dest(dest_)
                    .Add("PathChangeable = 1\r\nAutoCreateStartMenu = 1\r\nCreateInternetLink = 1\r\nCreateUninstallLink = 1\r\n")
                    .Section("uConfig", "IconExtUninst = 1\r\n")
                    .Section("InstTasks", tasks)
                    .Section("UninstTasks", uninstallTasks));
  }

  // Welcome, destination, group page, installation, Finish.
  void Install() {
    drive::Process p = Launch(Build());
    HWND w = WaitWizard(p, kTitle);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageGroup));
    ASSERT_TRUE(WalkTo(w, kPageFinish));
    ASSERT_TRUE(drive::Click(w, kFinish));
    EXPECT_EQ(p.WaitExit(), 0u);
    ASSERT_TRUE(FileExists(dest_ + L"Uninst0.exe"));
    ASSERT_TRUE(FileExists(dest_ + L"Uninst0.dat"));
  }

  // Starts the installed uninstaller as the uninstall entry does, confirms
  // and waits until it and its temporary copy are gone.
  void Uninstall() {
    const std::wstring command =
        GetText(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Cycle Demo"), L"UninstallString");
    ASSERT_EQ(Narrow(command), "\"" + Narrow(dest_) + "Uninst0.exe\"");
    drive::Process first = Launch(command.substr(1, command.size() - 2));
    stage_.reset(new SecondStage);
    std::wstring name;
    stage_->process = WaitSecondStage(first, &name);
    if (stage_->process.started()) stage_->program = TempFolder() + name;
    EXPECT_EQ(first.WaitExit(), 0u);
    ASSERT_TRUE(stage_->process.started()) << "the uninstaller started no copy of itself";
    EXPECT_MESSAGE(stage_->process, L"Please confirm", L"Are you sure you want to uninstall Cycle Demo?",
                   Icon::kQuestion, IDYES);
    EXPECT_MESSAGE(stage_->process, L"Success", L"The program was uninstalled successfully.", Icon::kInformation, IDOK);
    EXPECT_EQ(stage_->process.WaitExit(), 0u);
    EXPECT_TRUE(drive::WaitUntil([&] { return !Exists(stage_->program); }, 15000))
        << "the temporary copy " << Narrow(stage_->program) << " was not deleted";
    const std::wstring dataCopy = stage_->program.substr(0, stage_->program.size() - 3) + L"dat";
    EXPECT_FALSE(Exists(dataCopy)) << "the temporary data copy " << Narrow(dataCopy) << " stayed";
  }

  std::wstring dest_, group_, service_;
  std::unique_ptr<SecondStage> stage_;
};

TEST_F(UninstallCycle, EverythingTheInstallationAddedIsRemoved) {
  Write(L"payload\\sub\\b.txt", "b");
  Write(L"payload\\docs\\empty.txt", "");
  // Outside the install folder: a folder the user has (it stays) and the
  // server that the package copies there and registers.
  const std::wstring outside = Dir() + L"outside\\";
  Write(L"outside\\mine.txt", "the user's");
  Write(L"payload\\gate.dll", ReadFileBytes(BinFolder() + L"uninstall_gate.dll"));
  const std::string p = kPilcrow;
  const std::string o = Narrow(outside);
  const std::string bin = Narrow(BinFolder());
  Write(L"probe\\uninstall_probe.exe", ReadFileBytes(BinFolder() + L"uninstall_probe.exe"));
  const std::wstring probeLog = Dir() + L"probe\\uninstall_probe.exe.log";
  Script("Key = REGADDKEY" + p + "HKCU" + p + p + p +
             "Software\\TarnCycle\r\n"
             "Value = REGADDVALUE" +
             p + "HKCU" + p + "Path" + p + "<DefaultInstallPath>" + p + "Software\\TarnCycle" + p +
             "REG_SZ\r\n"
             "Link = NORMALLINK" +
             p + "17" + p + "Read me" + p + "<DefaultInstallPath>\\sub\\b.txt" + p + "0" + p + "0" + p +
             "Docs\r\n"
             "Web = INTERNETLINK" +
             p + "17" + p + "Home" + p + "http://tarn.invalid/home" + p +
             "0\r\n"
             "Data = CREATEFOLDER" +
             p +
             "<DefaultInstallPath>\\data\r\n"
             "Made = CREATEFOLDER" +
             p + o +
             "made by setup\r\n"
             "Copy = COPYFILE" +
             p + "<DefaultInstallPath>\\sub\\b.txt" + p + o +
             "b copy.txt\r\n"
             "CopyServer = COPYFILE" +
             p + "<DefaultInstallPath>\\gate.dll" + p + o +
             "gate.dll\r\n"
             "Server = REGISTERSERVER" +
             p + o +
             "gate.dll\r\n"
             "Assoc = ASSOCIATEEXTENSION" +
             p + "tarncyc" + p + "Cycle Document" + p + "<DefaultInstallPath>\\App.exe" + p +
             "0\r\n"
             "Service = INSTALLSERVICE" +
             p + Narrow(service_) + p + "Tarn cycle" + p + "\"" + bin + "test_service.exe\"" + p + "A test service" + p +
             "3\r\n",
         "After = RUN" + p + "0" + p + "1" + p + Narrow(Dir()) + "probe\\uninstall_probe.exe" + p + "\"" + Narrow(dest_) +
             "App.exe\"\r\n");
  Install();

  // What the installation did, as the preconditions of the removal.
  EXPECT_EQ(Tree(group_), (std::set<std::string>{"Home.url", "Read me.lnk", "Uninstall.lnk", "Website.url"}));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnCycle"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L".tarncyc"));
  EXPECT_TRUE(ServiceExists(service_));
  EXPECT_TRUE(FolderExists(dest_ + L"data"));
  EXPECT_TRUE(FolderExists(outside + L"made by setup"));
  EXPECT_TRUE(FileExists(outside + L"b copy.txt"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Cycle Demo")));

  Uninstall();

  EXPECT_FALSE(Exists(dest_)) << "left in the install folder: " << ::testing::PrintToString(Tree(dest_));
  EXPECT_FALSE(Exists(group_)) << "the Start-menu group stayed";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnCycle"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".tarncyc"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"tarncyc_auto_file"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Applications\\App.exe"));
  EXPECT_TRUE(drive::WaitUntil([&] { return !ServiceExists(service_); })) << "the service stayed";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Cycle Demo")));
  // Outside: the copies and the created folder are gone, the user's file
  // stays; the server was unregistered before its copy was deleted.
  EXPECT_EQ(Tree(outside), (std::set<std::string>{"gate.dll.log", "mine.txt"}));
  EXPECT_EQ(ReadFileBytes(outside + L"gate.dll.log"), "unregistered\n");
  // The uninstall task ran after the removal.
  EXPECT_TRUE(drive::WaitUntil([&] { return !ReadFileBytes(probeLog).empty(); }));
  const std::string probe = ReadFileBytes(probeLog);
  EXPECT_NE(probe.find("\nabsent\n"), std::string::npos) << probe;
}

TEST_F(UninstallCycle, InstallationIntoAnExistingFolderLeavesWhatWasThere) {
  // An empty file is all the folder held: the removal of a folder that the
  // installation created would take it along.
  Write(L"dest\\before.txt", "");
  Write(L"payload\\sub\\b.txt", "b");
  Script("", "");
  Install();
  EXPECT_NE(ReadFileBytes(dest_ + L"Uninst0.dat").find("\r\nInstallPathCreated = 0\r\n"), std::string::npos);
  Uninstall();
  EXPECT_EQ(Tree(dest_), (std::set<std::string>{"before.txt"}));
  EXPECT_FALSE(Exists(group_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Cycle Demo")));
}
