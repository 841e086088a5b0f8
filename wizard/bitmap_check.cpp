#include "wizard/bitmap_check.h"

namespace {

uint32_t Get16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Get32(const unsigned char* p) { return Get16(p) | Get16(p + 2) << 16; }

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

}  // namespace

bool BitmapFitsFile(const unsigned char* head, size_t headLength, uint64_t fileSize) {
  if (headLength < 14 + 12 || head[0] != 'B' || head[1] != 'M') return false;
  const uint64_t pixelsAt = Get32(head + 10);
  const uint64_t headerSize = Get32(head + 14);
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = kRgb, imageSize = 0, colours = 0, entryBytes = 4;
  if (headerSize == 12) {  // BITMAPCOREHEADER: 16-bit sizes, 3-byte colours
    width = Get16(head + 18);
    height = Get16(head + 20);
    bits = Get16(head + 24);
    entryBytes = 3;
  } else if (headerSize >= 40 && headLength >= 14 + 40) {
    width = static_cast<int32_t>(Get32(head + 18));
    height = static_cast<int32_t>(Get32(head + 22));
    bits = Get16(head + 28);
    compression = Get32(head + 30);
    imageSize = Get32(head + 34);
    colours = Get32(head + 46);
  } else {
    return false;
  }
  if (width <= 0 || height == 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;

  // The colour table: as many colours as stated, at most those of the depth.
  uint64_t entries = colours;
  if (bits <= 8 && (entries == 0 || entries > (1u << bits))) entries = 1u << bits;
  const uint64_t masks = compression == kBitFields && headerSize == 40 ? 12 : 0;
  if (14 + headerSize + masks + entries * entryBytes > fileSize || pixelsAt > fileSize) return false;

  const uint64_t room = fileSize - pixelsAt;
  const uint64_t rows = height < 0 ? static_cast<uint64_t>(-height) : static_cast<uint64_t>(height);
  switch (compression) {
    case kRgb:
    case kBitFields: {
      if (compression == kBitFields && bits != 16 && bits != 32) return false;
      const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
      return rows <= room / stride;
    }
    case kRle8:
      return bits == 8 && height > 0 && imageSize != 0 && imageSize <= room;
    case kRle4:
      return bits == 4 && height > 0 && imageSize != 0 && imageSize <= room;
    default:
      return false;  // JPEG, PNG and others: not Windows bitmaps for LoadImage
  }
}
