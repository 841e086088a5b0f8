#include "package/archive_reader.h"

#include <cstdint>
#include <cstring>

#include "common/heap.h"
#include "common/prelude.h"

namespace {

constexpr size_t kWindow = 65536;

struct Window {
  uint64_t start;
  size_t length;  // bytes of the file held; 0: none
  unsigned used;  // when it served last: the older window is refilled
  char* bytes;
};

struct Archive {
  HANDLE file;
  uint64_t size;      // the file's size when it was opened
  uint64_t position;  // where the reader is
  uint64_t at;        // where the file pointer is
  unsigned clock;
  int error;  // the system's error code of a failed read; 0 without one
  Window windows[2];
};

// Reads at the reader's position into `into`: what the file has there, up
// to `size` bytes (none beyond its end, as a direct read gives).
DWORD ReadHere(Archive* a, char* into, size_t size) {
  if (a->at != a->position) {
    LONG high = static_cast<LONG>(a->position >> 32);
    if (SetFilePointer(a->file, static_cast<LONG>(a->position & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
      a->error = static_cast<int>(GetLastError());
      return 0;
    }
    a->at = a->position;
  }
  DWORD got = 0;
  if (!ReadFile(a->file, into, static_cast<DWORD>(size), &got, nullptr) && GetLastError() != ERROR_HANDLE_EOF)
    a->error = static_cast<int>(GetLastError());
  a->at += got;
  return got;
}

voidpf ZCALLBACK Open(voidpf, const void* name, int mode) {
  if (!name || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  HANDLE file = CreateFileW(static_cast<const wchar_t*>(name), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  auto* a = static_cast<Archive*>(HeapBytes(sizeof(Archive) + 2 * kWindow, true));
  if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || !a) {
    FreeHeapBytes(a);
    CloseHandle(file);
    return nullptr;
  }
  a->file = file;
  a->size = static_cast<uint64_t>(high) << 32 | low;
  for (int i = 0; i < 2; ++i) a->windows[i].bytes = reinterpret_cast<char*>(a + 1) + i * kWindow;
  return a;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* a = static_cast<Archive*>(stream);
  auto* out = static_cast<char*>(buffer);
  uLong done = 0;
  while (done < size && a->position < a->size) {
    Window* w = nullptr;
    for (Window& x : a->windows)
      if (x.length && a->position >= x.start && a->position < x.start + x.length) w = &x;
    if (!w) {
      // A read as large as a window goes straight to the caller.
      if (size - done >= kWindow) {
        const DWORD got = ReadHere(a, out + done, size - done);
        a->position += got;
        done += got;
        break;
      }
      w = a->windows[0].used <= a->windows[1].used ? &a->windows[0] : &a->windows[1];
      w->start = a->position;
      w->length = ReadHere(a, w->bytes, kWindow);
      if (!w->length) break;
    }
    w->used = ++a->clock;
    const size_t offset = static_cast<size_t>(a->position - w->start);
    size_t n = w->length - offset;
    if (n > size - done) n = size - done;
    std::memcpy(out + done, w->bytes + offset, n);
    a->position += n;
    done += static_cast<uLong>(n);
  }
  return done;
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) { return static_cast<Archive*>(stream)->position; }

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* a = static_cast<Archive*>(stream);
  uint64_t to;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: to = offset; break;
    case ZLIB_FILEFUNC_SEEK_CUR: to = a->position + offset; break;
    case ZLIB_FILEFUNC_SEEK_END: to = a->size + offset; break;
    default: return -1;
  }
  if (to >> 63) return -1;  // the system takes no position beyond 2^63
  a->position = to;
  return 0;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
  auto* a = static_cast<Archive*>(stream);
  CloseHandle(a->file);
  FreeHeapBytes(a);
  return 0;
}

int ZCALLBACK Error(voidpf, voidpf stream) { return static_cast<Archive*>(stream)->error; }

}  // namespace

void FillArchiveReader(zlib_filefunc64_def* io) {
  io->zopen64_file = Open;
  io->zread_file = Read;
  io->zwrite_file = Write;
  io->ztell64_file = Tell;
  io->zseek64_file = Seek;
  io->zclose_file = Close;
  io->zerror_file = Error;
  io->opaque = nullptr;
}
