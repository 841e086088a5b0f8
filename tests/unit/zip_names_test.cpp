#include "package/zip_names.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(ZipNames, UnixTimeIsFoundInTheExtraBlockOrNotAtAll) {
  struct Case {
    std::vector<unsigned char> extra;
    bool found;
    uint32_t seconds;
  };
  const Case cases[] = {
      {{0x55, 0x54, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x60}, true, 0x60000000},
      // After another field; a local header's field with access and creation times.
      {{0x01, 0x00, 0x02, 0x00, 0xAA, 0xBB, 0x55, 0x54, 0x0D, 0x00, 0x07, 0x04, 0x03, 0x02, 0x01, 9, 9, 9, 9, 8, 8, 8,
        8},
       true, 0x01020304},
      {{}, false, 0},
      {{0x55, 0x54}, false, 0},                                                // cut in the tag's header
      {{0x55, 0x54, 0x05, 0x00, 0x01, 0x00, 0x00, 0x60}, false, 0},            // length past the end
      {{0x55, 0x54, 0x03, 0x00, 0x01, 0x00, 0x00}, false, 0},                  // too short for the time
      {{0x55, 0x54, 0x05, 0x00, 0x06, 0x00, 0x00, 0x00, 0x60}, false, 0},      // no modification time
      {{0x01, 0x00, 0xFF, 0xFF, 0x55, 0x54, 0x05, 0x00, 0x01, 1, 2, 3, 4}, false, 0},  // a length past the end first
      {{0x01, 0x00, 0x00, 0x00, 0x55}, false, 0},                              // a field cut after an empty one
  };
  for (const Case& c : cases) {
    uint32_t seconds = 0;
    EXPECT_EQ(FindUnixTime(c.extra.data(), c.extra.size(), &seconds), c.found) << c.extra.size();
    EXPECT_EQ(seconds, c.seconds);
  }
  unsigned char field[kUnixTimeFieldSize];
  WriteUnixTimeField(0x60000000, field);
  uint32_t seconds = 0;
  EXPECT_TRUE(FindUnixTime(field, sizeof field, &seconds));
  EXPECT_EQ(seconds, 0x60000000u);
  EXPECT_EQ(std::vector<unsigned char>(field, field + sizeof field), cases[0].extra);
}
