#include "package/archive_ends.h"

#include <string>

namespace {

bool IsEndSignature(const unsigned char* p) { return p[0] == 'P' && p[1] == 'K' && p[2] == 5 && p[3] == 6; }

uint64_t Little(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes; i-- > 0;) v = v << 8 | p[i];
  return v;
}

// The end record's figures, from its 64-bit form where one of them is the
// mark for "see there": the locator is the 20 bytes before the end record,
// and names where the 64-bit record lies.
void ReadDirectoryFigures(ReadBytes read, void* archive, const std::string& tail, size_t record, ArchiveEnds* ends) {
  const auto* r = reinterpret_cast<const unsigned char*>(tail.data()) + record;
  ends->directoryEntries = Little(r + 10, 2);
  ends->directorySize = Little(r + 12, 4);
  const bool wide = ends->directoryEntries == 0xFFFF || ends->directorySize == 0xFFFFFFFF || Little(r + 16, 4) == 0xFFFFFFFF;
  if (!wide) {
    ends->directoryKnown = true;
    return;
  }
  if (record < 20) return;
  const auto* locator = r - 20;
  if (!(locator[0] == 'P' && locator[1] == 'K' && locator[2] == 6 && locator[3] == 7)) return;
  unsigned char wideRecord[56];
  const uint64_t at = Little(locator + 8, 8);
  if (at > ends->archiveSize || !read(archive, static_cast<int64_t>(at), wideRecord, sizeof wideRecord) ||
      !(wideRecord[0] == 'P' && wideRecord[1] == 'K' && wideRecord[2] == 6 && wideRecord[3] == 6))
    return;
  ends->directoryEntries = Little(wideRecord + 32, 8);
  ends->directorySize = Little(wideRecord + 40, 8);
  ends->directoryKnown = true;
}

}  // namespace

ArchiveEnds ReadArchiveEnds(int64_t size, ReadBytes read, void* archive) {
  constexpr int64_t kRecord = 22, kSearched = 0xFFFF;
  ArchiveEnds ends;
  if (size < 0) return ends;
  ends.archiveSize = static_cast<uint64_t>(size);
  unsigned char head[kRecord] = {};
  ends.empty = size >= kRecord && read(archive, 0, head, sizeof head) && IsEndSignature(head) && head[8] == 0 &&
               head[9] == 0 && head[10] == 0 && head[11] == 0;
  const int64_t length = size < kSearched ? size : kSearched;
  std::string tail(static_cast<size_t>(length), '\0');
  if (length < 4 ||
      !read(archive, size - length, reinterpret_cast<unsigned char*>(&tail[0]), static_cast<int>(length)))
    return ends;
  for (size_t i = tail.size() - 4 + 1; i-- > 0;)
    if (IsEndSignature(reinterpret_cast<const unsigned char*>(&tail[i]))) {
      ends.endRecordCut = static_cast<int64_t>(tail.size() - i) < kRecord;
      if (!ends.endRecordCut) ReadDirectoryFigures(read, archive, tail, i, &ends);
      break;
    }
  return ends;
}
