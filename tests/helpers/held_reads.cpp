// The tests' build of the stub reads the pieces of its copies like the
// product, but first waits for the event that TARNWICK_HOLD_READS names,
// when a test started it with that variable: the test can then act while a
// copy is provably still running, and lets it go on by setting the event.
#include <windows.h>

#include "package/package.h"

bool ReadChunk(HANDLE file, void* buffer, DWORD size) {
  wchar_t name[128] = {};
  DWORD n = GetEnvironmentVariableW(L"TARNWICK_HOLD_READS", name, 128);
  if (n > 0 && n < 128) {
    if (HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, name)) {
      WaitForSingleObject(release, 60000);
      CloseHandle(release);
    }
  }
  DWORD got = 0;
  return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}
