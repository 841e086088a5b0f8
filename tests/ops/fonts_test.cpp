// Installing a real TrueType font (DejaVu Sans from the Linux machine, copied
// beside the tests by the build) and refusing a file that is no font.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "install/shared/system_tasks.h"
#include "tests/driver/support.h"

namespace {

const wchar_t kNtFonts[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const wchar_t k9xFonts[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
std::wstring DejaVu() { return drive::BinFolder() + L"fonts\\DejaVuSans.ttf"; }
const wchar_t kFontName[] = L"Tarnwick Ops Sans (TrueType)";
const wchar_t kFileName[] = L"TarnwickOpsSans.ttf";

std::wstring FontsFolder() {
  wchar_t windir[MAX_PATH] = {};
  GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  return std::wstring(windir) + L"\\Fonts\\";
}

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = drive::FreshFolder(L"fonts");
    Clean();
  }
  void TearDown() override {
    RemoveFontResourceW((folder_ + kFileName).c_str());
    Clean();
    drive::RemoveTree(folder_);
  }
  static void Clean() {
    DeleteFileW((FontsFolder() + kFileName).c_str());
    for (const wchar_t* key : {kNtFonts, k9xFonts}) drive::DeleteValue(HKEY_LOCAL_MACHINE, key, kFontName);
  }

  // Installs the font; it lands in the Fonts folder (replacing a file of
  // that name) and under `key`, and under no other key.
  void InstallsUnder(const wchar_t* key, const wchar_t* otherKey) {
    const std::wstring font = folder_ + kFileName;
    ASSERT_TRUE(CopyFileW(DejaVu().c_str(), font.c_str(), FALSE)) << "fonts-dejavu-core is missing";
    const std::wstring installed = FontsFolder() + kFileName;
    ASSERT_TRUE(drive::WriteFileBytes(installed, "an older file of the same name"));
    ASSERT_TRUE(drive::KeyExists(HKEY_LOCAL_MACHINE, key));

    EXPECT_EQ(1, InstallFont(kFontName, font));
    EXPECT_EQ(drive::ReadFileBytes(font), drive::ReadFileBytes(installed));
    EXPECT_EQ(kFileName, drive::GetText(HKEY_LOCAL_MACHINE, key, kFontName));
    EXPECT_FALSE(drive::ValueExists(HKEY_LOCAL_MACHINE, otherKey, kFontName));
  }

  std::wstring folder_;
};

TEST_F(FontTest, InstalledUnderTheWindowsNtKey) { InstallsUnder(kNtFonts, k9xFonts); }

TEST_F(FontTest, NotAFontDoesNothing) {
  const std::wstring file = folder_ + kFileName;
  ASSERT_TRUE(drive::WriteFileBytes(file, "plain text, no font tables"));
  EXPECT_EQ(0, InstallFont(kFontName, file));
  EXPECT_FALSE(drive::FileExists(FontsFolder() + kFileName));
  EXPECT_FALSE(drive::ValueExists(HKEY_LOCAL_MACHINE, kNtFonts, kFontName));
  EXPECT_FALSE(drive::ValueExists(HKEY_LOCAL_MACHINE, k9xFonts, kFontName));
  EXPECT_EQ(0, InstallFont(kFontName, folder_ + L"missing.ttf"));
  EXPECT_FALSE(drive::ValueExists(HKEY_LOCAL_MACHINE, kNtFonts, kFontName));
}

TEST_F(FontTest, DISABLED_Win98InstalledUnderTheWindowsKey) { InstallsUnder(k9xFonts, kNtFonts); }

TEST(Fonts, UnderWindows98) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows 98 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"win98", L"FontTest.DISABLED_Win98*"));
}
TEST(Fonts, UnderWindows2000) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows 2000 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"win2k", L"FontTest.InstalledUnderTheWindowsNtKey"));
}

}  // namespace
