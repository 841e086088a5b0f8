// Page order, finish options, the framework rules and task-line fields.
#include <gtest/gtest.h>

#include "install/task_line.h"
#include "wizard/finish_options.h"
#include "wizard/framework.h"
#include "wizard/navigation.h"

namespace {

const std::wstring& EnglishText(int key) {
  static const std::wstring kEmpty;
  static const std::wstring k42 = L"in the", k43 = L"on the", k44 = L"Program Files folder", k53 = L"Start Menu",
                            k54 = L"Desktop for all users", k55 = L"Desktop", k61 = L"program group (Start Menu) folder",
                            k62 = L"Create shortcut", k63 = L"Create internet link", k64 = L"Run", k93 = L"Reboot",
                            k94 = L"Restart computer (recommended)", k96 = L"for";
  switch (key) {
    case 42: return k42;
    case 43: return k43;
    case 44: return k44;
    case 53: return k53;
    case 54: return k54;
    case 55: return k55;
    case 61: return k61;
    case 62: return k62;
    case 63: return k63;
    case 64: return k64;
    case 93: return k93;
    case 94: return k94;
    case 96: return k96;
    default: return kEmpty;
  }
}

std::wstring Line(std::initializer_list<const wchar_t*> fields) {
  std::vector<std::wstring> f(fields.begin(), fields.end());
  return JoinTaskLine(f);
}

}  // namespace

TEST(Navigation, EveryCombinationForwardAndBack) {
  for (int bits = 0; bits < 8; ++bits) {
    PageChoice c{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
    // Forward: welcome, [licence], [read-me], destination, [group], install.
    std::vector<int> expected = {kWelcomePage};
    if (c.license) expected.push_back(kLicensePage);
    if (c.readMe) expected.push_back(kReadMePage);
    expected.push_back(kDestinationPage);
    if (c.startMenu) expected.push_back(kGroupPage);
    std::vector<int> walked = {kWelcomePage};
    NextResult r{NextStep::kShowPage, kWelcomePage};
    while (true) {
      r = NextFrom(walked.back(), c, L"C:\\Demo\\");
      if (r.step != NextStep::kShowPage) break;
      walked.push_back(r.page);
    }
    EXPECT_EQ(walked, expected) << bits;
    EXPECT_EQ(r.step, NextStep::kInstall);
    // Back from the last page before the installation retraces the way.
    std::vector<int> back = {walked.back()};
    for (int p = PreviousFrom(back.back(), c); p >= 0; p = PreviousFrom(back.back(), c)) back.push_back(p);
    EXPECT_EQ(std::vector<int>(back.rbegin(), back.rend()), expected) << bits;
  }
}

TEST(Navigation, UnusableDestinationAndPagesWithoutAWayOn) {
  PageChoice c{false, false, true};
  // Empty, or not a full path: the destination page stays, with a warning.
  for (const wchar_t* folder : {L"", L" ", L"Demo\\", L".\\Demo", L"\\Demo\\", L"C:Demo\\", L"\\\\server\\"})
    EXPECT_EQ(NextFrom(kDestinationPage, c, folder).step, NextStep::kWarnUnusableDestination) << folder;
  EXPECT_EQ(NextFrom(kDestinationPage, c, L"\\\\server\\share\\Demo\\").page, kGroupPage);
  EXPECT_EQ(NextFrom(kInstallPage, c, L"").step, NextStep::kNothing);
  EXPECT_EQ(NextFrom(kFinishPage, c, L"").step, NextStep::kNothing);
  EXPECT_EQ(PreviousFrom(kWelcomePage, c), -1);
  EXPECT_EQ(PreviousFrom(kInstallPage, c), -1);
  EXPECT_EQ(PreviousFrom(kFinishPage, c), -1);
}

TEST(FinishOptions, ItemsLinesAndOrder) {
  std::vector<TaskEntry> tasks = {
      {L"Link", Line({L"NORMALLINK", L"11", L"App", L"C:\\P\\App.exe", L"1", L"0", L"Demo"})},
      {L"NoLink", Line({L"NORMALLINK", L"11", L"App", L"C:\\P\\App.exe", L"0", L"0", L"Demo"})},
      {L"Web", Line({L"INTERNETLINK", L"17", L"Site", L"http://x", L"1"})},
      {L"Start", Line({L"RUN", L"0", L"1", L"0", L"C:\\P\\App.exe", L"/first", L"Demo App"})},
      {L"Now", Line({L"RUN", L"0", L"1", L"1", L"C:\\P\\App.exe", L"", L"Runs now"})},
      {L"Menu", Line({L"NORMALLINK", L"9", L"App", L"C:\\P\\App.exe", L"1x", L"2", L"Demo"})},
  };
  auto options = BuildFinishOptions(tasks, true, EnglishText);
  ASSERT_EQ(options.size(), 5u);
  EXPECT_EQ(options[0].text, L"Create shortcut on the Desktop for Demo");
  EXPECT_EQ(options[0].taskName, L"Link");
  EXPECT_EQ(options[0].line, Line({L"NORMALLINK", L"11", L"App", L"C:\\P\\App.exe", L"0", L"0", L"Demo"}));
  EXPECT_EQ(options[1].text, L"Create internet link in the program group (Start Menu) folder");
  EXPECT_EQ(options[1].line, Line({L"INTERNETLINK", L"17", L"Site", L"http://x", L"0"}));
  EXPECT_EQ(options[2].text, L"Run Demo App");
  EXPECT_EQ(options[2].line, Line({L"RUN", L"0", L"1", L"1", L"C:\\P\\App.exe", L"/first", L"Demo App"}));
  EXPECT_EQ(options[3].text, L"Create shortcut in the Start Menu for Demo");  // "1x" reads as 1
  EXPECT_EQ(options[4].text, L"Restart computer (recommended)");
  EXPECT_EQ(options[4].taskName, L"Reboot");
  EXPECT_EQ(options[4].line, L"!REBOOT_I");
}

TEST(FinishOptions, NothingOfferedWithoutSuchTasks) {
  std::vector<TaskEntry> tasks = {{L"R", Line({L"REGADDKEY", L"HKCU", L"", L"", L"Software\\X"})},
                                  {L"K", L"KILLTASK"}};
  EXPECT_TRUE(BuildFinishOptions(tasks, false, EnglishText).empty());
  EXPECT_EQ(PlacePhrase(L"10", EnglishText), L"on the Desktop for all users");
  EXPECT_EQ(PlacePhrase(L"0", EnglishText), L"in the Program Files folder");
}

TEST(Framework, VersionsFoldersAndAddresses) {
  EXPECT_EQ(RequiredFramework(L"3"), L"2.0");
  EXPECT_EQ(RequiredFramework(L"5"), L"3.5");
  EXPECT_EQ(RequiredFramework(L"6"), L"");
  EXPECT_EQ(RequiredFramework(L""), L"");
  EXPECT_EQ(RequiredFramework(L"03"), L"");
  EXPECT_TRUE(FrameworkFolderMatches(L"v2.0.50727", L"2.0"));
  EXPECT_FALSE(FrameworkFolderMatches(L"v1.1.4322", L"2.0"));
  EXPECT_FALSE(FrameworkFolderMatches(L"v4.0.30319", L"2.0"));
  EXPECT_FALSE(FrameworkFolderMatches(L"..", L"."));
  EXPECT_EQ(DependencyAddress(L"www.example.com/dotnet"), L"http://www.example.com/dotnet");
  EXPECT_EQ(DependencyAddress(L"HTTP://"), L"");
  EXPECT_EQ(DependencyAddress(L""), L"");
  EXPECT_EQ(DependencyAddress(L"Http://x.example"), L"Http://x.example");
}

TEST(TaskLine, FieldsAreNumberedFromOneAndNotTrimmed) {
  TaskFields f(std::wstring(L"RUN") + kPilcrow + L" 1 " + kPilcrow + kPilcrow + L"x");
  EXPECT_EQ(f.count(), 4u);
  EXPECT_EQ(f[1], L"RUN");
  EXPECT_EQ(f[2], L" 1 ");
  EXPECT_EQ(f[3], L"");
  EXPECT_EQ(f[4], L"x");
  EXPECT_EQ(f[9], L"");
  EXPECT_EQ(f[0], L"");
  EXPECT_EQ(TaskFields(L"").count(), 1u);
}
