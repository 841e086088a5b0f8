#include "common/system_api.h"

#include <cstring>
#include <vector>

#include <objbase.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include "common/internet.h"

namespace {

// An entry of a library by name, as a function pointer of the caller's type.
template <typename Fn>
void Look(HMODULE library, const char* name, Fn* fn) {
  *fn = library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

// An entry of a library that every process has loaded.
template <typename Fn>
Fn Loaded(const char* library, const char* name) {
  Fn fn;
  Look(GetModuleHandleA(library), name, &fn);
  return fn;
}

}  // namespace

void RestrictDllSearchPath() {
  constexpr DWORD kSearchSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  auto set = Loaded<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "SetDefaultDllDirectories");
  if (set) set(kSearchSystem32);
  // Also take the current folder out of the search of older systems.
  auto setDll = Loaded<BOOL(WINAPI*)(LPCWSTR)>("kernel32.dll", "SetDllDirectoryW");
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
  return LongPathOf(std::wstring(buf, n));
}

std::wstring LongPathOf(const std::wstring& path) {
  static auto toLong = Loaded<DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD)>("kernel32.dll", "GetLongPathNameW");
  if (!toLong) return path;
  std::vector<wchar_t> buf(32768);
  const DWORD n = toLong(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  return n > 0 && n < buf.size() ? std::wstring(buf.data(), n) : path;
}

std::wstring FinalPathOf(HANDLE file) {
  static auto final = Loaded<DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD)>("kernel32.dll", "GetFinalPathNameByHandleW");
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
  static auto compare = Loaded<int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL)>("kernel32.dll", "CompareStringOrdinal");
  if (a.size() != b.size()) return false;  // the case mapping keeps every text's length
  if (compare) return compare(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) == 2;
  return UpperCaseHere(a) == UpperCaseHere(b);
}

std::vector<std::wstring> ComputerNames() {
  std::vector<std::wstring> names;
  wchar_t buf[256] = {};
  DWORD n = 256;
  if (GetComputerNameW(buf, &n)) names.push_back(std::wstring(buf, n));
  auto nameEx = Loaded<BOOL(WINAPI*)(int, LPWSTR, LPDWORD)>("kernel32.dll", "GetComputerNameExW");
  // ComputerNameDnsHostname and ComputerNameDnsFullyQualified.
  for (int kind : {1, 3}) {
    n = 256;
    if (nameEx && nameEx(kind, buf, &n) && n) names.push_back(std::wstring(buf, n));
  }
  return names;
}

std::wstring KnownFolderPath(const GUID& id) {
  using Get = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
  static Get get = nullptr;
  static bool looked = false;
  if (!looked) {
    looked = true;
    Look(LoadSystemLibrary(L"shell32.dll"), "SHGetKnownFolderPath", &get);
  }
  if (!get) return std::wstring();
  PWSTR path = nullptr;
  std::wstring found;
  if (SUCCEEDED(get(id, 0, nullptr, &path)) && path) found = path;
  if (path) CoTaskMemFree(path);
  return found;
}

bool FileSizeOf(HANDLE file, int64_t* size) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  return true;
}

bool SeekTo(HANDLE file, int64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
  return low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

bool FreeSpaceOf(const wchar_t* root, uint64_t* freeToCaller, uint64_t* total) {
  static auto ex = Loaded<BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)>(
      "kernel32.dll", "GetDiskFreeSpaceExW");
  if (ex) {
    ULARGE_INTEGER bytes, all;
    if (!ex(root, &bytes, &all, nullptr)) return false;
    *freeToCaller = bytes.QuadPart;
    if (total) *total = all.QuadPart;
    return true;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return false;
  *freeToCaller = uint64_t(freeClusters) * sectorsPerCluster * bytesPerSector;
  if (total) *total = uint64_t(clusters) * sectorsPerCluster * bytesPerSector;
  return true;
}

bool AttributeDataOf(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  static auto ex = Loaded<BOOL(WINAPI*)(LPCWSTR, GET_FILEEX_INFO_LEVELS, LPVOID)>("kernel32.dll",
                                                                                 "GetFileAttributesExW");
  if (ex) return ex(path, GetFileExInfoStandard, data) != 0;
  // The search finds no root folder and takes wildcards: neither is asked for.
  if (wcspbrk(path, L"*?")) return false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  *data = {found.dwFileAttributes, found.ftCreationTime, found.ftLastAccessTime, found.ftLastWriteTime,
           found.nFileSizeHigh, found.nFileSizeLow};
  return true;
}

LANGID UserInterfaceLanguage() {
  static auto ui = Loaded<LANGID(WINAPI*)()>("kernel32.dll", "GetUserDefaultUILanguage");
  return ui ? ui() : GetUserDefaultLangID();
}

HWND TopWindowOf(HWND window) {
  static auto ancestor = Loaded<HWND(WINAPI*)(HWND, UINT)>("user32.dll", "GetAncestor");
  if (ancestor) return ancestor(window, 2);  // GA_ROOT
  while (window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
  return window;
}

bool NotifyMouseLeave(HWND window) {
  struct Track {
    DWORD cbSize, dwFlags;
    HWND hwndTrack;
    DWORD dwHoverTime;
  };
  using TrackFn = BOOL(WINAPI*)(Track*);
  static TrackFn track = nullptr;
  static bool looked = false;
  if (!looked) {
    looked = true;
    track = Loaded<TrackFn>("user32.dll", "TrackMouseEvent");
    // Windows 95 and NT 3.51 with the common controls of Internet Explorer 3.
    if (!track) track = Loaded<TrackFn>("comctl32.dll", "_TrackMouseEvent");
  }
  Track t = {sizeof t, 0x2 /* TME_LEAVE */, window, 0};
  return track && track(&t);
}

HBRUSH SystemColourBrush(int colour) {
  static auto brush = Loaded<HBRUSH(WINAPI*)(int)>("user32.dll", "GetSysColorBrush");
  if (brush) return brush(colour);
  // NT 3.51: one brush of each colour, made once and kept.
  static HBRUSH made[32];
  static COLORREF madeOf[32];
  const int i = colour & 31;
  if (!made[i] || madeOf[i] != GetSysColor(colour)) {
    madeOf[i] = GetSysColor(colour);
    made[i] = CreateSolidBrush(madeOf[i]);
  }
  return made[i];
}

void StartCommonControls(DWORD classes, DWORD fallback) {
  struct Init {
    DWORD dwSize, dwICC;
  };
  using InitFn = BOOL(WINAPI*)(const Init*);
  InitFn init;
  Look(LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx", &init);
  if (!init) return;
  Init icc = {sizeof icc, classes};
  if (init(&icc)) return;
  icc.dwICC = fallback;
  init(&icc);
}

PSECURITY_DESCRIPTOR DescriptorFromText(const wchar_t* text) {
  static auto fromText = Loaded<BOOL(WINAPI*)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG)>(
      "advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorW");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (fromText && !fromText(text, 1 /* SDDL_REVISION_1 */, &descriptor, nullptr)) descriptor = nullptr;
  return descriptor;
}

namespace {

// The tool-help entries: the wide ones from Windows 2000, the 8-bit ones on
// 95 and 98 (NT 4.0 has none).
struct ToolHelp {
  using Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
  using WalkW = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);
  using WalkA = BOOL(WINAPI*)(HANDLE, tagPROCESSENTRY32*);
  using ModuleW = BOOL(WINAPI*)(HANDLE, MODULEENTRY32W*);
  Snapshot snapshot = nullptr;
  WalkW firstW = nullptr, nextW = nullptr;
  WalkA firstA = nullptr, nextA = nullptr;
  ModuleW firstModule = nullptr;
};

const ToolHelp& Tools() {
  static ToolHelp tools;
  static bool looked = false;
  if (!looked) {
    looked = true;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    Look(kernel, "CreateToolhelp32Snapshot", &tools.snapshot);
    Look(kernel, "Process32FirstW", &tools.firstW);
    Look(kernel, "Process32NextW", &tools.nextW);
    Look(kernel, "Process32First", &tools.firstA);
    Look(kernel, "Process32Next", &tools.nextA);
    Look(kernel, "Module32FirstW", &tools.firstModule);
  }
  return tools;
}

// The process status library of NT 4.0 (psapi.dll, where it is installed).
struct ProcessStatus {
  using Enum = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
  using FileName = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
  Enum enumerate = nullptr;
  FileName baseName = nullptr, fileName = nullptr;
};

const ProcessStatus& Psapi() {
  static ProcessStatus psapi;
  static bool looked = false;
  if (!looked) {
    looked = true;
    HMODULE library = LoadSystemLibrary(L"psapi.dll");
    Look(library, "EnumProcesses", &psapi.enumerate);
    Look(library, "GetModuleBaseNameW", &psapi.baseName);
    Look(library, "GetModuleFileNameExW", &psapi.fileName);
  }
  return psapi;
}

// The 8-bit name field (95, 98 and ME) as text, from the system's code page.
std::wstring NarrowName(const char* name) {
  const int length = static_cast<int>(strnlen(name, MAX_PATH));
  const int n = MultiByteToWideChar(CP_ACP, 0, name, length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, name, length, &wide[0], n);
  return wide;
}

}  // namespace

std::vector<RunningProcess> RunningProcesses() {
  std::vector<RunningProcess> found;
  const ToolHelp& tools = Tools();
  if (tools.snapshot && ((tools.firstW && tools.nextW) || (tools.firstA && tools.nextA))) {
    HANDLE snapshot = tools.snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE || !snapshot) return found;
    if (tools.firstW && tools.nextW) {
      PROCESSENTRY32W entry = {};
      entry.dwSize = sizeof entry;
      for (BOOL more = tools.firstW(snapshot, &entry); more; more = tools.nextW(snapshot, &entry))
        found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    } else {
      tagPROCESSENTRY32 entry = {};
      entry.dwSize = sizeof entry;
      for (BOOL more = tools.firstA(snapshot, &entry); more; more = tools.nextA(snapshot, &entry))
        found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, NarrowName(entry.szExeFile)});
    }
    CloseHandle(snapshot);
    return found;
  }
  const ProcessStatus& psapi = Psapi();
  if (!psapi.enumerate || !psapi.baseName) return found;
  std::vector<DWORD> ids(1024);
  DWORD bytes = 0;
  if (!psapi.enumerate(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return found;
  ids.resize(bytes / sizeof(DWORD));
  for (DWORD id : ids) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    wchar_t name[MAX_PATH] = {};
    if (process && psapi.baseName(process, nullptr, name, MAX_PATH) > 0) found.push_back({id, 0, name});
    if (process) CloseHandle(process);
  }
  return found;
}

std::wstring ProgramPathOf(DWORD processId) {
  static auto query = Loaded<BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD)>("kernel32.dll", "QueryFullProcessImageNameW");
  wchar_t path[MAX_PATH * 2] = {};
  if (query) {
    constexpr DWORD kQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION
    HANDLE process = OpenProcess(kQueryLimited, FALSE, processId);
    if (!process) process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    DWORD n = MAX_PATH * 2;
    const bool read = process && query(process, 0, path, &n);
    if (process) CloseHandle(process);
    if (read) return std::wstring(path, n);
  }
  // Older systems: the program is the first module of the process.
  const ToolHelp& tools = Tools();
  if (tools.snapshot && tools.firstModule) {
    HANDLE modules = tools.snapshot(TH32CS_SNAPMODULE, processId);
    if (modules == INVALID_HANDLE_VALUE || !modules) return std::wstring();
    MODULEENTRY32W module = {};
    module.dwSize = sizeof module;
    const bool read = tools.firstModule(modules, &module);
    CloseHandle(modules);
    return read ? module.szExePath : std::wstring();
  }
  const ProcessStatus& psapi = Psapi();
  if (!psapi.fileName) return std::wstring();
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  const DWORD n = process ? psapi.fileName(process, nullptr, path, MAX_PATH * 2) : 0;
  if (process) CloseHandle(process);
  return std::wstring(path, n);
}

bool RunsElevated() {
  using Query = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD, PDWORD);
  static auto query = Loaded<Query>("advapi32.dll", "GetTokenInformation");
  HANDLE token = nullptr;
  if (!query || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD elevated = 0, bytes = 0;
  constexpr int kTokenElevation = 20;  // Windows Vista and later; older systems refuse the class
  const bool read = query(token, kTokenElevation, &elevated, sizeof elevated, &bytes) != 0;
  CloseHandle(token);
  return read && elevated != 0;
}

namespace {

struct ShellApi {
  BOOL(WINAPI* executeEx)(_SHELLEXECUTEINFOW*) = nullptr;
  HRESULT(WINAPI* folderIdList)(HWND, int, _ITEMIDLIST**) = nullptr;
  BOOL(WINAPI* pathOfIdList)(const _ITEMIDLIST*, LPWSTR) = nullptr;
  _ITEMIDLIST*(WINAPI* browse)(_browseinfoW*) = nullptr;
  void(WINAPI* changeNotify)(LONG, UINT, LPCVOID, LPCVOID) = nullptr;
};

const ShellApi& Shell() {
  static ShellApi api;
  static bool looked = false;
  if (!looked) {
    looked = true;
    HMODULE library = LoadSystemLibrary(L"shell32.dll");
    Look(library, "ShellExecuteExW", &api.executeEx);
    Look(library, "SHGetSpecialFolderLocation", &api.folderIdList);
    Look(library, "SHGetPathFromIDListW", &api.pathOfIdList);
    Look(library, "SHBrowseForFolderW", &api.browse);
    Look(library, "SHChangeNotify", &api.changeNotify);
  }
  return api;
}

}  // namespace

BOOL ShellExecuteInfo(_SHELLEXECUTEINFOW* info) {
  if (Shell().executeEx) return Shell().executeEx(info);
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

HRESULT SpecialFolderIdList(int csidl, _ITEMIDLIST** list) {
  return Shell().folderIdList ? Shell().folderIdList(nullptr, csidl, list) : E_NOTIMPL;
}

BOOL PathOfIdList(const _ITEMIDLIST* list, wchar_t* path) {
  return Shell().pathOfIdList && Shell().pathOfIdList(list, path);
}

_ITEMIDLIST* BrowseForFolder(_browseinfoW* info) { return Shell().browse ? Shell().browse(info) : nullptr; }

void AnnounceAssociationChange() {
  constexpr LONG kAssociationChanged = 0x08000000;  // SHCNE_ASSOCCHANGED
  if (Shell().changeNotify) Shell().changeNotify(kAssociationChanged, 0 /* SHCNF_IDLIST */, nullptr, nullptr);
}

const AutomationApi* Automation() {
  static AutomationApi api;
  static int state = 0;  // 0: not tried yet, 1: loaded, -1: missing
  if (state == 0) {
    HMODULE library = LoadSystemLibrary(L"oleaut32.dll");
    Look(library, "SysAllocString", &api.allocString);
    Look(library, "SysFreeString", &api.freeString);
    Look(library, "VariantInit", &api.variantInit);
    Look(library, "VariantClear", &api.variantClear);
    state = api.allocString && api.freeString && api.variantInit && api.variantClear ? 1 : -1;
  }
  return state > 0 ? &api : nullptr;
}

const InternetApi* Internet() {
  static InternetApi api;
  static int state = 0;  // 0: not tried yet, 1: loaded, -1: missing
  if (state == 0) {
    HMODULE library = LoadSystemLibrary(L"wininet.dll");
    Look(library, "InternetOpenW", &api.open);
    Look(library, "InternetOpenUrlW", &api.openUrl);
    Look(library, "InternetConnectW", &api.connect);
    Look(library, "HttpOpenRequestW", &api.openRequest);
    Look(library, "HttpSendRequestW", &api.sendRequest);
    Look(library, "HttpQueryInfoW", &api.queryInfo);
    Look(library, "InternetReadFile", &api.readFile);
    Look(library, "InternetCloseHandle", &api.closeHandle);
    state = api.open && api.openUrl && api.connect && api.openRequest && api.sendRequest && api.queryInfo &&
                    api.readFile && api.closeHandle
                ? 1
                : -1;
  }
  return state > 0 ? &api : nullptr;
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

void DeclareDpiAwareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  using SetAware = BOOL(WINAPI*)();
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 (-4) and _PER_MONITOR_AWARE (-3).
  if (auto set = Loaded<SetContext>("user32.dll", "SetProcessDpiAwarenessContext"))
    if (set(reinterpret_cast<HANDLE>(-4)) || set(reinterpret_cast<HANDLE>(-3))) return;
  if (auto aware = Loaded<SetAware>("user32.dll", "SetProcessDPIAware")) aware();
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int DpiOfWindow(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static auto get = Loaded<GetDpi>("user32.dll", "GetDpiForWindow");
  const int dpi = get && window ? static_cast<int>(get(window)) : 0;
  return dpi > 0 ? dpi : SystemDpi();
}

void WindowRectForDpi(RECT* r, DWORD style, DWORD exStyle, int dpi) {
  using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static auto adjust = Loaded<Adjust>("user32.dll", "AdjustWindowRectExForDpi");
  if (!adjust || !adjust(r, style, FALSE, exStyle, static_cast<UINT>(dpi))) AdjustWindowRectEx(r, style, FALSE, exStyle);
}
