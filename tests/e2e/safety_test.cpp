// Nothing lost: an installation changes only what it makes, a cancelled or
// failed one puts back what it changed, and a removal undoes exactly what
// was recorded. Destructive cases run on the session's throw-away drive T:.
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"

using drive::Icon;

namespace {

constexpr int kCancel = 0, kNext = 1;
const char P[] = "\xC2\xB6";  // the task lines' pilcrow, UTF-8
const wchar_t kUnpackFailed[] =
    L"This installer is corrupted: its files could not be unpacked completely. Nothing was installed. Please obtain "
    L"another copy of it.";

// Answers one message box of any program, checking its title and text.
void Expect(const wchar_t* title, const std::wstring& text, int button) {
  drive::MessageBoxInfo box = drive::WaitMessageBoxTitled(title, 60000);
  ASSERT_NE(box.window, nullptr) << "no message box titled " << Narrow(title);
  EXPECT_EQ(Narrow(box.text), Narrow(text));
  EXPECT_TRUE(drive::Answer(box, button));
}

// The system's list of renames at the next restart, its entries joined by
// "|"; with `restore`, one that was empty is deleted first (the prefix's
// own list is empty).
std::wstring PendingRenames(const std::wstring* restore = nullptr) {
  const wchar_t kKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", kValue[] = L"PendingFileRenameOperations";
  if (restore && restore->empty()) drive::DeleteValue(HKEY_LOCAL_MACHINE, kKey, kValue);
  DWORD type = REG_NONE;
  std::string bytes;
  if (!drive::ReadValue(HKEY_LOCAL_MACHINE, kKey, kValue, &type, &bytes) || type != REG_MULTI_SZ) return L"";
  std::wstring list(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  for (wchar_t& c : list) c = c ? c : L'|';
  return list;
}

}  // namespace

class Safety : public DemoInstallTest {
 protected:
  void TearDown() override {
    CleanUp({L"TarnSafetyApp.exe"}, {{HKEY_CURRENT_USER, L"Software\\TarnSafety"}}, {L"T:\\tarnsafety\\"});
    DemoInstallTest::TearDown();
  }

  // The demo script with these install tasks and [iConfig] additions; the
  // product is registered with the uninstaller's icon.
  void Script(const std::string& tasks, const std::string& config = "") {
    WriteScript(DemoApp(dest_, "", config, tasks).Section("uConfig", "IconExtUninst = 1\r\n"));
  }

  // The package built from the test's folders, with a byte of the first
  // entry's data (after its local header, name and extra field) changed;
  // empty when it cannot be split.
  std::wstring DamagedPackage() {
    const std::wstring package = Build();
    std::string bytes = ReadFileBytes(package), stub, payload, info;
    if (!SplitPackage(bytes, &stub, &payload, &info)) return std::wstring();
    const size_t data = 30 + static_cast<unsigned char>(payload[26]) + static_cast<unsigned char>(payload[28]);
    bytes[stub.size() + data + 100] ^= 0x5A;
    Write(L"setup.exe", bytes);
    return package;
  }

  void InstallToTheEnd(const std::wstring& package) {
    drive::Process p = Launch(package);
    HWND w = StartInstallation(p);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WaitFinishPage(w));
    PressFinish(w, p);
  }

  // The installed uninstaller, started with the registered command the way
  // the system starts it; Yes, then OK once the removal is done.
  void Uninstall(const std::wstring& command) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring line = command;
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << Narrow(command);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Expect(L"Please confirm", L"Are you sure you want to uninstall Demo App?", IDYES);
    Expect(L"Success", L"The program was uninstalled successfully.", IDOK);
  }

  std::wstring Registered(const wchar_t* value) {
    return GetText(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App", value);
  }
};

// Folder tasks with an empty, rooted or over-long folder run with the
// throw-away drive T: as the current one: "\" is T:\, and a path cut to
// 260 characters would name the planted folder.
TEST_F(Safety, FolderTasksNeverActOnRootsOrShortenedPaths) {
  const std::wstring base = L"T:\\tarnsafety\\" + std::wstring(180, L'a') + L"\\";
  const std::wstring cut = base + std::wstring(260 - base.size(), L'b');  // 260 characters
  WriteAt(L"T:\\tarnsafety\\keep.txt", "mine");
  WriteAt(L"T:\\tarnsafety\\sub\\keep.txt", "mine");
  WriteAt(L"\\\\?\\" + cut + L"\\keep.txt", "mine");
  const std::string flags = std::string(P) + "1" + P + "1";
  Script("Empty = DELETEFOLDER" + std::string(P) + flags + "\r\n" + "Root = DELETEFOLDER" + P + "\\" + flags +
         "\r\n" + "Dots = DELETEFOLDER" + P + "T:\\tarnsafety\\..\\" + flags + "\r\n" +
         "Device = DELETEFOLDER" + P + "\\\\?\\T:\\" + flags + "\r\n" + "Long = DELETEFOLDER" + P + Narrow(cut) +
         "cdef\\" + flags + "\r\n" + "LongMade = CREATEFOLDER" + P + Narrow(base) + std::string(100, 'c') + "\r\n" +
         "Gone = DELETEFILE" + P + "T:\\tarnsafety\\gone.txt\r\n");
  WriteAt(L"T:\\tarnsafety\\gone.txt", "gone");
  const std::wstring package = Build();
  MakeFolders(L"T:\\tarnsafety\\run\\");
  ASSERT_TRUE(CopyFileW(package.c_str(), L"T:\\tarnsafety\\run\\setup.exe", FALSE));
  InstallToTheEnd(L"T:\\tarnsafety\\run\\setup.exe");
  EXPECT_EQ(ReadFileBytes(L"T:\\tarnsafety\\keep.txt"), "mine");
  EXPECT_EQ(ReadFileBytes(L"T:\\tarnsafety\\sub\\keep.txt"), "mine");
  EXPECT_EQ(ReadFileBytes(L"\\\\?\\" + cut + L"\\keep.txt"), "mine") << "a shortened path was deleted";
  const std::wstring shortened = base + std::wstring(260 - base.size(), L'c');
  EXPECT_FALSE(FolderExists(L"\\\\?\\" + shortened)) << "a folder was made under a shortened name";
  // The removed file went with the journal's folder when the run completed.
  WIN32_FIND_DATAW fd;
  EXPECT_EQ(FindFirstFileW(L"T:\\~tarnwick-journal-*", &fd), INVALID_HANDLE_VALUE) << "a folder of the journal is left";
  EXPECT_FALSE(Exists(L"T:\\tarnsafety\\gone.txt"));
}

// Installing over an earlier version and cancelling: every file comes back
// byte for byte with its attributes, folders that were there stay, and what
// the run made (files, folders, the group and its links) is gone.
TEST_F(Safety, ACancelledInstallationPutsThePreviousOneBack) {
  Write(L"payload\\App.exe", "version 2");
  Write(L"payload\\data\\new.txt", "new");
  Write(L"payload\\fresh\\deep\\x.txt", "x");
  for (int i = 0; i < 40; ++i) Write(L"payload\\more\\f" + std::to_wstring(i) + L".txt", "more");
  Script("", "AutoCreateStartMenu = 1\r\nCreateUninstallLink = 1\r\n");
  const std::wstring package = Build();
  Write(L"dest\\App.exe", "version 1");
  Write(L"dest\\data\\mine.txt", "mine");
  SetFileAttributesW((dest_ + L"data").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW((dest_ + L"App.exe").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  const std::set<std::string> before = Tree(dest_);

  drive::Process p = Launch(package);
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageGroup));
  // Next starts the installation; the Cancel sent right after it is taken at
  // the unpacking's first progress report (the program takes no message
  // before it).
  ASSERT_TRUE(drive::Click(w, kNext));
  ASSERT_TRUE(drive::Click(w, kCancel));
  EXPECT_MESSAGE(p, kConfirmTitle, kConfirmQuit, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);

  EXPECT_EQ(Tree(dest_), before);
  EXPECT_EQ(ReadFileBytes(dest_ + L"App.exe"), "version 1");
  EXPECT_EQ(GetFileAttributesW((dest_ + L"App.exe").c_str()), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(GetFileAttributesW((dest_ + L"data").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(Exists(group_)) << "the program group made by the cancelled run is still there";
  SetFileAttributesW((dest_ + L"data").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((dest_ + L"App.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A payload entry that fails its check: a message, the run ends, and
// nothing stays: no files, no group, no uninstall entry.
TEST_F(Safety, APayloadThatCannotBeUnpackedInstallsAndRegistersNothing) {
  Write(L"payload\\App.exe", NoiseBytes(5000, 3));
  Write(L"payload\\b.txt", "b");
  Script("", "AutoCreateStartMenu = 1\r\n");
  const std::wstring package = DamagedPackage();
  ASSERT_FALSE(package.empty());

  drive::Process p = Launch(package);
  HWND w = StartInstallation(p);
  ASSERT_NE(w, nullptr);
  EXPECT_MESSAGE(p, L"Error", kUnpackFailed, Icon::kError, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_FALSE(Exists(dest_));
  EXPECT_FALSE(Exists(group_));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + L"Demo App"));
  EXPECT_TRUE(NewWorkFolders().empty());
}

// A group whose name is longer than a folder task takes is made under its
// shortened name; a failed run takes that folder back, not only the one
// the user named.
TEST_F(Safety, AFailedRunTakesBackAGroupMadeUnderAShortenedName) {
  Write(L"payload\\App.exe", NoiseBytes(5000, 3));
  Script("", "AutoCreateStartMenu = 1\r\n");
  const std::wstring package = DamagedPackage();
  ASSERT_FALSE(package.empty());
  const std::wstring named = CommonPrograms() + L"Demo App " + std::wstring(240, L'G') + L"\\";
  const std::wstring shortened = named.substr(0, 260);

  drive::Process p = Launch(package);
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(WalkTo(w, kPageGroup));
  DWORD_PTR r = 0;
  SendMessageTimeoutW(drive::Control(w, 204), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(named.c_str()), SMTO_NORMAL,
                      5000, &r);
  ASSERT_EQ(drive::Text(w, 204), named);
  ASSERT_TRUE(drive::Click(w, kNext));
  EXPECT_MESSAGE(p, L"Error", kUnpackFailed, Icon::kError, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  const bool left = Exists(shortened);
  RemoveDirectoryW(shortened.c_str());
  EXPECT_FALSE(left) << "the group made under its shortened name is still there";
  EXPECT_FALSE(Exists(named));
  EXPECT_FALSE(Exists(dest_));
}

// The record keeps what the tasks did exactly: two tasks whose names differ
// only in case, and a network path; the removal undoes both tasks. The
// uninstall command is quoted, and the uninstaller also starts from the
// unquoted form older entries hold; it ends only the program running from
// the install folder, not one of the same name elsewhere.
TEST_F(Safety, TheRecordKeepsWhatWasDoneAndTheRemovalUndoesOnlyThat) {
  dest_ = Dir() + L"dest with blanks\\";
  CopyHelper(L"sleeper.exe", Dir() + L"payload\\TarnSafetyApp.exe");
  Script(std::string("Key = REGADDKEY") + P + "HKCU" + P + P + P + "Software\\TarnSafety\\A\r\n" +
         "KEY = REGADDKEY" + P + "HKCU" + P + P + P + "Software\\TarnSafety\\B\r\n" +
         "Server = REGISTERSERVER" + P + "\\\\tarnserver\\share\\s.dll\r\n");
  InstallToTheEnd(Build());
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnSafety\\A"));
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnSafety\\B"));
  const std::vector<std::string> record = Section(dest_ + L"Uninst0.dat", "InstTasks");
  EXPECT_EQ(Value(record, "KEY#2"), std::string("REGADDKEY") + P + "HKCU" + P + P + P + "Software\\TarnSafety\\B");
  EXPECT_EQ(Value(record, "Server"), std::string("REGISTERSERVER") + P + "\\\\tarnserver\\share\\s.dll");
  EXPECT_EQ(Narrow(Registered(L"UninstallString")), "\"" + Narrow(dest_) + "Uninst0.exe\"");

  // The product runs, and so does a program of the same name elsewhere.
  drive::Process installed = drive::Start(dest_ + L"TarnSafetyApp.exe", L"600");
  MakeFolders(Dir() + L"elsewhere\\");
  CopyHelper(L"sleeper.exe", Dir() + L"elsewhere\\TarnSafetyApp.exe");
  drive::Process other = drive::Start(Dir() + L"elsewhere\\TarnSafetyApp.exe", L"600");
  ASSERT_TRUE(installed.started() && other.started());

  Uninstall(dest_ + L"Uninst0.exe");  // unquoted, with blanks, as older entries have it
  EXPECT_NE(installed.WaitExit(15000), STILL_ACTIVE) << "the installed program was not ended";
  EXPECT_TRUE(other.Running()) << "a program of the same name outside the install folder was ended";
  other.Kill();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnSafety\\A"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\TarnSafety\\B"));
  EXPECT_FALSE(Exists(dest_ + L"TarnSafetyApp.exe"));
}

// The tasks removed a file and a folder, replaced a file whose name has
// capitals, and started a program that holds a file of the payload; then
// the run ends for lack of memory (the test build ends it after the task
// "Hold"). Everything comes back with its attributes, its name as it was
// spelt and the folder's time; the held file is left to the next restart,
// and the log says so; no folder of the journal and no work folder is left.
TEST_F(Safety, AnEndForLackOfMemoryPutsBackWhatTheTasksRemoved) {
  UseStub(StubFile(L"-test"));
  Write(L"payload\\readme.txt", "new");
  Write(L"payload\\held.dat", "held");
  CopyHelper(L"victim.exe", Dir() + L"TarnSafetyApp.exe");
  Write(L"dest\\Readme.TXT", "old");
  Write(L"dest\\gone.txt", "gone");
  Write(L"dest\\Tree\\ro.txt", "ro");  // the task spells it "tree": it comes back as "Tree"
  Write(L"dest\\Tree\\sub\\s.txt", "s");
  SetFileAttributesW((dest_ + L"gone.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW((dest_ + L"tree\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((dest_ + L"tree\\sub").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const DWORD gone = GetFileAttributesW((dest_ + L"gone.txt").c_str());
  const DWORD readOnly = GetFileAttributesW((dest_ + L"tree\\ro.txt").c_str());
  std::set<std::string> expected = Tree(dest_);
  expected.insert("held.dat");
  WIN32_FILE_ATTRIBUTE_DATA folder = {}, after = {};
  ASSERT_TRUE(GetFileAttributesExW(dest_.c_str(), GetFileExInfoStandard, &folder));
  const std::wstring marker = Dir() + L"held.marker", log = Dir() + L"setup.log";
  const std::string d = Narrow(dest_);
  Script("File = DELETEFILE" + std::string(P) + d + "gone.txt\r\nTree = DELETEFOLDER" + P + d + "tree\\" + P + "1" + P +
         "1\r\nHold = RUN" + P + "0" + P + "1" + P + "1" + P + Narrow(Dir()) + "TarnSafetyApp.exe" + P + "\"" + d +
         "held.dat\" \"" + Narrow(marker) + "\"\r\n");
  const std::wstring package = Build();
  const std::wstring pendingBefore = PendingRenames();
  SetEnvironmentVariableW(L"TARNWICK_OUT_OF_MEMORY_AFTER", L"Hold");
  SetEnvironmentVariableW(L"TARNWICK_OUT_OF_MEMORY_WHEN", marker.c_str());
  drive::Process p = Launch(package, L"/S /D=" + dest_ + L" /LOG=" + log);
  SetEnvironmentVariableW(L"TARNWICK_OUT_OF_MEMORY_AFTER", nullptr);
  SetEnvironmentVariableW(L"TARNWICK_OUT_OF_MEMORY_WHEN", nullptr);
  EXPECT_EQ(p.WaitExit(120000), 1603u);

  EXPECT_EQ(Tree(dest_), expected);
  EXPECT_EQ(ReadFileBytes(dest_ + L"Readme.TXT"), "old");
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((dest_ + L"readme.txt").c_str(), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_EQ(Narrow(fd.cFileName), "Readme.TXT");
  EXPECT_EQ(GetFileAttributesW((dest_ + L"gone.txt").c_str()), gone);
  EXPECT_EQ(GetFileAttributesW((dest_ + L"tree\\ro.txt").c_str()), readOnly);
  EXPECT_EQ(GetFileAttributesW((dest_ + L"tree\\sub").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(GetFileAttributesExW(dest_.c_str(), GetFileExInfoStandard, &after));
  EXPECT_EQ(CompareFileTime(&folder.ftLastWriteTime, &after.ftLastWriteTime), 0) << "the folder's time changed";
  EXPECT_EQ(FindFirstFileW(L"C:\\~tarnwick-journal-*", &fd), INVALID_HANDLE_VALUE) << "a folder of the journal is left";
  EXPECT_TRUE(NewWorkFolders().empty());
  const std::wstring pending = PendingRenames();
  EXPECT_NE(pending.find(dest_ + L"held.dat|"), std::wstring::npos) << Narrow(pending);
  EXPECT_NE(ReadFileBytes(log).find(d + "held.dat: held by a program; it is removed at the next restart"),
            std::string::npos);
  PendingRenames(&pendingBefore);
  SetFileAttributesW((dest_ + L"tree\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A silent run replaces a program that is running: its earlier copy waits
// in the journal's keeping, which the next restart deletes, and the run
// ends with 3010.
TEST_F(Safety, AnEarlierCopyThatIsStillRunningGoesAtTheNextRestart) {
  CopyHelper(L"sleeper.exe", Dir() + L"payload\\TarnSafetyApp.exe");
  Script("");
  const std::wstring package = Build(), log = Dir() + L"setup.log";
  MakeFolders(dest_);
  CopyHelper(L"sleeper.exe", dest_ + L"TarnSafetyApp.exe");
  drive::Process app = drive::Start(dest_ + L"TarnSafetyApp.exe", L"600 " + Dir() + L"app.marker");
  ASSERT_TRUE(drive::WaitUntil([&] { return Exists(Dir() + L"app.marker"); }));
  const std::wstring pendingBefore = PendingRenames();
  drive::Process p = Launch(package, L"/S /D=" + dest_ + L" /LOG=" + log);
  EXPECT_EQ(p.WaitExit(60000), 3010u);
  const std::wstring pending = PendingRenames();
  EXPECT_NE(pending.find(L":\\~tarnwick-journal-"), std::wstring::npos) << Narrow(pending);
  EXPECT_NE(ReadFileBytes(log).find("TarnSafetyApp.exe: held by a program; its earlier copy is deleted at the next restart"),
            std::string::npos);
  app.Kill();
  PendingRenames(&pendingBefore);
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(L"C:\\~tarnwick-journal-*", &fd);
  if (find != INVALID_HANDLE_VALUE) RemoveTree(L"C:\\" + std::wstring(fd.cFileName) + L"\\");
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

// Version 1's program holds a file that version 2 replaces. Interactively
// the message names the file and the program, and Retry after the program
// ended completes the installation; unattended the new file waits beside
// its place for the next restart (3010); with /CLOSEAPPLICATIONS the
// program is closed and the run ends 0; the removal leaves the held file
// to the next restart (3010). Wine applies pending renames when the prefix
// restarts (wineboot -r).
TEST_F(Safety, AFileHeldByARunningProgramIsNamedClosedOrExchangedAtTheRestart) {
  Write(L"payload\\data.txt", "version 2");
  Script("");
  const std::wstring package = Build(), log = Dir() + L"setup.log", held = dest_ + L"data.txt";
  MakeFolders(dest_);
  CopyHelper(L"victim.exe", dest_ + L"TarnSafetyApp.exe");
  auto startVersion1 = [&] {
    DeleteFileW((Dir() + L"app.marker").c_str());
    drive::Process app = drive::Start(dest_ + L"TarnSafetyApp.exe", held + L" " + Dir() + L"app.marker");
    EXPECT_TRUE(drive::WaitUntil([&] { return Exists(Dir() + L"app.marker"); }));
    return app;
  };

  drive::Process app = startVersion1();
  drive::Process p = Launch(package);
  HWND w = StartInstallation(p);
  ASSERT_NE(w, nullptr);
  drive::MessageBoxInfo box = drive::WaitMessageBoxTitled(L"File in use", 60000);
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(Narrow(box.text),
            Narrow(L"The installation cannot replace this file because another program is using it:\r\n\r\n" + held +
               L"\r\n\r\nIt is in use by:\r\n" + dest_ + L"TarnSafetyApp.exe\r\n\r\nChoose Yes to close these programs "
               L"and go on, No to retry once you have closed them yourself, or Cancel to stop the installation."));
  app.Kill();
  app.WaitExit();
  EXPECT_TRUE(drive::Answer(box, IDNO));
  ASSERT_TRUE(WaitFinishPage(w));
  PressFinish(w, p);
  EXPECT_EQ(ReadFileBytes(held), "version 2");

  app = startVersion1();
  const std::wstring pendingBefore = PendingRenames();
  p = Launch(package, L"/S /D=" + dest_ + L" /LOG=" + log);
  EXPECT_EQ(p.WaitExit(60000), 3010u);
  EXPECT_NE(PendingRenames().find(held + L".~new|!\\??\\" + held), std::wstring::npos) << Narrow(PendingRenames());
  EXPECT_NE(ReadFileBytes(log).find(Narrow(L"the new " + held + L" takes its place at the next restart")), std::string::npos);
  EXPECT_EQ(ReadFileBytes(held + L".~new"), "version 2");
  // The prefix's restart applies the pending renames.
  app.Kill();
  WriteAt(held, "version 1");
  drive::Process boot = drive::Start(L"C:\\windows\\system32\\wineboot.exe", L"-r");
  EXPECT_EQ(boot.WaitExit(60000), 0u);
  EXPECT_EQ(ReadFileBytes(held), "version 2");
  EXPECT_FALSE(Exists(held + L".~new"));
  PendingRenames(&pendingBefore);
  WriteAt(held, "version 1");
  app = startVersion1();

  p = Launch(package, L"/S /D=" + dest_ + L" /CLOSEAPPLICATIONS /LOG=" + log);
  EXPECT_EQ(p.WaitExit(60000), 0u);
  EXPECT_EQ(app.WaitExit(1000), 1u);  // ended by the installation
  EXPECT_EQ(ReadFileBytes(held), "version 2");

  // The removal while the program holds the file: it goes at the next
  // restart, and the silent removal ends with 3010.
  app = startVersion1();
  const std::wstring quiet = Registered(L"QuietUninstallString");
  drive::Process removal = drive::Start(quiet.substr(1, quiet.find(L'"', 1) - 1), L"/S");
  EXPECT_EQ(removal.WaitExit(60000), 3010u) << Narrow(quiet);
  EXPECT_NE(PendingRenames().find(L"\\??\\" + held + L"||"), std::wstring::npos) << Narrow(PendingRenames());
  app.Kill();
  // Installed again before that restart: the restart must not delete the
  // new file.
  EXPECT_EQ(Launch(package, L"/S /D=" + dest_).WaitExit(60000), 0u);
  EXPECT_EQ(PendingRenames().find(held), std::wstring::npos) << Narrow(PendingRenames());
  PendingRenames(&pendingBefore);
}

// The work folder is new and only administrators and the system may change
// it (where the system keeps access rights), so that nothing can be planted
// in it while the installer runs.
TEST_F(Safety, TheWorkFolderIsPrivate) {
  Script("");
  drive::Process p = Launch(Build());
  HWND w = WaitWizard(p);
  ASSERT_NE(w, nullptr);
  const std::vector<std::wstring> work = NewWorkFolders();
  ASSERT_EQ(work.size(), 1u);
  char buffer[4096];
  DWORD need = 0;
  ASSERT_TRUE(GetFileSecurityW((TempFolder() + work[0]).c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof buffer,
                               &need));
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(buffer, &present, &acl, &defaulted));
  ASSERT_TRUE(present && acl);
  // The system and the administrators, nobody else (Wine keeps rights as
  // Linux permissions and reports the administrators as the owner).
  EXPECT_EQ(acl->AceCount, 2);
  bool system = false;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&ace)));
    auto* sid = reinterpret_cast<PSID>(&ace->SidStart);
    system = system || IsWellKnownSid(sid, WinLocalSystemSid);
    for (WELL_KNOWN_SID_TYPE everybody : {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid})
      EXPECT_FALSE(IsWellKnownSid(sid, everybody)) << "entry " << i << " lets others in";
  }
  EXPECT_TRUE(system);
  drive::Click(w, kCancel);
  EXPECT_MESSAGE(p, kConfirmTitle, kConfirmQuit, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
}

// The uninstall entry holds the digest of the uninstall data the installation
// wrote: data edited since (a file on T: added to [Files]) is refused, also
// without questions (exit code 1603), and nothing is deleted. An entry without
// the digest, as earlier versions wrote it, still has its data honoured.
TEST_F(Safety, AnEditedUninstallDataFileIsRefused) {
  Script("");
  ASSERT_EQ(Launch(Build(), L"/S").WaitExit(60000), 0u);
  const std::wstring data = dest_ + L"Uninst0.dat", victim = L"T:\\tarnsafety\\victim.txt";
  WriteAt(victim, "the user's");
  std::string bytes = ReadFileBytes(data);
  ASSERT_NE(bytes.find("[Files]\r\n"), std::string::npos);
  WriteAt(data, bytes + "CopyFile9 = " + Narrow(victim) + "\r\n");  // [Files] is the last section

  const std::wstring entry = std::wstring(kUninstallKey) + L"Demo App";
  const std::wstring uninstaller = dest_ + L"Uninst0.exe";
  ASSERT_TRUE(drive::Start(uninstaller).started());
  Expect(L"Error",
         L"The uninstallation data file was changed after the installation. It cannot be trusted, so nothing was "
         L"removed.\r\n\r\n(" + data + L")",
         IDOK);
  if (HasFailure()) {
    // A removal that asks instead of refusing is declined, not left waiting.
    drive::MessageBoxInfo asked = drive::WaitMessageBoxTitled(L"Please confirm", 5000);
    if (asked.window) drive::Answer(asked, IDNO);
  }
  EXPECT_EQ(drive::Start(uninstaller, L"/S").WaitExit(60000), 1603u);
  EXPECT_EQ(ReadFileBytes(victim), "the user's");
  for (const wchar_t* name : {L"App.exe", L"Uninst0.exe", L"Uninst0.dat"}) EXPECT_TRUE(FileExists(dest_ + name));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, entry)) << "the uninstall entry was removed";

  // The platform's own book of digests vouches too: a product without an
  // entry, or an entry taken over, is still checked.
  drive::DeleteValue(HKEY_LOCAL_MACHINE, entry, L"UninstallDataSha256");
  EXPECT_EQ(drive::Start(uninstaller, L"/S").WaitExit(60000), 1603u);
  EXPECT_EQ(ReadFileBytes(victim), "the user's");
  // Neither (an earlier version's installation): honoured.
  drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Tarnwick Install Platform");
  Uninstall(Registered(L"UninstallString"));
  EXPECT_FALSE(Exists(dest_ + L"App.exe"));
  EXPECT_FALSE(Exists(victim)) << "the data of an entry without a digest was not honoured";
}

// Links put where the product's folders go lead neither the unpacking nor
// the removal into another folder: the user's files and an empty folder a
// link points to stay.
TEST_F(Safety, LinksInTheProductsFolderLeadNowhereElse) {
  const std::wstring mine = L"T:\\tarnsafety\\mine\\", empty = L"T:\\tarnsafety\\empty\\";
  WriteAt(mine + L"notes.txt", "the user's");
  MakeFolders(empty);
  Write(L"payload\\sub\\notes.txt", "the payload's");
  Script("");
  const std::wstring package = Build();
  // An install folder that holds a link where the payload has a folder.
  const std::wstring pre = L"T:\\tarnsafety\\pre\\";
  MakeFolders(pre);
  if (!drive::MakeLink(pre + L"sub", mine, true)) GTEST_SKIP() << "NOT CHECKED: this system makes no links";
  EXPECT_EQ(Launch(package, L"/S /D=" + pre).WaitExit(60000), 1603u);
  EXPECT_EQ(ReadFileBytes(mine + L"notes.txt"), "the user's") << "the payload was written through a link";
  // Installed whole; then a folder of it becomes a link, and another link
  // points at an empty folder: the removal leaves both targets alone.
  ASSERT_EQ(Launch(package, L"/S").WaitExit(60000), 0u);
  RemoveTree(dest_ + L"sub");
  ASSERT_TRUE(drive::MakeLink(dest_ + L"sub", mine, true));
  ASSERT_TRUE(drive::MakeLink(dest_ + L"toEmpty", empty, true));
  EXPECT_EQ(drive::Start(dest_ + L"Uninst0.exe", L"/S").WaitExit(60000), 0u);
  EXPECT_EQ(ReadFileBytes(mine + L"notes.txt"), "the user's") << "the removal deleted through a link";
  EXPECT_TRUE(FolderExists(empty)) << "the empty folder a link pointed to was removed";
  EXPECT_FALSE(Exists(dest_ + L"App.exe"));
}
