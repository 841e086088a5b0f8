// Linked into the test build of the setup stub in place of the real
// AfterTask: when TARNWICK_OUT_OF_MEMORY_AFTER names the task just done,
// the run ends as it does when memory runs out, once the file that
// TARNWICK_OUT_OF_MEMORY_WHEN names exists (when set; 60 s at most).
#include <windows.h>

#include <string>

#include "common/fatal_end.h"
#include "install/executor.h"

namespace {
std::wstring Variable(const wchar_t* name) {
  wchar_t value[512] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, 512);
  return n > 0 && n < 512 ? value : L"";
}
}  // namespace

void AfterTask(const std::wstring& taskName) {
  if (taskName.empty() || Variable(L"TARNWICK_OUT_OF_MEMORY_AFTER") != taskName) return;
  const std::wstring when = Variable(L"TARNWICK_OUT_OF_MEMORY_WHEN");
  for (int i = 0; i < 600 && !when.empty() && GetFileAttributesW(when.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(100);
  EndOutOfMemory();
}
