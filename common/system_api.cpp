#include "common/system_api.h"


void RestrictDllSearchPath() {
  using SetDirs = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set = reinterpret_cast<SetDirs>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Also take the current folder out of the search of older systems.
  using SetDll = BOOL(WINAPI*)(LPCWSTR);
  auto setDll = reinterpret_cast<SetDll>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
  if (setDll) setDll(L"");
  // Libraries that the common controls bring in on their own: loaded now by
  // full path, so that a later load by name finds them already there. Also
  // covers systems that resolve such dependencies from the program's folder.
  for (const wchar_t* name : {L"uxtheme.dll", L"msimg32.dll", L"dwmapi.dll"}) LoadSystemLibrary(name);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::wstring path(folder, n);
  if (path.back() != L'\\') path += L'\\';
  path += name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::wstring TempFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH, buf);
  if (n == 0 || n > MAX_PATH) return std::wstring();
  using LongPath = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  auto toLong = reinterpret_cast<LongPath>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetLongPathNameW")));
  if (toLong) {
    wchar_t longer[MAX_PATH + 1] = {};
    DWORD m = toLong(buf, longer, MAX_PATH);
    if (m > 0 && m < MAX_PATH) return std::wstring(longer, m);
  }
  return std::wstring(buf, n);
}
