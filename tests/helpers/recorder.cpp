// A program that notes how it was started: it appends its command line and
// its current folder, one line each in UTF-8, to "<its own path>.log".
//
// Built twice. wizard_recorder ends at once: copies of it under other names
// act as a program that a finish option runs or as the handler the shell
// starts for a web address. ops_recorder (RECORDER_DELAY_MS=500) first waits
// half a second, so that a caller that did not wait for it finds no entry
// yet: copies of it stand in for system programs (regsvr32.exe).
#include <windows.h>

#include <string>

#include "tests/helpers/utf8.h"

#ifndef RECORDER_DELAY_MS
#define RECORDER_DELAY_MS 0
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#if RECORDER_DELAY_MS > 0
  Sleep(RECORDER_DELAY_MS);
#endif
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::string bytes = WideToUtf8(std::wstring(GetCommandLineW()) + L"\n" + folder + L"\n");
  HANDLE log = CreateFileW((std::wstring(self) + L".log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(log);
  return 0;
}
