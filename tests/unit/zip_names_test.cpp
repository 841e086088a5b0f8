#include "package/zip_names.h"

#include <gtest/gtest.h>

namespace {
struct NameCase {
  const wchar_t* name;
  bool safe;
};

void ExpectSafety(const NameCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i)
    EXPECT_EQ(IsSafeEntryName(cases[i].name), cases[i].safe) << "\"" << std::wstring(cases[i].name) << "\"";
}
}  // namespace

TEST(ZipNames, SlashesBecomeBackslashes) { EXPECT_EQ(BackslashName(L"sub/dir/file.txt"), L"sub\\dir\\file.txt"); }

TEST(ZipNames, DrivePartIsDropped) {
  EXPECT_EQ(DropDrivePart(L"C:\\x\\y.txt"), L"x\\y.txt");
  EXPECT_EQ(DropDrivePart(L"a\\C:\\b"), L"b");
  EXPECT_EQ(DropDrivePart(L"plain\\name"), L"plain\\name");
}

TEST(ZipNames, NamesThatClimbOutOrNameAnotherDriveAreUnsafe) {
  const NameCase cases[] = {
      {L"sub\\dir\\file.txt", true},
      {L"a..b\\c", true},
      {L".\\x", true},
      {L"a\\. \\b", true},  // one dot: the folder itself
      {L"..\\evil.exe", false},
      {L"a\\..\\..\\evil.exe", false},
      {L"a\\.. \\b", false},
      {L"a\\ ..\\b", false},
      {L"a\\. .\\b", false},
      {L"a\\...\\b", false},
      {L"a\\..", false},
      {L"D:evil.exe", false},
      {L"file.txt:stream", false},
  };
  ExpectSafety(cases, sizeof cases / sizeof cases[0]);
}

TEST(ZipNames, DeviceNamesAreUnsafeInEveryPart) {
  const NameCase cases[] = {
      {L"CON", false},
      {L"con", false},
      {L"nul.txt", false},
      {L"Com1.log", false},
      {L"sub\\PRN\\file.txt", false},
      {L"sub\\aux.tar.gz", false},
      {L"LPT9", false},
      {L"con .txt", false},
      {L"CON.", false},
      {L"con  ", false},
      {L"con. .x", false},
      {L"COM\u00B9", false},
      {L"lpt\u00B3.txt", false},
      {L"CONIN$", false},
      {L"conout$.log", false},
      {L"con1", true},
      {L"COM0", true},
      {L"LPT10", true},
      {L"xnul", true},
      {L"nulx.txt", true},
      {L" con", true},
      {L"con\t", true},
      {L"a.con", true},
      {L"com\u00B4", true},
      {L"sub\\console\\file.txt", true},
  };
  ExpectSafety(cases, sizeof cases / sizeof cases[0]);
}

TEST(ZipNames, AttributesFromTheLowByteWhateverSystemMadeTheArchive) {
  const struct {
    uint32_t external;
    uint32_t attributes;
  } cases[] = {
      {0x00000021, 0x21},  // read-only, archive
      {0x00000023, 0x23},  // read-only, hidden, archive
      {0x00000004, 0x04},  // system
      {0x00000010, 0x00},  // a folder
      {0x00000040, 0x00},  // a device
      {0x000000B7, 0x27},  // only the four kept bits
      {0xFFFF0000, 0x00},  // nothing from the high word
      {0x81A40001, 0x01},  // a Unix tool: mode 0100644 above, read-only below
      {0x81A40000, 0x00},
      {0x41ED0010, 0x00},  // a Unix folder, mode 040755
  };
  for (const auto& c : cases) EXPECT_EQ(WindowsAttributesOf(c.external), c.attributes) << std::hex << c.external;
}
