// The program a RUN task starts: it notes how it was started, then ends.
//
// Beside itself it writes <name>.txt (UTF-8, one "key=value" a line):
//   args=  the command line after its own name
//   cwd=   its current folder
//   show=  STARTUPINFO.wShowWindow, or -1 when the start gave none
//   nshow= the show state its WinMain received
// The file appears whole (it is written under another name and renamed), so
// a test that sees it can read it at once. When <name>.hold lies beside it,
// it then waits until <name>.go appears (at most two minutes) before it ends:
// that is how a test keeps an installer inside a waited RUN task.
#include <windows.h>

#include <string>

#include "tests/helpers/utf8.h"

namespace {

// The command line without the program's own name and the blanks after it.
std::wstring Arguments() {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int nShow) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring stem = self;
  stem = stem.substr(0, stem.find_last_of(L'.'));

  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  GetStartupInfoW(&si);
  const int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;

  const std::string report = "args=" + WideToUtf8(Arguments()) + "\r\ncwd=" + WideToUtf8(cwd) +
                             "\r\nshow=" + std::to_string(show) + "\r\nnshow=" + std::to_string(nShow) + "\r\n";
  const std::wstring partial = stem + L".part";
  HANDLE f = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(f, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(f);
    MoveFileExW(partial.c_str(), (stem + L".txt").c_str(), MOVEFILE_REPLACE_EXISTING);
  }

  if (Exists(stem + L".hold")) {
    for (int waited = 0; waited < 120000 && !Exists(stem + L".go"); waited += 50) Sleep(50);
  }
  return 0;
}
