// Packages that are not whole, or that cannot be read or unpacked, are
// refused before anything is created.
#include "package/trailer.h"
#include "tests/driver/package_fixture.h"
#include "tests/e2e/walk.h"

using drive::Icon;

namespace {
std::string Trailer(int32_t info, int32_t payload) {
  unsigned char t[kTrailerSize];
  WriteTrailer(info, payload, t);
  return std::string(reinterpret_cast<char*>(t), kTrailerSize);
}

constexpr wchar_t kIncomplete[] =
    L"This installer is incomplete! If you downloaded it from the Internet try to transfer it again.";
constexpr wchar_t kCorrupted[] = L"This installer is corrupted. Please obtain another copy of it.";
const wchar_t* const kPlanted[] = {L"uxtheme", L"riched20", L"riched32", L"wininet",
                                   L"dwmapi",  L"cryptbase", L"msimg32"};
constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\broken.exe\\DllOverrides";
}  // namespace

class BrokenPackages : public PackageTest {
 protected:
  void TearDown() override {
    drive::DeleteKeyTree(HKEY_CURRENT_USER, kOverrides);
    for (const wchar_t* n : kPlanted) DeleteFileW((std::wstring(L"C:\\planted-") + n + L".dll.txt").c_str());
    PackageTest::TearDown();
  }

  void ExpectRefused(const std::string& bytes, const wchar_t* text, const std::wstring& arguments = L"") {
    Write(L"broken.exe", bytes);
    drive::Process p = Launch(Dir() + L"broken.exe", arguments);
    EXPECT_MESSAGE(p, L"Error", text, Icon::kError, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
    EXPECT_TRUE(NewWorkFolders().empty());
  }
};

TEST_F(BrokenPackages, TruncatedByOneByteIsIncomplete) {
  std::string whole = ReadFileBytes(Build());
  ExpectRefused(whole.substr(0, whole.size() - 1), kIncomplete);
}

TEST_F(BrokenPackages, BareStubIsIncomplete) { ExpectRefused(ReadFileBytes(BinFolder() + StubFile()), kIncomplete); }

TEST_F(BrokenPackages, ZeroLengthsAreCorrupted) {
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(ReadFileBytes(Build()), &stub, &payload, &info));
  ExpectRefused(stub + payload + info + Trailer(0, static_cast<int32_t>(payload.size())), kCorrupted);
  ExpectRefused(stub + payload + info + Trailer(static_cast<int32_t>(info.size()), 0), kCorrupted);
}

TEST_F(BrokenPackages, LengthsOutsideTheFileAreCorrupted) {
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(ReadFileBytes(Build()), &stub, &payload, &info));
  std::string body = stub + payload + info;
  int32_t size = static_cast<int32_t>(body.size());
  ExpectRefused(body + Trailer(size, 10), kCorrupted);
  ExpectRefused(body + Trailer(-100, static_cast<int32_t>(payload.size())), kCorrupted);
  ExpectRefused(body + Trailer(0x7FFFFFFF, 0x7FFFFFFF), kCorrupted);
}

TEST_F(BrokenPackages, UnpackOnlyModeChecksTheSame) {
  std::string whole = ReadFileBytes(Build());
  ExpectRefused(whole.substr(0, whole.size() - 1), kIncomplete, L"-u " + Dir() + L"never");
  EXPECT_FALSE(Exists(Dir() + L"never\\ProgramData.zip"));
}

// Started, but its own file cannot be opened for reading: the test holds
// it open for deletion and shares it only for reading and deletion, which
// lets the system start the program (it asks for no more) and keeps the
// package from opening itself (it shares writing too).
TEST_F(BrokenPackages, PackageThatCannotReadItselfSaysSo) {
  const std::wstring package = Build();
  HANDLE held = CreateFileW(package.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  drive::Process p = Launch(package);
  EXPECT_MESSAGE(p, L"Error",
                 L"Could not read the data contained inside. Please restart you PC and run this installer again.",
                 Icon::kError, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  CloseHandle(held);
  EXPECT_TRUE(NewWorkFolders().empty());
}

// The free space is asked of the temporary folder's drive; one that does not
// exist has none to give.
TEST_F(BrokenPackages, NoFreeSpaceForTheCopiesIsRefused) {
  const std::wstring package = Build();
  const std::wstring temp = MissingDriveRoot() + L"temp";
  drive::Process p;
  {
    const ScopedVariable tmp(L"TMP", temp), tempVariable(L"TEMP", temp);
    p = Launch(package);
  }
  EXPECT_MESSAGE(p, L"Error",
                 L"You do not have enough free space on your drive. Please free some space and run this installer "
                 L"again.",
                 Icon::kError, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

// A choice in the language list always names a language; with nothing
// selected (which the list never offers by itself) OK names none, and the
// run ends as for a damaged package.
TEST_F(BrokenPackages, NoLanguageChosenEndsAsCorrupted) {
  Write(L"info\\Languages\\English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
  Write(L"info\\Languages\\Deutsch.ini", "[TSF Localization File]\r\nLanguage = Deutsch\r\n");
  drive::Process p = Launch(Build());
  HWND w = drive::WaitWindow(p, L"Language selection");
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(drive::Select(w, 2003, -1));
  ASSERT_EQ(drive::Selected(w, 2003), -1);
  ASSERT_TRUE(drive::Click(w, 2002));
  EXPECT_MESSAGE(p, L"Error", L"This installer is corrupted. Please obtain another copy and retry installation.",
                 Icon::kError, IDOK);
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(BrokenPackages, DllsPlantedBesideThePackageAreNotLoaded) {
  // DLLs that a package loads while it runs (the theme library comes with
  // the common controls). Wine prefers its own copies of system DLLs; the
  // per-program override makes it search like Windows does, so that a
  // planted copy would be found if the search path allowed it.
  std::string plant = ReadFileBytes(BinFolder() + L"plant.dll");
  ASSERT_FALSE(plant.empty());
  for (const wchar_t* n : kPlanted) {
    SetText(HKEY_CURRENT_USER, kOverrides, n, L"native,builtin");
    Write(std::wstring(n) + L".dll", plant);
    DeleteFileW((std::wstring(L"C:\\planted-") + n + L".dll.txt").c_str());
  }
  std::string whole = ReadFileBytes(Build());
  ExpectRefused(whole.substr(0, whole.size() - 1), kIncomplete);
  for (const wchar_t* n : kPlanted)
    EXPECT_FALSE(FileExists(std::wstring(L"C:\\planted-") + n + L".dll.txt")) << drive::Narrow(n) << " was loaded";
}
