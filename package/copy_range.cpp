#include "common/files.h"
#include "common/heap.h"
#include "package/package.h"

bool CopyRange(HANDLE source, HANDLE destination, int64_t offset, int64_t length, CopyProgress progress) {
  void* buffer = HeapBytes(static_cast<size_t>(kCopyChunk));
  if (!buffer) return false;
  LARGE_INTEGER at;
  at.QuadPart = offset;
  bool ok = SetFilePointerEx(source, at, nullptr, FILE_BEGIN) != 0;
  const int64_t chunks = length / kCopyChunk;
  for (int64_t i = 1; ok && i <= chunks + 1; ++i) {
    DWORD want = static_cast<DWORD>(i <= chunks ? kCopyChunk : length % kCopyChunk);
    if (want == 0) break;
    ok = ReadChunk(source, buffer, want) && WriteAll(destination, buffer, want);
    if (ok && i <= chunks && progress && progress(static_cast<int>(i * 100 / chunks))) ok = false;
  }
  FreeHeapBytes(buffer);
  return ok;
}
