#include "common/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace text;

TEST(Text, TrimTakesBlanksAndTabsOnly) {
  EXPECT_EQ(Trim(L" \t a b \t "), L"a b");
  EXPECT_EQ(Trim(L"\r\na\r\n"), L"\r\na\r\n");
  EXPECT_EQ(Trim(L"   "), L"");
  EXPECT_EQ(Trim(L"xxaxx", L"x"), L"a");
}

TEST(Text, LowerAndCaselessComparison) {
  EXPECT_EQ(Lower(L"ProgramFiles ÄÖÜ"), L"programfiles äöü");
  EXPECT_TRUE(EqualsNoCase(L"InstTasks", L"INSTTASKS"));
  EXPECT_FALSE(EqualsNoCase(L"abc", L"abcd"));
  EXPECT_TRUE(EndsWithNoCase(L"App.LNK", L".lnk"));
  EXPECT_FALSE(EndsWithNoCase(L"lnk", L".lnk"));
}

TEST(Text, ReplaceAllScansLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceAll(L"a\\\\\\b", L"\\\\", L"\\"), L"a\\\\b");  // three backslashes become two
  EXPECT_EQ(ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
  EXPECT_EQ(ReplaceAll(L"abc", L"", L"x"), L"abc");
  EXPECT_EQ(ReplaceAllNoCase(L"<PROGRAMFILES>x<programfiles>", L"<ProgramFiles>", L"P\\"), L"P\\xP\\");
  // The replacement is not scanned again.
  EXPECT_EQ(ReplaceAllNoCase(L"<a>", L"<a>", L"<a><a>"), L"<a><a>");
}

TEST(Text, SplitGivesOneMorePieceThanSeparators) {
  EXPECT_EQ(Split(L"", L',').size(), 1u);
  auto p = Split(L"a,,b,", L',');
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[1], L"");
  EXPECT_EQ(p[3], L"");
  EXPECT_EQ(Join(p, L','), L"a,,b,");
}

TEST(Text, FileAndFolderParts) {
  EXPECT_EQ(FilePart(L"C:\\a/b\\c.txt"), L"c.txt");
  EXPECT_EQ(FolderPart(L"C:\\a/b\\c.txt"), L"C:\\a/b\\");
  EXPECT_EQ(FilePart(L"dir\\"), L"");
  EXPECT_EQ(FolderPart(L"name"), L"");
}

TEST(Text, Decimal) {
  EXPECT_EQ(Decimal(0), L"0");
  EXPECT_EQ(Decimal(-42), L"-42");
  EXPECT_EQ(Decimal(INT64_MIN), L"-9223372036854775808");
  EXPECT_EQ(DecimalUnsigned(UINT64_MAX), L"18446744073709551615");
}

// Powers of ten and of two and their neighbours, and numbers of every size.
TEST(Text, DecimalUnsignedOfEveryMagnitude) {
  std::vector<uint64_t> numbers;
  for (uint64_t p = 1;; p *= 10) {
    numbers.insert(numbers.end(), {p - 1, p, p + 1});
    if (p > UINT64_MAX / 10) break;
  }
  for (int bit = 0; bit < 64; ++bit) {
    const uint64_t p = uint64_t{1} << bit;
    numbers.insert(numbers.end(), {p - 1, p, p + 1});
  }
  uint64_t state = 88172645463325252ull;
  for (int i = 0; i < 10000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    numbers.push_back(state >> (i % 64));
  }
  for (uint64_t n : numbers) ASSERT_EQ(DecimalUnsigned(n), std::to_wstring(n)) << n;
}

TEST(Text, Utf8RoundTripKeepsSurrogatePairs) {
  std::string bytes = "a\xC2\xB6\xE2\x82\xAC\xF0\x9F\x98\x80";  // a ¶ € and U+1F600
  std::wstring w = FromUtf8(bytes);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(w[1], 0xB6);
  EXPECT_EQ(w[2], 0x20AC);
  EXPECT_EQ(w[3], 0xD83D);
  EXPECT_EQ(w[4], 0xDE00);
  EXPECT_EQ(ToUtf8(w), bytes);
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8(std::string("\xC0\xAF")), std::wstring(2, wchar_t(0xFFFD)));  // overlong, then a stray byte
  EXPECT_EQ(FromUtf8(std::string("\xE2\x82")), std::wstring(1, wchar_t(0xFFFD)));  // cut short
  EXPECT_EQ(FromUtf8(std::string("\xED\xA0\x80x")), std::wstring(1, wchar_t(0xFFFD)) + L"x");  // a surrogate
  EXPECT_EQ(FromUtf8(std::string("\xFF")), std::wstring(1, wchar_t(0xFFFD)));
  std::wstring lone(1, wchar_t(0xD800));
  EXPECT_EQ(ToUtf8(lone), "\xEF\xBF\xBD");
}

TEST(Text, Latin1MapsEveryByteToTheSameNumber) {
  std::wstring w = FromLatin1("\xB6\xE9\x00z", 4);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], 0xB6);
  EXPECT_EQ(w[1], 0xE9);
  EXPECT_EQ(w[2], 0);
}
