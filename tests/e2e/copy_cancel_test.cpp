// The payload copy of a large package: its progress window, and Cancel with
// the confirmation.
#include "package/messages.h"
#include "tests/e2e/package_fixture.h"

using drive::Icon;

class CopyCancel : public PackageTest {
 protected:
  std::wstring LargePackage() {
    Write(L"info\\Languages\\English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
    Write(L"info\\Languages\\Deutsch.ini", "[TSF Localization File]\r\nLanguage = Deutsch\r\n");
    std::wstring package = Build();
    ReplacePayload(package, 200u << 20);  // forty 5 MiB chunks
    return package;
  }

  // Starts the package and presses Cancel in the "Initializing..." window.
  drive::Process StartAndCancel(HWND* window) {
    drive::Process p = Launch(LargePackage());
    *window = drive::WaitWindow(p, package_text::kInitializingTitle);
    EXPECT_NE(*window, nullptr);
    if (*window) {
      EXPECT_EQ(drive::Text(*window, 1001), package_text::kInitializingText);
      EXPECT_EQ(drive::Text(*window, 1000), package_text::kCancel);
      // Pressed at once: the copy of a few hundred megabytes is quick. The
      // picture is taken while the question holds the copy.
      EXPECT_TRUE(drive::Click(*window, 1000));
      drive::WaitMessageBox(p);
      Screenshot(*window, L"initializing");
    }
    return p;
  }
};

TEST_F(CopyCancel, NoContinuesTheCopy) {
  HWND w;
  drive::Process p = StartAndCancel(&w);
  EXPECT_MESSAGE(p, package_text::kConfirmTitle, package_text::kConfirmStop, Icon::kError, IDNO);
  // The copy goes on to its end: the run reaches the language choice.
  HWND languages = drive::WaitWindow(p, L"Language selection", 60000);
  ASSERT_NE(languages, nullptr);
  std::vector<std::wstring> work = NewWorkFolders();
  ASSERT_EQ(work.size(), 1u);
  drive::Click(languages, 2001);
  EXPECT_MESSAGE(p, package_text::kConfirmTitle, package_text::kConfirmStop, Icon::kError, IDYES);
  EXPECT_EQ(p.WaitExit(), 0u);
}

TEST_F(CopyCancel, YesRemovesTheWholeWorkFolder) {
  HWND w;
  drive::Process p = StartAndCancel(&w);
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
