// A program that the uninstaller tests have the uninstaller start:
//
//   uninstall_probe.exe WATCHED [hold]
//
// It appends three lines in UTF-8 to "<its own path>.log": its command line,
// "present" or "absent" for the file or folder WATCHED as it saw it at
// start, and its current folder. Then it sets the named event
// "TarnwickUninstallGate" when that exists (tests/helpers/uninstall_gate.cpp
// waits for it), and with "hold" it stays until the event
// "TarnwickProbeRelease" is set (at most 30 seconds), so that a test can see
// it running.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

void Append(const std::wstring& logPath, const std::wstring& entry) {
  int n = WideCharToMultiByte(CP_UTF8, 0, entry.data(), static_cast<int>(entry.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, entry.data(), static_cast<int>(entry.size()), &bytes[0], n, nullptr, nullptr);
  HANDLE log = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(log);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring watched = argc > 1 ? argv[1] : L"";
  const bool hold = argc > 2 && std::wstring(argv[2]) == L"hold";
  const bool present = !watched.empty() && GetFileAttributesW(watched.c_str()) != INVALID_FILE_ATTRIBUTES;

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  Append(std::wstring(self) + L".log",
         std::wstring(GetCommandLineW()) + L"\n" + (present ? L"present" : L"absent") + L"\n" + folder + L"\n");

  if (HANDLE gate = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"TarnwickUninstallGate")) {
    SetEvent(gate);
    CloseHandle(gate);
  }
  if (hold) {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"TarnwickProbeRelease");
    WaitForSingleObject(release, 30000);
    CloseHandle(release);
  }
  return 0;
}
