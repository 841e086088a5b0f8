// ZIP extraction on a real Windows file system (under Wine): what lands
// where, with which time and attributes, what is refused, and what the
// progress callback hears.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "package/extract.h"
#include "tests/driver/support.h"
#include "tests/win/zip_fixture.h"

namespace {

struct Call {
  std::wstring name;
  float percent;
};
std::vector<Call> g_calls;

int Record(void*, const std::wstring& name, float percent) {
  g_calls.push_back({name, percent});
  return 0;
}

// Stops the extraction at the second entry.
int StopAtSecond(void*, const std::wstring& name, float percent) {
  g_calls.push_back({name, percent});
  return g_calls.size() >= 2 ? 1 : 0;
}

class Extract : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = L"C:\\extracttest";
    drive::RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
    archive_ = root_ + L"\\a.zip";
    dest_ = root_ + L"\\out\\";
    g_calls.clear();
  }
  void TearDown() override {
    drive::RemoveTree(root_);
    DeleteFileW(L"C:\\escaped2.txt");  // where a name that climbs out too far would land
  }
  int Run(const std::vector<ZipItem>& items, const std::wstring& pattern = L"*.*", int keep = 1,
          ExtractionCallback callback = Record) {
    EXPECT_TRUE(MakeZip(archive_, items));
    return ExtractArchive(archive_, pattern, dest_, keep, callback);
  }

  std::wstring root_, archive_, dest_;
};

ZipItem File(const std::string& name, const std::string& data) {
  ZipItem z;
  z.name = name;
  z.data = data;
  return z;
}

ZipItem Folder(const std::string& name) {
  ZipItem z;
  z.name = name;
  z.attributes = 0x10;
  return z;
}

TEST_F(Extract, FilesWithoutExtensionFoldersAndNestedFolders) {
  int n = Run({Folder("docs/"), File("LICENSE", "text"), File("sub/dir/file.txt", "deep"), File("empty.dat", "")});
  EXPECT_EQ(n, 3);
  EXPECT_TRUE(drive::FolderExists(dest_ + L"docs"));
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"LICENSE"), "text");
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"sub\\dir\\file.txt"), "deep");
  EXPECT_TRUE(drive::FileExists(dest_ + L"empty.dat"));
}

TEST_F(Extract, FolderOnlyArchiveCreatesFoldersAndReturnsZero) {
  EXPECT_EQ(Run({Folder("a/"), Folder("a/b/"), Folder("c/")}), 0);
  EXPECT_TRUE(drive::FolderExists(dest_ + L"a\\b"));
  EXPECT_TRUE(drive::FolderExists(dest_ + L"c"));
}

TEST_F(Extract, DrivePartOfANameIsDropped) {
  EXPECT_EQ(Run({File("C:\\x\\y.txt", "drive")}), 1);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"x\\y.txt"), "drive");
}

TEST_F(Extract, ReadOnlyExistingTargetIsSkippedAndTheRestExtracted) {
  CreateDirectoryW(dest_.c_str(), nullptr);
  HANDLE f = CreateFileW((dest_ + L"locked.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_READONLY, nullptr);
  DWORD w;
  WriteFile(f, "old", 3, &w, nullptr);
  CloseHandle(f);
  EXPECT_EQ(Run({File("a.txt", "A"), File("locked.txt", "new"), File("b.txt", "B")}), 2);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"locked.txt"), "old");
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"b.txt"), "B");
  // The file the run could not write is not reported as its own.
  ASSERT_EQ(g_calls.size(), 4u);
  EXPECT_EQ(g_calls[1].name, L"");
  EXPECT_EQ(g_calls[2].name, L"b.txt");
}

// A time field in UTC wins over the DOS time, to the second: 2021-06-07
// 14:37:53 UTC after a field of another kind. One cut short is not read.
TEST_F(Extract, LastWriteTimeHasSecondsZeroAndAttributesAreKept) {
  ZipItem item = File("stamp.txt", "t"), utc = File("utc.txt", "u"), cut = File("cut.txt", "c");
  item.dosTime = 0x52C774BA;  // 2021-06-07 14:37:52
  item.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  utc.extra = std::string("\x0A\x00\x00\x00UT\x05\x00\x01\x41\x2F\xBE\x60", 13);
  cut.extra = std::string("UT\x05\x00\x01\x41\x2F\xBE", 8);
  cut.dosTime = item.dosTime;
  EXPECT_EQ(Run({item, utc, cut}), 3);
  for (const wchar_t* name : {L"utc.txt", L"cut.txt"}) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW((dest_ + name).c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME st;
    FILETIME local;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToSystemTime(name == std::wstring(L"utc.txt") ? &data.ftLastWriteTime : &local, &st);
    EXPECT_EQ(st.wDay * 1000000 + st.wHour * 10000 + st.wMinute * 100 + st.wSecond,
              name == std::wstring(L"utc.txt") ? 7143753 : 7143700);
  }
  std::wstring path = dest_ + L"stamp.txt";
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  FILETIME local;
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &st);
  EXPECT_EQ(st.wYear, 2021);
  EXPECT_EQ(st.wMonth, 6);
  EXPECT_EQ(st.wDay, 7);
  EXPECT_EQ(st.wHour, 14);
  EXPECT_EQ(st.wMinute, 37);
  EXPECT_EQ(st.wSecond, 0);
}

TEST_F(Extract, Utf8NamesWithTheFlagAndOemNamesWithout) {
  ZipItem utf8 = File("Gr\xC3\xBC\xC3\x9F" "e/\xE6\x97\xA5\xE6\x9C\xAC.txt", "u");
  utf8.utf8Flag = true;
  ZipItem oem = File("M\x81nchen.txt", "o");  // 0x81 is u-umlaut in code page 437
  EXPECT_EQ(Run({utf8, oem}), 2);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"Gr\u00FC\u00DFe\\\u65E5\u672C.txt"), "u");
  UINT oemPage = GetOEMCP();
  if (oemPage == 437 || oemPage == 850) {
    EXPECT_EQ(drive::ReadFileBytes(dest_ + L"M\u00FCnchen.txt"), "o");
  }
}

TEST_F(Extract, NamesThatClimbOutAreRefused) {
  int n = Run({File("../escaped.txt", "x"), File("a/../../escaped2.txt", "x"), File("ok.txt", "fine")});
  EXPECT_EQ(n, 1);
  EXPECT_FALSE(drive::FileExists(root_ + L"\\escaped.txt"));
  EXPECT_FALSE(drive::FileExists(root_ + L"\\escaped2.txt"));
  EXPECT_FALSE(drive::FileExists(L"C:\\escaped2.txt"));
  EXPECT_EQ(g_calls[0].name, L"");
  EXPECT_EQ(g_calls[1].name, L"");
}

TEST_F(Extract, ProgressHearsEveryEntryThenAHundred) {
  Run({File("a.txt", "1"), File("b.bin", "2"), Folder("f/"), File("c.txt", "3")}, L"*.txt");
  ASSERT_EQ(g_calls.size(), 5u);  // T + 1
  EXPECT_EQ(g_calls[0].name, L"a.txt");
  EXPECT_FLOAT_EQ(g_calls[0].percent, 25.0f);
  EXPECT_EQ(g_calls[1].name, L"");  // not taken by the pattern
  EXPECT_EQ(g_calls[2].name, L"f\\");  // folder entries are taken whatever the pattern
  EXPECT_EQ(g_calls[3].name, L"c.txt");
  EXPECT_FLOAT_EQ(g_calls[3].percent, 100.0f);
  EXPECT_EQ(g_calls[4].name, L"");
  EXPECT_FLOAT_EQ(g_calls[4].percent, 100.0f);
  EXPECT_FALSE(drive::FileExists(dest_ + L"b.bin"));
}

TEST_F(Extract, ACallbackCanStopTheWalk) {
  EXPECT_EQ(Run({File("a.txt", "1"), File("b.txt", "2"), File("c.txt", "3")}, L"*.*", 1, StopAtSecond), 2);
  EXPECT_EQ(g_calls.size(), 2u);  // no later entry, no final call
  EXPECT_FALSE(drive::FileExists(dest_ + L"c.txt"));
  // The archive is closed again: it can be deleted at once.
  EXPECT_TRUE(DeleteFileW(archive_.c_str()));
}

TEST_F(Extract, DataThatFailsItsChecksumIsNotCounted) {
  ZipItem item = File("bad.txt", "HELLO WORLD");
  item.stored = true;
  item.attributes = FILE_ATTRIBUTE_READONLY;
  ASSERT_TRUE(MakeZip(archive_, {item, File("good.txt", "fine")}));
  // Change one byte of the stored data.
  std::string bytes = drive::ReadFileBytes(archive_);
  size_t at = bytes.find("HELLO WORLD");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'J';
  drive::WriteFileBytes(archive_, bytes);
  EXPECT_EQ(ExtractArchive(archive_, L"*.*", dest_, 1, Record), 1);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"good.txt"), "fine");
  DWORD attributes = GetFileAttributesW((dest_ + L"bad.txt").c_str());
  EXPECT_FALSE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY));
}

TEST_F(Extract, WithoutKeepFoldersEveryFileLandsInTheDestination) {
  EXPECT_EQ(Run({File("a/b/one.txt", "1"), Folder("a/"), File("two.txt", "2")}, L"*.*", 0), 2);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"one.txt"), "1");
  EXPECT_FALSE(drive::FolderExists(dest_ + L"a"));
}

TEST_F(Extract, AnArchiveThatCannotBeOpenedTouchesNothing) {
  drive::WriteFileBytes(archive_, "not a zip archive at all");
  EXPECT_EQ(ExtractArchive(archive_, L"*.*", dest_, 1, Record), 0);
  EXPECT_EQ(ExtractArchive(root_ + L"\\missing.zip", L"*.*", dest_, 1, Record), 0);
  EXPECT_FALSE(drive::FolderExists(dest_));
  EXPECT_TRUE(g_calls.empty());
}

}  // namespace
