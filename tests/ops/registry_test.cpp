// The registry layer on the real registry: key paths, value types and sizes,
// deleting keys and trees (also around a sub-key that cannot be deleted),
// the sub-key enumeration, roots by name and the connected-registry branch.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "install/shared/registry.h"
#include "install/registry_journal.h"
#include "tests/driver/support.h"

namespace {

const wchar_t kBase[] = L"Software\\TarnwickOps\\Registry";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive::DeleteKeyTree(HKEY_CURRENT_USER, kBase);
    ASSERT_FALSE(drive::KeyExists(HKEY_CURRENT_USER, kBase));
  }
  void TearDown() override { drive::DeleteKeyTree(HKEY_CURRENT_USER, kBase); }

  static std::wstring Path(const std::wstring& below) { return std::wstring(kBase) + L"\\" + below; }
  static void Make(const std::wstring& below) { ASSERT_TRUE(drive::MakeKey(HKEY_CURRENT_USER, Path(below))); }
  static bool Exists(const std::wstring& below) { return drive::KeyExists(HKEY_CURRENT_USER, Path(below)); }
  // Type and size of a value, or false when it is missing.
  static bool Query(const std::wstring& below, const std::wstring& name, DWORD* type, DWORD* size) {
    std::string bytes;
    const bool found = drive::ReadValue(HKEY_CURRENT_USER, Path(below), name, type, &bytes);
    *size = static_cast<DWORD>(bytes.size());
    return found;
  }
  static DWORD Number(const std::wstring& below, const std::wstring& name) {
    return drive::GetNumber(HKEY_CURRENT_USER, Path(below), name);
  }
};

TEST(RegistryRoots, OnlyTheExactNamesHKCUAndHKLM) {
  EXPECT_EQ(HKEY_CURRENT_USER, RootFromName(L"HKCU"));
  EXPECT_EQ(HKEY_LOCAL_MACHINE, RootFromName(L"HKLM"));
  for (const wchar_t* other : {L"hkcu", L"Hklm", L"HKCR", L"HKU", L" HKCU", L"HKLM ", L""})
    EXPECT_EQ(nullptr, RootFromName(other)) << drive::Narrow(other);
}

TEST_F(RegistryTest, NullRootFailsEveryOperation) {
  Make(L"k\\sub");
  const std::wstring path = Path(L"k");
  HKEY none = RootFromName(L"HKCR");
  EXPECT_EQ(0, RegistrySetValue(none, path, L"v", L"x", REG_SZ, L""));
  EXPECT_EQ(0, RegistryWriteValue(none, Path(L"new"), L"v", L"x", REG_SZ, L""));
  EXPECT_EQ(0, RegistryCreateKey(none, Path(L"new"), L""));
  EXPECT_EQ(0, RegistryDeleteValue(none, path, L"v", L""));
  EXPECT_EQ(0, RegistryDeleteKey(none, Path(L"k\\sub"), L""));
  EXPECT_EQ(L"", RegistrySubkeyName(none, path, 0, L""));
  EXPECT_EQ(0, RegistryDeleteTree(none, path, L""));
  EXPECT_TRUE(Exists(L"k\\sub"));
  EXPECT_FALSE(Exists(L"new"));
  EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, path, L"v"));
}

TEST_F(RegistryTest, OneLeadingBackslashIsDroppedASecondIsKept) {
  const std::wstring one = L"\\" + Path(L"one");
  EXPECT_EQ(1, RegistryCreateKey(HKEY_CURRENT_USER, one, L""));
  EXPECT_TRUE(Exists(L"one"));
  EXPECT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, one, L"v", L"text", REG_SZ, L""));
  EXPECT_EQ(L"text", drive::GetText(HKEY_CURRENT_USER, Path(L"one"), L"v"));
  EXPECT_EQ(1, RegistryCreateKey(HKEY_CURRENT_USER, one + L"\\child", L""));
  EXPECT_EQ(L"child", RegistrySubkeyName(HKEY_CURRENT_USER, one, 0, L""));
  EXPECT_EQ(1, RegistryDeleteKey(HKEY_CURRENT_USER, one + L"\\child", L""));
  EXPECT_EQ(1, RegistryDeleteValue(HKEY_CURRENT_USER, one, L"v", L""));

  const std::wstring two = L"\\\\" + Path(L"one");
  EXPECT_EQ(0, RegistrySetValue(HKEY_CURRENT_USER, two, L"w", L"text", REG_SZ, L""));
  EXPECT_EQ(0, RegistryCreateKey(HKEY_CURRENT_USER, L"\\\\" + Path(L"two"), L""));
  EXPECT_EQ(0, RegistryWriteValue(HKEY_CURRENT_USER, L"\\\\" + Path(L"two"), L"w", L"text", REG_SZ, L""));
  EXPECT_FALSE(Exists(L"two"));
  EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, Path(L"one"), L"w"));
  Make(L"one\\child");
  EXPECT_EQ(L"", RegistrySubkeyName(HKEY_CURRENT_USER, two, 0, L""));
  EXPECT_EQ(0, RegistryDeleteKey(HKEY_CURRENT_USER, two + L"\\child", L""));
  EXPECT_TRUE(Exists(L"one\\child"));
}

TEST_F(RegistryTest, StringValuesHoldTheTextAndItsNull) {
  Make(L"k");
  EXPECT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"abc", L"abc", REG_SZ, L""));
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_TRUE(Query(L"k", L"abc", &type, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(8u, size);  // three code units and the null
  EXPECT_EQ(L"abc", drive::GetText(HKEY_CURRENT_USER, Path(L"k"), L"abc"));

  EXPECT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"empty", L"", REG_SZ, L""));
  ASSERT_TRUE(Query(L"k", L"empty", &type, &size));
  EXPECT_EQ(2u, size);

  // The empty name is the key's default value.
  EXPECT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"", L"default text", REG_SZ, L""));
  EXPECT_EQ(L"default text", drive::GetText(HKEY_CURRENT_USER, Path(L"k"), L""));
  wchar_t viaOldCall[64] = {};
  LONG length = sizeof viaOldCall;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueW(HKEY_CURRENT_USER, Path(L"k").c_str(), viaOldCall, &length));
  EXPECT_STREQ(L"default text", viaOldCall);
}

TEST_F(RegistryTest, NumberValuesUseTheScriptIntegerReading) {
  Make(L"k");
  struct Case {
    const wchar_t* data;
    DWORD expected;
  } cases[] = {{L"$FF", 255}, {L"12abc", 12}, {L"", 0}, {L"  -1", 0xFFFFFFFF}, {L"%101", 5}, {L"4294967297", 1}};
  int n = 0;
  for (const Case& c : cases) {
    std::wstring name = L"n" + std::to_wstring(n++);
    EXPECT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), name, c.data, REG_DWORD, L""));
    EXPECT_EQ(c.expected, Number(L"k", name)) << drive::Narrow(c.data);
  }
}

TEST_F(RegistryTest, OtherTypesWriteNothingButCountAsDone) {
  Make(L"k");
  for (DWORD type : {0u, 2u, 3u, 7u, 11u}) {
    EXPECT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L"123", type, L"")) << type;
    EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, Path(L"k"), L"v")) << type;
  }
}

TEST_F(RegistryTest, SetValueNeedsAnExistingKey) {
  Make(L"k");
  EXPECT_EQ(0, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k\\missing"), L"v", L"x", REG_SZ, L""));
  EXPECT_EQ(0, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k\\missing"), L"v", L"1", REG_DWORD, L""));
  EXPECT_FALSE(Exists(L"k\\missing"));

  // The writing variant creates the key (with the keys between) first.
  EXPECT_EQ(1, RegistryWriteValue(HKEY_CURRENT_USER, Path(L"k\\new\\deeper"), L"v", L"x", REG_SZ, L""));
  EXPECT_EQ(L"x", drive::GetText(HKEY_CURRENT_USER, Path(L"k\\new\\deeper"), L"v"));
  EXPECT_EQ(1, RegistryWriteValue(HKEY_CURRENT_USER, Path(L"k\\new\\deeper"), L"v", L"$10", REG_DWORD, L""));
  EXPECT_EQ(16u, Number(L"k\\new\\deeper", L"v"));
}

TEST_F(RegistryTest, CreateKeyMakesTheKeysBetweenAndAcceptsAnExistingOne) {
  EXPECT_EQ(1, RegistryCreateKey(HKEY_CURRENT_USER, Path(L"a\\b\\c"), L""));
  EXPECT_TRUE(Exists(L"a\\b\\c"));
  EXPECT_EQ(1, RegistryCreateKey(HKEY_CURRENT_USER, Path(L"a\\b\\c"), L""));
  EXPECT_EQ(1, RegistryCreateKey(HKEY_CURRENT_USER, Path(L"a"), L""));
}

TEST_F(RegistryTest, DeleteValueReportsWhetherAValueWentAway) {
  Make(L"k");
  ASSERT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L"x", REG_SZ, L""));
  ASSERT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"", L"d", REG_SZ, L""));
  EXPECT_EQ(1, RegistryDeleteValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L""));
  EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, Path(L"k"), L"v"));
  EXPECT_EQ(0, RegistryDeleteValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L""));
  EXPECT_EQ(0, RegistryDeleteValue(HKEY_CURRENT_USER, Path(L"missing"), L"v", L""));
  EXPECT_EQ(1, RegistryDeleteValue(HKEY_CURRENT_USER, Path(L"k"), L"", L""));
  EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, Path(L"k"), L""));
  EXPECT_TRUE(Exists(L"k"));
}

TEST_F(RegistryTest, DeleteKeyLeavesAKeyWithSubKeys) {
  Make(L"parent\\child");
  EXPECT_EQ(0, RegistryDeleteKey(HKEY_CURRENT_USER, Path(L"parent"), L""));
  EXPECT_TRUE(Exists(L"parent\\child"));
  EXPECT_EQ(1, RegistryDeleteKey(HKEY_CURRENT_USER, Path(L"parent\\child"), L""));
  EXPECT_FALSE(Exists(L"parent\\child"));
  EXPECT_EQ(1, RegistryDeleteKey(HKEY_CURRENT_USER, Path(L"parent"), L""));
  EXPECT_FALSE(Exists(L"parent"));
  EXPECT_EQ(0, RegistryDeleteKey(HKEY_CURRENT_USER, Path(L"parent"), L""));
}

TEST_F(RegistryTest, SubkeyNamesByIndex) {
  Make(L"leaf");
  EXPECT_EQ(L"", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"leaf"), 0, L""));
  EXPECT_EQ(L"", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"missing"), 0, L""));

  Make(L"list\\Alpha");
  Make(L"list\\beta");
  EXPECT_EQ(L"Alpha", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"list"), 0, L""));
  EXPECT_EQ(L"beta", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"list"), 1, L""));
  EXPECT_EQ(L"", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"list"), 2, L""));

  // The buffer holds 255 characters with the null: a 254-character name
  // comes back whole, the longest name a key may have (255) does not fit.
  const std::wstring long254(254, L'x');
  const std::wstring long255(255, L'y');
  Make(L"long254\\" + long254);
  Make(L"long255\\" + long255);
  ASSERT_TRUE(Exists(L"long255\\" + long255));
  EXPECT_EQ(long254, RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"long254"), 0, L""));
  EXPECT_EQ(L"", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"long255"), 0, L""));
}

TEST_F(RegistryTest, DeleteTreeRemovesEverythingDepthFirst) {
  Make(L"tree\\a\\a1\\a11");
  Make(L"tree\\a\\a2");
  Make(L"tree\\b");
  Make(L"tree\\c\\c1");
  ASSERT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"tree\\a\\a1"), L"v", L"x", REG_SZ, L""));
  Make(L"sibling");
  EXPECT_EQ(0, RegistryDeleteTree(HKEY_CURRENT_USER, Path(L"tree"), L""));
  EXPECT_FALSE(Exists(L"tree"));
  EXPECT_TRUE(Exists(L"sibling"));

  // A leaf, a missing key and a leading backslash.
  EXPECT_EQ(0, RegistryDeleteTree(HKEY_CURRENT_USER, Path(L"sibling"), L""));
  EXPECT_FALSE(Exists(L"sibling"));
  EXPECT_EQ(0, RegistryDeleteTree(HKEY_CURRENT_USER, Path(L"missing"), L""));
  Make(L"slash\\x\\y");
  EXPECT_EQ(0, RegistryDeleteTree(HKEY_CURRENT_USER, L"\\" + Path(L"slash"), L""));
  EXPECT_FALSE(Exists(L"slash"));
}

// A sub-key that cannot be deleted. Wine does not check a key's access list
// (a DACL that denies DELETE to everyone still lets the key be opened for
// DELETE and deleted), so the test uses a symbolic link key whose target
// does not exist: it is listed among its parent's sub-keys, but opening it
// follows the link and fails, and RegDeleteKeyW opens what it deletes, so it
// cannot delete it either. Only a handle opened on the link itself
// (REG_OPTION_OPEN_LINK) removes it, which is how the test cleans up.
class DanglingLink {
 public:
  explicit DanglingLink(const std::wstring& path) : path_(path) {
    HKEY link;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS)
      return;
    const std::wstring target = L"\\Registry\\Machine\\Software\\TarnwickOpsNoSuchKey";
    made_ = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                           static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(link);
  }
  ~DanglingLink() {
    using DeleteKeyFn = LONG(WINAPI*)(HANDLE);
    auto deleteKey = reinterpret_cast<DeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    HKEY link;
    if (!deleteKey ||
        RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) != ERROR_SUCCESS)
      return;
    deleteKey(link);
    RegCloseKey(link);
  }
  bool made() const { return made_; }

 private:
  std::wstring path_;
  bool made_ = false;
};

TEST_F(RegistryTest, DeleteTreeLeavesWhatItCannotDeleteAndEnds) {
  Make(L"tree\\a\\a1");
  Make(L"tree\\c");
  DanglingLink stuck(Path(L"tree\\b-stuck"));
  ASSERT_TRUE(stuck.made());
  ASSERT_NE(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, Path(L"tree\\b-stuck").c_str()))
      << "the link can be deleted: the case below would test nothing";
  ASSERT_EQ(L"b-stuck", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"tree"), 1, L""));

  EXPECT_EQ(0, RegistryDeleteTree(HKEY_CURRENT_USER, Path(L"tree"), L""));
  // "a" came first and went; the stuck key then stays at index 0, is tried
  // twice and left, so "c" behind it is never reached.
  EXPECT_FALSE(Exists(L"tree\\a"));
  EXPECT_EQ(L"b-stuck", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"tree"), 0, L""));
  EXPECT_TRUE(Exists(L"tree\\c"));
  EXPECT_TRUE(Exists(L"tree"));
}

// A rollback puts every change back as it was, last change first: a text
// value overwritten by a number is text again, a deleted key comes back with
// its values, what did not exist (a value, a key and the keys between) goes.
TEST_F(RegistryTest, TheJournalPutsEveryChangeBack) {
  Make(L"k\\gone");
  ASSERT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L"old", REG_SZ, L""));
  ASSERT_EQ(1, RegistrySetValue(HKEY_CURRENT_USER, Path(L"k\\gone"), L"", L"kept", REG_SZ, L""));
  RegistryJournal journal;
  journal.BeforeValue(HKEY_CURRENT_USER, L"\\" + Path(L"k"), L"v");
  RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L"7", REG_DWORD, L"");
  journal.BeforeValue(HKEY_CURRENT_USER, Path(L"k"), L"new");
  RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"new", L"x", REG_SZ, L"");
  journal.BeforeKey(HKEY_CURRENT_USER, Path(L"made\\deeper"));
  RegistryCreateKey(HKEY_CURRENT_USER, Path(L"made\\deeper"), L"");
  journal.BeforeTree(HKEY_CURRENT_USER, Path(L"k\\gone"), false);
  ASSERT_EQ(1, RegistryDeleteKey(HKEY_CURRENT_USER, Path(L"k\\gone"), L""));
  ASSERT_EQ(7u, Number(L"k", L"v"));

  journal.RollBackBeforeFiles();
  journal.RollBackAfterFiles();
  EXPECT_EQ(0u, journal.size());
  DWORD type = 0, size = 0;
  ASSERT_TRUE(Query(L"k", L"v", &type, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(L"old", drive::GetText(HKEY_CURRENT_USER, Path(L"k"), L"v"));
  EXPECT_FALSE(drive::ValueExists(HKEY_CURRENT_USER, Path(L"k"), L"new"));
  EXPECT_FALSE(Exists(L"made"));
  EXPECT_EQ(L"kept", drive::GetText(HKEY_CURRENT_USER, Path(L"k\\gone"), L""));

  // A completed run keeps what it wrote.
  journal.BeforeValue(HKEY_CURRENT_USER, Path(L"k"), L"v");
  RegistrySetValue(HKEY_CURRENT_USER, Path(L"k"), L"v", L"new", REG_SZ, L"");
  journal.Commit();
  journal.RollBackBeforeFiles();
  EXPECT_EQ(L"new", drive::GetText(HKEY_CURRENT_USER, Path(L"k"), L"v"));
}

// A computer name connects first. Wine serves its own computer name locally
// and refuses every other; Windows would go through the remote registry
// service.
TEST_F(RegistryTest, ConnectedRegistryOfTheOwnComputer) {
  wchar_t own[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(own, &length));
  const std::wstring computer = std::wstring(L"\\\\") + own;
  EXPECT_EQ(1, RegistryCreateKey(HKEY_CURRENT_USER, Path(L"remote\\sub"), computer));
  EXPECT_TRUE(Exists(L"remote\\sub"));
  EXPECT_EQ(1, RegistryWriteValue(HKEY_CURRENT_USER, Path(L"remote"), L"v", L"x", REG_SZ, computer));
  EXPECT_EQ(L"x", drive::GetText(HKEY_CURRENT_USER, Path(L"remote"), L"v"));
  EXPECT_EQ(L"sub", RegistrySubkeyName(HKEY_CURRENT_USER, Path(L"remote"), 0, computer));
  EXPECT_EQ(1, RegistryDeleteValue(HKEY_CURRENT_USER, Path(L"remote"), L"v", computer));
  Make(L"remote\\sub\\deeper");
  EXPECT_EQ(0, RegistryDeleteTree(HKEY_CURRENT_USER, Path(L"remote"), computer));
  EXPECT_FALSE(Exists(L"remote"));

  const std::wstring elsewhere = L"\\\\tarnwick-no-such-host";
  EXPECT_EQ(0, RegistryCreateKey(HKEY_CURRENT_USER, Path(L"remote"), elsewhere));
  EXPECT_EQ(0, RegistryWriteValue(HKEY_CURRENT_USER, Path(L"remote"), L"v", L"x", REG_SZ, elsewhere));
  EXPECT_FALSE(Exists(L"remote"));
  Make(L"there");
  EXPECT_EQ(0, RegistryDeleteKey(HKEY_CURRENT_USER, Path(L"there"), elsewhere));
  EXPECT_EQ(L"", RegistrySubkeyName(HKEY_CURRENT_USER, kBase, 0, elsewhere));
  EXPECT_TRUE(Exists(L"there"));
}

}  // namespace
