// Unattended runs (/S): the example package installed and removed again
// without a single window, the language they take, the log, and the exit
// codes of a run that cannot install (no space, another installation, a
// command line it does not understand) or that needs a restart; the log of
// an interactive run; what the runs start, unseen; and the passive run,
// which shows its progress only.
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "package/trailer.h"
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"
#include "tools/tarnpack/zip_writer.h"
#include "wizard/controls.h"

using drive::Icon;

namespace {

// The example package's product.
constexpr wchar_t kNotes[] = L"Tarnwick Notes";
// The files of example/payload, relative to the install folder.
const std::set<std::string> kPayloadFiles = {"README.txt", "docs\\Getting started.txt", "settings.ini"};

// What watching an unattended run saw: its exit code (STILL_ACTIVE when it
// did not end in time) and every visible top-level window that it, or a
// program it started, had meanwhile ("title [class]").
struct Watched {
  DWORD exitCode = STILL_ACTIVE;
  std::set<std::string> windows;
  // The programs it started, and theirs: process id and file name.
  std::map<DWORD, std::wstring> started;
};

// Adds the programs that `root` or the programs in `started` started.
void AddDescendants(DWORD root, std::map<DWORD, std::wstring>* started) {
  const std::vector<drive::RunningProcess> all = drive::RunningProcesses();
  for (size_t before = SIZE_MAX; before != started->size();) {
    before = started->size();
    for (const drive::RunningProcess& p : all) {
      if (p.parent != root && !started->count(p.parent)) continue;
      // A program that has only just started may have no name yet.
      if (!p.exe.empty() || !started->count(p.pid)) (*started)[p.pid] = p.exe;
    }
  }
}

// The started programs that still run, by file name.
std::vector<std::string> StillRunning(const Watched& watched) {
  std::vector<std::string> out;
  for (const auto& program : watched.started)
    if (drive::Open(program.first).Running()) out.push_back(Narrow(program.second));
  return out;
}

// Looks at the windows of the run until it ends: the wait for its end is
// the poll's tick.
Watched WatchUntilExit(const drive::Process& p, DWORD timeoutMs = 120000) {
  Watched seen;
  const DWORD start = GetTickCount();
  for (;;) {
    AddDescendants(p.pid(), &seen.started);
    std::vector<DWORD> family = {p.pid()};
    for (const auto& program : seen.started) family.push_back(program.first);
    for (DWORD pid : family)
      for (HWND w : drive::WindowsOf(pid))
        seen.windows.insert(Narrow(drive::Title(w)) + " [" + Narrow(drive::ClassName(w)) + "]");
    if (WaitForSingleObject(p.handle(), 20) != WAIT_TIMEOUT) break;
    if (GetTickCount() - start > timeoutMs) return seen;
  }
  GetExitCodeProcess(p.handle(), &seen.exitCode);
  return seen;
}

// Starts a command line as the system starts a registered command: the
// program is what the line names.
drive::Process StartCommandLine(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
    return drive::Process();
  CloseHandle(created.hThread);
  return drive::Process(created.hProcess, created.dwProcessId);
}

// The entries of a log without their time stamps; every line must begin
// with one ("2024-05-01 13:45:07  ") and the file with the byte-order mark.
std::vector<std::string> LogEntries(const std::wstring& file) {
  std::vector<std::string> entries;
  std::string bytes = ReadFileBytes(file);
  EXPECT_EQ(bytes.substr(0, 3), std::string(kBom)) << "the log " << Narrow(file) << " does not begin with the mark";
  if (bytes.compare(0, 3, kBom) == 0) bytes.erase(0, 3);
  EXPECT_TRUE(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0) << "the last line is not whole";
  for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string line = bytes.substr(at, end - at);
    bool stamped = line.size() > 21 && line.compare(19, 2, "  ") == 0;
    for (size_t i = 0; stamped && i < 19; ++i) {
      const char c = line[i], shape = "0000-00-00 00:00:00"[i];
      stamped = shape == '0' ? (c >= '0' && c <= '9') : c == shape;
    }
    EXPECT_TRUE(stamped) << "a log line without its time stamp: " << line;
    entries.push_back(stamped ? line.substr(21) : line);
  }
  return entries;
}

bool HasEntry(const std::vector<std::string>& entries, const std::string& entry) {
  for (const std::string& e : entries)
    if (e == entry) return true;
  return false;
}

bool HasEntryStarting(const std::vector<std::string>& entries, const std::string& start) {
  for (const std::string& e : entries)
    if (e.compare(0, start.size(), start) == 0) return true;
  return false;
}

#define EXPECT_ENTRY(entries_, entry_)    \
  EXPECT_TRUE(HasEntry(entries_, entry_)) \
      << "no log line \"" << (entry_) << "\" in " << ::testing::PrintToString(entries_)
#define EXPECT_ENTRY_STARTING(entries_, start_)   \
  EXPECT_TRUE(HasEntryStarting(entries_, start_)) \
      << "no log line beginning \"" << (start_) << "\" in " << ::testing::PrintToString(entries_)

// Every visible top-level window of the session ("title [class]"), whoever
// shows it: the shell's error box would be no window of the run.
BOOL CALLBACK NoteVisible(HWND w, LPARAM list) {
  if (IsWindowVisible(w))
    reinterpret_cast<std::set<std::string>*>(list)->insert(Narrow(drive::Title(w)) + " [" + Narrow(drive::ClassName(w)) + "]");
  return TRUE;
}

std::set<std::string> VisibleWindows() {
  std::set<std::string> out;
  EnumWindows(NoteVisible, reinterpret_cast<LPARAM>(&out));
  return out;
}

// Copies a folder with everything below it.
void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << Narrow(from);
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    else
      EXPECT_TRUE(CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE)) << Narrow(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

}  // namespace

class Silent : public DemoInstallTest {
 protected:
  void SetUp() override {
    DemoInstallTest::SetUp();
    notes_ = Dir() + L"Program Files\\Tarnwick Notes\\";
    notesGroup_ = CommonPrograms() + L"Tarnwick Notes\\";
    desktopLink_ = ShellPath(CSIDL_DESKTOPDIRECTORY) + L"Tarnwick Notes.lnk";
    log_ = Dir() + L"setup.log";
    CleanNotes();
  }

  void TearDown() override {
    if (removal_.Running()) {
      ADD_FAILURE() << "the silent removal was still running at the end of the test";
      removal_.Kill();
    }
    CleanNotes();
    DemoInstallTest::TearDown();
  }

  void CleanNotes() {
    CleanUp({}, {{HKEY_CURRENT_USER, L"Software\\Tarnwick Notes"}, {HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(kNotes)}},
            {notesGroup_, desktopLink_});
  }

  // The example package with the shipped English, German and French files;
  // with `stamp` its files have that last-write time.
  std::wstring BuildExample(const FILETIME* stamp = nullptr) {
    RemoveTree(Dir() + L"payload");
    CopyTree(BinFolder() + L"example\\payload", Dir() + L"payload");
    CopyTree(BinFolder() + L"example\\information", Dir() + L"info");
    for (const std::string& file : kPayloadFiles) {
      if (!stamp) break;
      HANDLE h = CreateFileW((Dir() + L"payload\\" + Widen(file)).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
      EXPECT_TRUE(h != INVALID_HANDLE_VALUE && SetFileTime(h, nullptr, nullptr, stamp)) << file;
      CloseHandle(h);
    }
    UseLanguages({"English", "German", "French"});
    return Build(L"TarnwickNotesSetup.exe");
  }

  // The "Demo App" package installing to dest_, with these [iConfig]
  // additions and [InstTasks] lines.
  std::wstring BuildDemo(const std::string& config = "", const std::string& tasks = "") {
    WriteScript(DemoApp(dest_, "", config, tasks));
    return Build();
  }

  // The "Demo App" package with a statistics file of these bytes, as
  // another authoring tool may write it: the information archive is written
  // again without the builder's additions.
  std::wstring DemoWithStatistics(const std::string& statistics, const std::wstring& file) {
    WriteScript(DemoApp(dest_));
    const std::wstring data = BinFolder() + L"data\\";
    Write(L"info\\Languages\\English.ini", ReadFileBytes(data + L"languages\\English.ini"));
    Write(L"info\\Resources\\WizBitmap.bmp", ReadFileBytes(data + L"bitmaps\\WizBitmap.bmp"));
    Write(L"info\\Resources\\HeadBitmap.bmp", ReadFileBytes(data + L"bitmaps\\HeadBitmap.bmp"));
    const char* const files[] = {"Config/Script.ini", "Languages/English.ini", "Resources/WizBitmap.bmp",
                                 "Resources/HeadBitmap.bmp"};
    std::string stub, payload, info;
    EXPECT_TRUE(SplitPackage(ReadFileBytes(Build()), &stub, &payload, &info));
    ZipWriter zip;
    EXPECT_TRUE(zip.Open(Narrow(Dir() + L"info.zip"))) << zip.error();
    for (const char* name : files) {
      std::wstring path = Dir() + L"info\\" + Widen(name);
      std::replace(path.begin(), path.end(), L'/', L'\\');
      EXPECT_TRUE(zip.AddFile(name, Narrow(path), 0, 0x20)) << zip.error();
    }
    EXPECT_TRUE(zip.AddBytes("Config/Statistics.ini", statistics, 0, 0x20));
    EXPECT_TRUE(zip.Close()) << zip.error();
    info = ReadFileBytes(Dir() + L"info.zip");
    unsigned char trailer[kTrailerSize];
    WriteTrailer(static_cast<int32_t>(info.size()), static_cast<int32_t>(payload.size()), trailer);
    Write(file, stub + payload + info + std::string(reinterpret_cast<char*>(trailer), kTrailerSize));
    return Dir() + file;
  }

  std::wstring notes_, notesGroup_, desktopLink_, log_;
  drive::Process removal_;
};

// The example package, installed with /S into a folder with blanks and
// removed with its registered silent command: no window at any time. It is
// built as a reproducible package (DOS times in UTC) from files of a time
// whose seconds a DOS time cannot hold, and installed in a session of
// another zone (the test's TZ): the files get that time exactly.
TEST_F(Silent, InstallsAndRemovesTheExampleWithoutAnyWindow) {
  TIME_ZONE_INFORMATION zone;
  GetTimeZoneInformation(&zone);
  EXPECT_NE(zone.Bias, 0) << "the session runs in UTC: the file times are not checked across zones";
  const uint64_t ticks = 1623076673ULL * 10000000 + 116444736000000000ULL;  // 2021-06-07 14:37:53 UTC
  const FILETIME sourceTime = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  UseSourceDateEpoch(1700000000);  // 2023-11-14 22:13:20 UTC
  const std::wstring package = BuildExample(&sourceTime);
  const std::wstring arguments = L"/S /D=" + Dir() + L"Program Files\\Tarnwick Notes /LOG=" + log_;
  drive::Process p = Launch(package, arguments);
  const Watched install = WatchUntilExit(p);
  EXPECT_EQ(install.exitCode, 0u);
  EXPECT_TRUE(install.windows.empty()) << ::testing::PrintToString(install.windows);
  EXPECT_TRUE(NewWorkFolders().empty()) << "the work folder stayed";

  // The disk: every file of the product, the uninstaller and its data.
  std::set<std::string> installed = kPayloadFiles;
  for (const char* more : {"docs\\", "Uninst0.exe", "Uninst0.dat"}) installed.insert(more);
  EXPECT_EQ(Tree(notes_), installed);
  uint64_t payloadBytes = 0;
  for (const std::string& file : kPayloadFiles) {
    const std::string original = ReadFileBytes(BinFolder() + L"example\\payload\\" + Widen(file));
    EXPECT_FALSE(original.empty()) << file;
    EXPECT_EQ(ReadFileBytes(notes_ + Widen(file)), original) << file;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    EXPECT_TRUE(GetFileAttributesExW((notes_ + Widen(file)).c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &sourceTime), 0)
        << file << ": " << data.ftLastWriteTime.dwHighDateTime << " " << data.ftLastWriteTime.dwLowDateTime;
    payloadBytes += original.size();
  }
  // The group with the links of the script, and the desktop link (a finish
  // item, which a silent run takes).
  EXPECT_EQ(Tree(notesGroup_), (std::set<std::string>{"Getting started.lnk", "Uninstall.lnk", "Website.url"}));
  const Link guide = ReadLink(notesGroup_ + L"Getting started.lnk");
  EXPECT_TRUE(guide.loaded);
  EXPECT_EQ(Narrow(guide.target), Narrow(notes_) + "docs\\Getting started.txt");
  EXPECT_EQ(Narrow(guide.description), "Getting started with Tarnwick Notes");
  EXPECT_EQ(Narrow(ReadLink(notesGroup_ + L"Uninstall.lnk").target), Narrow(notes_) + "Uninst0.exe");
  const Link desktop = ReadLink(desktopLink_);
  EXPECT_TRUE(desktop.loaded) << Narrow(desktopLink_);
  EXPECT_EQ(Narrow(desktop.target), Narrow(notes_) + "README.txt");

  // The registry: the example's value and the uninstall entry.
  EXPECT_EQ(Narrow(GetText(HKEY_CURRENT_USER, L"Software\\Tarnwick Notes", L"Version")), "1.2");
  const std::wstring entry = kUninstallKey + std::wstring(kNotes);
  const std::string uninstaller = Narrow(notes_) + "Uninst0.exe";
  const struct {
    const wchar_t* name;
    std::string value;
  } values[] = {
      {L"DisplayName", "Tarnwick Notes"},
      {L"DisplayIcon", uninstaller + ",0"},
      {L"Publisher", "Tarnwick"},
      {L"URLInfoAbout", "www.tarnwick.example"},
      {L"HelpLink", "www.tarnwick.example"},
      {L"Contact", "support@tarnwick.example"},
      {L"HelpTelephone", "n/a"},
      {L"UninstallString", "\"" + uninstaller + "\""},
      {L"QuietUninstallString", "\"" + uninstaller + "\" /S"},
      {L"DisplayVersion", "1.2"},
      {L"InstallLocation", Narrow(notes_)},
  };
  for (const auto& v : values) EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, entry, v.name)), v.value) << Narrow(v.name);
  EXPECT_EQ(drive::GetNumber(HKEY_LOCAL_MACHINE, entry, L"EstimatedSize"), static_cast<DWORD>((payloadBytes + 1023) / 1024));
  EXPECT_EQ(drive::GetNumber(HKEY_LOCAL_MACHINE, entry, L"NoModify"), 1u);
  EXPECT_EQ(drive::GetNumber(HKEY_LOCAL_MACHINE, entry, L"NoRepair"), 1u);

  // The log: one stamped line per step, from the start to the end.
  const std::vector<std::string> log = LogEntries(log_);
  const std::string f = kPilcrow, dest = Narrow(notes_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "setup started: \"" + Narrow(package) + "\" " + Narrow(arguments));
  EXPECT_ENTRY_STARTING(log, "system: version number ");
  EXPECT_ENTRY(log, "language: English (English.ini)");
  EXPECT_ENTRY_STARTING(
      log, "space: the files take " + std::to_string(payloadBytes) + " bytes; the temporary folder's drive has ");
  EXPECT_ENTRY_STARTING(log, "destination: " + dest + ", its drive has ");
  EXPECT_ENTRY(log, "install folder: " + dest + " (new or empty)");
  EXPECT_ENTRY(log, "program group: " + Narrow(notesGroup_));
  for (const std::string& file : kPayloadFiles) EXPECT_ENTRY(log, "unpacked " + dest + file);
  EXPECT_ENTRY(log, "unpacked 3 files");
  const std::string guideLine = "NORMALLINK" + f + "17" + f + "Getting started" + f + dest +
                                "docs\\Getting started.txt" + f + "0" + f + "0" + f +
                                "Getting started with Tarnwick Notes";
  const std::string desktopLine = "NORMALLINK" + f + "11" + f + "Tarnwick Notes" + f + dest + "README.txt" + f;
  for (const std::string& line : std::vector<std::string>{
           "task GuideLink: " + guideLine + ": done",
           // In the task phase the desktop link is a finish item only; then it is made.
           "task DesktopLink: " + desktopLine + "1" + f + "0" + f + "Tarnwick Notes: not run",
           "task DesktopLink: " + desktopLine + "0" + f + "0" + f + "Tarnwick Notes: done",
           "task Version: REGADDKEY" + f + "HKCU" + f + f + f + "Software\\Tarnwick Notes: done",
           "task VersionValue: REGADDVALUE" + f + "HKCU" + f + "Version" + f + "1.2" + f + "Software\\Tarnwick Notes" +
               f + "REG_SZ: done",
           "uninstall entry: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwick "
           "Notes, removal: \"" +
               uninstaller + "\"",
       })
    EXPECT_ENTRY(log, line);
  EXPECT_EQ(log.back(), "end: succeeded (exit code 0)");

  // The removal, started as the system starts the registered command: the
  // first stage returns the removal's code once the removal is done.
  const std::wstring quiet = GetText(HKEY_LOCAL_MACHINE, entry, L"QuietUninstallString");
  removal_ = StartCommandLine(quiet);
  ASSERT_TRUE(removal_.started()) << Narrow(quiet);
  const Watched removal = WatchUntilExit(removal_);
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_FALSE(Exists(notesGroup_)) << ::testing::PrintToString(Tree(notesGroup_));
  EXPECT_FALSE(Exists(desktopLink_));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Tarnwick Notes"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry));
  // The removal is the second stage: the copy in the temporary folder
  // ("<digits>.exe"). It ends after the first stage, whose file it deletes.
  bool copied = false;
  for (const auto& program : removal.started) {
    const std::wstring& name = program.second;
    if (name.size() >= 5 && name.find_first_not_of(L"0123456789") == name.size() - 4) copied = true;
  }
  EXPECT_TRUE(copied) << "no second stage was seen";
  EXPECT_TRUE(drive::WaitUntil([&] { return StillRunning(removal).empty(); }, 60000))
      << ::testing::PrintToString(StillRunning(removal));
  EXPECT_TRUE(removal.windows.empty()) << ::testing::PrintToString(removal.windows);
  // The example keeps files ending in .ini (SkipExtString), and so the
  // folder that holds settings.ini.
  EXPECT_EQ(Tree(notes_), (std::set<std::string>{"settings.ini"}));
  // The removal's copy in the temporary folder deletes itself, and its
  // folder, after its end.
  EXPECT_TRUE(drive::WaitUntil([&] { return NewWorkFolders().empty(); }, 15000))
      << "left in the temporary folder: " << ::testing::PrintToString(NarrowEach(NewWorkFolders()));
}

// With English, German and French and Wine's user-interface language
// English, a silent run takes the English file: its removal texts go into
// the uninstall data.
TEST_F(Silent, TakesTheFileOfTheSystemsLanguage) {
  ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_ENGLISH) << "the machine's language is not English";
  const std::wstring package = BuildExample();
  drive::Process p = Launch(package, L"/S /D=" + notes_ + L" /LOG=" + log_);
  EXPECT_EQ(p.WaitExit(60000), 0u);
  EXPECT_EQ(Value(Section(notes_ + L"Uninst0.dat", "LocalizationUninstall"), "Key0"), "Please confirm");
  EXPECT_ENTRY(LogEntries(log_), "language: English (English.ini)");
}

// A package whose statistics claim more bytes than any drive has: the run
// refuses before it installs anything.
TEST_F(Silent, WithoutTheSpaceEndsWith1603) {
  drive::Process p = Launch(DemoWithStatistics(std::string("\0\0\0\0\0\0\0\x40", 8), L"nospace.exe"),
                            L"/S /LOG=" + log_);  // 2^62 bytes, little-endian
  const Watched run = WatchUntilExit(p);
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_TRUE(run.windows.empty()) << ::testing::PrintToString(run.windows);
  const std::vector<std::string> log = LogEntries(log_);
  EXPECT_ENTRY_STARTING(log, "space: the files take 4611686018427387904 bytes; the temporary folder's drive has ");
  EXPECT_ENTRY(log,
               "message \"Error\": You do not have enough free space on your drive. Please free some space and run "
               "this installer again.");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "end: failed (exit code 1603)");
  EXPECT_FALSE(Exists(dest_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Demo App")));
  EXPECT_TRUE(NewWorkFolders().empty()) << "the work folder stayed";
}

// Other tools state less than the payload holds, or leave the file empty
// (it then reads 0): such packages install whole.
TEST_F(Silent, AStatisticsFileThatSaysLessStillInstalls) {
  const struct {
    std::string bytes;
    const wchar_t* file;
  } cases[] = {{std::string("\xE8\x03\0\0\0\0\0\0", 8), L"thousand.exe"}, {std::string(), L"empty.exe"}};
  Write(L"payload\\data.bin", std::string(50000, 'x'));
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    drive::Process p = Launch(DemoWithStatistics(c.bytes, c.file), L"/S");
    EXPECT_EQ(p.WaitExit(60000), 0u);
    EXPECT_EQ(ReadFileBytes(dest_ + L"data.bin").size(), 50000u);
    EXPECT_TRUE(Exists(dest_ + L"Uninst0.dat"));
    drive::Process removal = Launch(dest_ + L"Uninst0.exe", L"/S");
    EXPECT_EQ(removal.WaitExit(60000), 0u);
  }
}

// Two silent runs at once: the first is held in the copy of its package
// (the tests' stub waits for an event of the test before every read), so
// the second provably starts while the first runs.
TEST_F(Silent, ASecondRunAtOnceEndsWith1618) {
  const std::wstring hold = L"TarnwickHoldReads-" + std::to_wstring(GetCurrentProcessId());
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, hold.c_str());
  ASSERT_NE(release, nullptr);
  struct Release {
    HANDLE event;
    ~Release() {
      SetEvent(event);
      CloseHandle(event);
    }
  } released{release};
  UseStub(StubFile(L"-test"));
  const std::wstring package = BuildDemo();
  const std::wstring firstLog = Dir() + L"first.log";
  drive::Process first;
  {
    ScopedVariable held(L"TARNWICK_HOLD_READS", hold);
    first = Launch(package, L"/S /LOG=" + firstLog);
  }
  // The work folder comes after the claim on the single instance.
  ASSERT_TRUE(drive::WaitUntil([&] { return NewWorkFolders().size() == 1; }, 30000)) << "the first run never began";

  drive::Process second = Launch(package, L"/S /LOG=" + log_);
  const Watched refused = WatchUntilExit(second);
  EXPECT_EQ(refused.exitCode, 1618u);
  EXPECT_TRUE(refused.windows.empty()) << ::testing::PrintToString(refused.windows);
  const std::vector<std::string> log = LogEntries(log_);
  EXPECT_ENTRY(log,
               "message \"Tarnwick Install Platform\": Another installation driven by TIP is in progress. Please "
               "finish the active installation and run this installer again.");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "end: refused: another installation is in progress (exit code 1618)");
  EXPECT_TRUE(first.Running()) << "the first run was not held";

  SetEvent(release);
  const Watched installed = WatchUntilExit(first);
  EXPECT_EQ(installed.exitCode, 0u);
  EXPECT_TRUE(installed.windows.empty()) << ::testing::PrintToString(installed.windows);
  EXPECT_TRUE(FileExists(dest_ + L"App.exe"));
  const std::vector<std::string> firstEntries = LogEntries(firstLog);
  ASSERT_FALSE(firstEntries.empty());
  EXPECT_EQ(firstEntries.back(), "end: succeeded (exit code 0)");
}

// A command line that a silent run does not understand, or an install
// folder that is not a full path: nothing is shown, nothing installed.
TEST_F(Silent, ABadCommandLineEndsWith1639) {
  const std::wstring package = BuildDemo();
  const std::string usage =
      "message \"Error\": If you want to unpack the contained files to check them before installation, the "
      "syntax is: / Installer.exe -u [PathToStoreUnpackedFiles]";
  const struct {
    std::wstring arguments;
    bool logged;
    std::string entry;
  } cases[] = {
      {L"/S /X", false, ""},
      {L"/S /D=", false, ""},
      {L"/S /X /LOG=" + log_, true, usage},
      {L"/S /D= /LOG=" + log_, true, usage},
      // Relative to the current folder (the package's): refused.
      {L"/S /D=Relative Demo /LOG=" + log_, true,
       "refused: the install folder Relative Demo is not a full path (a drive path such as C:\\Folder or a network "
       "path such as \\\\server\\share\\Folder)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.arguments));
    DeleteFileW(log_.c_str());
    drive::Process p = Launch(package, c.arguments);
    const Watched run = WatchUntilExit(p);
    EXPECT_EQ(run.exitCode, 1639u);
    EXPECT_TRUE(run.windows.empty()) << ::testing::PrintToString(run.windows);
    EXPECT_TRUE(NewWorkFolders().empty());
    EXPECT_FALSE(Exists(dest_));
    EXPECT_FALSE(Exists(Dir() + L"Relative Demo"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Demo App")));
    if (!c.logged) continue;
    const std::vector<std::string> log = LogEntries(log_);
    EXPECT_ENTRY(log, c.entry);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "end: refused: the command line was not understood (exit code 1639)");
  }
}

// /LOG= alone: the run is the interactive one, with its wizard, and writes
// a log; cancelled, it ends with 0 as every interactive run.
TEST_F(Silent, AnInteractiveRunWithALogShowsTheWizard) {
  const std::wstring package = BuildDemo();
  drive::Process p = Launch(package, L"/LOG=" + log_);
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Click(w, 0));  // Cancel
  EXPECT_MESSAGE(p, kConfirmTitle, kConfirmQuit, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
  const std::vector<std::string> log = LogEntries(log_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "setup started: \"" + Narrow(package) + "\" /LOG=" + Narrow(log_));
  EXPECT_ENTRY_STARTING(log, "system: version number ");
  EXPECT_EQ(log.back(), "end: cancelled (exit code 0)");
}

// A restart that the installation asks for ends a silent run with 3010
// and is not made: the tests' stub would note a restart request.
TEST_F(Silent, ARestartNeededEndsWith3010WithoutARestart) {
  UseStub(StubFile(L"-test"));
  const struct {
    const char* what;
    std::string config, tasks, entry;
  } cases[] = {
      {"a !REBOOT_I task", "", "Restart = !REBOOT_I\r\n", "task Restart: !REBOOT_I: not run"},
      // The finish page's restart item, which a silent run takes.
      {"RebootRequired = 1", "RebootRequired = 1\r\n", "", "task Reboot: !REBOOT_I: not run"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Demo App"));
    const std::string requestsBefore = ReadFileBytes(kRestartRequests);
    drive::Process p = Launch(BuildDemo(c.config, c.tasks), L"/S /LOG=" + log_);
    const Watched run = WatchUntilExit(p);
    EXPECT_EQ(run.exitCode, 3010u);
    EXPECT_TRUE(run.windows.empty()) << ::testing::PrintToString(run.windows);
    EXPECT_TRUE(FileExists(dest_ + L"App.exe"));
    EXPECT_TRUE(FileExists(dest_ + L"Uninst0.exe"));
    EXPECT_EQ(ReadFileBytes(kRestartRequests), requestsBefore) << "a restart was asked for";
    const std::vector<std::string> log = LogEntries(log_);
    EXPECT_ENTRY(log, c.entry);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "end: succeeded; a restart is needed to complete it (exit code 3010)");
  }
}

// Version 2 over version 1, silently: it goes where version 1 is (its own
// script names another folder) or where /D= says, takes over version 1's
// files, records and entry, and one removal leaves only what the user made.
// A lower version then installs too, and says so in the log.
TEST_F(Silent, AnUpgradeTakesOverTheEarlierInstallation) {
  const std::string p = kPilcrow, key = "Software\\Tarnwick Upgrade";
  const std::wstring entry = kUninstallKey + std::wstring(L"Demo App");
  auto package = [&](const std::string& version, const std::wstring& folder, const std::string& value) {
    WriteScript(DemoApp(folder, "", "[uConfig]\r\nIconExtUninst = 1\r\n",
                        "Key = REGADDKEY" + p + "HKCU" + p + p + p + key + "\r\nValue = REGADDVALUE" + p + "HKCU" + p +
                            value + p + "x" + p + key + p + "REG_SZ\r\n",
                        version));
    return Build(Widen(version) + L".exe");
  };
  for (const std::wstring& other : {std::wstring(), Dir() + L"other\\"}) {
    SCOPED_TRACE(Narrow(other));
    RemoveTree(Dir() + L"payload");
    Write(L"payload\\a.txt", "a");
    Write(L"payload\\b.txt", "b");
    EXPECT_EQ(Launch(package("1.0", dest_, "One"), L"/S").WaitExit(60000), 0u);
    Write(L"dest\\mine.txt", "the user's");
    DeleteFileW((Dir() + L"payload\\b.txt").c_str());
    Write(L"payload\\c.txt", "c");
    const std::wstring v2 = package("2.0", Dir() + L"elsewhere\\", "Two");  // the entry's folder is taken
    EXPECT_EQ(Launch(v2, other.empty() ? L"/S" : L"/S /D=" + other).WaitExit(60000), 0u);
    const std::wstring to = other.empty() ? dest_ : other;
    EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, entry, L"UninstallString")),
              "\"" + Narrow(to) + (other.empty() ? "Uninst1.exe\"" : "Uninst0.exe\""));
    EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, entry, L"DisplayVersion")), "2.0");
    EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, entry, L"InstallLocation")), Narrow(to));
    EXPECT_FALSE(Exists(dest_ + L"Uninst0.exe") || Exists(dest_ + L"Uninst0.dat")) << "version 1's stayed";
    if (other.empty()) {
      EXPECT_EQ(Tree(dest_),
                (std::set<std::string>{"a.txt", "b.txt", "c.txt", "mine.txt", "Uninst1.exe", "Uninst1.dat"}));
      EXPECT_EQ(Launch(package("1.5", dest_, "Two"), L"/S /LOG=" + log_).WaitExit(60000), 0u);
      EXPECT_ENTRY(LogEntries(log_), "version 1.5 replaces the installed, higher version 2.0");
    }
    const std::wstring command = GetText(HKEY_LOCAL_MACHINE, entry, L"UninstallString");
    EXPECT_EQ(Launch(command.substr(1, command.size() - 2), L"/S").WaitExit(60000), 0u);
    // The second stage deletes the uninstaller once the first has ended.
    EXPECT_TRUE(drive::WaitUntil(
        [&] { return Tree(dest_) == std::set<std::string>{"mine.txt"} && (other.empty() || !Exists(other)); }, 30000))
        << ::testing::PrintToString(Tree(dest_)) << ::testing::PrintToString(Tree(other));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Widen(key)));
    drive::DeleteKeyTree(HKEY_CURRENT_USER, Widen(key));
  }
}

// /S /PASSIVE as a package manager composes it: the progress window with
// the product's name, its status line and bar and no button, nothing else;
// the choices, the exit code and the log of /S. What the unattended runs
// start stays unseen: a missing program, started in the task phase, as a
// finish item and by the removal, leaves no error box anywhere in the
// session, and the removal opens no web page (the log says so instead).
TEST_F(Silent, APassiveRunShowsItsProgressOnlyAndNothingItStarts) {
  // The browser: a recorder as Internet Explorer and as the http handler.
  const std::wstring appPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe";
  const std::wstring http = L"Software\\Classes\\http\\shell\\open\\command";
  const RestoredDefault restoredApp(HKEY_LOCAL_MACHINE, appPath), restoredHttp(HKEY_LOCAL_MACHINE, http);
  const std::wstring browser = Dir() + L"browser\\iexplore.exe", folder = Dir() + L"Program Files\\Demo App\\";
  MakeFolders(browser);
  CopyHelper(L"wizard_recorder.exe", browser);
  SetText(HKEY_LOCAL_MACHINE, appPath, L"", browser);
  SetText(HKEY_LOCAL_MACHINE, http, L"", L"\"" + browser + L"\" \"%1\"");
  CopyHelper(L"run_probe.exe", Dir() + L"payload\\probe.exe");
  Write(L"payload\\probe.hold", "");
  const std::string P = kPilcrow, missing = Narrow(Dir()) + "missing\\nothere.exe";
  const std::wstring package = BuildDemo(
      "", "Offered = RUN" + P + "0" + P + "0" + P + "0" + P + missing + P + P + "Start it\r\nNow = RUN" + P + "0" + P +
              "0" + P + "1" + P + missing + "\r\nWait = RUN" + P + "1" + P + "1" + P + "1" + P +
              "<DefaultInstallPath>probe.exe\r\n[uConfig]\r\nIconExtUninst = 1\r\n[UninstTasks]\r\nGoodbye = "
              "LAUNCHBROWSER" + P + "http://tarnwick.invalid/bye\r\nBefore = RUN" + P + "1" + P + "0" + P + missing + P +
              "\r\n");
  const std::set<std::string> before = VisibleWindows();
  const std::wstring arguments = L"/S /PASSIVE /D=" + folder.substr(0, folder.size() - 1) + L" /LOG=" + log_;
  drive::Process p = Launch(package, arguments);
  HWND w = drive::WaitWindow(p, kDemoTitle);
  ASSERT_NE(w, nullptr) << "no progress window";
  // Held in the RUN task: the status line says so.
  ASSERT_TRUE(drive::WaitUntil([&] { return FileExists(folder + L"probe.txt"); }, 60000));
  EXPECT_TRUE(drive::WaitUntil([&] { return drive::Text(w, kStatusLine) == T(71); }))
      << Narrow(drive::Text(w, kStatusLine));
  EXPECT_TRUE(drive::Visible(w, kProgressBar));
  EXPECT_EQ(FindWindowExW(w, nullptr, L"Button", nullptr), nullptr) << "a button";
  Screenshot(w, L"passive");
  const std::string shown = Narrow(kDemoTitle) + " [" + Narrow(drive::ClassName(w)) + "]";
  // Closing the window (its close command, as Alt+F4 sends it, and a plain
  // request) leaves the run going to its end.
  drive::CloseBox(w);
  PostMessageW(w, WM_CLOSE, 0, 0);
  Write(L"Program Files\\Demo App\\probe.go", "");
  const Watched run = WatchUntilExit(p);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.windows, std::set<std::string>{shown});
  EXPECT_TRUE(FileExists(folder + L"Uninst0.exe"));
  std::vector<std::string> log = LogEntries(log_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "setup started: \"" + Narrow(package) + "\" " + Narrow(arguments));
  EXPECT_ENTRY(log, "install folder: " + Narrow(folder) + " (new or empty)");
  EXPECT_ENTRY(log, "could not start: " + missing);
  EXPECT_EQ(log.back(), "end: succeeded (exit code 0)");

  // The removal's log in the folder removed: kept, and the folder with it.
  const std::wstring removalLog = folder + L"removal log.txt";
  removal_ = StartCommandLine(GetText(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Demo App"),
                                      L"QuietUninstallString") + L" /LOG=" + removalLog);
  const Watched removal = WatchUntilExit(removal_);
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_TRUE(removal.windows.empty()) << ::testing::PrintToString(removal.windows);
  EXPECT_TRUE(drive::WaitUntil([&] { return StillRunning(removal).empty(); }, 60000));
  log = LogEntries(removalLog);
  EXPECT_ENTRY(log, "task Goodbye: web page http://tarnwick.invalid/bye not opened (a removal without questions)");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "end: succeeded (exit code 0)");
  EXPECT_FALSE(FileExists(folder + L"Uninst0.exe"));
  EXPECT_FALSE(FileExists(browser + L".log")) << "the browser was started";
  std::set<std::string> appeared;
  for (const std::string& seen : VisibleWindows())
    if (!before.count(seen)) appeared.insert(seen);
  EXPECT_TRUE(appeared.empty()) << ::testing::PrintToString(appeared);
}
