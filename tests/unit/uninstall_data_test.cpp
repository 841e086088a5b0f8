#include "install/uninstall_data.h"

#include <gtest/gtest.h>

#include <set>

#include "common/text.h"
#include "install/upgrade_rules.h"

namespace {

const wchar_t P = 0xB6;  // the pilcrow
std::wstring Line(std::initializer_list<std::wstring> fields) {
  std::wstring line;
  for (const std::wstring& f : fields) line += (line.empty() ? L"" : std::wstring(1, P)) + f;
  return line;
}

}  // namespace

TEST(UninstallData, SectionsInOrderOnlyWithEntries) {
  UninstallContents c;
  c.appName = L"Demo";
  c.installPath = L"C:\\P\\";
  c.files = {L"C:\\P\\a.exe"};
  EXPECT_EQ(UninstallDataBytes(c),
            "\xEF\xBB\xBF\r\n[uConfig]\r\nAppName = Demo\r\nInstallPath = C:\\P\\\r\nRebootRequired = 0\r\n"
            "SkipExtString = \r\nInstallPathCreated = 0\r\n[Files]\r\nCopyFile0 = C:\\P\\a.exe\r\n");
}

TEST(UninstallData, TextsReplaceButTasksKeepEveryEntryUnderAKeyOfItsOwn) {
  UninstallContents c;
  c.texts = {{L"Key0", L"first"}, {L"KEY0", L"second"}, {L"Key1", std::wstring(L"Best\u00E4tigen ") + P}};
  c.installRecord = {{L"Reg", PathRecord(RecordKind::kFolder, L"C:\\a\\")},
                     {L"reg", PathRecord(RecordKind::kFolder, L"C:\\b\\")},
                     {L"Reg#2", PathRecord(RecordKind::kFolder, L"C:\\c\\")}};
  c.uninstallTasks = {{L"Run", L"RUN\u00B61"}, {L"RUN", L"RUN\u00B62"}};
  const std::string bytes = UninstallDataBytes(c);
  EXPECT_NE(bytes.find("[LocalizationUninstall]\r\nKey0 = second\r\nKey1 = Best\xC3\xA4tigen \xC2\xB6\r\n[uConfig]"),
            std::string::npos);
  EXPECT_NE(bytes.find("[InstTasks]\r\nReg = CREATEFOLDER\xC2\xB6" "C:\\a\\\r\nreg#2 = CREATEFOLDER\xC2\xB6" "C:\\b\\\r\n"
                       "Reg#2#2 = CREATEFOLDER\xC2\xB6" "C:\\c\\\r\n[UninstTasks]\r\nRun = RUN\xC2\xB6" "1\r\n"
                       "RUN#2 = RUN\xC2\xB6" "2\r\n"),
            std::string::npos)
      << bytes;
  // Read back: both tasks of each section, in order.
  const UninstallContents back = ReadUninstallContents(bytes);
  ASSERT_EQ(back.installRecord.size(), 3u);
  EXPECT_EQ(back.installRecord[1].record.path, L"C:\\b\\");
  ASSERT_EQ(back.uninstallTasks.size(), 2u);
  EXPECT_EQ(back.uninstallTasks[1].line, std::wstring(L"RUN") + P + L"2");
}

// Every kind of record, with paths of every odd sort, comes back as it went in.
TEST(UninstallData, EveryRecordKindAndOddPathsRoundTrip) {
  const std::wstring odd[] = {
      L"C:\\Program Files\\Demo App\\",          // blanks
      L"\\\\server\\share\\Demo\\",               // a network path
      L"C:\\Programme\\D\u00E9mo \u6F22\u5B57\\",  // beyond ASCII
      std::wstring(L"C:\\Docs") + P + L"2\\",     // the field separator inside
      L"C:\\x\\\xD83D\xDE00.txt",                   // a character outside the basic plane (UTF-16)
  };
  UninstallContents c;
  c.appName = L"Demo \u00C4pp";
  c.installPath = odd[1];
  c.rebootRequired = 1;
  c.skipExtensions = L"ini, CFG";
  c.installPathCreated = true;
  int n = 0;
  for (const std::wstring& path : odd) {
    const std::wstring name = L"T" + std::to_wstring(n++);
    c.installRecord.push_back({name + L"l", PathRecord(RecordKind::kLink, path + L"App.lnk")});
    c.installRecord.push_back({name + L"c", PathRecord(RecordKind::kCopy, path + L"a.dll")});
    c.installRecord.push_back({name + L"f", PathRecord(RecordKind::kFolder, path)});
    c.installRecord.push_back({name + L"s", PathRecord(RecordKind::kServer, path + L"s.dll")});
    c.installRecord.push_back({name + L"a", AssociationRecord(path + L"App.exe", L"dmo")});
    c.files.push_back(path + L"App.exe");
  }
  c.installRecord.push_back({L"Svc", ServiceRecord(L"Demo Service")});
  c.installRecord.push_back({L"Val", RegistryRecord(Line({L"REGADDVALUE", L"HKLM", L"Ver", L"$10", L"Software\\Demo", L"REG_DWORD"}))});
  c.installRecord.push_back({L"Key", RegistryRecord(Line({L"REGADDKEY", L"HKCU", L"", L"", L"Software\\Demo\\Sub"}))});

  const UninstallContents back = ReadUninstallContents(UninstallDataBytes(c));
  EXPECT_EQ(back.appName, c.appName);
  EXPECT_EQ(back.installPath, c.installPath);
  EXPECT_EQ(back.rebootRequired, 1);
  EXPECT_EQ(back.skipExtensions, c.skipExtensions);
  EXPECT_TRUE(back.installPathCreated);
  EXPECT_EQ(back.files, c.files);
  ASSERT_EQ(back.installRecord.size(), c.installRecord.size());
  for (size_t i = 0; i < c.installRecord.size(); ++i) {
    const Record& in = c.installRecord[i].record;
    const Record& out = back.installRecord[i].record;
    SCOPED_TRACE(i);
    EXPECT_EQ(back.installRecord[i].name, c.installRecord[i].name);
    EXPECT_EQ(out.kind, in.kind);
    EXPECT_EQ(out.path, in.path);
    EXPECT_EQ(out.programFile, in.programFile);
    EXPECT_EQ(out.extension, in.extension);
    EXPECT_EQ(out.service, in.service);
    EXPECT_EQ(out.root, in.root);
    EXPECT_EQ(out.keyPath, in.keyPath);
    EXPECT_EQ(out.valueName, in.valueName);
  }
}

TEST(UninstallData, AFileOfAnOlderBuildIsReadAsWritten) {
  const std::string older =
      "\xEF\xBB\xBF\r\n[LocalizationUninstall]\r\nKey0 = Please confirm\r\n[uConfig]\r\nAppName = Demo\r\n"
      "InstallPath = C:\\P\\\r\nRebootRequired = 0\r\nSkipExtString = \r\n[InstTasks]\r\n"
      "AutoStartMenuGroup = CREATEFOLDER\xC2\xB6" "C:\\G\\\r\nWeb = INTERNETLINK\xC2\xB6" "C:\\G\\W.url\r\n"
      "Odd = NOSUCHKIND\xC2\xB6x\r\n[Files]\r\nCopyFile0 = C:\\P\\a.exe\r\n";
  const UninstallContents c = ReadUninstallContents(older);
  EXPECT_FALSE(c.installPathCreated);
  ASSERT_EQ(c.installRecord.size(), 3u);
  EXPECT_EQ(c.installRecord[0].record.kind, RecordKind::kFolder);
  EXPECT_EQ(c.installRecord[1].record.kind, RecordKind::kLink);
  EXPECT_EQ(c.installRecord[1].record.path, L"C:\\G\\W.url");
  EXPECT_EQ(c.installRecord[2].record.kind, RecordKind::kUnknown);
  EXPECT_EQ(c.texts.size(), 1u);
}

namespace {

// The keys the writer gives [UninstTasks], as the first-come rule defines
// them: the name, else the name and "#2", "#3"... whichever is free first,
// without regard to case.
std::vector<std::wstring> ExpectedKeys(const std::vector<TaskEntry>& entries) {
  std::vector<std::wstring> keys;
  std::set<std::wstring> taken;
  for (const TaskEntry& e : entries) {
    std::wstring key = e.name;
    for (unsigned n = 2; !taken.insert(text::Lower(key)).second; ++n) key = e.name + L"#" + std::to_wstring(n);
    keys.push_back(key);
  }
  return keys;
}

std::vector<std::wstring> WrittenKeys(const std::vector<TaskEntry>& entries) {
  UninstallContents c;
  c.uninstallTasks = entries;
  std::vector<std::wstring> keys;
  for (const TaskEntry& e : ReadUninstallContents(UninstallDataBytes(c)).uninstallTasks) keys.push_back(e.name);
  return keys;
}

}  // namespace

// Names that repeat, in any case, and names that look like the keys given
// to repeats: every key as the first-come rule gives it.
TEST(UninstallData, KeysOfRepeatedNamesFollowTheFirstComeRule) {
  const std::wstring names[] = {L"Run", L"run", L"RUN#2", L"run#3", L"Run#2#2", L"\u00C4", L"\u00E4", L"x", L"Run#10"};
  uint32_t state = 12345;
  for (int round = 0; round < 200; ++round) {
    std::vector<TaskEntry> entries;
    const int count = 1 + round % 40;
    for (int i = 0; i < count; ++i) {
      state = state * 1103515245u + 12345u;
      entries.push_back({names[(state >> 16) % 9], L"RUN\u00B6" + std::to_wstring(i)});
    }
    SCOPED_TRACE(round);
    ASSERT_EQ(WrittenKeys(entries), ExpectedKeys(entries));
  }
}

// 200,000 entries of one name, and as many files: written in time linear
// in their number, and the same bytes when the files are told one by one.
TEST(UninstallData, ManyEntriesOfOneNameAndManyFiles) {
  UninstallContents c;
  c.uninstallTasks.assign(200000, {L"Run", L"RUN\u00B61"});
  for (int i = 0; i < 200000; ++i) c.files.push_back(L"C:\\P\\f\u00E4" + std::to_wstring(i));
  const std::string bytes = UninstallDataBytes(c);
  struct Collect : ByteSink {
    void Put(const std::string& piece) override { all += piece; }
    std::string all;
  } streamed;
  UninstallContents head = c;
  head.files.clear();
  UninstallDataWriter w(&streamed);
  w.Begin(head);
  for (const std::wstring& f : c.files) w.File(f);
  w.End();
  EXPECT_TRUE(streamed.all == bytes);
  const UninstallContents back = ReadUninstallContents(bytes);
  ASSERT_EQ(back.uninstallTasks.size(), 200000u);
  EXPECT_EQ(back.uninstallTasks[0].name, L"Run");
  EXPECT_EQ(back.uninstallTasks[1].name, L"Run#2");
  EXPECT_EQ(back.uninstallTasks[199999].name, L"Run#200000");
  EXPECT_EQ(back.files, c.files);
}

TEST(UninstallData, VersionsCompareAsDottedNumbers) {
  const struct { const wchar_t *a, *b; int order; } rows[] = {
      {L"1.0", L"2.0", -1}, {L"1.10", L"1.9", 1}, {L"2", L"2.0.0", 0},   {L"1.2.3", L"1.2", 1},  {L"", L"0", 0},
      {L"10", L"9", 1},     {L"1.0b", L"1.0", 0}, {L" 3.1 ", L"3.01", 0}, {L"1.2", L"1.2.1", -1}};
  for (const auto& r : rows) EXPECT_EQ(CompareVersions(r.a, r.b), r.order) << text::ToUtf8(r.a) << text::ToUtf8(r.b);
}

// Records compare by their stored lines: the same folder in another case is
// one, a value with other data is another.
TEST(UninstallData, AnEarlierInstallationMergesWithoutDuplicatesBeforeTheNewRecord) {
  auto value = [](const wchar_t* data) {
    return RegistryRecord(Line({L"REGADDVALUE", L"HKCU", L"V", data, L"Software\\D", L"REG_SZ"}));
  };
  UninstallContents earlier, now;
  earlier.installPath = L"C:\\P\\";
  earlier.installPathCreated = true;
  earlier.files = {L"C:\\P\\a.exe", L"C:\\P\\b.txt"};
  earlier.installRecord = {{L"Key", value(L"1")}, {L"Folder", PathRecord(RecordKind::kFolder, L"C:\\P\\Data\\")}};
  now.installPath = L"c:\\p";
  now.files = {L"C:\\P\\A.EXE", L"C:\\P\\c.txt"};
  now.installRecord = {{L"Folder", PathRecord(RecordKind::kFolder, L"c:\\p\\data\\")}, {L"Key", value(L"2")}};
  UninstallContents same = now;
  MergeEarlierContents(&same, earlier);
  EXPECT_EQ(same.files, (std::vector<std::wstring>{L"C:\\P\\b.txt", L"C:\\P\\A.EXE", L"C:\\P\\c.txt"}));
  // The same earlier files left when this run's are told one by one.
  EarlierFiles left(earlier.files);
  for (const std::wstring& f : now.files) left.Listed(f);
  EXPECT_EQ(left.Left(), std::vector<std::wstring>{L"C:\\P\\b.txt"});
  ASSERT_EQ(same.installRecord.size(), 3u);  // the earlier value's record, then this run's two
  EXPECT_EQ(same.installRecord[0].record.taskLine, value(L"1").taskLine);
  EXPECT_EQ(same.installRecord[1].record.path, L"c:\\p\\data\\");
  EXPECT_TRUE(same.installPathCreated);
}
