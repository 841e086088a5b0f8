// Starting a program and waiting for it: the command line it gets, its
// folder, the wait, and the shell's execute operation for what CreateProcess
// cannot start (a document).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/shared/system_tasks.h"
#include "tests/driver/support.h"

namespace {

std::string NoTrailingBackslash(std::string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string CurrentFolder() {
  wchar_t buf[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buf);
  return drive::Narrow(buf);
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = drive::FreshFolder(L"run test");
    recorder_ = folder_ + L"the recorder.exe";
    ASSERT_TRUE(CopyFileW((drive::BinFolder() + L"ops_recorder.exe").c_str(), recorder_.c_str(), FALSE));
  }
  void TearDown() override {
    drive::StopProcessesNamed(kSleeper);
    drive::DeleteKeyTree(HKEY_CLASSES_ROOT, L".tarnopsdoc");
    drive::DeleteKeyTree(HKEY_CLASSES_ROOT, L"TarnOps.Document");
    if (!other_.empty()) drive::RemoveTree(other_);
    drive::RemoveTree(folder_);
  }

  // A second folder, removed with the test's own.
  const std::wstring& Other() {
    if (other_.empty()) other_ = drive::FreshFolder(L"run elsewhere");
    return other_;
  }

  // A copy of the sleeper under a name of this test's own.
  std::wstring Sleeper() {
    const std::wstring copy = folder_ + kSleeper;
    EXPECT_TRUE(CopyFileW((drive::BinFolder() + L"sleeper.exe").c_str(), copy.c_str(), FALSE));
    return copy;
  }
  static constexpr wchar_t kSleeper[] = L"tarn_run_sleeper.exe";

  std::vector<std::string> Log() const { return drive::Lines(drive::ReadFileBytes(recorder_ + L".log")); }

  std::wstring folder_;
  std::wstring recorder_;
  std::wstring other_;
};

TEST_F(RunTest, CommandLineAndFolder) {
  const std::wstring other = Other();
  EXPECT_NE(0, RunAndWait(recorder_, L"one \"two three\"", other, 1));
  std::vector<std::string> log = Log();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("\"" + drive::Narrow(recorder_) + "\" one \"two three\"", log[0]);
  EXPECT_EQ(NoTrailingBackslash(drive::Narrow(other)), NoTrailingBackslash(log[1]));

  // Already quoted: taken as it is. No parameters: no trailing blank. No
  // folder: the caller's.
  EXPECT_NE(0, RunAndWait(L"\"" + recorder_ + L"\"", L"", L"", 1));
  log = Log();
  ASSERT_EQ(4u, log.size());
  EXPECT_EQ("\"" + drive::Narrow(recorder_) + "\"", log[2]);
  EXPECT_EQ(NoTrailingBackslash(CurrentFolder()), NoTrailingBackslash(log[3]));
}

TEST_F(RunTest, WaitsOnlyWhenAsked) {
  // Flag 1: the program (it sleeps a second) has ended when the call returns.
  const std::wstring sleeper = Sleeper();
  const std::wstring marker = folder_ + L"slept.txt";
  EXPECT_NE(0, RunAndWait(sleeper, L"1 " + marker, L"", 1));
  EXPECT_TRUE(drive::FileExists(marker));
  EXPECT_TRUE(drive::ProcessesNamed(kSleeper).empty()) << "the call returned while its program ran";

  // Flag 0: back while the program (a minute long) still runs.
  const std::wstring started = folder_ + L"started.txt";
  EXPECT_NE(0, RunAndWait(sleeper, L"60 " + started, L"", 0));
  ASSERT_TRUE(drive::WaitUntil([&] { return drive::FileExists(started); }, 15000)) << "the program did not start";
  EXPECT_EQ(1u, drive::ProcessesNamed(kSleeper).size()) << "the call waited for its program";

  EXPECT_NE(0, RunAndWait(recorder_, L"later", L"", 0));
  ASSERT_TRUE(drive::WaitUntil([&] { return Log().size() == 2; }, 15000)) << "the recorder made no entry";
  EXPECT_EQ("\"" + drive::Narrow(recorder_) + "\" later", Log()[0]);
}

// A document: CreateProcess refuses it (not a program), so the shell opens
// it with the program its class names, here the recorder, in the
// document's folder, and the wait covers that program.
TEST_F(RunTest, DocumentGoesThroughTheShell) {
  const std::wstring document = folder_ + L"letter.tarnopsdoc";
  ASSERT_TRUE(drive::WriteFileBytes(document, "not a program"));
  const std::wstring command = L"\"" + recorder_ + L"\" \"%1\"";
  ASSERT_TRUE(drive::SetText(HKEY_CLASSES_ROOT, L".tarnopsdoc", L"", L"TarnOps.Document"));
  ASSERT_TRUE(drive::SetText(HKEY_CLASSES_ROOT, L"TarnOps.Document\\shell\\open\\command", L"", command));
  std::wstring line = L"\"" + document + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  ASSERT_FALSE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
      << "CreateProcess starts the document itself: the shell would not be asked";

  EXPECT_NE(0, RunAndWait(document, L"", L"", 1));
  std::vector<std::string> log = Log();
  ASSERT_EQ(2u, log.size());
  EXPECT_NE(std::string::npos, log[0].find(drive::Narrow(document))) << log[0];
  EXPECT_EQ(NoTrailingBackslash(drive::Narrow(folder_)), NoTrailingBackslash(log[1]));

  // A folder given is used instead.
  const std::wstring other = Other();
  EXPECT_NE(0, RunAndWait(document, L"", other, 1));
  log = Log();
  ASSERT_EQ(4u, log.size());
  EXPECT_EQ(NoTrailingBackslash(drive::Narrow(other)), NoTrailingBackslash(log[3]));
}

// Neither CreateProcess nor the shell can start a missing program: 0. The
// shell was asked without SEE_MASK_FLAG_NO_UI, so it reports the failure in
// a message box of this process, which the test answers.
BOOL CALLBACK AnswerShellBox(HWND window, LPARAM seen) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t kind[16] = {};
  GetClassNameW(window, kind, 16);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || lstrcmpW(kind, L"#32770") != 0) return TRUE;
  *reinterpret_cast<bool*>(seen) = true;
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

DWORD WINAPI StartMissing(LPVOID result) {
  *static_cast<int*>(result) = RunAndWait(L"C:\\tarnwick\\no\\such\\program.exe", L"x", L"", 1);
  return 0;
}

TEST(RunAndWaitTest, NothingToStart) {
  int result = -1;
  bool boxSeen = false;
  HANDLE runner = CreateThread(nullptr, 0, StartMissing, &result, 0, nullptr);
  ASSERT_NE(nullptr, runner);
  for (int i = 0; i < 30 && WaitForSingleObject(runner, 500) == WAIT_TIMEOUT; ++i)
    EnumWindows(AnswerShellBox, reinterpret_cast<LPARAM>(&boxSeen));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(runner, 0));
  CloseHandle(runner);
  EXPECT_EQ(0, result);
  EXPECT_TRUE(boxSeen) << "the shell was not asked";
}

}  // namespace
