#include "common/system_api.h"

#include <vector>

#include <restartmanager.h>


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

std::wstring FinalPathOf(HANDLE file) {
  using Final = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  static auto final = reinterpret_cast<Final>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  if (!final) return std::wstring();
  std::vector<wchar_t> buf(32768);
  const DWORD n = final(file, buf.data(), static_cast<DWORD>(buf.size()), 0);  // normalized, with its drive letter
  return n > 0 && n < buf.size() ? std::wstring(buf.data(), n) : std::wstring();
}

std::wstring UpperCaseHere(const std::wstring& s) {
  std::wstring upper = s;
  if (!upper.empty()) CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  return upper;
}

bool SameTextNoCase(const std::wstring& a, const std::wstring& b) {
  using Compare = int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL);
  static auto compare = reinterpret_cast<Compare>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CompareStringOrdinal")));
  if (a.size() != b.size()) return false;  // the case mapping keeps every text's length
  if (compare) return compare(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) == 2;
  return UpperCaseHere(a) == UpperCaseHere(b);
}

std::vector<std::wstring> ComputerNames() {
  std::vector<std::wstring> names;
  wchar_t buf[256] = {};
  DWORD n = 256;
  if (GetComputerNameW(buf, &n)) names.push_back(std::wstring(buf, n));
  using NameEx = BOOL(WINAPI*)(int, LPWSTR, LPDWORD);
  auto nameEx = reinterpret_cast<NameEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetComputerNameExW")));
  // ComputerNameDnsHostname and ComputerNameDnsFullyQualified.
  for (int kind : {1, 3}) {
    n = 256;
    if (nameEx && nameEx(kind, buf, &n) && n) names.push_back(std::wstring(buf, n));
  }
  return names;
}

std::wstring KnownFolderPath(const GUID& id) {
  using Get = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
  using Free = void(WINAPI*)(LPVOID);
  static auto get = reinterpret_cast<Get>(
      reinterpret_cast<void*>(GetProcAddress(LoadSystemLibrary(L"shell32.dll"), "SHGetKnownFolderPath")));
  static auto release =
      reinterpret_cast<Free>(reinterpret_cast<void*>(GetProcAddress(LoadSystemLibrary(L"ole32.dll"), "CoTaskMemFree")));
  if (!get || !release) return std::wstring();
  PWSTR path = nullptr;
  std::wstring found;
  if (SUCCEEDED(get(id, 0, nullptr, &path)) && path) found = path;
  if (path) release(path);
  return found;
}

namespace {

// The Restart Manager's entries, looked up once.
struct RestartManager {
  using Start = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
  using End = DWORD(WINAPI*)(DWORD);
  using Register = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
  using GetList = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, LPDWORD);
  using Shutdown = DWORD(WINAPI*)(DWORD, ULONG, RM_WRITE_STATUS_CALLBACK);
  using Restart = DWORD(WINAPI*)(DWORD, DWORD, RM_WRITE_STATUS_CALLBACK);
  Start start = nullptr;
  End end = nullptr;
  Register add = nullptr;
  GetList list = nullptr;
  Shutdown shutdown = nullptr;
  Restart restart = nullptr;
  std::vector<DWORD> closed;  // sessions whose programs were shut down
};

template <typename Fn>
void Look(HMODULE library, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

RestartManager& Rm() {
  static RestartManager rm;
  static bool looked = false;
  if (!looked) {
    looked = true;
    if (HMODULE library = LoadSystemLibrary(L"rstrtmgr.dll")) {
      Look(library, "RmStartSession", &rm.start);
      Look(library, "RmEndSession", &rm.end);
      Look(library, "RmRegisterResources", &rm.add);
      Look(library, "RmGetList", &rm.list);
      Look(library, "RmShutdown", &rm.shutdown);
      Look(library, "RmRestart", &rm.restart);
    }
  }
  return rm;
}

// A session with `path` registered; false where there is none.
bool OpenSession(const std::wstring& path, DWORD* session) {
  RestartManager& rm = Rm();
  if (!rm.start || !rm.end || !rm.add || !rm.list) return false;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (rm.start(session, 0, key) != ERROR_SUCCESS) return false;
  LPCWSTR files[] = {path.c_str()};
  if (rm.add(*session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) return true;
  rm.end(*session);
  return false;
}

}  // namespace

std::vector<HoldingProgram> ProgramsHolding(const std::wstring& path) {
  std::vector<HoldingProgram> found;
  DWORD session = 0;
  if (!OpenSession(path, &session)) return found;
  RestartManager& rm = Rm();
  std::vector<RM_PROCESS_INFO> info(8);
  for (int tries = 0; tries < 3; ++tries) {
    UINT needed = 0, count = static_cast<UINT>(info.size());
    DWORD reasons = 0;
    const DWORD r = rm.list(session, &needed, &count, info.data(), &reasons);
    if (r == ERROR_MORE_DATA) {
      info.resize(needed + 4);
      continue;
    }
    if (r == ERROR_SUCCESS)
      for (UINT i = 0; i < count; ++i)
        found.push_back({info[i].Process.dwProcessId, info[i].strAppName,
                         (info[i].bRestartable != FALSE)});
    break;
  }
  rm.end(session);
  return found;
}

bool CloseProgramsHolding(const std::wstring& path) {
  RestartManager& rm = Rm();
  DWORD session = 0;
  if (!rm.shutdown || !OpenSession(path, &session)) return false;
  if (rm.shutdown(session, RmForceShutdown, nullptr) != ERROR_SUCCESS) {
    rm.end(session);
    return false;
  }
  rm.closed.push_back(session);
  return true;
}

void RestartClosedPrograms() {
  RestartManager& rm = Rm();
  for (DWORD session : rm.closed) {
    if (rm.restart) rm.restart(session, 0, nullptr);
    rm.end(session);
  }
  rm.closed.clear();
}

namespace {

template <typename Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

void DeclareDpiAwareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  using SetAware = BOOL(WINAPI*)();
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 (-4) and _PER_MONITOR_AWARE (-3).
  if (auto set = User32Function<SetContext>("SetProcessDpiAwarenessContext"))
    if (set(reinterpret_cast<HANDLE>(-4)) || set(reinterpret_cast<HANDLE>(-3))) return;
  if (auto aware = User32Function<SetAware>("SetProcessDPIAware")) aware();
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int DpiOfWindow(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static auto get = User32Function<GetDpi>("GetDpiForWindow");
  const int dpi = get && window ? static_cast<int>(get(window)) : 0;
  return dpi > 0 ? dpi : SystemDpi();
}

void WindowRectForDpi(RECT* r, DWORD style, DWORD exStyle, int dpi) {
  using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static auto adjust = User32Function<Adjust>("AdjustWindowRectExForDpi");
  if (!adjust || !adjust(r, style, FALSE, exStyle, static_cast<UINT>(dpi))) AdjustWindowRectEx(r, style, FALSE, exStyle);
}
