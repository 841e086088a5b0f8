#include "install/install_record.h"

#include <gtest/gtest.h>

namespace {
const std::wstring P(1, wchar_t(0xB6));
}

// The stored lines of every kind, as an uninstaller of any build reads them.
TEST(InstallRecord, StoredLinesOfEveryKind) {
  const struct {
    Record record;
    std::wstring line;
  } cases[] = {
      {PathRecord(RecordKind::kLink, L"C:\\G\\App.lnk"), L"NORMALLINK" + P + L"C:\\G\\App.lnk"},
      {PathRecord(RecordKind::kCopy, L"C:\\W\\a.dll"), L"COPYFILE" + P + L"C:\\W\\a.dll"},
      {PathRecord(RecordKind::kFolder, L"C:\\P\\Data\\"), L"CREATEFOLDER" + P + L"C:\\P\\Data\\"},
      {PathRecord(RecordKind::kServer, L"C:\\P\\s.dll"), L"REGISTERSERVER" + P + L"C:\\P\\s.dll"},
      {AssociationRecord(L"App.exe", L"dmo"), L"ASSOCIATEEXTENSION" + P + L"App.exe" + P + L"dmo"},
      {ServiceRecord(L"DemoSvc"), L"INSTALLSERVICE" + P + L"DemoSvc"},
      {RegistryRecord(L"REGADDKEY" + P + L"HKLM" + P + P + P + L"Software\\D"),
       L"REGADDKEY" + P + L"HKLM" + P + P + P + L"Software\\D"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatRecord(c.record), c.line);
    EXPECT_EQ(ParseRecord(c.line).kind, c.record.kind);
  }
}

TEST(InstallRecord, RegistryLinesKeepTheirFields) {
  const Record r = ParseRecord(L"REGADDVALUE" + P + L"HKCU" + P + L"Ver" + P + L"1" + P + L"Software\\D" + P + L"REG_SZ");
  EXPECT_EQ(r.kind, RecordKind::kRegistryValue);
  EXPECT_EQ(r.root, L"HKCU");
  EXPECT_EQ(r.valueName, L"Ver");
  EXPECT_EQ(r.keyPath, L"Software\\D");
  EXPECT_TRUE(ParseRecord(L"REGADDKEY" + P + L"HKLM" + P + L"x" + P + P + L"K").valueName.empty());
}

TEST(InstallRecord, PathsComeBackWholeWhateverTheyHold) {
  const std::wstring path = L"\\\\srv\\share\\a" + P + L"b\\c d\\";
  EXPECT_EQ(ParseRecord(FormatRecord(PathRecord(RecordKind::kFolder, path))).path, path);
  const Record a = ParseRecord(FormatRecord(AssociationRecord(L"My" + P + L"App.exe", L"dmo")));
  EXPECT_EQ(a.programFile, L"My" + P + L"App.exe");
  EXPECT_EQ(a.extension, L"dmo");
  EXPECT_EQ(ParseRecord(L"INTERNETLINK" + P + L"C:\\W.url").kind, RecordKind::kLink);
  EXPECT_EQ(ParseRecord(L"createfolder" + P + L"C:\\x\\").kind, RecordKind::kUnknown);  // keywords are exact
  EXPECT_EQ(ParseRecord(L"").kind, RecordKind::kUnknown);
  EXPECT_EQ(FormatRecord(Record()), L"");
}
