#include "uninstaller/arguments.h"

#include <gtest/gtest.h>

TEST(UninstallerArguments, TheFormsOfTheCommandLine) {
  const std::wstring own = L"C:\\Program Files\\My App\\Uninst0.exe";
  const struct {
    const wchar_t* line;
    bool second, silent;
    const wchar_t* data;
    const wchar_t* uninstaller;
    const wchar_t* log = L"";  // /LOG= comes last and runs to the end of the line or to a last /S
  } cases[] = {
      {L"\"C:\\T\\1\\1.exe\" \"C:\\My App\\Uninst0.dat\" \"C:\\My App\\Uninst0.exe\"", true, false,
       L"C:\\My App\\Uninst0.dat", L"C:\\My App\\Uninst0.exe"},
      {L"\"C:\\T\\1\\1.exe\"   \"a\"\t\"b\"  ", true, false, L"a", L"b"},
      {L"\"C:\\T\\1\\1.exe\" \"a\" \"b\" /S", true, true, L"a", L"b"},
      {L"\"C:\\Program Files\\My App\\Uninst0.exe\"", false, false, L"", L""},
      {L"\"C:\\Program Files\\My App\\Uninst0.exe\" /S", false, true, L"", L""},
      // An older, unquoted entry: the blanks of the program's own path make no arguments.
      {L"C:\\Program Files\\My App\\Uninst0.exe", false, false, L"", L""},
      {L"C:\\Program Files\\My App\\Uninst0.exe /S", false, true, L"", L""},
      {L"C:\\Program Files\\My App\\Uninst0.exe \"a\" \"b\"", true, false, L"a", L"b"},
      {L"\"C:\\x.exe\" a b", false, false, L"", L""},
      {L"\"C:\\x.exe\" \"a\"", false, false, L"", L""},
      {L"\"C:\\x.exe\" \"a\" \"b\" \"c\"", false, false, L"", L""},
      {L"\"C:\\x.exe\" \"\" \"b\"", false, false, L"", L""},
      {L"\"C:\\x.exe\" \"a\"\"b\"", false, false, L"", L""},
      {L"\"C:\\x.exe\" \"a\" \"b", false, false, L"", L""},
      {L"x.exe \"a\" \"b\"", true, false, L"a", L"b"},
      {L"\"C:\\x.exe\" /S /LOG=C:\\a b\\x.log", false, true, L"", L"", L"C:\\a b\\x.log"},
      {L"\"C:\\x.exe\" /log=\"C:\\a b\\x.log\"", false, false, L"", L"", L"C:\\a b\\x.log"},
      {L"\"C:\\x.exe\" \"a\" \"b\" /S \"/LOG=C:\\a b\\x.log\"", true, true, L"a", L"b", L"C:\\a b\\x.log"},
      {L"\"C:\\x.exe\" \"C:\\x /LOG=y\\u.dat\" \"b\"", true, false, L"C:\\x /LOG=y\\u.dat", L"b"},
      {L"\"C:\\x.exe\" /S/LOG=x.log", false, false, L"", L""},
      {L"\"C:\\x.exe\" /LOG=\"C:\\a b\\x.log\" /S", false, true, L"", L"", L"C:\\a b\\x.log"},
      {L"\"C:\\x.exe\" \"a\" \"b\" /LOG=C:\\x.log\t/S", true, true, L"a", L"b", L"C:\\x.log"},
  };
  for (const auto& c : cases) {
    const UninstallerArguments a = ReadUninstallerArguments(c.line, own);
    EXPECT_EQ(a.secondStage, c.second) << c.line;
    EXPECT_EQ(a.silent, c.silent) << c.line;
    EXPECT_EQ(a.dataPath, c.data) << c.line;
    EXPECT_EQ(a.uninstallerPath, c.uninstaller) << c.line;
    EXPECT_EQ(a.log, c.log) << c.line;
  }
}

