// Linked into the test builds of the setup stub and the uninstaller in place
// of the real restart request: it appends the flags to
// C:\tarnwick-restart-requests.txt and reports success.
#include <windows.h>

#include <cstdio>

BOOL RequestExitWindows(UINT flags) {
  HANDLE f = CreateFileW(L"C:\\tarnwick-restart-requests.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return FALSE;
  char line[32];
  int n = std::snprintf(line, sizeof line, "%u\r\n", flags);
  DWORD written = 0;
  WriteFile(f, line, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(f);
  return TRUE;
}
