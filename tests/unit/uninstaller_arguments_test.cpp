#include "uninstaller/arguments.h"

#include <gtest/gtest.h>

TEST(UninstallerArguments, OnlyTwoQuotedPathsMakeTheSecondStage) {
  const std::wstring own = L"C:\\Program Files\\My App\\Uninst0.exe";
  const struct {
    const wchar_t* line;
    bool second;
    const wchar_t* data;
    const wchar_t* uninstaller;
  } cases[] = {
      {L"\"C:\\T\\1\\1.exe\" \"C:\\My App\\Uninst0.dat\" \"C:\\My App\\Uninst0.exe\"", true,
       L"C:\\My App\\Uninst0.dat", L"C:\\My App\\Uninst0.exe"},
      {L"\"C:\\T\\1\\1.exe\"   \"a\"\t\"b\"  ", true, L"a", L"b"},
      {L"\"C:\\Program Files\\My App\\Uninst0.exe\"", false, L"", L""},
      // An older, unquoted entry: the blanks of the program's own path make no arguments.
      {L"C:\\Program Files\\My App\\Uninst0.exe", false, L"", L""},
      {L"C:\\Program Files\\My App\\Uninst0.exe \"a\" \"b\"", true, L"a", L"b"},
      {L"\"C:\\x.exe\" a b", false, L"", L""},
      {L"\"C:\\x.exe\" \"a\"", false, L"", L""},
      {L"\"C:\\x.exe\" \"a\" \"b\" \"c\"", false, L"", L""},
      {L"\"C:\\x.exe\" \"\" \"b\"", false, L"", L""},
      {L"\"C:\\x.exe\" \"a\"\"b\"", false, L"", L""},
      {L"\"C:\\x.exe\" \"a\" \"b", false, L"", L""},
      {L"x.exe \"a\" \"b\"", true, L"a", L"b"},
  };
  for (const auto& c : cases) {
    std::wstring data, uninstaller;
    EXPECT_EQ(SecondStageArguments(c.line, own, &data, &uninstaller), c.second) << c.line;
    EXPECT_EQ(data, c.data) << c.line;
    EXPECT_EQ(uninstaller, c.uninstaller) << c.line;
  }
}
