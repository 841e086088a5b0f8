// COM server registration through regsvr32.exe: a real server registered and
// unregistered by the machine's own regsvr32, and under an emulated NT 4.0 a
// recorder in the place where that system keeps regsvr32.exe.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/registry_journal.h"
#include "install/shared/system_tasks.h"
#include "startup/os_version.h"
#include "tests/driver/support.h"

namespace {

const wchar_t kClass[] = L"CLSID\\{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}";
const wchar_t kProgId[] = L"Tarnwick.OpsTestServer";

// The server's keys and folder go when the case ends, however it ends.
struct ServerCleanUp {
  explicit ServerCleanUp(const std::wstring& folder) : folder(folder) { Clean(); }
  ~ServerCleanUp() {
    Clean();
    drive::RemoveTree(folder);
  }
  static void Clean() {
    drive::DeleteKeyTree(HKEY_CLASSES_ROOT, kClass);
    drive::DeleteKeyTree(HKEY_CLASSES_ROOT, kProgId);
  }
  std::wstring folder;
};

// Counts the programs that this process starts from now on (and those they
// start): the process joins a job, which every program it starts joins too.
// A process cannot leave its job again, so only the emulated copies use it.
class StartCounter {
 public:
  StartCounter() : job_(CreateJobObjectW(nullptr, nullptr)) {
    joined_ = job_ && AssignProcessToJobObject(job_, GetCurrentProcess());
    base_ = Total();
  }
  ~StartCounter() {
    if (job_) CloseHandle(job_);
  }
  bool joined() const { return joined_; }
  DWORD Started() const { return Accounts().TotalProcesses - base_; }
  // Of those, the ones that have not ended.
  DWORD Running() const { return Accounts().ActiveProcesses - 1; }

 private:
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION Accounts() const {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    info.ActiveProcesses = 1;
    if (job_) QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr);
    return info;
  }
  DWORD Total() const { return Accounts().TotalProcesses; }

  HANDLE job_;
  bool joined_ = false;
  DWORD base_ = 0;
};

void RegisterAndUnregisterTheTestServer() {
  // A blank in the path: only the quotes keep it one argument.
  const ServerCleanUp cleanUp(drive::FreshFolder(L"com server"));
  const std::wstring server = cleanUp.folder + L"ops server.dll";
  ASSERT_TRUE(CopyFileW((drive::BinFolder() + L"ops_server.dll").c_str(), server.c_str(), FALSE));

  EXPECT_NE(0, RegisterServer(server, 1));
  // regsvr32 has ended by now: its work is done.
  const std::wstring registered = drive::GetText(HKEY_CLASSES_ROOT, std::wstring(kClass) + L"\\InprocServer32", L"");
  EXPECT_EQ(0, lstrcmpiW(server.c_str(), registered.c_str())) << drive::Narrow(registered);
  EXPECT_EQ(L"{3F6B2C1E-8A4D-4E7B-9C21-5D0A7E4B6F93}",
            drive::GetText(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", L""));

  EXPECT_NE(0, RegisterServer(server, 0));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, kClass));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, kProgId));
}

TEST(Servers, RegisteredAndUnregisteredByTheSystemsRegsvr32) { RegisterAndUnregisterTheTestServer(); }

// A rollback unregisters a server the run registered (twice), and leaves one that
// was registered before (found under another letter case) registered,
// whether the run registered it again or unregistered it.
TEST(Servers, ARollbackKeepsWhatWasRegisteredBefore) {
  const ServerCleanUp cleanUp(drive::FreshFolder(L"com server"));
  const std::wstring server = cleanUp.folder + L"ops server.dll";
  ASSERT_TRUE(CopyFileW((drive::BinFolder() + L"ops_server.dll").c_str(), server.c_str(), FALSE));
  EXPECT_FALSE(ServerRegistered(server));
  RegistryJournal journal;
  for (int twice = 0; twice < 2; ++twice) {
    journal.BeforeServer(server, true);
    ASSERT_NE(0, RegisterServer(server, 1));
  }
  journal.RollBackBeforeFiles();
  journal.RollBackAfterFiles();
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, kClass));

  ASSERT_NE(0, RegisterServer(server, 1));
  std::wstring upper = server;
  CharUpperW(&upper[0]);
  EXPECT_TRUE(ServerRegistered(upper));
  for (int flag : {1, 0}) {
    journal.BeforeServer(server, flag == 1);
    RegisterServer(server, flag);
    journal.RollBackBeforeFiles();
    journal.RollBackAfterFiles();
    const std::wstring registered = drive::GetText(HKEY_CLASSES_ROOT, std::wstring(kClass) + L"\\InprocServer32", L"");
    EXPECT_EQ(0, lstrcmpiW(server.c_str(), registered.c_str())) << flag << " " << drive::Narrow(registered);
  }
}

// Windows 98 takes regsvr32.exe from the desktop drive's WINDOWS\System32,
// which is the system folder of the Wine machine too.
TEST(DISABLED_Win98Servers, RegisteredAndUnregistered) {
  ASSERT_EQ(kOs98, CurrentOsVersion());
  RegisterAndUnregisterTheTestServer();
}

TEST(Servers, UnderWindows98) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows 98 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"win98", L"DISABLED_Win98Servers.*"));
}

// The WINNT folder of the desktop's drive, made for the case when it was
// not there, or else the recorder and its log in it, go however the case ends.
struct WinntCleanUp {
  WinntCleanUp(const std::wstring& winnt, const std::wstring& tool)
      : winnt(winnt), tool(tool), existed(GetFileAttributesW(winnt.c_str()) != INVALID_FILE_ATTRIBUTES) {}
  ~WinntCleanUp() {
    if (existed) {
      DeleteFileW(tool.c_str());
      DeleteFileW((tool + L".log").c_str());
    } else {
      drive::RemoveTree(winnt);
    }
  }
  std::wstring winnt, tool;
  bool existed;
};

TEST(DISABLED_Nt4Servers, RegsvrFromTheWinntFolderOfTheDesktopDrive) {
  ASSERT_EQ(kOsNt4, CurrentOsVersion());
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop));
  const std::wstring winnt = std::wstring(desktop).substr(0, 3) + L"WINNT";
  const std::wstring folder = winnt + L"\\System32\\";
  const std::wstring tool = folder + L"regsvr32.exe";
  const std::wstring log = tool + L".log";
  const WinntCleanUp cleanUp(winnt, tool);
  CreateDirectoryW(winnt.c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((drive::BinFolder() + L"ops_recorder.exe").c_str(), tool.c_str(), FALSE));
  DeleteFileW(log.c_str());
  const StartCounter started;
  ASSERT_TRUE(started.joined()) << "this copy of the test program could not join a job";

  // Each call waits until its program has ended (the recorder takes half a
  // second over its entry).
  EXPECT_EQ(1, RegisterServer(L"C:\\App\\x.dll", 1));
  EXPECT_EQ(0u, started.Running());
  std::vector<std::string> lines = drive::Lines(drive::ReadFileBytes(log));
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("\"" + drive::Narrow(tool) + "\" /s \"C:\\App\\x.dll\"", lines[0]);

  EXPECT_EQ(1, RegisterServer(L"C:\\App\\x.dll", 0));
  EXPECT_EQ(0u, started.Running());
  lines = drive::Lines(drive::ReadFileBytes(log));
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("\"" + drive::Narrow(tool) + "\" /u /s \"C:\\App\\x.dll\"", lines[2]);
  EXPECT_EQ(2u, started.Started());

  // Other flags start no program at all.
  EXPECT_EQ(0, RegisterServer(L"C:\\App\\x.dll", 2));
  EXPECT_EQ(0, RegisterServer(L"C:\\App\\x.dll", -1));
  EXPECT_EQ(2u, started.Started());
}

TEST(Servers, UnderNt4) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows NT 4.0 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"nt40", L"DISABLED_Nt4Servers.*"));
}

}  // namespace
