#include "wizard/bitmap_check.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Put16(std::string* s, size_t at, uint32_t v) {
  (*s)[at] = static_cast<char>(v & 0xFF);
  (*s)[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string* s, size_t at, uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}

// The headers of a bitmap with an information header and `colours` palette
// entries, followed by `pixelBytes` bytes.
std::string Bitmap(int32_t width, int32_t height, uint32_t bits, uint32_t compression, uint32_t colours,
                   size_t pixelBytes, uint32_t imageSize = 0) {
  const size_t palette = 4 * static_cast<size_t>(colours);
  std::string b(14 + 40 + palette + pixelBytes, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(&b, 2, static_cast<uint32_t>(b.size()));
  Put32(&b, 10, static_cast<uint32_t>(14 + 40 + palette));
  Put32(&b, 14, 40);
  Put32(&b, 18, static_cast<uint32_t>(width));
  Put32(&b, 22, static_cast<uint32_t>(height));
  Put16(&b, 26, 1);
  Put16(&b, 28, bits);
  Put32(&b, 30, compression);
  Put32(&b, 34, imageSize);
  Put32(&b, 46, colours);
  return b;
}

bool Fits(const std::string& file) {
  return BitmapFitsFile(reinterpret_cast<const unsigned char*>(file.data()),
                        file.size() < kBitmapHeadBytes ? file.size() : kBitmapHeadBytes, file.size());
}

}  // namespace

TEST(BitmapCheck, WholeBitmapsFit) {
  // The wizard's two sizes, 24 bits per pixel: rows of 468 and 1500 bytes.
  EXPECT_TRUE(Fits(Bitmap(155, 310, 24, 0, 0, 468 * 310)));
  EXPECT_TRUE(Fits(Bitmap(500, 60, 24, 0, 0, 1500 * 60)));
  // Top-down, and with a colour table of the depth.
  EXPECT_TRUE(Fits(Bitmap(155, -310, 24, 0, 0, 468 * 310)));
  EXPECT_TRUE(Fits(Bitmap(155, 310, 8, 0, 256, 156 * 310)));
  // Run-length encoded data of the stated size.
  EXPECT_TRUE(Fits(Bitmap(155, 310, 8, 1, 256, 3000, 3000)));
}

TEST(BitmapCheck, PixelsPastTheEndDoNotFit) {
  EXPECT_FALSE(Fits(Bitmap(155, 310, 24, 0, 0, 468 * 310 - 1)));
  EXPECT_FALSE(Fits(Bitmap(155, 310, 24, 0, 0, 2000)));
  EXPECT_FALSE(Fits(Bitmap(155, -310, 24, 0, 0, 2000)));
  EXPECT_FALSE(Fits(Bitmap(155, 310, 8, 1, 256, 3000, 3001)));
  // Sizes whose product would not fit 64 bits.
  EXPECT_FALSE(Fits(Bitmap(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0, 16)));
  EXPECT_FALSE(Fits(Bitmap(0x7FFFFFFF, -0x7FFFFFFF - 1, 32, 0, 0, 16)));
  // A colour table past the end.
  std::string table = Bitmap(4, 4, 8, 0, 0, 0);
  EXPECT_FALSE(Fits(table));
  // Pixels said to begin past the end.
  std::string beyond = Bitmap(1, 1, 24, 0, 0, 4);
  Put32(&beyond, 10, static_cast<uint32_t>(beyond.size() + 1));
  EXPECT_FALSE(Fits(beyond));
}

TEST(BitmapCheck, WhatIsNotABitmapDoesNotFit) {
  std::string good = Bitmap(2, 2, 24, 0, 0, 16);
  ASSERT_TRUE(Fits(good));
  EXPECT_FALSE(Fits(""));
  EXPECT_FALSE(Fits(good.substr(0, 20)));
  std::string notBm = good;
  notBm[1] = 'A';
  EXPECT_FALSE(Fits(notBm));
  for (uint32_t bits : {0u, 2u, 13u, 64u}) {
    std::string odd = good;
    Put16(&odd, 28, bits);
    EXPECT_FALSE(Fits(odd)) << bits;
  }
  for (int32_t width : {0, -2}) {
    std::string odd = good;
    Put32(&odd, 18, static_cast<uint32_t>(width));
    EXPECT_FALSE(Fits(odd)) << width;
  }
  std::string flat = good;
  Put32(&flat, 22, 0);
  EXPECT_FALSE(Fits(flat));
  std::string jpeg = good;
  Put32(&jpeg, 30, 4);
  EXPECT_FALSE(Fits(jpeg));
  std::string header = good;
  Put32(&header, 14, 20);  // neither a core nor an information header
  EXPECT_FALSE(Fits(header));
}

TEST(BitmapCheck, CoreHeaders) {
  // BITMAPCOREHEADER: 12 bytes, 16-bit sizes, 3-byte colours.
  std::string core(14 + 12 + 2 * 3 + 4 * 2, '\0');
  core[0] = 'B';
  core[1] = 'M';
  Put32(&core, 10, 14 + 12 + 6);
  Put32(&core, 14, 12);
  Put16(&core, 18, 2);
  Put16(&core, 20, 2);
  Put16(&core, 22, 1);
  Put16(&core, 24, 1);
  EXPECT_TRUE(Fits(core));
  core.resize(core.size() - 1);
  EXPECT_FALSE(Fits(core));
}
