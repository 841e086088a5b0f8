// A running program for the installer to stop: "victim.exe FILE MARKER".
// It opens FILE (unless it is "-") for reading and writing and shares it with
// nobody, so that nothing else can write the file while it runs; then it
// writes the MARKER file and waits (two minutes at most). Tests start copies
// of it under the names a KILLTASK line lists.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 3) return 2;
  const std::wstring held = args[1], marker = args[2];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (held != L"-") {
    file = CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
  }
  HANDLE m = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (m != INVALID_HANDLE_VALUE) CloseHandle(m);
  Sleep(120000);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
