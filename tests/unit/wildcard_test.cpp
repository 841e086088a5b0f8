#include "package/wildcard.h"

#include <gtest/gtest.h>

TEST(Wildcard, StarDotStarTakesNamesWithoutExtensionAndFolderEntries) {
  EXPECT_TRUE(WildcardMatch(L"LICENSE", L"*.*"));
  EXPECT_TRUE(WildcardMatch(L"", L"*.*"));
  EXPECT_TRUE(WildcardMatch(L"a.b.c", L"*.*"));
}

TEST(Wildcard, StarQuestionMarkAndCase) {
  EXPECT_TRUE(WildcardMatch(L"Setup.EXE", L"*.exe"));
  EXPECT_FALSE(WildcardMatch(L"setup.exe.bak", L"*.exe"));
  EXPECT_TRUE(WildcardMatch(L"a1.txt", L"a?.txt"));
  EXPECT_FALSE(WildcardMatch(L"a.txt", L"a?.txt"));
  EXPECT_TRUE(WildcardMatch(L"abcabd.x", L"*ab?.x"));
  // A name without a dot is matched with the implied dot at its end.
  EXPECT_FALSE(WildcardMatch(L"abcabd", L"*ab?"));
  EXPECT_TRUE(WildcardMatch(L"abcabd", L"*ab?."));
  EXPECT_FALSE(WildcardMatch(L"readme", L"*.txt"));
  EXPECT_TRUE(WildcardMatch(L"readme", L"readme."));  // the implied dot
}

TEST(Wildcard, AlternativesSeparatedByBar) {
  EXPECT_TRUE(WildcardMatch(L"x.dll", L"*.exe|*.dll"));
  EXPECT_FALSE(WildcardMatch(L"x.ini", L"*.exe|*.dll"));
  EXPECT_TRUE(WildcardMatch(L"x.ini", L"*.exe||*"));
}

TEST(Wildcard, ManyStarsStayFast) {
  std::wstring name(2000, L'a');
  EXPECT_FALSE(WildcardMatch(name, L"*a*a*a*a*a*a*a*a*b"));
}
