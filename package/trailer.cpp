#include "package/trailer.h"

namespace {
int32_t ReadInt32(const unsigned char* p) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return static_cast<int32_t>(v);
}
}  // namespace

TrailerState ReadTrailer(const unsigned char* tail, int64_t fileLength, PackageLayout* layout) {
  if (fileLength < kTrailerSize) return TrailerState::kIncomplete;
  if (tail[8] != 'E' || tail[9] != 'O' || tail[10] != 'F') return TrailerState::kIncomplete;
  const int64_t info = ReadInt32(tail);
  const int64_t payload = ReadInt32(tail + 4);
  if (info <= 0 || payload <= 0) return TrailerState::kCorrupted;
  if (payload + info + kTrailerSize > fileLength) return TrailerState::kCorrupted;
  layout->infoLength = info;
  layout->payloadLength = payload;
  layout->infoOffset = fileLength - kTrailerSize - info;
  layout->payloadOffset = layout->infoOffset - payload;
  return TrailerState::kWhole;
}

void WriteTrailer(int32_t infoLength, int32_t payloadLength, unsigned char out[kTrailerSize]) {
  const uint32_t values[2] = {static_cast<uint32_t>(infoLength), static_cast<uint32_t>(payloadLength)};
  for (int k = 0; k < 2; ++k)
    for (int b = 0; b < 4; ++b) out[k * 4 + b] = static_cast<unsigned char>(values[k] >> (8 * b));
  out[8] = 'E';
  out[9] = 'O';
  out[10] = 'F';
}
