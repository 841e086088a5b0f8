// The space figures: the statistics file, the free-space query by mode, and
// what the destination page shows when the query fails.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/driver/files.h"
#include "wizard/disk_space.h"
#include "wizard/size_format.h"

TEST(DiskSpace, StatisticsFileShortForms) {
  uint64_t bytes = 1;
  drive::WriteFileBytes(L"C:\\stats8.ini", std::string("\xC0\xA6\x03\x00\x00\x00\x00\x00", 8));
  ASSERT_TRUE(ReadRequiredSpace(L"C:\\stats8.ini", &bytes));
  EXPECT_EQ(bytes, 239296u);
  drive::WriteFileBytes(L"C:\\stats4.ini", std::string("\xC0\xA6\x03\x00", 4));
  ASSERT_TRUE(ReadRequiredSpace(L"C:\\stats4.ini", &bytes));
  EXPECT_EQ(bytes, 239296u);
  drive::WriteFileBytes(L"C:\\stats0.ini", "");
  ASSERT_TRUE(ReadRequiredSpace(L"C:\\stats0.ini", &bytes));
  EXPECT_EQ(bytes, 0u);
  // Only 8 bytes count.
  drive::WriteFileBytes(L"C:\\stats9.ini", std::string("\x01\x00\x00\x00\x00\x00\x00\x80\xFF", 9));
  ASSERT_TRUE(ReadRequiredSpace(L"C:\\stats9.ini", &bytes));
  EXPECT_EQ(bytes, 0x8000000000000001ull);
  EXPECT_FALSE(ReadRequiredSpace(L"C:\\no-such-stats.ini", &bytes));
  for (const wchar_t* f : {L"C:\\stats8.ini", L"C:\\stats4.ini", L"C:\\stats0.ini", L"C:\\stats9.ini"}) DeleteFileW(f);
}

TEST(DiskSpace, ModesOfTheQuery) {
  // Other programs write to the same disk meanwhile: the figures are compared
  // from a round in which the free space stayed the same.
  uint64_t free = 0, total = 0, used = 0;
  for (int round = 0; round < 100; ++round) {
    free = DriveSpace(L"C:\\", L'f');
    total = DriveSpace(L"C:\\", L'T');
    used = DriveSpace(L"C:\\", L'u');
    if (DriveSpace(L"C:\\", L'f') == free) break;
  }
  ASSERT_NE(free, kUnknownSpace);
  EXPECT_GE(total, free);
  EXPECT_EQ(used, total - free);
  EXPECT_EQ(DriveSpace(L"C:\\", L'x'), kUnknownSpace);
  EXPECT_EQ(DriveSpace(L"\\\\nosuchserver\\share\\", L'f'), kUnknownSpace);
}

TEST(DiskSpace, FailedQueryReadsAsUnknownNotAsANumber) {
  EXPECT_EQ(SpaceText(kUnknownSpace), L"n/a");
  EXPECT_EQ(SpaceText(239296), L"233.7 KB");
}
