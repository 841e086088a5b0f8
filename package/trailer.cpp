#include "package/trailer.h"

namespace {

uint32_t ReadUint32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadUint16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

int32_t ReadInt32(const unsigned char* p) { return static_cast<int32_t>(ReadUint32(p)); }

// The zero bytes a signing tool puts between the trailer and the table.
constexpr int kMaxAlignment = 7;

struct Memory {
  const unsigned char* bytes;
  int64_t length;
};

bool ReadMemory(void* file, int64_t offset, unsigned char* out, int count) {
  const Memory* m = static_cast<const Memory*>(file);
  if (offset < 0 || count < 0 || offset + count > m->length) return false;
  for (int i = 0; i < count; ++i) out[i] = m->bytes[offset + i];
  return true;
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

bool ReadPeHeaders(const unsigned char* head, int64_t length, PeHeaders* pe) {
  *pe = PeHeaders();
  if (length < 0x40 || head[0] != 'M' || head[1] != 'Z') return false;
  const int64_t signature = ReadUint32(head + 0x3C);
  if (signature + 24 > length) return false;
  if (head[signature] != 'P' || head[signature + 1] != 'E' || head[signature + 2] != 0 || head[signature + 3] != 0)
    return false;
  const unsigned char* coff = head + signature + 4;
  const int64_t sections = ReadUint16(coff + 2);
  const int64_t optionalSize = ReadUint16(coff + 16);
  const int64_t optional = signature + 24;
  if (optional + 2 > length) return false;
  int64_t countAt;  // of the data directories, within the optional header
  switch (ReadUint16(head + optional)) {
    case 0x10B: countAt = 92; break;
    case 0x20B: countAt = 108; break;
    default: return false;
  }
  if (optionalSize < countAt + 4 || optional + optionalSize > length) return false;
  const int64_t sectionTable = optional + optionalSize;
  if (sectionTable + 40 * sections > length) return false;

  int64_t imageEnd = ReadUint32(head + optional + 60);  // SizeOfHeaders
  for (int64_t s = 0; s < sections; ++s) {
    const unsigned char* section = head + sectionTable + 40 * s;
    const int64_t rawSize = ReadUint32(section + 16);
    const int64_t end = rawSize == 0 ? 0 : ReadUint32(section + 20) + rawSize;
    if (end > imageEnd) imageEnd = end;
  }
  pe->imageEnd = imageEnd;
  pe->machine = ReadUint16(coff);
  pe->checksumAt = optional + 64;
  const int64_t entry = optional + countAt + 4 + 4 * 8;
  if (ReadUint32(head + optional + countAt) > 4 && entry + 8 <= sectionTable) {
    pe->securityEntryAt = entry;
    pe->tableOffset = ReadUint32(head + entry);
    pe->tableSize = ReadUint32(head + entry + 4);
  }
  return true;
}

TrailerState FindTrailerEnd(int64_t fileLength, const PeHeaders& pe, ReadBytes read, void* file,
                            int64_t* trailerEnd) {
  if (!pe.Signed()) {
    *trailerEnd = fileLength;
    return TrailerState::kWhole;
  }
  const int64_t table = pe.tableOffset;
  if (table + pe.tableSize != fileLength) return TrailerState::kCorrupted;
  if (table < pe.imageEnd + kTrailerSize) return TrailerState::kCorrupted;
  unsigned char before[kMaxAlignment];
  if (!read(file, table - kMaxAlignment, before, kMaxAlignment)) return TrailerState::kIncomplete;
  int zeros = 0;
  while (zeros < kMaxAlignment && before[kMaxAlignment - 1 - zeros] == 0) ++zeros;
  if (table - zeros < pe.imageEnd + kTrailerSize) return TrailerState::kCorrupted;
  *trailerEnd = table - zeros;
  return TrailerState::kWhole;
}

TrailerState ReadPackageLayout(int64_t fileLength, ReadBytes read, void* file, PackageLayout* layout) {
  if (fileLength < kTrailerSize) return TrailerState::kIncomplete;
  unsigned char head[kPeHeadSize];
  const int headLength = fileLength < kPeHeadSize ? static_cast<int>(fileLength) : kPeHeadSize;
  if (!read(file, 0, head, headLength)) return TrailerState::kIncomplete;
  PeHeaders pe;
  ReadPeHeaders(head, headLength, &pe);  // no headers: unsigned

  int64_t end = 0;
  const TrailerState found = FindTrailerEnd(fileLength, pe, read, file, &end);
  if (found != TrailerState::kWhole) return found;
  unsigned char tail[kTrailerSize];
  if (!read(file, end - kTrailerSize, tail, kTrailerSize)) return TrailerState::kIncomplete;
  PackageLayout candidate;
  TrailerState state = ReadTrailer(tail, end, &candidate);
  if (pe.Signed()) {
    if (state == TrailerState::kIncomplete) state = TrailerState::kCorrupted;
    if (state == TrailerState::kWhole && candidate.payloadOffset < pe.imageEnd) state = TrailerState::kCorrupted;
  }
  if (state == TrailerState::kWhole) *layout = candidate;
  return state;
}

TrailerState ReadPackageLayout(const unsigned char* bytes, int64_t length, PackageLayout* layout) {
  Memory m = {bytes, length};
  return ReadPackageLayout(length, ReadMemory, &m, layout);
}
