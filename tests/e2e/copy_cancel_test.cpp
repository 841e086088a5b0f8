// The payload copy: its progress window, and Cancel with the confirmation.
// The package is built on the tests' stub, whose copies the test holds: the
// click is handed over while every read waits, so it is provably taken
// while the payload is being copied.
#include "tests/driver/package_fixture.h"

using drive::Icon;

class CopyCancel : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    hold_ = L"TarnwickHoldReads-" + std::to_wstring(GetCurrentProcessId());
    release_ = CreateEventW(nullptr, TRUE, FALSE, hold_.c_str());
    ASSERT_NE(release_, nullptr);
  }
  void TearDown() override {
    SetEvent(release_);
    CloseHandle(release_);
    PackageTest::TearDown();
  }

  std::wstring HeldPackage() {
    Write(L"info\\Languages\\English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
    Write(L"info\\Languages\\Deutsch.ini", "[TSF Localization File]\r\nLanguage = Deutsch\r\n");
    UseStub(StubFile(L"-test"));
    std::wstring package = Build();
    ReplacePayload(package, 12u << 20);  // two full 5 MiB pieces, and a rest
    return package;
  }

  // Starts the package with its reads held, hands a click on Cancel to the
  // "Initializing..." window and lets the copies go: the click is taken at
  // the payload copy's first progress report, and the question holds the
  // copy (its window still answers then).
  drive::Process StartAndCancel() {
    SetEnvironmentVariableW(L"TARNWICK_HOLD_READS", hold_.c_str());
    drive::Process p = Launch(HeldPackage());
    SetEnvironmentVariableW(L"TARNWICK_HOLD_READS", nullptr);
    HWND w = drive::WaitWindow(p, L"Initializing...");
    EXPECT_NE(w, nullptr);
    if (w) {
      EXPECT_TRUE(drive::ClickLater(w, 1000));
    }
    SetEvent(release_);
    drive::MessageBoxInfo box = drive::WaitMessageBox(p);
    if (w && box.window) {
      EXPECT_EQ(Narrow(drive::Text(w, 1001)), "Please wait while the installer prepares the wizard...");
      EXPECT_EQ(Narrow(drive::Text(w, 1000)), "Cancel");
      Screenshot(w, L"initializing");
    }
    return p;
  }

  static std::string Narrow(const std::wstring& s) { return drive::Narrow(s); }

  std::wstring hold_;
  HANDLE release_ = nullptr;
};

constexpr wchar_t kQuestionTitle[] = L"Please confirm";
constexpr wchar_t kQuestion[] =
    L"Are you sure you want to stop the installation now? Press 'No' to continue or 'Yes' to end this program. "
    L"You can run this installer at a later time and continue the installation procedure.";

TEST_F(CopyCancel, NoContinuesTheCopy) {
  drive::Process p = StartAndCancel();
  EXPECT_MESSAGE(p, kQuestionTitle, kQuestion, Icon::kError, IDNO);
  // The copy goes on to its end: the run reaches the language choice.
  HWND languages = drive::WaitWindow(p, L"Language selection", 60000);
  ASSERT_NE(languages, nullptr);
  std::vector<std::wstring> work = NewWorkFolders();
  ASSERT_EQ(work.size(), 1u);
  drive::Click(languages, 2001);
  EXPECT_MESSAGE(p, kQuestionTitle, kQuestion, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
}

TEST_F(CopyCancel, YesRemovesTheWholeWorkFolder) {
  drive::Process p = StartAndCancel();
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr);
  // While the question is open, the work folder holds both copies.
  std::vector<std::wstring> work = NewWorkFolders();
  ASSERT_EQ(work.size(), 1u);
  std::wstring folder = TempFolder() + work[0] + L"\\";
  int files = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"*.tmp").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do ++files;
    while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  EXPECT_EQ(files, 2);
  drive::Answer(box, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_FALSE(FolderExists(folder));
}
