#include "package/zip_names.h"

#include <gtest/gtest.h>

TEST(ZipNames, SlashesBecomeBackslashes) { EXPECT_EQ(BackslashName(L"sub/dir/file.txt"), L"sub\\dir\\file.txt"); }

TEST(ZipNames, DrivePartIsDropped) {
  EXPECT_EQ(DropDrivePart(L"C:\\x\\y.txt"), L"x\\y.txt");
  EXPECT_EQ(DropDrivePart(L"a\\C:\\b"), L"b");
  EXPECT_EQ(DropDrivePart(L"plain\\name"), L"plain\\name");
}

TEST(ZipNames, NamesThatClimbOutAreUnsafe) {
  EXPECT_TRUE(IsSafeEntryName(L"sub\\dir\\file.txt"));
  EXPECT_TRUE(IsSafeEntryName(L"a..b\\c"));
  EXPECT_TRUE(IsSafeEntryName(L".\\x"));
  EXPECT_FALSE(IsSafeEntryName(L"..\\evil.exe"));
  EXPECT_FALSE(IsSafeEntryName(L"a\\..\\..\\evil.exe"));
  EXPECT_FALSE(IsSafeEntryName(L"a\\.. \\b"));
  EXPECT_FALSE(IsSafeEntryName(L"a\\...\\b"));
  EXPECT_FALSE(IsSafeEntryName(L"D:evil.exe"));
  EXPECT_FALSE(IsSafeEntryName(L"file.txt:stream"));
}
