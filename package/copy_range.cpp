#include "common/files.h"
#include "common/heap.h"
#include "common/system_api.h"
#include "package/package.h"

namespace {

// A chunk is read and written in pieces of 1 MiB: a buffer of 5 MiB does
// not stay in the processor's cache, and the copy then ran at a fraction of
// CopyFileW's speed.
constexpr DWORD kPiece = 1048576;
static_assert(kCopyChunk % kPiece == 0, "a chunk is whole pieces");

bool CopyPieces(HANDLE source, HANDLE destination, void* buffer, int64_t length) {
  while (length > 0) {
    const DWORD want = length < kPiece ? static_cast<DWORD>(length) : kPiece;
    if (!ReadChunk(source, buffer, want) || !WriteAll(destination, buffer, want)) return false;
    length -= want;
  }
  return true;
}

}  // namespace

bool CopyRange(HANDLE source, HANDLE destination, int64_t offset, int64_t length, CopyProgress progress) {
  void* buffer = HeapBytes(kPiece);
  if (!buffer) return false;
  bool ok = SeekTo(source, offset);
  const int64_t chunks = length / kCopyChunk;
  for (int64_t i = 1; ok && i <= chunks + 1; ++i) {
    const int64_t want = i <= chunks ? kCopyChunk : length % kCopyChunk;
    if (want == 0) break;
    ok = CopyPieces(source, destination, buffer, want);
    if (ok && i <= chunks && progress && progress(static_cast<int>(i * 100 / chunks))) ok = false;
  }
  FreeHeapBytes(buffer);
  return ok;
}
