// Feeds arbitrary trailers and file lengths to the package layout, and
// arbitrary files to the reading of PE headers and of a whole package.
// Input: the file length (8 bytes, little-endian, signed), then the last 11
// bytes of the file (missing bytes are zero); what follows is a file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "package/trailer.h"

namespace {

int64_t Int64At(const uint8_t* p) {
  uint64_t v = 0;
  for (int b = 7; b >= 0; --b) v = v << 8 | p[b];
  return static_cast<int64_t>(v);
}

int32_t Int32At(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// A whole file: whatever layout is found lies inside it, ends where the
// security directory says the trailer ends, and reads the same by parts.
void CheckFile(const uint8_t* file, int64_t length) {
  PeHeaders pe;
  const bool headers = ReadPeHeaders(file, length < kPeHeadSize ? length : kPeHeadSize, &pe);
  if (headers) {
    if (pe.checksumAt + 4 > length || pe.securityEntryAt + 8 > length || pe.imageEnd < 0) __builtin_trap();
    if (pe.securityEntryAt == 0 && pe.Signed()) __builtin_trap();
  } else if (pe.Signed() || pe.securityEntryAt != 0) {
    __builtin_trap();
  }

  PackageLayout layout;
  const TrailerState state = ReadPackageLayout(file, length, &layout);
  if (state != TrailerState::kWhole) return;
  const int64_t end = layout.infoOffset + layout.infoLength + kTrailerSize;
  if (layout.payloadOffset < 0 || layout.payloadLength <= 0 || layout.infoLength <= 0) __builtin_trap();
  if (layout.payloadOffset + layout.payloadLength != layout.infoOffset || end > length) __builtin_trap();
  if (memcmp(file + end - 3, "EOF", 3) != 0) __builtin_trap();
  if (pe.Signed()) {
    // The table ends the file; only up to 7 zero bytes lie between it and
    // the trailer, and the archives lie after the stub's image.
    const int64_t table = pe.tableOffset;
    if (table + pe.tableSize != length || table < end || table - end > 7) __builtin_trap();
    for (int64_t i = end; i < table; ++i)
      if (file[i] != 0) __builtin_trap();
    if (layout.payloadOffset < pe.imageEnd) __builtin_trap();
  } else if (end != length) {
    __builtin_trap();
  }
  PackageLayout again;
  if (ReadTrailer(file + end - kTrailerSize, end, &again) != TrailerState::kWhole) __builtin_trap();
  if (again.payloadOffset != layout.payloadOffset || again.infoLength != layout.infoLength) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t input[8 + kTrailerSize] = {};
  memcpy(input, data, size < sizeof input ? size : sizeof input);
  const int64_t fileLength = Int64At(input);
  const unsigned char* tail = input + 8;
  const int64_t info = Int32At(tail), payload = Int32At(tail + 4);
  const bool marked = tail[8] == 'E' && tail[9] == 'O' && tail[10] == 'F';

  PackageLayout layout;
  const TrailerState state = ReadTrailer(tail, fileLength, &layout);
  if (fileLength < kTrailerSize || !marked) {
    if (state != TrailerState::kIncomplete) __builtin_trap();
  } else {
    const bool fits = info > 0 && payload > 0 && fileLength - kTrailerSize - info - payload >= 0;
    if (state != (fits ? TrailerState::kWhole : TrailerState::kCorrupted)) __builtin_trap();
  }
  if (state == TrailerState::kWhole) {
    // Stub, payload, information and trailer tile the file exactly.
    if (layout.payloadOffset < 0 || layout.payloadLength != payload || layout.infoLength != info) __builtin_trap();
    if (layout.payloadOffset + layout.payloadLength != layout.infoOffset) __builtin_trap();
    if (layout.infoOffset + layout.infoLength + kTrailerSize != fileLength) __builtin_trap();
    unsigned char again[kTrailerSize];
    WriteTrailer(static_cast<int32_t>(info), static_cast<int32_t>(payload), again);
    if (memcmp(again, tail, kTrailerSize) != 0) __builtin_trap();
  }

  // Whatever lengths are written are read back when the file can hold them.
  unsigned char written[kTrailerSize];
  WriteTrailer(static_cast<int32_t>(info), static_cast<int32_t>(payload), written);
  if (Int32At(written) != info || Int32At(written + 4) != payload) __builtin_trap();
  if (written[8] != 'E' || written[9] != 'O' || written[10] != 'F') __builtin_trap();
  if (info > 0 && payload > 0) {
    const int64_t smallest = info + payload + kTrailerSize;
    PackageLayout l;
    if (ReadTrailer(written, smallest, &l) != TrailerState::kWhole || l.payloadOffset != 0) __builtin_trap();
    if (ReadTrailer(written, smallest - 1, &l) != TrailerState::kCorrupted) __builtin_trap();
  }
  if (size > sizeof input) CheckFile(data + sizeof input, static_cast<int64_t>(size - sizeof input));
  return 0;
}
