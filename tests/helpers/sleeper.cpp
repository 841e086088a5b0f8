// A program that waits: "sleeper.exe SECONDS [MARKER-FILE]". It writes the
// marker file (when given) once it runs, so that tests know it started.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  int seconds = std::atoi(commandLine);
  const char* marker = commandLine;
  while (*marker && *marker != ' ') ++marker;
  while (*marker == ' ') ++marker;
  if (*marker) {
    HANDLE f = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  }
  Sleep(static_cast<DWORD>(seconds > 0 ? seconds : 60) * 1000);
  return 0;
}
