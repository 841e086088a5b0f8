// A DLL that announces that it was loaded: it writes C:\planted-<name>.txt.
// Copies of it are planted beside packages under the names of system DLLs;
// a package must never load them.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
      if (*p == L'\\' || *p == L'/') name = p + 1;
    wchar_t marker[MAX_PATH + 32];
    wsprintfW(marker, L"C:\\planted-%s.txt", name);
    HANDLE f = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  }
  return TRUE;
}
