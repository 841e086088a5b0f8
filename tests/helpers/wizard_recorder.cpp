// A program that notes how it was started: it appends its command line and
// its current folder, one line each in UTF-8, to "<its own path>.log" and
// ends at once. Copies of it under other names act as a program that a
// finish option runs or as the handler the shell starts for a web address.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring entry = std::wstring(GetCommandLineW()) + L"\n" + folder + L"\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, entry.data(), static_cast<int>(entry.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, entry.data(), static_cast<int>(entry.size()), &bytes[0], n, nullptr, nullptr);
  HANDLE log = CreateFileW((std::wstring(self) + L".log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(log);
  return 0;
}
