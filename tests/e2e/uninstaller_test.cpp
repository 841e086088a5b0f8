// The uninstaller as the setup stub leaves it behind: "Uninst0.exe" and its
// uninstall data "Uninst0.dat" in an install folder, started without
// parameters. The data files are written here in the setup stub's format, so
// that every case is under the test's control; uninstall_cycle_test.cpp runs
// the same program after real installations.
//
// The test build of the uninstaller (UninstallerFile(L"-test")) is used throughout: a restart is
// only appended to C:\tarnwick-restart-requests.txt.
#include <shlobj.h>
#include <winioctl.h>

#include <cstring>
#include <memory>

#include "install/shared/associations.h"
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/walk.h"
#include "uninstaller/progress_window.h"

using drive::Icon;

namespace {

const std::wstring kP = L"\u00B6";  // the task-line field separator
constexpr wchar_t kTestKey[] = L"Software\\TarnwickUninstallTest";
// Named events shared with tests/helpers/uninstall_probe.cpp and uninstall_gate.cpp.
constexpr wchar_t kGateEvent[] = L"TarnwickUninstallGate";
constexpr wchar_t kReleaseEvent[] = L"TarnwickProbeRelease";

// A task line: the keyword and its fields joined by the separator.
std::wstring Line(std::initializer_list<std::wstring> fields) {
  std::wstring line;
  for (const std::wstring& f : fields) line += (line.empty() ? L"" : kP) + f;
  return line;
}

// Ends the running programs of this file name when the case ends, however
// it ends.
struct StopWhenDone {
  explicit StopWhenDone(const std::wstring& name) : name(name) {}
  ~StopWhenDone() { StopProcessesNamed(name); }
  std::wstring name;
};

// The lines of a probe's or recorder's log.
std::vector<std::string> LogLines(const std::wstring& path) { return drive::Lines(ReadFileBytes(path)); }

// Numbered programs and data files in the temporary folder: the uninstaller's
// temporary copies.
std::set<std::wstring> TemporaryCopies(const std::wstring& temp) {
  std::set<std::wstring> out;
  for (const std::string& name : drive::Tree(temp, false)) {
    const size_t dot = name.find('.');
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot);  // a folder's ends with "\\"
    if (dot > 0 && name.find_first_not_of("0123456789") == dot && (ext == ".exe" || ext == ".dat"))
      out.insert(Widen(name));
  }
  return out;
}

// Window text without a message to the window's process: the uninstaller's
// window is read while the uninstaller waits for regsvr32 and handles none.
std::wstring QuietText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

struct QuietFind {
  DWORD pid;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK QuietFindProc(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<QuietFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == f->pid && IsWindowVisible(h) && QuietText(h) == f->title) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

HWND QuietWaitWindow(DWORD pid, const wchar_t* title) {
  QuietFind f{pid, title, nullptr};
  drive::WaitUntil(
      [&] {
        EnumWindows(QuietFindProc, reinterpret_cast<LPARAM>(&f));
        return f.found != nullptr;
      },
      15000);
  return f.found;
}

// The English texts of [LocalizationUninstall], with "$APPNAME$" in two
// spellings: markers are found without regard to case.
const std::vector<std::pair<std::wstring, std::wstring>> kTexts = {
    {L"Key0", L"Please confirm"},
    {L"Key1", L"Are you sure you want to uninstall $APPNAME$?"},
    {L"Key2", L"Cancel"},
    {L"Key3", L"Processing uninstallation... Please wait..."},
    {L"Key4", L"Restart needed"},
    {L"Key5",
     L"In order to finish the uninstallation, your computer needs to be restarted. Would you like to "
     L"restart now?"},
    {L"Key6", L"Success"},
    {L"Key7", L"The program was uninstalled successfully. ($AppName$)"},
};

// An uninstall data file in the setup stub's format.
struct UninstallData {
  std::vector<std::pair<std::wstring, std::wstring>> texts = kTexts;
  std::vector<std::pair<std::wstring, std::wstring>> config;
  std::vector<std::pair<std::wstring, std::wstring>> record, uninstallTasks;
  std::vector<std::wstring> files;

  void Set(const std::wstring& key, const std::wstring& value) {
    for (auto& entry : config)
      if (entry.first == key) {
        entry.second = value;
        return;
      }
    config.push_back({key, value});
  }
  void Drop(const std::wstring& key) {
    for (size_t i = 0; i < config.size(); ++i)
      if (config[i].first == key) config.erase(config.begin() + static_cast<long>(i));
  }

  std::string Text() const {
    std::wstring s;
    auto section = [&s](const wchar_t* name, const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
      if (entries.empty()) return;
      s += L"[" + std::wstring(name) + L"]\r\n";
      for (const auto& e : entries) s += e.first + L" = " + e.second + L"\r\n";
    };
    section(L"LocalizationUninstall", texts);
    section(L"uConfig", config);
    section(L"InstTasks", record);
    section(L"UninstTasks", uninstallTasks);
    std::vector<std::pair<std::wstring, std::wstring>> numbered;
    for (size_t i = 0; i < files.size(); ++i) numbered.push_back({L"CopyFile" + std::to_wstring(i), files[i]});
    section(L"Files", numbered);
    return kBom + std::string("\r\n") + Narrow(s);
  }
};

// The second stage: the copy of the uninstaller in the temporary folder.
struct SecondStage {
  drive::Process process;
  std::wstring program;  // the temporary copy
  std::wstring data;     // its data file
};

class Uninstaller : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    // "exe" in the folder name, even as an extension of it.
    install_ = Dir() + L"My exe tools.exe\\";
    data_.Set(L"AppName", L"Demo App");
    data_.Set(L"InstallPath", install_.substr(0, install_.size() - 1));
    data_.Set(L"RebootRequired", L"0");
    data_.Set(L"SkipExtString", L"");
    data_.Set(L"InstallPathCreated", L"1");
    ResetEvent(gate_);
    ResetEvent(release_);
  }

  void TearDown() override {
    SetEvent(gate_);
    SetEvent(release_);
    for (SecondStage* stage : stages_) {
      if (stage->process.Running()) {
        ADD_FAILURE() << "the uninstaller's second stage was still running at the end of the test";
        stage->process.Kill();
      }
      // Normally gone already; a failed test may leave it.
      DeleteFileW(stage->data.c_str());
      if (Exists(stage->program)) {
        drive::WaitUntil([&] { return !Exists(stage->program); }, 5000);
        DeleteFileW(stage->program.c_str());
      }
    }
    for (const std::wstring& key : uninstallKeys_) drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey + key);
    CloseHandle(gate_);
    CloseHandle(release_);
    PackageTest::TearDown();
  }

  // Puts the uninstaller and the data file into the folder under `name`
  // ("Uninst0"), as the setup stub does; returns the uninstaller's path.
  std::wstring Place(const std::wstring& folder, const std::wstring& name = L"Uninst0") {
    const std::wstring program = folder + name + L".exe";
    MakeFolders(program);
    EXPECT_TRUE(CopyFileW((BinFolder() + UninstallerFile(L"-test")).c_str(), program.c_str(), FALSE));
    WriteAt(folder + name + L".dat", data_.Text());
    return program;
  }

  // Starts the installed uninstaller and finds the copy it hands over to.
  SecondStage* Start(const std::wstring& uninstaller) {
    drive::Process first = Launch(uninstaller);
    auto* stage = new SecondStage;
    stages_.push_back(stage);
    owned_.emplace_back(stage);
    std::wstring name;
    stage->process = WaitSecondStage(first, &name);
    if (stage->process.started()) {
      stage->program = TempFolder() + name;
      stage->data = stage->program.substr(0, stage->program.size() - 3) + L"dat";
    }
    EXPECT_EQ(first.WaitExit(), 0u);
    EXPECT_TRUE(stage->process.started()) << "the first stage started no copy of the uninstaller";
    return stage;
  }

  // Confirms the removal and waits for the success message and the end.
  void ConfirmAndFinish(SecondStage* stage, const std::wstring& appName = L"Demo App") {
    EXPECT_MESSAGE(stage->process, L"Please confirm", L"Are you sure you want to uninstall " + appName + L"?",
                   Icon::kQuestion, IDYES);
    EXPECT_MESSAGE(stage->process, L"Success", L"The program was uninstalled successfully. (" + appName + L")",
                   Icon::kInformation, IDOK);
    ExpectCleanEnd(stage);
  }

  // The second stage ends and the command interpreter deletes its program.
  void ExpectCleanEnd(SecondStage* stage) {
    EXPECT_EQ(stage->process.WaitExit(), 0u);
    EXPECT_TRUE(drive::WaitUntil([&] { return !Exists(stage->program); }, 15000))
        << "the temporary copy " << Narrow(stage->program) << " was not deleted";
  }

  // Runs the installed uninstaller of the install folder to its end.
  void Uninstall() {
    SecondStage* stage = Start(Place(install_));
    ConfirmAndFinish(stage);
  }

  void RegisterProduct(const std::wstring& appName) {
    SetText(HKEY_LOCAL_MACHINE, kUninstallKey + appName, L"DisplayName", appName);
    uninstallKeys_.push_back(appName);
  }

  std::string RestartRequests() { return ReadFileBytes(kRestartRequests); }

  std::wstring install_;
  UninstallData data_;
  HANDLE gate_ = CreateEventW(nullptr, TRUE, FALSE, kGateEvent);
  HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, kReleaseEvent);

 private:
  std::vector<SecondStage*> stages_;
  std::vector<std::unique_ptr<SecondStage>> owned_;
  std::vector<std::wstring> uninstallKeys_;
};

// ---------------------------------------------------------------------------
// The two stages, confirmation and the messages.

TEST_F(Uninstaller, ConfirmedRemovalDeletesTheProductAndItsRegistration) {
  // "exe" inside the folder name: only the extension of the file is changed
  // to find the data file.
  WriteAt(install_ + L"App.exe", "program");
  WriteAt(install_ + L"Docs\\Read me.txt", "text");
  WriteAt(install_ + L"Docs\\Deeper\\empty.bin", "");
  data_.files = {install_ + L"App.exe", install_ + L"Docs\\Read me.txt", install_ + L"Docs\\Deeper\\empty.bin"};
  // A relative path is never deleted, whatever folder is current (here the
  // install folder, where the uninstaller was started).
  WriteAt(Dir() + L"relative.txt", "the user's");
  data_.files.push_back(L"..\\relative.txt");
  RegisterProduct(L"Demo App");
  RegisterProduct(L"Demo App Companion");

  const std::set<std::wstring> copiesBefore = TemporaryCopies(TempFolder());
  SecondStage* stage = Start(Place(install_));
  // The copy runs from the temporary folder under a number.
  EXPECT_EQ(Narrow(TempFolder()), Narrow(stage->program.substr(0, TempFolder().size())));
  EXPECT_TRUE(Exists(stage->data));
  EXPECT_EQ(ReadFileBytes(stage->data), ReadFileBytes(install_ + L"Uninst0.dat"));
  ConfirmAndFinish(stage);

  EXPECT_FALSE(Exists(install_)) << "the install folder stayed";
  EXPECT_TRUE(FolderExists(Dir()));
  EXPECT_EQ(ReadFileBytes(Dir() + L"relative.txt"), "the user's");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Demo App")));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Demo App Companion")));
  // Neither temporary copy stays behind.
  std::set<std::wstring> left;
  for (const std::wstring& name : TemporaryCopies(TempFolder()))
    if (!copiesBefore.count(name)) left.insert(name);
  EXPECT_TRUE(left.empty());
}

TEST_F(Uninstaller, DeclinedConfirmationRemovesNothing) {
  WriteAt(install_ + L"App.exe", "program");
  data_.files = {install_ + L"App.exe"};
  data_.Set(L"AppName", L"Tarn Declined");
  RegisterProduct(L"Tarn Declined");
  SecondStage* stage = Start(Place(install_));
  EXPECT_MESSAGE(stage->process, L"Please confirm", L"Are you sure you want to uninstall Tarn Declined?",
                 Icon::kQuestion, IDNO);
  ExpectCleanEnd(stage);
  EXPECT_FALSE(Exists(stage->data)) << "the temporary data copy stayed";
  EXPECT_TRUE(FileExists(install_ + L"App.exe"));
  EXPECT_TRUE(FileExists(install_ + L"Uninst0.exe"));
  EXPECT_TRUE(FileExists(install_ + L"Uninst0.dat"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Tarn Declined")));
}

TEST_F(Uninstaller, MissingDataFileNextToTheInstalledUninstallerStopsTheFirstStage) {
  const std::wstring program = Place(install_);
  DeleteFileW((install_ + L"Uninst0.dat").c_str());
  const std::set<std::wstring> before = TemporaryCopies(TempFolder());
  drive::Process first = Launch(program);
  EXPECT_MESSAGE(first, L"Error",
                 L"Could not start the uninstallation procedure (copy to temporary directory failed or script not "
                 L"found). Please restart your PC and try again.",
                 Icon::kError, IDOK);
  EXPECT_EQ(first.WaitExit(), 0u);
  // The program copy was made before the data copy failed; it is gone again.
  EXPECT_EQ(TemporaryCopies(TempFolder()), before);
  EXPECT_TRUE(FileExists(program));
}

TEST_F(Uninstaller, MissingDataFileOfTheSecondStageIsReportedWithItsPath) {
  // A second stage whose own data copy is missing: started with the two
  // installed paths but without a data file beside it.
  WriteAt(install_ + L"App.exe", "program");
  const std::wstring installed = Place(install_);
  const std::wstring lone = Dir() + L"stage two\\31337.exe";
  MakeFolders(lone);
  ASSERT_TRUE(CopyFileW((BinFolder() + UninstallerFile(L"-test")).c_str(), lone.c_str(), FALSE));
  // The program would be deleted by a command of the command interpreter
  // that %COMSPEC% names, started before the end: here a sleeper that would
  // still be running.
  const std::wstring interpreter = Dir() + L"tarn_comspec.exe";
  ASSERT_TRUE(CopyFileW((BinFolder() + L"sleeper.exe").c_str(), interpreter.c_str(), FALSE));
  const StopWhenDone stop(L"tarn_comspec.exe");
  drive::Process p;
  {
    const ScopedVariable comspec(L"COMSPEC", interpreter);
    p = Launch(lone, L"\"" + install_ + L"Uninst0.dat\" \"" + installed + L"\"");
  }
  EXPECT_MESSAGE(p, L"Error", L"The uninstallation script is missing!\r\n\r\n(" + Dir() + L"stage two\\31337.dat)",
                 Icon::kError, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(FileExists(install_ + L"App.exe"));
  EXPECT_TRUE(FileExists(install_ + L"Uninst0.dat"));
  EXPECT_TRUE(FileExists(installed));
  // Nothing deletes the program in this case.
  EXPECT_TRUE(ProcessesNamed(L"tarn_comspec.exe").empty()) << "a command to delete the program was started";
  EXPECT_TRUE(FileExists(lone));
}

TEST_F(Uninstaller, ProgressWindowShowsItsTextsWithCancelDisabled) {
  // The removal waits inside regsvr32 (the gate server's unregistration)
  // until the test has looked at the window.
  const std::wstring gate = Dir() + L"gate\\uninstall_gate.dll";
  MakeFolders(gate);
  ASSERT_TRUE(CopyFileW((BinFolder() + L"uninstall_gate.dll").c_str(), gate.c_str(), FALSE));
  data_.texts[3].second = L"Removing $APPNAME$ now...";
  data_.texts[2].second = L"Stop";
  data_.record = {{L"Server", Line({L"REGISTERSERVER", gate})}};
  SecondStage* stage = Start(Place(install_));
  EXPECT_MESSAGE(stage->process, L"Please confirm", L"Are you sure you want to uninstall Demo App?", Icon::kQuestion,
                 IDYES);

  HWND w = QuietWaitWindow(stage->process.pid(), L"Tarnwick Install Platform");
  ASSERT_NE(w, nullptr) << "no progress window";
  EXPECT_TRUE(drive::WaitUntil([&] { return !LogLines(gate + L".log").empty(); }));
  EXPECT_EQ(Narrow(QuietText(w)), "Tarnwick Install Platform");
  RECT client = {};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 377);
  EXPECT_EQ(client.bottom, 118);
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU) << "the title bar has a system menu";

  struct Expected {
    int id;
    const wchar_t* cls;
    RECT place;
    const wchar_t* text;
  };
  const Expected controls[] = {
      {kIconControl, L"Static", {5, 10, 37, 42}, nullptr},
      {kTextControl, L"Static", {45, 10, 370, 65}, L"Removing Demo App now..."},
      {kBarControl, L"msctls_progress32", {8, 90, 283, 105}, nullptr},
      {kCancelControl, L"Button", {295, 85, 370, 110}, L"Stop"},
  };
  for (const Expected& c : controls) {
    SCOPED_TRACE(c.id);
    HWND h = drive::Control(w, c.id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Narrow(drive::ClassName(h)), Narrow(c.cls));
    RECT r = drive::Placement(w, c.id);
    EXPECT_EQ(r.left, c.place.left);
    EXPECT_EQ(r.top, c.place.top);
    EXPECT_EQ(r.right, c.place.right);
    EXPECT_EQ(r.bottom, c.place.bottom);
    if (c.text) {
      EXPECT_EQ(Narrow(QuietText(h)), Narrow(c.text));
    }
    EXPECT_TRUE(IsWindowVisible(h));
  }
  EXPECT_EQ(GetWindowLongW(drive::Control(w, kIconControl), GWL_STYLE) & SS_TYPEMASK, SS_ICON);
  EXPECT_FALSE(IsWindowEnabled(drive::Control(w, kCancelControl))) << "Cancel can be pressed";

  SetEvent(gate_);
  // Closed before the final message.
  EXPECT_MESSAGE(stage->process, L"Success", L"The program was uninstalled successfully. (Demo App)",
                 Icon::kInformation, IDOK);
  ExpectCleanEnd(stage);
  EXPECT_FALSE(IsWindow(w));
}

// A file outside the test's folder is put back as it was (or deleted, when
// there was none) when the case ends, however it ends.
class RestoredFile {
 public:
  explicit RestoredFile(const std::wstring& path)
      : path_(path), existed_(FileExists(path)), bytes_(ReadFileBytes(path)) {}
  ~RestoredFile() {
    if (existed_)
      WriteAt(path_, bytes_);
    else
      DeleteFileW(path_.c_str());
  }

 private:
  std::wstring path_;
  bool existed_;
  std::string bytes_;
};

TEST_F(Uninstaller, RestartQuestionAskedWhenRequired) {
  const RestoredFile requests(kRestartRequests);
  data_.Set(L"RebootRequired", L"1");
  data_.texts[5].second = L"$APPNAME$ needs a restart. Restart now?";
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    WriteAt(install_ + L"App.exe", "program");
    data_.files = {install_ + L"App.exe"};
    const std::string before = RestartRequests();
    SecondStage* stage = Start(Place(install_));
    EXPECT_MESSAGE(stage->process, L"Please confirm", L"Are you sure you want to uninstall Demo App?", Icon::kQuestion,
                   IDYES);
    EXPECT_MESSAGE(stage->process, L"Restart needed", L"Demo App needs a restart. Restart now?", Icon::kQuestion,
                   answer);
    // No success message after the question, whatever the answer.
    ExpectCleanEnd(stage);
    EXPECT_FALSE(Exists(install_ + L"App.exe"));
    const std::string after = RestartRequests();
    ASSERT_GE(after.size(), before.size());
    EXPECT_EQ(after.substr(before.size()), answer == IDYES ? "2\r\n" : "");
  }
}

// ---------------------------------------------------------------------------
// Files and the install folder.

TEST_F(Uninstaller, SkippedExtensionsKeepTheirFilesAndFolder) {
  // A blank piece between commas adds nothing: a file without an extension
  // is still deleted.
  data_.Set(L"SkipExtString", L"cfg, , INI,,");
  for (const wchar_t* name : {L"settings.ini", L"Profile.CFG", L"Sub\\deep.Ini", L"LICENSE", L"notes.txt",
                              L"Sub\\helper.dll", L"Other\\x.cfg.bak"})
    WriteAt(install_ + name, "content");
  for (const wchar_t* name : {L"settings.ini", L"Profile.CFG", L"Sub\\deep.Ini", L"LICENSE", L"notes.txt",
                              L"Sub\\helper.dll", L"Other\\x.cfg.bak"})
    data_.files.push_back(install_ + name);
  Uninstall();
  EXPECT_TRUE(FileExists(install_ + L"settings.ini"));
  EXPECT_TRUE(FileExists(install_ + L"Profile.CFG"));
  EXPECT_TRUE(FileExists(install_ + L"Sub\\deep.Ini"));
  EXPECT_FALSE(Exists(install_ + L"LICENSE"));
  EXPECT_FALSE(Exists(install_ + L"notes.txt"));
  EXPECT_FALSE(Exists(install_ + L"Sub\\helper.dll"));
  EXPECT_FALSE(Exists(install_ + L"Other\\x.cfg.bak"));
  EXPECT_FALSE(Exists(install_ + L"Other")) << "an emptied sub-folder stayed";
  EXPECT_FALSE(Exists(install_ + L"Uninst0.exe"));
  EXPECT_FALSE(Exists(install_ + L"Uninst0.dat"));
}

TEST_F(Uninstaller, RunningListedProgramIsStoppedBeforeItsFileIsDeleted) {
  // Two running copies of one program: the listed one in the install folder
  // and another of the same name elsewhere; only the first is stopped.
  const std::wstring listed = install_ + L"tarnsleeper.exe";
  const std::wstring elsewhere = Dir() + L"elsewhere\\tarnsleeper.exe";
  MakeFolders(listed);
  MakeFolders(elsewhere);
  ASSERT_TRUE(CopyFileW((BinFolder() + L"sleeper.exe").c_str(), listed.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((BinFolder() + L"sleeper.exe").c_str(), elsewhere.c_str(), FALSE));
  const StopWhenDone stop(L"tarnsleeper.exe");
  drive::Process one = drive::Start(listed, L"60 " + Dir() + L"one.started");
  drive::Process two = drive::Start(elsewhere, L"60 " + Dir() + L"two.started");
  ASSERT_TRUE(
      drive::WaitUntil([&] { return FileExists(Dir() + L"one.started") && FileExists(Dir() + L"two.started"); }));
  data_.files = {listed};
  Uninstall();
  EXPECT_EQ(one.WaitExit(), 1u) << "the listed program still runs";
  // The removal is over (its last message was answered): what it did not
  // end by now, it does not end.
  EXPECT_TRUE(two.Running()) << "a program of that name outside the install folder was ended";
  EXPECT_FALSE(Exists(listed));
  EXPECT_FALSE(Exists(install_));
  EXPECT_TRUE(FileExists(elsewhere)) << "an unlisted file was deleted";
}

TEST_F(Uninstaller, CreatedInstallFolderGoesOnlyWhenNothingWithContentIsLeft) {
  // The user's own non-empty file keeps the folder and everything with it.
  WriteAt(install_ + L"App.exe", "program");
  WriteAt(install_ + L"Data\\mine.txt", "the user's words");
  WriteAt(install_ + L"Data\\empty.log", "");
  WriteAt(install_ + L"empty.tmp", "");
  data_.files = {install_ + L"App.exe"};
  Uninstall();
  EXPECT_FALSE(Exists(install_ + L"App.exe"));
  EXPECT_TRUE(FileExists(install_ + L"Data\\mine.txt"));
  EXPECT_TRUE(FileExists(install_ + L"Data\\empty.log"));
  EXPECT_TRUE(FileExists(install_ + L"empty.tmp"));

  // Only empty files left (read-only among them): all goes.
  DeleteFileW((install_ + L"Data\\mine.txt").c_str());
  WriteAt(install_ + L"Data\\Deeper\\zero.dat", "");
  SetFileAttributesW((install_ + L"Data\\Deeper\\zero.dat").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((install_ + L"Data\\Deeper").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteAt(install_ + L"App.exe", "program");
  Uninstall();
  EXPECT_FALSE(Exists(install_)) << "the install folder with only empty files stayed";
}

TEST_F(Uninstaller, ExistingInstallFolderKeepsEmptyLeftovers) {
  // Installed into a folder that existed before (InstallPathCreated 0, or a
  // data file without the key): files that were not installed stay, even
  // empty ones; emptied folders go.
  for (bool withKey : {true, false}) {
    SCOPED_TRACE(withKey ? "InstallPathCreated = 0" : "no InstallPathCreated");
    if (withKey)
      data_.Set(L"InstallPathCreated", L"0");
    else
      data_.Drop(L"InstallPathCreated");
    WriteAt(install_ + L"App.exe", "program");
    WriteAt(install_ + L"Plugins\\plugin.dll", "code");
    WriteAt(install_ + L"before.txt", "");
    WriteAt(install_ + L"Logs\\old.log", "");
    data_.files = {install_ + L"App.exe", install_ + L"Plugins\\plugin.dll"};
    Uninstall();
    EXPECT_FALSE(Exists(install_ + L"App.exe"));
    EXPECT_FALSE(Exists(install_ + L"Plugins"));
    EXPECT_TRUE(FileExists(install_ + L"before.txt"));
    EXPECT_TRUE(FileExists(install_ + L"Logs\\old.log"));
  }
}

// ---------------------------------------------------------------------------
// Uninstall tasks.

TEST_F(Uninstaller, RunTasksStartBeforeAnythingIsDeletedAndAfterTheFolders) {
  // The gate server holds the record phase (before the file phase) until the
  // run-before program has written what it saw.
  const std::wstring probes = Dir() + L"probes\\";
  MakeFolders(probes);
  for (const wchar_t* name : {L"probe_before.exe", L"probe_after.exe", L"probe_never.exe"})
    ASSERT_TRUE(CopyFileW((BinFolder() + L"uninstall_probe.exe").c_str(), (probes + name).c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((BinFolder() + L"uninstall_gate.dll").c_str(), (probes + L"gate.dll").c_str(), FALSE));
  const std::wstring listed = install_ + L"App.exe";
  // Without the closing backslash, which would escape the closing quote.
  const std::wstring installFolder = install_.substr(0, install_.size() - 1);
  WriteAt(listed, "program");
  data_.files = {listed};
  data_.record = {{L"Server", Line({L"REGISTERSERVER", probes + L"gate.dll"})}};
  data_.uninstallTasks = {
      {L"After", Line({L"RUN", L"0", L"1", probes + L"probe_after.exe", L"\"" + installFolder + L"\" hold"})},
      // A quoted program path, as authors write paths with blanks.
      {L"Before", Line({L"RUN", L"1", L"0", L"\"" + probes + L"probe_before.exe\"", L"\"" + listed + L"\""})},
      // Held if it ran, so that it would still be running at the end.
      {L"Never", Line({L"RUN", L"0", L"0", probes + L"probe_never.exe", L"x hold"})},
      {L"Lower", Line({L"run", L"1", L"1", probes + L"probe_never.exe", L"y hold"})},
  };
  SecondStage* stage = Start(Place(install_));
  EXPECT_MESSAGE(stage->process, L"Please confirm", L"Are you sure you want to uninstall Demo App?", Icon::kQuestion,
                 IDYES);
  drive::MessageBoxInfo done = drive::WaitMessageBox(stage->process);
  ASSERT_NE(done.window, nullptr);
  EXPECT_EQ(Narrow(done.title), "Success");
  // The run-after program was started before the final message.
  EXPECT_EQ(ProcessesNamed(L"probe_after.exe").size(), 1u);
  drive::Answer(done, IDOK);
  ExpectCleanEnd(stage);

  std::vector<std::string> before = LogLines(probes + L"probe_before.exe.log");
  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(before[0], "\"" + Narrow(probes) + "probe_before.exe\" \"" + Narrow(listed) + "\"");
  EXPECT_EQ(before[1], "present") << "the listed file was deleted before the run-before program started";
  EXPECT_EQ(before[2] + "\\", Narrow(probes)) << "not started in its own folder";
  EXPECT_EQ(LogLines(probes + L"gate.dll.log").size(), 1u);

  EXPECT_TRUE(ProcessesNamed(L"probe_never.exe").empty()) << "a line that is no run task was run";

  ASSERT_TRUE(drive::WaitUntil([&] { return LogLines(probes + L"probe_after.exe.log").size() == 3; }));
  std::vector<std::string> after = LogLines(probes + L"probe_after.exe.log");
  EXPECT_EQ(after[0], "\"" + Narrow(probes) + "probe_after.exe\" \"" + Narrow(installFolder) + "\" hold");
  EXPECT_EQ(after[1], "absent") << "the run-after program started before the install folder was removed";
  EXPECT_EQ(after[2] + "\\", Narrow(probes));
  SetEvent(release_);
  EXPECT_TRUE(drive::WaitUntil([] { return ProcessesNamed(L"probe_after.exe").empty(); }));
}

TEST_F(Uninstaller, LaunchBrowserStartsInternetExplorerWithTheAddress) {
  // Internet Explorer is found through its App Paths registration; for the
  // test that names a recorder.
  const std::wstring appPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe";
  const RestoredDefault restored(HKEY_LOCAL_MACHINE, appPath);
  const std::wstring recorder = Dir() + L"browser\\iexplore.exe";
  MakeFolders(recorder);
  ASSERT_TRUE(CopyFileW((BinFolder() + L"ops_recorder.exe").c_str(), recorder.c_str(), FALSE));
  SetText(HKEY_LOCAL_MACHINE, appPath, L"", recorder);
  data_.uninstallTasks = {{L"Goodbye", Line({L"LAUNCHBROWSER", L"http://tarnwick.invalid/bye?product=demo"})}};
  Uninstall();
  EXPECT_TRUE(drive::WaitUntil([&] { return LogLines(recorder + L".log").size() == 2; }));
  std::vector<std::string> lines = LogLines(recorder + L".log");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "\"" + Narrow(recorder) + "\" http://tarnwick.invalid/bye?product=demo");
}

// ---------------------------------------------------------------------------
// The install record.

class UninstallerRecord : public Uninstaller {
 protected:
  void SetUp() override {
    Uninstaller::SetUp();
    Clean();
  }
  void TearDown() override {
    Clean();
    Uninstaller::TearDown();
  }
  void Clean() {
    CleanUp({}, {{HKEY_CURRENT_USER, kTestKey}, {HKEY_LOCAL_MACHINE, kTestKey}},
            {ShellPath(CSIDL_PROGRAMS) + L"Tarnwick Uninstall Test"});
    RemoveAssociation(L"tarnunx", L"tarnuapp.exe");
    if (!service_.empty()) RemoveService(service_);
  }
  std::wstring service_;
};

TEST_F(UninstallerRecord, EveryRecordedKindIsUndone) {
  const std::wstring key = kTestKey;
  // Registry values and keys.
  SetText(HKEY_CURRENT_USER, key, L"Written", L"by the installation");
  SetText(HKEY_CURRENT_USER, key, L"Other", L"stays");
  SetText(HKEY_LOCAL_MACHINE, key, L"Machine", L"by the installation");
  SetText(HKEY_CURRENT_USER, key + L"\\Leaf", L"", L"");
  SetText(HKEY_CURRENT_USER, key + L"\\Parent\\Child", L"", L"");
  // Lines with another root name were never carried out: what their key
  // paths name under HKCU stays.
  SetText(HKEY_CURRENT_USER, key + L"\\ByOtherRoot", L"", L"");
  SetText(HKEY_CURRENT_USER, key, L"ByOtherRoot", L"stays");

  // The Start-menu group with its links, one level deeper too.
  const std::wstring group = ShellPath(CSIDL_PROGRAMS) + L"Tarnwick Uninstall Test\\";
  WriteAt(group + L"Website.url", "[InternetShortcut]\r\nURL=http://tarnwick.invalid/\r\n");
  WriteAt(group + L"Uninstall.lnk", "link");
  WriteAt(group + L"Extras\\Help.lnk", "link");
  // A copy, and a recorded folder that the user has put a file into.
  WriteAt(Dir() + L"copies\\copy.txt", "copied");
  WriteAt(Dir() + L"shared\\mine.txt", "the user's");

  // An association and a running service.
  AssociateExtension(L"tarnunx", L"Tarn Uninstall Document", install_ + L"tarnuapp.exe", install_ + L"tarnuapp.exe,0");
  ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L".tarnunx"));
  service_ = L"TarnUninstallTest" + std::to_wstring(GetCurrentProcessId());
  {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    const std::wstring program = L"\"" + BinFolder() + L"test_service.exe\"";
    SC_HANDLE service = CreateServiceW(manager, service_.c_str(), L"Tarn uninstall test", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr);
    StartServiceW(service, 0, nullptr);
    SERVICE_STATUS status = {};
    EXPECT_TRUE(drive::WaitUntil(
        [&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING; }));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }
  // A server that is there and one that is not.
  const std::wstring server = Dir() + L"servers\\uninstall_gate.dll";
  MakeFolders(server);
  ASSERT_TRUE(CopyFileW((BinFolder() + L"uninstall_gate.dll").c_str(), server.c_str(), FALSE));
  SetEvent(gate_);

  data_.record = {
      {L"AutoStartMenuGroup", Line({L"CREATEFOLDER", group})},
      {L"AutoStartMenuInternetLink", Line({L"NORMALLINK", group + L"Website.url"})},
      {L"AutoStartMenuUninstallLink", Line({L"NORMALLINK", group + L"Uninstall.lnk"})},
      {L"Extras", Line({L"CREATEFOLDER", group + L"Extras\\"})},
      {L"Help", Line({L"INTERNETLINK", group + L"Extras\\Help.lnk"})},
      {L"Value", Line({L"REGADDVALUE", L"HKCU", L"Written", L"by the installation", key, L"REG_SZ"})},
      {L"MachineValue", Line({L"REGADDVALUE", L"HKLM", L"Machine", L"by the installation", key, L"REG_SZ"})},
      {L"Leaf", Line({L"REGADDKEY", L"HKCU", L"", L"", key + L"\\Leaf"})},
      {L"Parent", Line({L"REGADDKEY", L"HKCU", L"", L"", key + L"\\Parent"})},
      {L"OtherRoot1", Line({L"REGADDKEY", L"HKCR", L"", L"", key + L"\\ByOtherRoot"})},
      {L"OtherRoot2", Line({L"REGADDKEY", L"hkcu", L"", L"", key + L"\\ByOtherRoot"})},
      {L"OtherRoot3", Line({L"REGADDVALUE", L"HKEY_CURRENT_USER", L"ByOtherRoot", L"x", key, L"REG_SZ"})},
      {L"Copy", Line({L"COPYFILE", Dir() + L"copies\\copy.txt"})},
      {L"Shared", Line({L"CREATEFOLDER", Dir() + L"shared\\"})},
      {L"Association", Line({L"ASSOCIATEEXTENSION", L"tarnuapp.exe", L"tarnunx"})},
      {L"Service", Line({L"INSTALLSERVICE", service_})},
      {L"Server", Line({L"REGISTERSERVER", server})},
      {L"GoneServer", Line({L"REGISTERSERVER", Dir() + L"servers\\missing.dll"})},
      {L"Unknown", Line({L"DOWNLOADFILE", L"http://tarnwick.invalid/x", Dir() + L"shared\\mine.txt"})},
  };
  WriteAt(install_ + L"App.exe", "program");
  data_.files = {install_ + L"App.exe"};
  Uninstall();

  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key, L"Written"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key, L"Other"));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, key, L"Machine"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + L"\\Leaf"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + L"\\Parent")) << "a key with sub-keys was deleted";
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + L"\\Parent\\Child"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key + L"\\ByOtherRoot"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key, L"ByOtherRoot"));

  EXPECT_FALSE(Exists(group)) << "the Start-menu group stayed";
  EXPECT_FALSE(Exists(Dir() + L"copies\\copy.txt"));
  EXPECT_TRUE(FileExists(Dir() + L"shared\\mine.txt"));

  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".tarnunx"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"tarnunx_auto_file"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Applications\\tarnuapp.exe"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"tarnuapp.exe"));

  EXPECT_TRUE(drive::WaitUntil([&] { return !ServiceExists(service_); })) << "the service was not removed";
  EXPECT_TRUE(drive::WaitUntil([] { return ProcessesNamed(L"test_service.exe").empty(); }))
      << "the service program still runs";

  // The present server was unregistered (its unregistration ran once).
  EXPECT_EQ(LogLines(server + L".log"), std::vector<std::string>{"unregistered"});
  EXPECT_FALSE(Exists(install_));
}

// ---------------------------------------------------------------------------
// The guard: folders the removal never walks or deletes.

// The request by which Wine's configuration tool adds and removes drive
// letters, in the layout of current Wine versions (older headers lack the
// middle fields).
struct WineUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;  // a Unix path in bytes, from the start of the request
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// A drive letter of its own for a test folder, through Wine's mount manager
// (as its configuration tool adds drives). Removed again with the object.
class TestDrive {
 public:
  explicit TestDrive(const std::wstring& folder) {
    const DWORD used = GetLogicalDrives();
    for (wchar_t letter = L'T'; letter <= L'Y'; ++letter)
      if (!(used & (1u << (letter - L'A')))) {
        letter_ = letter;
        break;
      }
    if (!letter_ || !Define(folder)) letter_ = 0;
  }
  // Why no drive could be made.
  DWORD error() const { return error_; }
  ~TestDrive() {
    if (letter_) Define(L"");
  }
  // "T:\", or empty when no drive could be made.
  std::wstring Root() const { return letter_ ? std::wstring(1, letter_) + L":\\" : std::wstring(); }

 private:
  bool Define(const std::wstring& folder) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    std::string mountPoint;
    if (!folder.empty()) {
      char* name = unixName ? unixName(folder.c_str()) : nullptr;
      if (!name) return false;
      mountPoint = name;
      HeapFree(GetProcessHeap(), 0, name);
    }
    std::string buffer(sizeof(WineUnixDrive) + mountPoint.size() + 1, '\0');
    auto* drive = reinterpret_cast<WineUnixDrive*>(&buffer[0]);
    drive->size = static_cast<ULONG>(buffer.size());
    drive->type = folder.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
    drive->letter = static_cast<WCHAR>(towlower(letter_));
    drive->mountPointOffset = folder.empty() ? 0 : static_cast<USHORT>(sizeof(WineUnixDrive));
    memcpy(&buffer[sizeof(WineUnixDrive)], mountPoint.c_str(), mountPoint.size());
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) {
      error_ = GetLastError();
      return false;
    }
    DWORD got = 0;
    BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, &buffer[0], static_cast<DWORD>(buffer.size()), nullptr, 0,
                              &got, nullptr);
    if (!ok) error_ = GetLastError();
    CloseHandle(manager);
    return ok != FALSE;
  }

  wchar_t letter_ = 0;
  DWORD error_ = 0;
};

// Things nobody listed, in the folder the guard protects: an empty file, an
// empty folder and a folder holding an empty file (the removal of an
// installed folder would take all three).
void PlantUnlisted(const std::wstring& folder) {
  WriteAt(folder + L"tarn-unlisted-empty.txt", "");
  CreateDirectoryW((folder + L"TarnUnlistedEmptyFolder").c_str(), nullptr);
  WriteAt(folder + L"TarnUnlistedFolder\\empty.txt", "");
}

void ExpectUnlistedKept(const std::wstring& folder) {
  EXPECT_TRUE(FileExists(folder + L"tarn-unlisted-empty.txt")) << Narrow(folder);
  EXPECT_TRUE(FolderExists(folder + L"TarnUnlistedEmptyFolder")) << Narrow(folder);
  EXPECT_TRUE(FileExists(folder + L"TarnUnlistedFolder\\empty.txt")) << Narrow(folder);
}

void RemoveUnlisted(const std::wstring& folder) {
  DeleteFileW((folder + L"tarn-unlisted-empty.txt").c_str());
  RemoveDirectoryW((folder + L"TarnUnlistedEmptyFolder").c_str());
  RemoveTree(folder + L"TarnUnlistedFolder");
}

TEST_F(Uninstaller, DriveRootAsInstallFolderLosesOnlyListedFiles) {
  const std::wstring backing = Dir() + L"drive\\";
  MakeFolders(backing);
  TestDrive mapped(backing);
  const std::wstring root = mapped.Root();
  ASSERT_FALSE(root.empty()) << "no drive letter could be made for the test: error " << mapped.error();
  ASSERT_TRUE(FolderExists(root));
  PlantUnlisted(root);
  WriteAt(root + L"App.exe", "program");
  data_.files = {root + L"App.exe"};
  for (const std::wstring& path : {root, root.substr(0, 2) + L"\\.", root.substr(0, 2)}) {
    SCOPED_TRACE(Narrow(path));
    data_.Set(L"InstallPath", path);
    WriteAt(root + L"App.exe", "program");
    ConfirmAndFinish(Start(Place(root)));
    EXPECT_FALSE(Exists(root + L"App.exe"));
    EXPECT_FALSE(Exists(root + L"Uninst0.exe"));
    ExpectUnlistedKept(root);
  }
}

TEST_F(Uninstaller, EmptyInstallPathRemovesNoFolder) {
  // The temporary folder (the uninstaller's current folder during the
  // folder phase) on a drive of its own: an empty path taken for a folder
  // would be that drive's root.
  const std::wstring backing = Dir() + L"drive\\";
  MakeFolders(backing + L"temp\\");
  TestDrive mapped(backing);
  const std::wstring root = mapped.Root();
  ASSERT_FALSE(root.empty()) << "no drive letter could be made for the test: error " << mapped.error();
  PlantUnlisted(root);
  data_.Set(L"InstallPath", L"");
  WriteAt(install_ + L"App.exe", "program");
  data_.files = {install_ + L"App.exe"};
  SecondStage* stage = nullptr;
  {
    const ScopedVariable tmp(L"TMP", root + L"temp"), temp(L"TEMP", root + L"temp");
    stage = Start(Place(install_));
    EXPECT_EQ(Narrow(root + L"temp\\"), Narrow(stage->program.substr(0, root.size() + 5)));
  }
  // The copy's path was taken from this process's temporary folder.
  stage->program = root + L"temp\\" + stage->program.substr(stage->program.find_last_of(L'\\') + 1);
  stage->data = stage->program.substr(0, stage->program.size() - 3) + L"dat";
  ConfirmAndFinish(stage);
  EXPECT_FALSE(Exists(install_ + L"App.exe"));
  ExpectUnlistedKept(root);
  EXPECT_TRUE(FolderExists(root + L"temp"));
  // The install folder itself was not taken for a folder to remove.
  EXPECT_TRUE(FolderExists(install_));
}

// What a case puts into a system folder goes again when it ends, however it
// ends.
struct PlantedIn {
  explicit PlantedIn(const std::wstring& folder) : folder(folder) {}
  ~PlantedIn() {
    RemoveUnlisted(folder);
    for (const wchar_t* name : {L"tarn-listed.exe", L"Uninst7.exe", L"Uninst7.dat"})
      DeleteFileW((folder + name).c_str());
  }
  std::wstring folder;
};

TEST_F(Uninstaller, SystemFoldersAsInstallFolderLoseOnlyListedFiles) {
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_APPDATA}) {
    const std::wstring folder = ShellPath(csidl);
    SCOPED_TRACE(Narrow(folder));
    ASSERT_FALSE(folder.empty());
    const PlantedIn planted(folder);
    PlantUnlisted(folder);
    WriteAt(folder + L"tarn-listed.exe", "program");
    data_.files = {folder + L"tarn-listed.exe"};
    data_.Set(L"InstallPath", folder);
    ConfirmAndFinish(Start(Place(folder, L"Uninst7")));
    EXPECT_FALSE(Exists(folder + L"tarn-listed.exe"));
    EXPECT_FALSE(Exists(folder + L"Uninst7.exe"));
    EXPECT_FALSE(Exists(folder + L"Uninst7.dat"));
    ExpectUnlistedKept(folder);
    EXPECT_TRUE(FolderExists(folder));
  }
}

}  // namespace
