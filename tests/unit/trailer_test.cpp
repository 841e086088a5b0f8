#include "package/trailer.h"

#include <gtest/gtest.h>

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
