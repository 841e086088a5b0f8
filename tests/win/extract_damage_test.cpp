// Damaged and hostile archives: what is not written whole counts as a
// failure, the walk can stop at the first one, names are never cut or
// allowed to name a device, only the DOS attributes are applied; a journal
// notes what was made and keeps replaced files aside, in a file as it grows;
// the folders written into cannot be swapped for links meanwhile.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/handles.h"
#include "common/journal.h"
#include "common/record_list.h"
#include "package/extract.h"
#include "tests/driver/support.h"
#include "tests/win/zip_fixture.h"

namespace {

ZipItem File(const std::string& name, const std::string& data, bool stored = false) {
  ZipItem z;
  z.name = name;
  z.data = data;
  z.stored = stored;
  return z;
}

void Put16(std::string* s, size_t at, uint16_t v) {
  (*s)[at] = static_cast<char>(v & 0xFF);
  (*s)[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
// The calls that ask the system about a path, or read the archive, counted
// on their way to it.
int g_diskCalls = 0;
template <typename F>
F Counted(const char* name) {
  ++g_diskCalls;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}
DWORD WINAPI Attributes(LPCWSTR p) { return Counted<decltype(&Attributes)>("GetFileAttributesW")(p); }
BOOL WINAPI AttributesEx(LPCWSTR p, GET_FILEEX_INFO_LEVELS l, LPVOID d) {
  return Counted<decltype(&AttributesEx)>("GetFileAttributesExW")(p, l, d);
}
BOOL WINAPI SetAttributes(LPCWSTR p, DWORD a) { return Counted<decltype(&SetAttributes)>("SetFileAttributesW")(p, a); }
HANDLE WINAPI Create(LPCWSTR p, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c, DWORD f, HANDLE t) {
  return Counted<decltype(&Create)>("CreateFileW")(p, a, s, sa, c, f, t);
}
BOOL WINAPI Folder(LPCWSTR p, LPSECURITY_ATTRIBUTES sa) {
  return Counted<decltype(&Folder)>("CreateDirectoryW")(p, sa);
}
BOOL WINAPI Read(HANDLE h, LPVOID b, DWORD n, LPDWORD got, LPOVERLAPPED o) {
  return Counted<decltype(&Read)>("ReadFile")(h, b, n, got, o);
}

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

class ExtractDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = L"C:\\extractdamage";
    drive::RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
    archive_ = root_ + L"\\a.zip";
    dest_ = root_ + L"\\out\\";
  }
  void TearDown() override { drive::RemoveTree(root_); }

  // Writes the archive, lets `patch` change its bytes, and extracts it.
  template <typename Patch>
  ExtractResult Run(const std::vector<ZipItem>& items, Patch patch, bool stop = false) {
    EXPECT_TRUE(MakeZip(archive_, items));
    std::string bytes = drive::ReadFileBytes(archive_);
    patch(&bytes);
    drive::WriteFileBytes(archive_, bytes);
    ExtractOptions o;
    o.journal = &journal_;
    o.stopAtFailure = stop;
    o.byteLimit = limit_;
    return ExtractArchiveWith(archive_, dest_, o);
  }
  ExtractResult Run(const std::vector<ZipItem>& items, bool stop = false) {
    return Run(items, [](std::string*) {}, stop);
  }

  std::wstring root_, archive_, dest_;
  FileJournal journal_;
  unsigned long long limit_ = kNoByteLimit;
};

}  // namespace

TEST_F(ExtractDamage, StoredDataShorterThanItsRecordIsAFailureNotAFile) {
  // The record of the first entry states ten bytes more than are stored.
  ExtractResult r = Run({File("short.txt", "0123456789", true), File("next.txt", "fine")}, [](std::string* zip) {
    const size_t central = zip->find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    Put32(zip, 22, Get32(*zip, 22) + 10);            // the local header's size
    Put32(zip, central + 24, Get32(*zip, central + 24) + 10);  // the directory's
  });
  EXPECT_TRUE(r.opened);
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(r.written, 1);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"next.txt"), "fine");
}

TEST_F(ExtractDamage, DamagedDataFailsAndStopsTheWalkWhenAsked) {
  // A flipped byte in the deflated data of the first entry.
  ExtractResult r = Run(
      {File("a.txt", std::string(4000, 'a')), File("b.txt", "second")},
      [](std::string* zip) { (*zip)[30 + 5 + 10] ^= 0x55; }, true);
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(r.written, 0);
  EXPECT_FALSE(drive::FileExists(dest_ + L"b.txt")) << "the walk went on after the failure";
  // What the walk made is in the journal, and goes with it.
  journal_.RollBack();
  EXPECT_FALSE(drive::FolderExists(dest_));
}

// minizip reads beyond the end of a file as zeros: an end record cut short
// would open as an archive without entries, and nothing would be unpacked
// without a failure.
TEST_F(ExtractDamage, AnArchiveWhoseEndRecordIsCutShortIsNotOpened) {
  for (size_t cut = 1; cut <= 18; ++cut) {
    SCOPED_TRACE(cut);
    ExtractResult r = Run({File("a.txt", "first"), File("b.txt", "second")},
                          [cut](std::string* zip) { zip->resize(zip->size() - cut); });
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.written, 0);
    EXPECT_FALSE(drive::FolderExists(dest_));
  }
  // Whole, it opens.
  ExtractResult r = Run({File("a.txt", "first"), File("b.txt", "second")});
  EXPECT_TRUE(r.opened);
  EXPECT_EQ(r.written, 2);
}

// The free space bounds what the files take together, also when it is 0:
// then only empty files may be written.
TEST_F(ExtractDamage, FilesBeyondTheByteLimitAreFailuresAlsoWhenTheLimitIsZero) {
  limit_ = 0;
  ExtractResult r = Run({File("empty.txt", ""), File("one.txt", "1")});
  EXPECT_EQ(r.written, 1);
  EXPECT_EQ(r.failed, 1);
  EXPECT_TRUE(drive::FileExists(dest_ + L"empty.txt"));
  EXPECT_FALSE(drive::FileExists(dest_ + L"one.txt"));

  // Up to the limit itself, and not one byte more.
  limit_ = 10;
  r = Run({File("ten.txt", "0123456789"), File("more.txt", "x")});
  EXPECT_EQ(r.written, 1);
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"ten.txt"), "0123456789");
  EXPECT_FALSE(drive::FileExists(dest_ + L"more.txt"));
}

TEST_F(ExtractDamage, HostileNamesAreRefusedNeverCut) {
  const std::string longName = "dir/" + std::string(600, 'n') + ".txt";
  ExtractResult r = Run({File("sub/CON.txt", "x"), File("NUL", "x"), File("a/com1.log/b.txt", "x"),
                         File("../up.txt", "x"), File(longName, "cut"), File("ok.txt", "fine")});
  EXPECT_EQ(r.failed, 5);
  EXPECT_EQ(r.written, 1);
  // A cut name would have landed here (the first 499 bytes of the name).
  EXPECT_FALSE(drive::FolderExists(dest_ + L"dir")) << "a name longer than the buffer was cut and written";
  EXPECT_FALSE(drive::FileExists(root_ + L"\\up.txt"));
}

TEST_F(ExtractDamage, TheLowByteGivesTheAttributesWhateverSystemMadeTheArchive) {
  ExtractResult r = Run({File("unix.txt", "u"), File("dos.txt", "d")}, [](std::string* zip) {
    const size_t first = zip->find("PK\x01\x02");
    Put16(zip, first + 4, 0x031E);              // made on Unix
    Put32(zip, first + 38, 0x81A40001);         // mode 0100644 in the high word, read-only below
    const size_t second = zip->find("PK\x01\x02", first + 4);
    Put32(zip, second + 38, 0x00000021);        // made on MS-DOS: read-only and archive
  });
  EXPECT_EQ(r.written, 2);
  for (const wchar_t* name : {L"unix.txt", L"dos.txt"}) {
    const DWORD a = GetFileAttributesW((dest_ + name).c_str());
    EXPECT_EQ(a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), DWORD{FILE_ATTRIBUTE_READONLY})
        << std::hex << a;
    SetFileAttributesW((dest_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The reader stops at the count the end record states: a smaller count
// would leave the rest of the directory unpacked without a word. A larger
// one, or a directory size that disagrees, is damage too.
TEST_F(ExtractDamage, ADirectoryThatDisagreesWithItsEndRecordIsAFailure) {
  const std::vector<ZipItem> three = {File("a.txt", "a"), File("b.txt", "b"), File("c.txt", "c")};
  const struct {
    int countChange, sizeChange;
  } cases[] = {{-1, 0}, {+1, 0}, {0, -1}, {0, +1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.countChange << " " << c.sizeChange);
    drive::RemoveTree(dest_);
    ExtractResult r = Run(three, [&c](std::string* zip) {
      const size_t end = zip->rfind("PK\x05\x06");
      ASSERT_NE(end, std::string::npos);
      Put16(zip, end + 8, static_cast<uint16_t>(3 + c.countChange));   // entries on this disk
      Put16(zip, end + 10, static_cast<uint16_t>(3 + c.countChange));  // entries in all
      Put32(zip, end + 12, Get32(*zip, end + 12) + c.sizeChange);
    });
    EXPECT_TRUE(!r.opened || r.failed >= 1) << "opened with " << r.written << " files written and no failure";
  }
  drive::RemoveTree(dest_);
  EXPECT_EQ(Run(three).failed, 0);
}

// A file of the user's where the archive wants a folder stays, and the
// folder is a failure, never reported as unpacked.
TEST_F(ExtractDamage, AFileInTheWayOfAFolderIsAFailureAndStays) {
  CreateDirectoryW(dest_.c_str(), nullptr);
  drive::WriteFileBytes(dest_ + L"sub", "mine");
  ExtractResult r = Run({File("sub/", ""), File("ok.txt", "fine")});
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"sub"), "mine");
}

TEST_F(ExtractDamage, ReplacedFilesComeBackByteForByteAndOnlyNewFoldersGo) {
  // What was there: a file the archive replaces, with its attributes, and a
  // hidden folder of the user's that the archive writes into.
  CreateDirectoryW(dest_.c_str(), nullptr);
  CreateDirectoryW((dest_ + L"mine").c_str(), nullptr);
  SetFileAttributesW((dest_ + L"mine").c_str(), FILE_ATTRIBUTE_HIDDEN);
  drive::WriteFileBytes(dest_ + L"app.exe", "version 1");
  SetFileAttributesW((dest_ + L"app.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ExtractResult r = Run({File("app.exe", "version 2"), File("mine/new.txt", "n"), File("new/deep/x.txt", "x")});
  EXPECT_EQ(r.written, 3);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"app.exe"), "version 2");
  journal_.RollBack();
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"app.exe"), "version 1");
  EXPECT_TRUE(GetFileAttributesW((dest_ + L"app.exe").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(GetFileAttributesW((dest_ + L"mine").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(drive::FileExists(dest_ + L"mine\\new.txt"));
  EXPECT_FALSE(drive::FolderExists(dest_ + L"new"));
  EXPECT_TRUE(drive::FolderExists(dest_ + L"mine"));
  SetFileAttributesW((dest_ + L"app.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ExtractDamage, ACompletedRunLeavesNoKeptCopies) {
  CreateDirectoryW(dest_.c_str(), nullptr);
  drive::WriteFileBytes(dest_ + L"app.exe", "version 1");
  EXPECT_EQ(Run({File("app.exe", "version 2")}).written, 1);
  journal_.Commit();
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dest_ + L"*kept*").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a kept copy was left";
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  EXPECT_EQ(drive::ReadFileBytes(dest_ + L"app.exe"), "version 2");
}

// Files in folders the run makes cost one call each: no question whether
// something is in their way, no folder made twice, no reading of the
// archive a few bytes at a time. The journal keeps what outgrows a piece
// in its file, and a rollback reads it back from there.
TEST_F(ExtractDamage, FilesInNewFoldersCostACallEachAndTheJournalStaysSmall) {
  constexpr int kFiles = 600, kFolders = 12;
  std::vector<ZipItem> items;
  for (int i = 0; i < kFiles; ++i)
    items.push_back(File("folder" + std::to_string(i % kFolders) + "/" + std::string(150, 'n') + std::to_string(i),
                         "x"));
  ASSERT_TRUE(MakeZip(archive_, items));
  journal_.KeepEntriesIn(root_ + L"\\");
  ExtractOptions o;
  o.journal = &journal_;
  g_diskCalls = 0;
  ExtractResult r;
  {
    drive::ImportSwap swaps[] = {{"GetFileAttributesW", reinterpret_cast<ULONG_PTR>(&Attributes)},
                               {"GetFileAttributesExW", reinterpret_cast<ULONG_PTR>(&AttributesEx)},
                               {"SetFileAttributesW", reinterpret_cast<ULONG_PTR>(&SetAttributes)},
                               {"CreateFileW", reinterpret_cast<ULONG_PTR>(&Create)},
                               {"CreateDirectoryW", reinterpret_cast<ULONG_PTR>(&Folder)},
                               {"ReadFile", reinterpret_cast<ULONG_PTR>(&Read)}};
    r = ExtractArchiveWith(archive_, dest_, o);
  }
  EXPECT_EQ(r.written, kFiles);
  EXPECT_LE(g_diskCalls, kFiles + 20 * kFolders) << "calls for " << kFiles << " files";
  EXPECT_LE(journal_.EntryMemory(), 2 * kRecordPiece + 1024);
  journal_.RollBack();
  EXPECT_FALSE(drive::FolderExists(dest_));
  WIN32_FIND_DATAW fd;
  HANDLE left = FindFirstFileW((root_ + L"\\records*").c_str(), &fd);
  EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "the journal's file was left";
  if (left != INVALID_HANDLE_VALUE) FindClose(left);
}

// Records go out to the file a piece at a time and come back whole, in
// both orders, also those larger than a piece, whatever other programs do.
TEST(RecordList, KeepsLittleInMemoryAndGivesEveryRecordBack) {
  const std::wstring folder = drive::FreshFolder(L"records");
  RecordList list;
  list.KeepIn(folder);
  auto record = [](size_t i) { return std::string(i % 500 == 7 ? 3 * kRecordPiece : i % 300, char('a' + i % 26)); };
  constexpr size_t kCount = 3000;
  for (size_t i = 0; i < kCount; ++i) list.Append(record(i).data(), record(i).size());
  EXPECT_LE(list.MemoryBytes(), 2 * kRecordPiece + 1024);
  size_t next = 0, wrong = 0;
  EXPECT_TRUE(list.Forward([&](const char* r, size_t n) {
    wrong += std::string(r, n) != record(next++);
    return true;
  }));
  EXPECT_EQ(next, kCount);
  // Another program that opens the list's file and locks it would keep it
  // from being read back on Windows (Wine reads past the lock).
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"records*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << "the list has no file";
  FindClose(find);
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  ScopedHandle other(
      CreateFileW((folder + found.cFileName).c_str(), GENERIC_READ, all, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(other.valid()) << "another program can open the list's file";
  if (other.valid()) LockFile(other.get(), 0, 0, 0xFFFFFFFFu, 0);
  list.DropLast(2);
  EXPECT_TRUE(list.Backward([&](const char* r, size_t n) {
    wrong += std::string(r, n) != record(--next - 2);
    return true;
  }));
  EXPECT_EQ(next, 2u);
  EXPECT_EQ(wrong, 0u);
  other.Close();
  list.Clear();
  EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "the list's file was left";
}

namespace {
std::wstring g_swapRoot;
int g_swaps = 0;
// After the first entry, the folder the entries go to is moved away and a
// link to another folder put in its place.
int SwapForLink(void*, const std::wstring&, float) {
  if (g_swaps++ == 0 && MoveFileW((g_swapRoot + L"out\\sub").c_str(), (g_swapRoot + L"away").c_str()))
    drive::MakeLink(g_swapRoot + L"out\\sub", g_swapRoot + L"elsewhere", false);
  return 0;
}
}  // namespace

// The folders the walk remembers cannot be swapped for a link while it
// writes into them: the next entry does not land in the link's folder.
// (Wine reports a link to a folder as a folder with the reparse mark, as
// Windows does.)
TEST_F(ExtractDamage, AFolderIsNotSwappedForALinkBetweenTwoOfItsEntries) {
  g_swapRoot = L"T:\\swap" + std::to_wstring(GetTickCount()) + L"\\";
  for (const wchar_t* folder : {L"", L"elsewhere", L"out", L"out\\sub"})
    CreateDirectoryW((g_swapRoot + folder).c_str(), nullptr);
  // A link there before: no folder is made through it either.
  ASSERT_TRUE(drive::MakeLink(g_swapRoot + L"out\\deep", g_swapRoot + L"elsewhere", false));
  ASSERT_TRUE(MakeZip(archive_, {File("sub/a.txt", "a"), File("sub/b.txt", "b"), File("deep/new/c.txt", "c")}));
  ExtractOptions o;
  o.journal = &journal_;
  o.onEntry = SwapForLink;
  g_swaps = 0;
  const ExtractResult r = ExtractArchiveWith(archive_, g_swapRoot + L"out\\", o);
  EXPECT_FALSE(drive::FileExists(g_swapRoot + L"elsewhere\\b.txt")) << "an entry was written through a link";
  EXPECT_FALSE(drive::FolderExists(g_swapRoot + L"elsewhere\\new")) << "a folder was made through a link";
  EXPECT_EQ(r.written + r.failed, 3);
  journal_.RollBack();
}
