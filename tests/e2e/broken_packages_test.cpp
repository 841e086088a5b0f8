// Packages that are not whole are refused before anything is created.
#include "package/messages.h"
#include "package/trailer.h"
#include "tests/e2e/package_fixture.h"

using drive::Icon;

namespace {
std::string Trailer(int32_t info, int32_t payload) {
  unsigned char t[kTrailerSize];
  WriteTrailer(info, payload, t);
  return std::string(reinterpret_cast<char*>(t), kTrailerSize);
}
}  // namespace

class BrokenPackages : public PackageTest {
 protected:
  void ExpectRefused(const std::string& bytes, const wchar_t* text, const std::wstring& arguments = L"") {
    Write(L"broken.exe", bytes);
    drive::Process p = Launch(Dir() + L"broken.exe", arguments);
    EXPECT_MESSAGE(p, package_text::kErrorTitle, text, Icon::kError, IDOK);
    EXPECT_EQ(p.WaitExit(), 0u);
    EXPECT_TRUE(NewWorkFolders().empty());
  }
};

TEST_F(BrokenPackages, TruncatedByOneByteIsIncomplete) {
  std::string whole = ReadFileBytes(Build());
  ExpectRefused(whole.substr(0, whole.size() - 1), package_text::kIncomplete);
}

TEST_F(BrokenPackages, BareStubIsIncomplete) {
  ExpectRefused(ReadFileBytes(BinFolder() + StubFile()), package_text::kIncomplete);
}

TEST_F(BrokenPackages, ZeroLengthsAreCorrupted) {
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(ReadFileBytes(Build()), &stub, &payload, &info));
  ExpectRefused(stub + payload + info + Trailer(0, static_cast<int32_t>(payload.size())), package_text::kCorrupted);
  ExpectRefused(stub + payload + info + Trailer(static_cast<int32_t>(info.size()), 0), package_text::kCorrupted);
}

TEST_F(BrokenPackages, LengthsOutsideTheFileAreCorrupted) {
  std::string stub, payload, info;
  ASSERT_TRUE(SplitPackage(ReadFileBytes(Build()), &stub, &payload, &info));
  std::string body = stub + payload + info;
  int32_t size = static_cast<int32_t>(body.size());
  ExpectRefused(body + Trailer(size, 10), package_text::kCorrupted);
  ExpectRefused(body + Trailer(-100, static_cast<int32_t>(payload.size())), package_text::kCorrupted);
  ExpectRefused(body + Trailer(0x7FFFFFFF, 0x7FFFFFFF), package_text::kCorrupted);
}

TEST_F(BrokenPackages, UnpackOnlyModeChecksTheSame) {
  std::string whole = ReadFileBytes(Build());
  ExpectRefused(whole.substr(0, whole.size() - 1), package_text::kIncomplete, L"-u C:\\tarntest\\never");
  EXPECT_FALSE(FileExists(L"C:\\tarntest\\never\\ProgramData.zip"));
  RemoveTree(L"C:\\tarntest\\never");
}

TEST_F(BrokenPackages, DllsPlantedBesideThePackageAreNotLoaded) {
  // DLLs that a package loads while it runs (the theme library comes with
  // the common controls). Wine prefers its own copies of system DLLs; the
  // per-program override makes it search like Windows does, so that a
  // planted copy would be found if the search path allowed it.
  const wchar_t* names[] = {L"uxtheme", L"riched20", L"riched32", L"wininet", L"dwmapi", L"cryptbase", L"msimg32"};
  const wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\broken.exe\\DllOverrides";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  std::string plant = ReadFileBytes(BinFolder() + L"plant.dll");
  ASSERT_FALSE(plant.empty());
  for (const wchar_t* n : names) {
    RegSetValueExW(key, n, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"native,builtin"), 30);
    Write(std::wstring(n) + L".dll", plant);
    DeleteFileW((std::wstring(L"C:\\planted-") + n + L".dll.txt").c_str());
  }
  RegCloseKey(key);
  std::string whole = ReadFileBytes(Build());
  ExpectRefused(whole.substr(0, whole.size() - 1), package_text::kIncomplete);
  RegDeleteKeyW(HKEY_CURRENT_USER, kOverrides);
  for (const wchar_t* n : names)
    EXPECT_FALSE(FileExists(std::wstring(L"C:\\planted-") + n + L".dll.txt")) << drive::Narrow(n) << " was loaded";
}
