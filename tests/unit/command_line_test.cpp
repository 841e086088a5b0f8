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

TEST(CommandLine, TheFormsOfTheCommandLine) {
  const struct {
    const wchar_t* line;
    RunMode mode;
    bool silent;
    const wchar_t* folder;
    const wchar_t* log;
    bool passive = false;
  } cases[] = {
      {L"pkg.exe", RunMode::kInstall, false, L"", L""},
      {L"pkg.exe -u", RunMode::kInstall, false, L"", L""},  // one argument: the installation
      {L"pkg.exe -u C:\\Out", RunMode::kUnpackOnly, false, L"C:\\Out", L""},
      {L"pkg.exe -U C:\\Out", RunMode::kUsage, false, L"", L""},
      {L"pkg.exe -u C:\\Out third", RunMode::kUnpackOnly, false, L"C:\\Out", L""},
      {L"pkg.exe /LOG=C:\\setup.log", RunMode::kInstall, false, L"", L"C:\\setup.log"},
      {L"pkg.exe \"/LOG=C:\\my logs\\a.log\"", RunMode::kInstall, false, L"", L"C:\\my logs\\a.log"},
      {L"pkg.exe /?", RunMode::kSwitches, false, L"", L""},
      {L"pkg.exe /? /LOG=C:\\s.log", RunMode::kSwitches, false, L"", L"C:\\s.log"},
      {L"pkg.exe /LOG=s.log /?", RunMode::kSwitches, false, L"", L"s.log"},
      {L"pkg.exe /? /X", RunMode::kUsage, false, L"", L""},
      {L"pkg.exe /LOG=a.log /S", RunMode::kUsage, false, L"", L""},  // a pair: the usage message
      {L"pkg.exe /S", RunMode::kInstall, true, L"", L""},
      {L"\"C:\\a b\\pkg.exe\" /S /D=C:\\Program Files\\Demo App", RunMode::kInstall, true,
       L"C:\\Program Files\\Demo App", L""},
      {L"pkg.exe /S /D=\"C:\\Program Files\\Demo\"", RunMode::kInstall, true, L"C:\\Program Files\\Demo", L""},
      {L"pkg.exe /S /D=C:\\Demo /LOG=\"C:\\my logs\\s.log\"", RunMode::kInstall, true, L"C:\\Demo",
       L"C:\\my logs\\s.log"},
      {L"pkg.exe /S /D=C:\\My Demo /LOG=s.log", RunMode::kInstall, true, L"C:\\My Demo", L"s.log"},
      {L"pkg.exe /S /LOG=s.log", RunMode::kInstall, true, L"", L"s.log"},
      {L"pkg.exe /S /LOG=s.log /D=C:\\Demo", RunMode::kUsage, true, L"", L"s.log"},  // /D= comes second
      {L"pkg.exe /S /D=", RunMode::kUsage, true, L"", L""},
      {L"pkg.exe /S /X", RunMode::kUsage, true, L"", L""},
      {L"pkg.exe /s", RunMode::kInstall, false, L"", L""},  // the switch is exact; one argument installs
      // The install folder is a full path, else the run is refused.
      {L"pkg.exe /S /D=\\\\server\\share\\Demo", RunMode::kInstall, true, L"\\\\server\\share\\Demo", L""},
      {L"pkg.exe /S /D=c:/Demo", RunMode::kInstall, true, L"c:/Demo", L""},
      {L"pkg.exe /S /D=Demo", RunMode::kFolderNotFull, true, L"Demo", L""},
      {L"pkg.exe /S /D=.\\Demo /LOG=s.log", RunMode::kFolderNotFull, true, L".\\Demo", L"s.log"},
      {L"pkg.exe /S /D=..\\..\\Windows", RunMode::kFolderNotFull, true, L"..\\..\\Windows", L""},
      {L"pkg.exe /S /D=\\Demo", RunMode::kFolderNotFull, true, L"\\Demo", L""},
      {L"pkg.exe /S /D=C:Demo", RunMode::kFolderNotFull, true, L"C:Demo", L""},
      {L"pkg.exe /S /D=C:", RunMode::kFolderNotFull, true, L"C:", L""},
      {L"pkg.exe /S \"/D=\\\\server\"", RunMode::kFolderNotFull, true, L"\\\\server", L""},
      {L"pkg.exe /S /D=\\\\server\\", RunMode::kFolderNotFull, true, L"\\\\server\\", L""},
      {L"pkg.exe /S /D=\\\\?\\C:\\Demo", RunMode::kFolderNotFull, true, L"\\\\?\\C:\\Demo", L""},
      {L"pkg.exe /S /D=\\\\.\\C:\\Demo", RunMode::kFolderNotFull, true, L"\\\\.\\C:\\Demo", L""},
      // /PASSIVE: silent with the progress window; /D= may follow it.
      {L"pkg.exe /S /PASSIVE", RunMode::kInstall, true, L"", L"", true},
      {L"pkg.exe /S /passive /D=C:\\Program Files\\X /LOG=C:\\x\\y.log", RunMode::kInstall, true,
       L"C:\\Program Files\\X", L"C:\\x\\y.log", true},
      {L"pkg.exe /S /D=C:\\Program Files\\X /PASSIVE /LOG=s.log", RunMode::kInstall, true, L"C:\\Program Files\\X",
       L"s.log", true},
      {L"pkg.exe /S /PASSIVE \"/D=C:\\Program Files\\X\" /LOG=\"C:\\a b\\x.log\"", RunMode::kInstall, true,
       L"C:\\Program Files\\X", L"C:\\a b\\x.log", true},
      {L"pkg.exe /S /PASSIVE /PASSIVE", RunMode::kUsage, true, L"", L"", true},
      {L"pkg.exe /S /LOG=s.log /PASSIVE /D=C:\\X", RunMode::kUsage, true, L"", L"s.log", true},
      {L"pkg.exe /PASSIVE /S", RunMode::kUsage, false, L"", L""},
  };
  for (const auto& c : cases) {
    const Invocation v = ReadInvocation(c.line);
    EXPECT_EQ(v.mode, c.mode) << c.line;
    EXPECT_EQ(v.silent, c.silent) << c.line;
    EXPECT_EQ(v.folder, c.folder) << c.line;
    EXPECT_EQ(v.log, c.log) << c.line;
    EXPECT_EQ(v.passive, c.passive) << c.line;
  }
}

// /CLOSEAPPLICATIONS comes anywhere after /S and ends a /D= folder.
TEST(CommandLine, TheSwitchThatClosesPrograms) {
  const struct {
    const wchar_t* line;
    RunMode mode;
    bool close;
    const wchar_t* folder;
  } cases[] = {
      {L"pkg.exe /S /D=C:\\My Demo /CLOSEAPPLICATIONS /LOG=s.log", RunMode::kInstall, true, L"C:\\My Demo"},
      {L"pkg.exe /S /LOG=s.log /closeapplications", RunMode::kInstall, true, L""},
      {L"pkg.exe /S /D=C:\\Demo", RunMode::kInstall, false, L"C:\\Demo"},
      {L"pkg.exe /CLOSEAPPLICATIONS", RunMode::kInstall, false, L""},  // one argument: the installation
      {L"pkg.exe /S /CLOSEAPPLICATIONS /CLOSEAPPLICATIONS", RunMode::kUsage, true, L""},
  };
  for (const auto& c : cases) {
    const Invocation v = ReadInvocation(c.line);
    EXPECT_EQ(v.mode, c.mode) << c.line;
    EXPECT_EQ(v.closeApplications, c.close) << c.line;
    EXPECT_EQ(v.folder, c.folder) << c.line;
  }
}

// The whole /D= switch in double quotes, as /LOG= may be quoted: the folder
// is what the quotes hold.
TEST(CommandLine, AQuotedFolderSwitchGivesTheFolder) {
  const struct {
    const wchar_t* line;
    const wchar_t* log;
  } cases[] = {
      {L"pkg.exe /S \"/D=C:\\Program Files\\Demo\"", L""},
      {L"pkg.exe /S \"/D=C:\\Program Files\\Demo\" /LOG=s.log", L"s.log"},
  };
  for (const auto& c : cases) {
    const Invocation v = ReadInvocation(c.line);
    EXPECT_EQ(v.mode, RunMode::kInstall) << c.line;
    EXPECT_TRUE(v.silent) << c.line;
    EXPECT_EQ(v.folder, L"C:\\Program Files\\Demo") << c.line;
    EXPECT_EQ(v.log, c.log) << c.line;
  }
}
