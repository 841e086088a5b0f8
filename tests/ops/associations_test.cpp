// File associations on the real registry, under both layouts: layout A where
// GetVersion carries build bits 16 to 23 (Wine's default Windows and an
// emulated Windows 2000), layout B under an emulated Windows 98, whose
// GetVersion has none. Under Wine HKEY_CLASSES_ROOT is the machine's
// Software\Classes, so each layout's keys are checked under both names.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "install/shared/associations.h"
#include "install/registry_journal.h"
#include "tests/driver/support.h"

namespace {

const wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
const wchar_t kClasses[] = L"Software\\Classes\\";

std::wstring FileExts(const std::wstring& extension) { return kFileExts + (L"." + extension); }
std::wstring Classes(const std::wstring& below) { return kClasses + below; }

// A rollback puts an association's previous keys back (the extension's
// class with a key others added below it) after a writing and after a
// removal; the keys the run made go.
void ThePreviousKeysComeBack() {
  ASSERT_TRUE(drive::SetText(HKEY_CLASSES_ROOT, L".tarnopsc", L"", L"previous"));
  ASSERT_TRUE(drive::SetText(HKEY_CLASSES_ROOT, L".tarnopsc\\ShellNew", L"NullFile", L""));
  for (bool removal : {false, true}) {
    RegistryJournal journal;
    journal.BeforeAssociation(L"tarnopsc", L"opsc.exe");
    if (removal) RemoveAssociation(L"tarnopsc", L"opsc.exe");
    else AssociateExtension(L"tarnopsc", L"Ops C", L"C:\\App\\opsc.exe", L"C:\\App\\opsc.exe,0");
    ASSERT_NE(L"previous", drive::GetText(HKEY_CLASSES_ROOT, L".tarnopsc", L"")) << removal;
    journal.RollBackBeforeFiles();
    journal.RollBackAfterFiles();
    EXPECT_EQ(L"previous", drive::GetText(HKEY_CLASSES_ROOT, L".tarnopsc", L"")) << removal;
    EXPECT_TRUE(drive::ValueExists(HKEY_CLASSES_ROOT, L".tarnopsc\\ShellNew", L"NullFile")) << removal;
    EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"Applications\\opsc.exe")) << removal;
    EXPECT_FALSE(drive::KeyExists(HKEY_LOCAL_MACHINE, Classes(L"opsc.exe"))) << removal;
    EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"tarnopsc_auto_file")) << removal;
    EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, FileExts(L"tarnopsc"), L"Application")) << removal;
  }
}

// Every key the cases may write, removed before and after each case. The
// ".txt" class exists in a fresh machine: only its default value is written,
// so that value is put back instead.
class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    txtDefault_ = drive::GetText(HKEY_CLASSES_ROOT, L".txt", L"");
    txtFileExtsExisted_ = drive::KeyExists(HKEY_CURRENT_USER, FileExts(L"txt"));
    Clean();
  }
  void TearDown() override {
    Clean();
    if (!txtFileExtsExisted_) drive::DeleteKeyTree(HKEY_CURRENT_USER, FileExts(L"txt"));
    if (!drive::KeyExists(HKEY_CLASSES_ROOT, L".txt")) return;
    if (txtDefault_ == L"<missing>") drive::DeleteValue(HKEY_CLASSES_ROOT, L".txt", L"");
    else drive::SetText(HKEY_CLASSES_ROOT, L".txt", L"", txtDefault_);
  }

  static void Clean() {
    for (const wchar_t* program : {L"app.exe", L"opsa.exe", L"opsb.exe", L"opsc.exe", L"quoted.exe"}) {
      drive::DeleteKeyTree(HKEY_CLASSES_ROOT, std::wstring(L"Applications\\") + program);
      drive::DeleteKeyTree(HKEY_LOCAL_MACHINE, Classes(program));
    }
    for (const wchar_t* extension : {L"tarnopsa", L"tarnopsb", L"tarnopsc", L"tarnopsq", L"tarnopsnever"}) {
      drive::DeleteKeyTree(HKEY_CLASSES_ROOT, std::wstring(L".") + extension);
      drive::DeleteKeyTree(HKEY_CLASSES_ROOT, std::wstring(extension) + L"_auto_file");
      drive::DeleteKeyTree(HKEY_CURRENT_USER, FileExts(extension));
    }
    drive::DeleteKeyTree(HKEY_CLASSES_ROOT, L"txt_auto_file");
    drive::DeleteKeyTree(HKEY_CURRENT_USER, FileExts(L"txt") + L"\\OpenWithList");
    drive::DeleteValue(HKEY_CURRENT_USER, FileExts(L"txt"), L"Application");
  }

  static std::wstring Text(HKEY root, const std::wstring& path, const std::wstring& name = L"") {
    return drive::GetText(root, path, name);
  }

 private:
  std::wstring txtDefault_;
  bool txtFileExtsExisted_ = false;
};

TEST(ProgramFile, FilePartWithoutAClosingQuote) {
  EXPECT_EQ(L"app.exe", ProgramFileOf(L"C:\\App\\app.exe"));
  EXPECT_EQ(L"app.exe", ProgramFileOf(L"C:/App/app.exe"));
  EXPECT_EQ(L"app.exe", ProgramFileOf(L"\"C:\\Program Files\\App\\app.exe\""));
  EXPECT_EQ(L"app.exe", ProgramFileOf(L"\"C:\\App\\app.exe\" --flag"));
  EXPECT_EQ(L"app.exe", ProgramFileOf(L"app.exe"));
  EXPECT_EQ(L"", ProgramFileOf(L"C:\\App\\"));
}

// ---- Layout A -------------------------------------------------------------

TEST_F(AssociationTest, LayoutAWritesEveryRowOfTheTextExample) {
  ASSERT_NE(0u, drive::VersionBuildByte());
  EXPECT_EQ(1, AssociateExtension(L"txt", L"Text file", L"C:\\App\\app.exe", L"C:\\App\\app.exe,0"));
  EXPECT_EQ(L"\"C:\\App\\app.exe\" \"%1\"", Text(HKEY_CLASSES_ROOT, L"Applications\\app.exe\\shell\\open\\command"));
  EXPECT_EQ(L"txt_auto_file", Text(HKEY_CLASSES_ROOT, L".txt"));
  EXPECT_EQ(L"Text file", Text(HKEY_CLASSES_ROOT, L"txt_auto_file"));
  EXPECT_EQ(L"C:\\App\\app.exe,0", Text(HKEY_CLASSES_ROOT, L"txt_auto_file\\DefaultIcon"));
  EXPECT_EQ(L"app.exe", Text(HKEY_CURRENT_USER, FileExts(L"txt"), L"Application"));
  // Nothing of layout B.
  EXPECT_FALSE(drive::KeyExists(HKEY_LOCAL_MACHINE, Classes(L"app.exe")));
  EXPECT_FALSE(drive::ValueExists(HKEY_CLASSES_ROOT, L"Applications\\app.exe", L""));
}

TEST_F(AssociationTest, LayoutAWithoutProgramNameWritesOnlyTheCommandAndTheUsersChoice) {
  ASSERT_NE(0u, drive::VersionBuildByte());
  EXPECT_EQ(1, AssociateExtension(L"tarnopsa", L"", L"C:\\App\\opsa.exe", L"C:\\App\\opsa.exe,3"));
  EXPECT_EQ(L"\"C:\\App\\opsa.exe\" \"%1\"", Text(HKEY_CLASSES_ROOT, L"Applications\\opsa.exe\\shell\\open\\command"));
  EXPECT_EQ(L"opsa.exe", Text(HKEY_CURRENT_USER, FileExts(L"tarnopsa"), L"Application"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L".tarnopsa"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"tarnopsa_auto_file"));
}

TEST_F(AssociationTest, LayoutAWithoutIconWritesNoIconKey) {
  ASSERT_NE(0u, drive::VersionBuildByte());
  WriteAssociation(L"tarnopsb", L"Ops B", L"C:\\App\\opsb.exe", L"", L"opsb.exe", L"edit");
  EXPECT_EQ(L"Ops B", Text(HKEY_CLASSES_ROOT, L"tarnopsb_auto_file"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"tarnopsb_auto_file\\DefaultIcon"));
  EXPECT_EQ(L"\"C:\\App\\opsb.exe\" \"%1\"", Text(HKEY_CLASSES_ROOT, L"Applications\\opsb.exe\\shell\\edit\\command"));
}

TEST_F(AssociationTest, LayoutAQuotedProgramPath) {
  ASSERT_NE(0u, drive::VersionBuildByte());
  const std::wstring path = L"\"C:\\Program Files\\Ops\\quoted.exe\"";
  EXPECT_EQ(1, AssociateExtension(L"tarnopsq", L"Quoted", path, path + L",0"));
  // The path goes into the command as it stands, between the command's own quotes.
  EXPECT_EQ(L"\"" + path + L"\" \"%1\"", Text(HKEY_CLASSES_ROOT, L"Applications\\quoted.exe\\shell\\open\\command"));
  EXPECT_EQ(L"quoted.exe", Text(HKEY_CURRENT_USER, FileExts(L"tarnopsq"), L"Application"));
}

TEST_F(AssociationTest, LayoutARemovesExactlyTheListedKeys) {
  ASSERT_NE(0u, drive::VersionBuildByte());
  AssociateExtension(L"tarnopsb", L"Ops B", L"C:\\App\\opsb.exe", L"C:\\App\\opsb.exe,0");
  AssociateExtension(L"tarnopsc", L"Ops C", L"C:\\App\\opsc.exe", L"C:\\App\\opsc.exe,0");
  // Keys that others added below the removed ones go with them.
  ASSERT_TRUE(drive::SetText(HKEY_CLASSES_ROOT, L".tarnopsb\\ShellNew", L"NullFile", L""));
  ASSERT_TRUE(drive::SetText(HKEY_CURRENT_USER, FileExts(L"tarnopsb") + L"\\OpenWithList", L"a", L"x"));

  EXPECT_EQ(0, RemoveAssociation(L"tarnopsnever", L"tarnopsnever.exe"));
  EXPECT_EQ(0, RemoveAssociation(L"tarnopsb", L"opsb.exe"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"Applications\\opsb.exe"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L".tarnopsb"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"tarnopsb_auto_file"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CURRENT_USER, FileExts(L"tarnopsb")));
  // The other association and the shared parents stay.
  EXPECT_EQ(L"\"C:\\App\\opsc.exe\" \"%1\"", Text(HKEY_CLASSES_ROOT, L"Applications\\opsc.exe\\shell\\open\\command"));
  EXPECT_EQ(L"tarnopsc_auto_file", Text(HKEY_CLASSES_ROOT, L".tarnopsc"));
  EXPECT_EQ(L"C:\\App\\opsc.exe,0", Text(HKEY_CLASSES_ROOT, L"tarnopsc_auto_file\\DefaultIcon"));
  EXPECT_EQ(L"opsc.exe", Text(HKEY_CURRENT_USER, FileExts(L"tarnopsc"), L"Application"));
  EXPECT_TRUE(drive::KeyExists(HKEY_CLASSES_ROOT, L"Applications"));
  EXPECT_TRUE(drive::KeyExists(HKEY_CLASSES_ROOT, L".txt"));
}

TEST_F(AssociationTest, LayoutARollbackPutsThePreviousKeysBack) {
  ASSERT_NE(0u, drive::VersionBuildByte());
  ThePreviousKeysComeBack();
}

TEST(Associations, LayoutAUnderWindows2000) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows 2000 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"win2k", L"AssociationTest.LayoutA*"));
}

// ---- Layout B (run under an emulated Windows 98) ---------------------------

TEST_F(AssociationTest, DISABLED_LayoutBWritesEveryRowOfTheTextExample) {
  ASSERT_EQ(0u, drive::VersionBuildByte());
  EXPECT_EQ(1, AssociateExtension(L"txt", L"Text file", L"C:\\App\\app.exe", L"C:\\App\\app.exe,0"));
  EXPECT_EQ(L"app.exe", Text(HKEY_LOCAL_MACHINE, Classes(L".txt")));
  EXPECT_EQ(L"Text file", Text(HKEY_LOCAL_MACHINE, Classes(L"app.exe")));
  EXPECT_EQ(L"C:\\App\\app.exe,0", Text(HKEY_LOCAL_MACHINE, Classes(L"app.exe\\DefaultIcon")));
  EXPECT_EQ(L"\"C:\\App\\app.exe\" \"%1\"", Text(HKEY_LOCAL_MACHINE, Classes(L"app.exe\\shell\\open\\command")));
  // Nothing of layout A.
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"Applications\\app.exe"));
  EXPECT_FALSE(drive::KeyExists(HKEY_CLASSES_ROOT, L"txt_auto_file"));
  EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, FileExts(L"txt"), L"Application"));
}

TEST_F(AssociationTest, DISABLED_LayoutBWithoutProgramNameStillWritesExtensionIconAndCommand) {
  ASSERT_EQ(0u, drive::VersionBuildByte());
  EXPECT_EQ(1, AssociateExtension(L"tarnopsa", L"", L"C:\\App\\opsa.exe", L"C:\\App\\opsa.exe,3"));
  EXPECT_EQ(L"opsa.exe", Text(HKEY_LOCAL_MACHINE, Classes(L".tarnopsa")));
  EXPECT_FALSE(drive::ValueExists(HKEY_LOCAL_MACHINE, Classes(L"opsa.exe"), L""));
  EXPECT_EQ(L"C:\\App\\opsa.exe,3", Text(HKEY_LOCAL_MACHINE, Classes(L"opsa.exe\\DefaultIcon")));
  EXPECT_EQ(L"\"C:\\App\\opsa.exe\" \"%1\"", Text(HKEY_LOCAL_MACHINE, Classes(L"opsa.exe\\shell\\open\\command")));
  EXPECT_FALSE(drive::KeyExists(HKEY_CURRENT_USER, FileExts(L"tarnopsa")));
}

TEST_F(AssociationTest, DISABLED_LayoutBQuotedProgramPath) {
  ASSERT_EQ(0u, drive::VersionBuildByte());
  const std::wstring path = L"\"C:\\Program Files\\Ops\\quoted.exe\"";
  EXPECT_EQ(1, AssociateExtension(L"tarnopsq", L"Quoted", path, path + L",0"));
  EXPECT_EQ(L"quoted.exe", Text(HKEY_LOCAL_MACHINE, Classes(L".tarnopsq")));
  EXPECT_EQ(L"Quoted", Text(HKEY_LOCAL_MACHINE, Classes(L"quoted.exe")));
}

TEST_F(AssociationTest, DISABLED_LayoutBRemovesExactlyTheListedKeys) {
  ASSERT_EQ(0u, drive::VersionBuildByte());
  AssociateExtension(L"tarnopsb", L"Ops B", L"C:\\App\\opsb.exe", L"C:\\App\\opsb.exe,0");
  AssociateExtension(L"tarnopsc", L"Ops C", L"C:\\App\\opsc.exe", L"C:\\App\\opsc.exe,0");
  EXPECT_EQ(0, RemoveAssociation(L"tarnopsnever", L"tarnopsnever.exe"));
  EXPECT_EQ(0, RemoveAssociation(L"tarnopsb", L"opsb.exe"));
  EXPECT_FALSE(drive::KeyExists(HKEY_LOCAL_MACHINE, Classes(L".tarnopsb")));
  EXPECT_FALSE(drive::KeyExists(HKEY_LOCAL_MACHINE, Classes(L"opsb.exe")));
  EXPECT_EQ(L"opsc.exe", Text(HKEY_LOCAL_MACHINE, Classes(L".tarnopsc")));
  EXPECT_EQ(L"\"C:\\App\\opsc.exe\" \"%1\"", Text(HKEY_LOCAL_MACHINE, Classes(L"opsc.exe\\shell\\open\\command")));
  EXPECT_TRUE(drive::KeyExists(HKEY_LOCAL_MACHINE, Classes(L".txt")));
}

TEST_F(AssociationTest, DISABLED_LayoutBRollbackPutsThePreviousKeysBack) {
  ASSERT_EQ(0u, drive::VersionBuildByte());
  ThePreviousKeysComeBack();
}

TEST(Associations, LayoutBUnderWindows98) {
  if (drive::kIs64Bit) GTEST_SKIP() << "i686 only: Windows 98 runs no 64-bit programs";
  EXPECT_TRUE(drive::RunEmulated(L"win98", L"AssociationTest.DISABLED_LayoutB*"));
}

}  // namespace
