#include "script/settings.h"

#include <gtest/gtest.h>

#include "script/ini.h"
#include "script/localization.h"

namespace {
SetupSettings Read(const std::string& script) {
  IniDocument ini(script);
  SetupSettings s;
  ReadSetupSettings(ini, &s);
  return s;
}
}  // namespace

TEST(Settings, EveryKeyOfTheScript) {
  SetupSettings s = Read(
      "\xEF\xBB\xBF[GeneralInformation]\r\nAppName = Demo\r\nVersion = 2.1\r\nCompanyName = Tarn Co\r\n"
      "Website = www.tarn.example\r\nEmail = help@tarn.example\r\nW98 = 0\r\nWV = 1\r\nDotNet = 3\r\n"
      "RunIfDepNotFound = www.dot.example\r\n[Look]\r\nHeaderTextColour = 255\r\n[FilesAndSettings]\r\n"
      "RequireLicense = 1\r\nRequireReadme = 01\r\n[InstTasks]\r\nT1 = RUN\xC2\xB6" "0\r\nT2 = KILLTASK\xC2\xB6" "a.exe\r\n"
      "[UninstTasks]\r\nU1 = LAUNCHBROWSER\xC2\xB6www\r\n[uConfig]\r\nRebootRequired = 1\r\nSkipExtString = cfg, ini\r\n"
      "IconExtUninst = 1\r\nIconExtPath = <DefaultInstallPath>\\a.exe\r\nIconExtIndex = 2\r\n[iConfig]\r\n"
      "RebootRequired = 1\r\nPathChangeable = 1x\r\nDefaultPath = C:\\Demo\r\nAutoCreateStartMenu = 1\r\n"
      "CreateInternetLink = 1\r\nCreateUninstallLink = 1\r\nForceGroupCreation = yes\r\n");
  EXPECT_EQ(s.programName, L"Demo");
  EXPECT_EQ(s.programVersion, L"2.1");
  EXPECT_EQ(s.companyName, L"Tarn Co");
  EXPECT_EQ(s.website, L"www.tarn.example");
  EXPECT_EQ(s.supportEmail, L"help@tarn.example");
  EXPECT_TRUE(IsFlag(s.allowW98, L"0"));
  EXPECT_EQ(s.allowW2k, L"");
  EXPECT_EQ(s.dotNet, L"3");
  EXPECT_EQ(s.dependencyPage, L"www.dot.example");
  EXPECT_EQ(s.headerTextColour, 255u);
  EXPECT_TRUE(IsFlag(s.licenseRequired, L"1"));
  EXPECT_FALSE(IsFlag(s.readMeRequired, L"1"));  // "01" is not "1"
  ASSERT_EQ(s.installTasks.size(), 2u);
  EXPECT_EQ(s.installTasks[1].name, L"T2");
  EXPECT_EQ(s.installTasks[1].line, std::wstring(L"KILLTASK") + wchar_t(0xB6) + L"a.exe");
  ASSERT_EQ(s.uninstallTasks.size(), 1u);
  EXPECT_EQ(s.uninstallReboot, 1);
  EXPECT_EQ(s.skipExtensions, L"cfg, ini");
  EXPECT_EQ(s.iconFromUninstaller, 1);
  EXPECT_EQ(s.iconFromCustomFile, 0);
  EXPECT_EQ(s.customIconIndex, 2);
  EXPECT_EQ(s.installRebootOffered, 1);
  EXPECT_EQ(s.pathChangeable, 1);  // "1x" reads as 1
  EXPECT_EQ(s.defaultPath, L"C:\\Demo");
  EXPECT_EQ(s.createStartMenuGroup, 1);
  EXPECT_EQ(s.createInternetLink, 1);
  EXPECT_EQ(s.createUninstallLink, 1);
  EXPECT_EQ(s.offerGroupOptOut, 0);  // a word reads as 0
}

TEST(Settings, ScriptWithOnlyCommentsTakesEveryDefault) {
  SetupSettings s = Read("; nothing here\r\n; at all\r\n");
  EXPECT_EQ(s.programName, L"");
  EXPECT_TRUE(s.installTasks.empty());
  EXPECT_EQ(s.createStartMenuGroup, 0);
  EXPECT_EQ(s.pathChangeable, 0);
  EXPECT_EQ(s.headerTextColour, 0u);
}

TEST(Settings, PermissionFlagsAreTextsComparedExactly) {
  SetupSettings s = Read("[GeneralInformation]\nW2K = no\nWXP = 0\nWNT = 00\nDotNet = 6\n");
  EXPECT_FALSE(IsFlag(s.allowW2k, L"0"));
  EXPECT_TRUE(IsFlag(s.allowWXp, L"0"));
  EXPECT_FALSE(IsFlag(s.allowWNt, L"0"));
  EXPECT_EQ(s.dotNet, L"6");
}

TEST(Settings, OnlyTheFirstInstTasksGroupCounts) {
  SetupSettings s = Read("[InstTasks]\nA = 1\n[Other]\n[InstTasks]\nB = 2\n");
  ASSERT_EQ(s.installTasks.size(), 1u);
  EXPECT_EQ(s.installTasks[0].name, L"A");
}

TEST(Localization, KeysReadWithoutRegardToCaseFirstLineWins) {
  IniDocument ini("[LocalizationStub]\nKey0=Yes\nKEY1 = Second   \nkey0 = ignored\nKey96 = for\nKey98 = Datei\n"
                  "[LocalizationUninstall]\nKey0 = Please confirm\nExtra = kept\nKey0 = twice\n");
  TextTable texts;
  ReadTexts(ini, &texts);
  EXPECT_EQ(texts[0], L"Yes");
  EXPECT_EQ(texts[1], L"Second");
  EXPECT_EQ(texts[70], L"");
  EXPECT_EQ(texts[96], L"for");
  // The keys after Key96: the file's text where it has one, else English.
  EXPECT_EQ(texts[97], L"File in use");
  EXPECT_EQ(texts[98], L"Datei");
  EXPECT_EQ(texts[103], L"");
  ASSERT_EQ(texts.uninstall.size(), 3u);
  EXPECT_EQ(texts.uninstall[1].name, L"Extra");
  EXPECT_EQ(texts.uninstall[2].line, L"twice");
}
