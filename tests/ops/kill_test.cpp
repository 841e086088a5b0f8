// Stopping running programs by executable name: copies of the sleeper under
// names that differ in letter case, and one whose name only begins alike.
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "install/shared/system_tasks.h"
#include "tests/driver/support.h"

namespace {

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = drive::FreshFolder(L"kill"); }
  void TearDown() override {
    for (const drive::Process& p : started_) p.Kill();
    drive::RemoveTree(folder_);
  }

  // Each copy in a folder of its own: names that differ only in case cannot
  // share one. Each notes that it runs in a marker file beside it.
  HANDLE Launch(const std::wstring& name) {
    const std::wstring sub = folder_ + std::to_wstring(started_.size()) + L"\\";
    CreateDirectoryW(sub.c_str(), nullptr);
    const std::wstring program = sub + name;
    EXPECT_TRUE(CopyFileW((drive::BinFolder() + L"sleeper.exe").c_str(), program.c_str(), FALSE));
    started_.push_back(drive::Start(program, L"60 " + sub + L"running"));
    EXPECT_TRUE(started_.back().started()) << drive::Narrow(program);
    markers_.push_back(sub + L"running");
    return started_.back().handle();
  }

  // Every copy runs its own code, so the process list shows it by its name.
  bool AllRunning() const {
    return drive::WaitUntil([this] {
      for (const std::wstring& marker : markers_)
        if (!drive::FileExists(marker)) return false;
      return true;
    }, 15000);
  }

  static DWORD ExitCode(HANDLE process) {
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
  }

  // Ends the process with the test's own exit code. A process keeps the code
  // of its first end: kEndedByTest proves that nothing had ended it before.
  static DWORD EndHere(HANDLE process) {
    TerminateProcess(process, kEndedByTest);
    return ExitCode(process);
  }
  static constexpr DWORD kEndedByTest = 42;

  std::wstring folder_;
  std::deque<drive::Process> started_;
  std::vector<std::wstring> markers_;
};

TEST_F(KillTest, EveryProcessOfThatNameInAnyCaseEnds) {
  HANDLE mixed = Launch(L"TarnOpsKill.exe");
  HANDLE upper = Launch(L"TARNOPSKILL.EXE");
  HANDLE lower = Launch(L"tarnopskill.exe");
  HANDLE longer = Launch(L"TarnOpsKillNot.exe");
  HANDLE shorter = Launch(L"TarnOpsKil.exe");
  ASSERT_TRUE(AllRunning());

  EXPECT_EQ(1, KillTask(L"  tArNoPsKiLl.ExE \t"));
  EXPECT_EQ(1u, ExitCode(mixed));
  EXPECT_EQ(1u, ExitCode(upper));
  EXPECT_EQ(1u, ExitCode(lower));
  EXPECT_EQ(kEndedByTest, EndHere(longer)) << "a longer name was ended too";
  EXPECT_EQ(kEndedByTest, EndHere(shorter)) << "a shorter name was ended too";
}

TEST_F(KillTest, NameMatchingNothingEndsNothing) {
  HANDLE other = Launch(L"TarnOpsKeep.exe");
  ASSERT_TRUE(AllRunning());
  EXPECT_EQ(0, KillTask(L"TarnOpsNoSuchProgram.exe"));
  EXPECT_EQ(0, KillTask(L"TarnOpsKeep"));  // the whole name, extension included
  EXPECT_EQ(0, KillTask(L""));
  EXPECT_EQ(0, KillTask(L"   "));
  EXPECT_EQ(kEndedByTest, EndHere(other)) << "a name that matches nothing ended it";

  HANDLE again = Launch(L"TarnOpsKeep.exe");
  ASSERT_TRUE(AllRunning());
  EXPECT_EQ(1, KillTask(L"tarnopskeep.exe"));
  EXPECT_EQ(1u, ExitCode(again));
  EXPECT_EQ(0, KillTask(L"tarnopskeep.exe"));  // none left
}

TEST(KillProcessTest, ByIdentifier) {
  drive::Process sleeper = drive::Start(drive::BinFolder() + L"sleeper.exe", L"60");
  ASSERT_TRUE(sleeper.started());
  EXPECT_EQ(1, KillProcess(sleeper.pid()));
  EXPECT_EQ(1u, sleeper.WaitExit(10000));
  EXPECT_EQ(0, KillProcess(0xFFFFFFF0));  // no such process
}

}  // namespace
