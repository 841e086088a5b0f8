// What a finished installation leaves for its removal: the exact bytes of
// the uninstaller the package carries, the uninstall data file byte for
// byte, and the registration.
#include "common/text.h"
#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/script_builder.h"
#include "tests/e2e/walk.h"

namespace {

std::string Utf8(const std::wstring& s) { return text::ToUtf8(s); }

// The values of a product's uninstall entry.
const wchar_t* const kEntryValues[] = {L"DisplayName", L"DisplayIcon",   L"Publisher",     L"URLInfoAbout",
                                       L"HelpLink",    L"Contact",       L"HelpTelephone", L"UninstallString"};

}  // namespace

class UninstallData : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    dest_ = Dir() + L"dest\\";
    // An entry without a name would go to the Uninstall key itself.
    for (const wchar_t* value : kEntryValues)
      if (!ValueExists(HKEY_LOCAL_MACHINE, kUninstallKey, value)) newOnUninstallKey_.push_back(value);
  }
  void TearDown() override {
    CleanUp({}, {{HKEY_CURRENT_USER, L"Software\\TarnData"}, {HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Data Demo")},
                 {HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Icon Demo")}});
    for (const wchar_t* value : newOnUninstallKey_) drive::DeleteValue(HKEY_LOCAL_MACHINE, kUninstallKey, value);
    PackageTest::TearDown();
  }

  std::string Script(const std::string& name, const std::string& uConfig, const std::string& tasks,
                     const std::string& uninstallTasks) {
    return ScriptText(name, "2.0")
        .Add("CompanyName = Tarn Co\r\nWebsite = www.tarn.example\r\nEmail = help@tarn.example\r\n")
        .Section("iConfig", "PathChangeable = 1\r\n")
        .Dest(dest_)
        .Section("uConfig", uConfig)
        .Section("InstTasks", tasks)
        .Section("UninstTasks", uninstallTasks);
  }

  // Welcome, destination (the installation runs), Finish.
  void Install(const std::wstring& title) {
    drive::Process p = Launch(Build());
    HWND w = WaitWizard(p, title);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WalkTo(w, kPageFinish));
    ASSERT_TRUE(drive::Click(w, 5));
    EXPECT_EQ(p.WaitExit(), 0u);
  }

  std::wstring dest_;
  std::vector<const wchar_t*> newOnUninstallKey_;
};

TEST_F(UninstallData, KnownInstallationByteForByte) {
  Write(L"payload\\sub\\b.txt", "b");
  const std::string p = kPilcrow;
  WriteScript(Script("Data Demo", "RebootRequired = 1\r\nSkipExtString = cfg, INI\r\nIconExtUninst = 1\r\n",
                     "Key = REGADDKEY" + p + "HKCU" + p + p + p + "Software\\TarnData\r\n"
                     "Val = REGADDVALUE" + p + "HKCU" + p + "V" + p + "<ProgramName>" + p + "Software\\TarnData" + p +
                         "REG_SZ\r\n"
                     "Missing = REGADDVALUE" + p + "HKCU" + p + "V" + p + "x" + p + "Software\\NoSuchKey\\Deep" + p +
                         "REG_SZ\r\n",
                     "Readme = RUN" + p + "1" + p + "0" + p + "<DefaultInstallPath>\\readme.txt" + p + "/x\r\n"));
  Install(L"Data Demo v.2.0 :: Setup");

  const std::string d = Utf8(dest_);
  const std::string expected =
      "\xEF\xBB\xBF\r\n"
      "[LocalizationUninstall]\r\n"
      "Key0 = Please confirm\r\n"
      "Key1 = Are you sure you want to uninstall $APPNAME$?\r\n"
      "Key2 = Cancel\r\n"
      "Key3 = Processing uninstallation... Please wait...\r\n"
      "Key4 = Restart needed\r\n"
      "Key5 = In order to finish the uninstallation, your computer needs to be restarted. Would you like to restart "
      "now?\r\n"
      "Key6 = Success\r\n"
      "Key7 = The program was uninstalled successfully.\r\n"
      "[uConfig]\r\n"
      "AppName = Data Demo\r\n"
      "InstallPath = " + d + "\r\n"
      "RebootRequired = 1\r\n"
      "SkipExtString = cfg, INI\r\n"
      "InstallPathCreated = 1\r\n"
      "[InstTasks]\r\n"
      "Key = REGADDKEY" + p + "HKCU" + p + p + p + "Software\\TarnData\r\n"
      "Val = REGADDVALUE" + p + "HKCU" + p + "V" + p + "Data Demo" + p + "Software\\TarnData" + p + "REG_SZ\r\n"
      "[UninstTasks]\r\n"
      "Readme = RUN" + p + "1" + p + "0" + p + d + "readme.txt" + p + "/x\r\n"
      "[Files]\r\n"
      "CopyFile0 = " + d + "App.exe\r\n"
      "CopyFile1 = " + d + "sub\\\r\n"
      "CopyFile2 = " + d + "sub\\b.txt\r\n";
  EXPECT_EQ(ReadFileBytes(dest_ + L"Uninst0.dat"), expected);
  std::string carried, error;
  ASSERT_TRUE(CarriedUninstaller(ReadFileBytes(Dir() + L"setup.exe"), &carried, &error)) << error;
  EXPECT_EQ(ReadFileBytes(dest_ + L"Uninst0.exe"), carried);

  const std::wstring key = kUninstallKey + std::wstring(L"Data Demo");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"DisplayName"), L"Data Demo");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"DisplayIcon"), dest_ + L"Uninst0.exe,0");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"Publisher"), L"Tarn Co");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"URLInfoAbout"), L"www.tarn.example");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"HelpLink"), L"www.tarn.example");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"Contact"), L"help@tarn.example");
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"HelpTelephone"), L"n/a");
  // Quoted, so that the system never starts a program named like the
  // path's part before a blank; and the form for deployment tools.
  EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, key, L"UninstallString")), "\"" + Narrow(dest_) + "Uninst0.exe\"");
  EXPECT_EQ(Narrow(GetText(HKEY_LOCAL_MACHINE, key, L"QuietUninstallString")), "\"" + Narrow(dest_) + "Uninst0.exe\" /S");
  EXPECT_EQ(drive::GetNumber(HKEY_LOCAL_MACHINE, key, L"EstimatedSize"), 1u) << "the payload's size in kilobytes, rounded up";
  // Each value holds its text with the terminating null.
  std::string bytes;
  drive::ReadValue(HKEY_LOCAL_MACHINE, key, L"HelpTelephone", nullptr, &bytes);
  EXPECT_EQ(bytes.size(), 8u);
}

TEST_F(UninstallData, EmptyPayloadAndNothingRecordedLeaveThoseSectionsOut) {
  DeleteFileW((Dir() + L"payload\\App.exe").c_str());
  WriteScript(Script("Data Demo", "IconExtUninst = 0\r\n", "", ""));
  Install(L"Data Demo v.2.0 :: Setup");
  const std::string data = ReadFileBytes(dest_ + L"Uninst0.dat");
  EXPECT_EQ(data.find("[Files]"), std::string::npos);
  EXPECT_EQ(data.find("[InstTasks]"), std::string::npos);
  EXPECT_EQ(data.find("[UninstTasks]"), std::string::npos);
  EXPECT_NE(data.find("[uConfig]\r\nAppName = Data Demo\r\n"), std::string::npos);
  // Without an icon choice no registration is written, but both files are.
  EXPECT_TRUE(FileExists(dest_ + L"Uninst0.exe"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Data Demo")));
}

TEST_F(UninstallData, IconRules) {
  struct Case {
    const char* uConfig;
    bool registered;
    std::wstring icon;
  } cases[] = {
      {"IconExtUninst = 1\r\nIconExtCustom = 1\r\n", false, L""},
      {"IconExtUninst = 0\r\nIconExtCustom = 1\r\nIconExtPath = <DefaultInstallPath>\\App.exe\r\nIconExtIndex = 3\r\n",
       true, L"App.exe,3"},
  };
  for (const Case& c : cases) {
    RemoveTree(dest_);
    drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(L"Icon Demo"));
    WriteScript(Script("Icon Demo", c.uConfig, "", ""));
    Install(L"Icon Demo v.2.0 :: Setup");
    EXPECT_TRUE(FileExists(dest_ + L"Uninst0.exe")) << c.uConfig;
    EXPECT_TRUE(FileExists(dest_ + L"Uninst0.dat")) << c.uConfig;
    const std::wstring key = kUninstallKey + std::wstring(L"Icon Demo");
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, key), c.registered) << c.uConfig;
    if (c.registered) {
      EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, key, L"DisplayIcon"), dest_ + c.icon);
    }
  }
}

TEST_F(UninstallData, AnEmptyProgramNameIsNeverRegistered) {
  WriteScript(Script("", "IconExtUninst = 1\r\n", "", ""));
  // The title is " v.2.0 :: Setup" without a program name.
  Install(L" v.2.0 :: Setup");
  EXPECT_TRUE(FileExists(dest_ + L"Uninst0.dat"));
  // The Uninstall key itself got no values of this product.
  EXPECT_EQ(GetText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"), L"<missing>");
}
