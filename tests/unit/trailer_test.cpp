#include "package/trailer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {
struct Tail {
  unsigned char bytes[kTrailerSize];
  Tail(int32_t info, int32_t payload) { WriteTrailer(info, payload, bytes); }
};
}  // namespace

TEST(Trailer, FindsBothArchivesFromTheEnd) {
  Tail t(25390, 107568);
  PackageLayout l;
  ASSERT_EQ(ReadTrailer(t.bytes, 389993, &l), TrailerState::kWhole);
  EXPECT_EQ(l.payloadOffset, 257024);
  EXPECT_EQ(l.payloadOffset + l.payloadLength - 1, 364591);
  EXPECT_EQ(l.infoOffset, 364592);
  EXPECT_EQ(l.infoOffset + l.infoLength - 1, 389981);
}

TEST(Trailer, ByteOrderIsLittleEndian) {
  Tail t(0x01020304, 0x0A0B0C0D);
  EXPECT_EQ(t.bytes[0], 0x04);
  EXPECT_EQ(t.bytes[3], 0x01);
  EXPECT_EQ(t.bytes[4], 0x0D);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t.bytes) + 8, 3), "EOF");
}

TEST(Trailer, MissingMarkerIsIncomplete) {
  Tail t(10, 10);
  t.bytes[10] = 'X';
  PackageLayout l;
  EXPECT_EQ(ReadTrailer(t.bytes, 100, &l), TrailerState::kIncomplete);
  EXPECT_EQ(ReadTrailer(Tail(10, 10).bytes, 10, &l), TrailerState::kIncomplete);  // shorter than a trailer
}

TEST(Trailer, ZeroNegativeAndOversizedLengthsAreCorrupted) {
  PackageLayout l;
  EXPECT_EQ(ReadTrailer(Tail(0, 10).bytes, 100, &l), TrailerState::kCorrupted);
  EXPECT_EQ(ReadTrailer(Tail(10, 0).bytes, 100, &l), TrailerState::kCorrupted);
  EXPECT_EQ(ReadTrailer(Tail(-5, 10).bytes, 100, &l), TrailerState::kCorrupted);
  EXPECT_EQ(ReadTrailer(Tail(50, 40).bytes, 100, &l), TrailerState::kCorrupted);  // 50 + 40 + 11 > 100
  EXPECT_EQ(ReadTrailer(Tail(49, 40).bytes, 100, &l), TrailerState::kWhole);      // the stub itself may be empty
  EXPECT_EQ(l.payloadOffset, 0);
  EXPECT_EQ(ReadTrailer(Tail(INT32_MAX, INT32_MAX).bytes, 100, &l), TrailerState::kCorrupted);
}

// A small PE file for the signed layouts: e_lfanew 0x80, one section whose
// raw data ends the image at 0x400; PE32 or PE32+.
namespace {

constexpr int64_t kImageEnd = 0x400;
constexpr size_t kOptional = 0x98;  // the optional header: after "PE\0\0" at 0x80 and the COFF header

void Put(std::string* s, size_t at, uint32_t value, int bytes) {
  for (int b = 0; b < bytes; ++b) (*s)[at + b] = static_cast<char>(value >> (8 * b));
}

size_t CountAt(bool plus) { return kOptional + (plus ? 108 : 92); }
size_t EntryAt(bool plus) { return CountAt(plus) + 4 + 4 * 8; }

std::string Image(bool plus) {
  std::string s(kImageEnd, '\x90');
  s.replace(0, 2, "MZ");
  Put(&s, 0x3C, 0x80, 4);
  s.replace(0x80, 4, std::string("PE\0\0", 4));
  Put(&s, 0x84 + 2, 1, 2);                     // one section
  Put(&s, 0x84 + 16, plus ? 240 : 224, 2);     // size of the optional header
  Put(&s, kOptional, plus ? 0x20B : 0x10B, 2);
  Put(&s, kOptional + 60, 0x200, 4);           // SizeOfHeaders
  Put(&s, CountAt(plus), 16, 4);
  s.replace(CountAt(plus) + 4, 16 * 8, std::string(16 * 8, '\0'));  // the data directories
  const size_t section = kOptional + (plus ? 240 : 224);
  Put(&s, section + 16, 0x200, 4);  // raw size
  Put(&s, section + 20, 0x200, 4);  // raw offset
  return s;
}

std::string TrailerBytes(int32_t info, int32_t payload) {
  unsigned char t[kTrailerSize];
  WriteTrailer(info, payload, t);
  return std::string(reinterpret_cast<char*>(t), kTrailerSize);
}

// The image, a payload of 300 bytes, information of 200 and the trailer.
std::string Package(bool plus) {
  return Image(plus) + std::string(300, 'p') + std::string(200, 'i') + TrailerBytes(200, 300);
}

// Signs `package` as a signing tool does: `padding` zero bytes, a table of
// 64 bytes, the directory pointing at it.
std::string Signed(std::string package, bool plus, int padding) {
  const uint32_t table = static_cast<uint32_t>(package.size() + padding);
  package += std::string(padding, '\0') + std::string(64, 'c');
  Put(&package, EntryAt(plus), table, 4);
  Put(&package, EntryAt(plus) + 4, 64, 4);
  return package;
}

TrailerState Layout(const std::string& file, PackageLayout* l) {
  return ReadPackageLayout(reinterpret_cast<const unsigned char*>(file.data()), static_cast<int64_t>(file.size()), l);
}

PeHeaders Headers(const std::string& file, bool* read) {
  PeHeaders pe;
  const int64_t length = std::min<int64_t>(static_cast<int64_t>(file.size()), kPeHeadSize);
  *read = ReadPeHeaders(reinterpret_cast<const unsigned char*>(file.data()), length, &pe);
  return pe;
}

}  // namespace

TEST(PeHeaders, FindTheSecurityDirectoryOrSayThereAreNone) {
  struct Case {
    const char* what;
    bool plus;
    std::function<void(std::string*)> change;
    bool read;
    uint32_t tableOffset, tableSize;
    int64_t securityEntryAt;
  };
  const std::vector<Case> cases = {
      {"PE32, not signed", false, [](std::string*) {}, true, 0, 0, 0x118},
      {"PE32+, not signed", true, [](std::string*) {}, true, 0, 0, 0x128},
      {"PE32, signed", false, [](std::string* s) { Put(s, 0x118, 0x1234, 4), Put(s, 0x11C, 0x99, 4); }, true, 0x1234,
       0x99, 0x118},
      {"PE32+, signed", true, [](std::string* s) { Put(s, 0x128, 0x1234, 4), Put(s, 0x12C, 0x99, 4); }, true, 0x1234,
       0x99, 0x128},
      {"four data directories", false, [](std::string* s) { Put(s, CountAt(false), 4, 4); }, true, 0, 0, 0},
      {"no MZ", false, [](std::string* s) { (*s)[1] = 'X'; }, false, 0, 0, 0},
      {"e_lfanew beyond the head", false, [](std::string* s) { Put(s, 0x3C, kPeHeadSize - 8, 4); }, false, 0, 0, 0},
      {"negative e_lfanew", false, [](std::string* s) { Put(s, 0x3C, 0xFFFFFFF0u, 4); }, false, 0, 0, 0},
      {"e_lfanew not at PE", false, [](std::string* s) { Put(s, 0x3C, 0x40, 4); }, false, 0, 0, 0},
      {"ROM magic", false, [](std::string* s) { Put(s, kOptional, 0x107, 2); }, false, 0, 0, 0},
      {"optional header too small", false, [](std::string* s) { Put(s, 0x84 + 16, 92, 2); }, false, 0, 0, 0},
      {"cut inside the optional header", false, [](std::string* s) { s->resize(0x100); }, false, 0, 0, 0},
      {"cut inside the section table", false, [](std::string* s) { s->resize(kOptional + 224 + 20); }, false, 0, 0, 0},
      {"shorter than a DOS header", false, [](std::string* s) { s->resize(0x3F); }, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = Image(c.plus);
    c.change(&file);
    bool read = false;
    const PeHeaders pe = Headers(file, &read);
    EXPECT_EQ(read, c.read);
    EXPECT_EQ(pe.tableOffset, c.tableOffset);
    EXPECT_EQ(pe.tableSize, c.tableSize);
    EXPECT_EQ(pe.securityEntryAt, c.securityEntryAt);
    if (read) {
      EXPECT_EQ(pe.checksumAt, static_cast<int64_t>(kOptional + 64));
      EXPECT_EQ(pe.imageEnd, kImageEnd);
    }
  }
}

TEST(PackageLayout, SignedPackagesKeepTheirArchivesBeforeTheTable) {
  for (bool plus : {false, true}) {
    PackageLayout unsignedLayout;
    ASSERT_EQ(Layout(Package(plus), &unsignedLayout), TrailerState::kWhole);
    EXPECT_EQ(unsignedLayout.payloadOffset, kImageEnd);
    EXPECT_EQ(unsignedLayout.infoOffset, kImageEnd + 300);
    for (int padding = 0; padding <= 7; ++padding) {
      SCOPED_TRACE(std::string(plus ? "PE32+" : "PE32") + ", padding " + std::to_string(padding));
      PackageLayout l;
      ASSERT_EQ(Layout(Signed(Package(plus), plus, padding), &l), TrailerState::kWhole);
      EXPECT_EQ(l.payloadOffset, kImageEnd);
      EXPECT_EQ(l.payloadLength, 300);
      EXPECT_EQ(l.infoOffset, kImageEnd + 300);
      EXPECT_EQ(l.infoLength, 200);
    }
  }
}

TEST(PackageLayout, DamagedLayoutsAreRefused) {
  const std::string package = Package(false), signedPackage = Signed(package, false, 5);
  const uint32_t table = static_cast<uint32_t>(package.size() + 5), length = static_cast<uint32_t>(signedPackage.size());
  auto directory = [](std::string s, uint32_t offset, uint32_t size) {
    Put(&s, EntryAt(false), offset, 4);
    Put(&s, EntryAt(false) + 4, size, 4);
    return s;
  };
  auto bogusLfanew = [](std::string s) {
    Put(&s, 0x3C, 0x7FFFFFFF, 4);
    return s;
  };
  // Archives of 200 + 557 bytes where 500 follow the image: the payload
  // would begin at 767, inside the image (which ends at 1024).
  const std::string reaching = Image(false) + std::string(500, 'a') + TrailerBytes(200, 557);
  struct Case {
    const char* what;
    std::string file;
    TrailerState state;
  };
  const std::vector<Case> cases = {
      {"bytes added after the table", signedPackage + "x", TrailerState::kCorrupted},
      {"the table cut short", signedPackage.substr(0, length - 1), TrailerState::kCorrupted},
      {"a table that does not reach the end", directory(signedPackage, table, 63), TrailerState::kCorrupted},
      {"a table that begins in the image", directory(signedPackage, 0x300, length - 0x300), TrailerState::kCorrupted},
      {"a table from the start of the file", directory(signedPackage, 0, length), TrailerState::kCorrupted},
      {"a table over the trailer", directory(signedPackage, table - 8, 72), TrailerState::kCorrupted},
      {"eight zero bytes before the table", Signed(package, false, 8), TrailerState::kCorrupted},
      {"a signed stub without archives", Signed(Image(false), false, 0), TrailerState::kCorrupted},
      {"an unsigned stub without archives", Image(false), TrailerState::kIncomplete},
      {"archives reaching into the image of a signed package", Signed(reaching, false, 3), TrailerState::kCorrupted},
      {"the same unsigned: the trailer alone decides", reaching, TrailerState::kWhole},
      {"a bogus e_lfanew: unsigned, the trailer at the end", bogusLfanew(package), TrailerState::kWhole},
      {"a bogus e_lfanew in a signed package: no trailer at the end", bogusLfanew(signedPackage),
       TrailerState::kIncomplete},
      {"headers cut off: no PE, the trailer at the end", "MZ" + std::string(30, 'a') + TrailerBytes(10, 10),
       TrailerState::kWhole},
      {"shorter than a trailer", "MZ", TrailerState::kIncomplete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageLayout l;
    EXPECT_EQ(Layout(c.file, &l), c.state);
  }
}
