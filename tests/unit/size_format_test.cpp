#include "wizard/size_format.h"

#include <gtest/gtest.h>

TEST(FormatSize, TableOfTheWizard) {
  EXPECT_EQ(FormatSize(0, 1), L"0 Byte");
  EXPECT_EQ(FormatSize(1023, 1), L"1023 Byte");
  EXPECT_EQ(FormatSize(1024, 1), L"1.0 KB");
  EXPECT_EQ(FormatSize(1536, 1), L"1.5 KB");
  EXPECT_EQ(FormatSize(239296, 1), L"233.7 KB");
  EXPECT_EQ(FormatSize(1048576, 1), L"1.0 MB");
  EXPECT_EQ(FormatSize(5368709120ull, 1), L"5.0 GB");
}

TEST(FormatSize, JustBelowPowersOf1024) {
  EXPECT_EQ(FormatSize(1048575, 1), L"1024.0 KB");
  EXPECT_EQ(FormatSize(1073741823, 1), L"1024.0 MB");
  // Single precision rounds this count up to 2^40: the higher unit.
  EXPECT_EQ(FormatSize(1099511627775ull, 1), L"1.0 TB");
}

TEST(FormatSize, LargestCountAndDecimals) {
  EXPECT_EQ(FormatSize(~0ull, 1), L"16.0 EB");
  EXPECT_EQ(FormatSize(999999, 2), L"976.56 KB");
  EXPECT_EQ(FormatSize(1000, 3), L"1000 Byte");  // bytes never show decimals
  EXPECT_EQ(FormatSize(1280, 1), L"1.3 KB");      // 1.25: a tie goes up
  EXPECT_EQ(FormatSize(1075, 2), L"1.05 KB");     // 1.0498...: leading zero of the fraction kept
  EXPECT_EQ(RootOf(L"C:\\Program Files\\x"), L"C:\\");
  EXPECT_EQ(RootOf(L"C:"), L"C:");
}
