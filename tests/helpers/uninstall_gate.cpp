// A COM server stand-in for the uninstaller tests, registered and
// unregistered through regsvr32.exe. Unregistering appends "unregistered"
// to "<its own path>.log" and then waits until the named event
// "TarnwickUninstallGate" is set (at most 30 seconds; not at all when no
// such event exists). The uninstaller waits for regsvr32, so a test holds
// the removal at this point for as long as it needs.
#include <windows.h>

namespace {
HMODULE g_module;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) g_module = module;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return S_OK; }

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  wchar_t path[MAX_PATH + 8] = {};
  GetModuleFileNameW(g_module, path, MAX_PATH);
  lstrcatW(path, L".log");
  HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log, "unregistered\n", 13, &written, nullptr);
    CloseHandle(log);
  }
  if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, L"TarnwickUninstallGate")) {
    WaitForSingleObject(gate, 30000);
    CloseHandle(gate);
  }
  return S_OK;
}
