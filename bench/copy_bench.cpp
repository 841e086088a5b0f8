// Times the setup stub's payload copy (CopyRange: 5 MiB chunks, read and
// written in pieces of 1 MiB) and Windows' own CopyFileW on the same file,
// under the same system. Each copy is timed from the creation of the
// target to its close; deleting the target afterwards is not counted.
//   copy_bench.exe SOURCE TARGET
#include <windows.h>

#include <cstdio>

#include "package/package.h"

namespace {
double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE in = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER size;
  if (in == INVALID_HANDLE_VALUE || !GetFileSizeEx(in, &size)) return 1;
  LARGE_INTEGER t0, t1, t2, t3;
  QueryPerformanceCounter(&t0);
  HANDLE out = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = out != INVALID_HANDLE_VALUE && CopyRange(in, out, 0, size.QuadPart, nullptr);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  QueryPerformanceCounter(&t1);
  CloseHandle(in);
  DeleteFileW(argv[2]);
  QueryPerformanceCounter(&t2);
  ok = CopyFileW(argv[1], argv[2], FALSE) && ok;
  QueryPerformanceCounter(&t3);
  DeleteFileW(argv[2]);
  std::printf("CopyRange %.4f\nCopyFileW %.4f\n", Seconds(t0, t1), Seconds(t2, t3));
  return ok ? 0 : 1;
}
