#include "install/uninstall_data.h"

#include <gtest/gtest.h>

TEST(UninstallData, SectionsInOrderOnlyWithEntries) {
  UninstallData d;
  d.Set(L"Files", L"CopyFile0", L"C:\\P\\a.exe");
  d.Set(L"uConfig", L"AppName", L"Demo");
  d.Set(L"uConfig", L"InstallPath", L"C:\\P\\");
  EXPECT_EQ(d.Bytes(),
            "\xEF\xBB\xBF\r\n[uConfig]\r\nAppName = Demo\r\nInstallPath = C:\\P\\\r\n[Files]\r\nCopyFile0 = C:\\P\\a.exe\r\n");
}

TEST(UninstallData, KeysAreUniqueWithoutRegardToCase) {
  UninstallData d;
  d.Set(L"InstTasks", L"Task", L"first");
  d.Set(L"InstTasks", L"Other", L"x");
  d.Set(L"InstTasks", L"TASK", L"second");
  d.Set(L"UninstTasks", L"Task", L"separate section");
  EXPECT_EQ(d.Bytes(),
            "\xEF\xBB\xBF\r\n[InstTasks]\r\nTask = second\r\nOther = x\r\n[UninstTasks]\r\nTask = separate section\r\n");
}

TEST(UninstallData, TextIsUtf8) {
  UninstallData d;
  d.Set(L"LocalizationUninstall", L"Key0", std::wstring(L"Best\u00E4tigen ") + wchar_t(0xB6));
  EXPECT_EQ(d.Bytes(), "\xEF\xBB\xBF\r\n[LocalizationUninstall]\r\nKey0 = Best\xC3\xA4tigen \xC2\xB6\r\n");
  EXPECT_EQ(UninstallData().Bytes(), "\xEF\xBB\xBF\r\n");
}
