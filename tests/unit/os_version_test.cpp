#include "startup/os_version.h"

#include <gtest/gtest.h>

namespace {
int Classify(bool ok, uint32_t platform, uint32_t major, uint32_t minor, int product = 1) {
  return ClassifyOsVersion({ok, platform, major, minor, product});
}
}  // namespace

TEST(OsVersion, Windows9xFamilyByMinorVersion) {
  EXPECT_EQ(Classify(true, 1, 4, 0), 10);
  EXPECT_EQ(Classify(true, 1, 4, 10), 30);
  EXPECT_EQ(Classify(true, 1, 4, 90), 40);
  EXPECT_EQ(Classify(true, 1, 4, 3), 100);
}

TEST(OsVersion, NtFamily) {
  EXPECT_EQ(Classify(true, 2, 3, 51), 5);
  EXPECT_EQ(Classify(true, 2, 4, 0), 20);
  EXPECT_EQ(Classify(true, 2, 5, 0), 50);
  EXPECT_EQ(Classify(true, 2, 5, 1), 60);
  EXPECT_EQ(Classify(true, 2, 5, 2), 65);
  EXPECT_EQ(Classify(true, 2, 6, 1, 1), 70);
  EXPECT_EQ(Classify(true, 2, 6, 0, -1), 70);  // product type not obtainable
  EXPECT_EQ(Classify(true, 2, 6, 2, 3), 75);
  EXPECT_EQ(Classify(true, 2, 6, 3, 2), 75);
  EXPECT_EQ(Classify(true, 2, 10, 0), 100);
}

TEST(OsVersion, FailedQueryAndOtherPlatforms) {
  EXPECT_EQ(Classify(false, 2, 5, 1), 100);
  EXPECT_EQ(Classify(true, 0, 3, 10), 100);  // Win32s
  EXPECT_EQ(Classify(true, 3, 6, 0), 100);
}
