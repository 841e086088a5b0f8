#include "startup/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, QuotedArgumentsRunToTheNextQuote) {
  auto a = SplitCommandLine(L"\"C:\\My Setup\\pkg.exe\" -u \"C:\\Out Folder\"  extra");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[0], L"C:\\My Setup\\pkg.exe");
  EXPECT_EQ(a[1], L"-u");
  EXPECT_EQ(a[2], L"C:\\Out Folder");
  EXPECT_EQ(a[3], L"extra");
}

TEST(CommandLine, ArgumentsAfterTheProgramName) {
  EXPECT_EQ(CommandArgument(L"pkg.exe -u", 1), L"-u");
  EXPECT_EQ(CommandArgument(L"pkg.exe -u", 2), L"");
  EXPECT_EQ(CommandArgument(L"pkg.exe", 1), L"");
  EXPECT_EQ(CommandArgument(L"pkg.exe\t-U\tD:\\x", 2), L"D:\\x");
}

TEST(CommandLine, UnclosedQuoteRunsToTheEnd) {
  auto a = SplitCommandLine(L"p \"a b");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[1], L"a b");
}

TEST(CommandLine, EmptyQuotesGiveAnEmptyArgument) {
  auto a = SplitCommandLine(L"p \"\" x");
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[1], L"");
  EXPECT_EQ(a[2], L"x");
}
