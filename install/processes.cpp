// Stopping running programs by executable name.
#include "common/prelude.h"

#include <tlhelp32.h>

#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/path_guard.h"
#include "install/system_tasks.h"

namespace {

// The tool-help entries are looked up at run time: NT 4.0 has none. The
// 8-bit ones are used, and their name field is read as UTF-8.
using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkFn = BOOL(WINAPI*)(HANDLE, tagPROCESSENTRY32*);

template <typename Fn>
Fn Entry(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The name field as text: UTF-8 where it is valid UTF-8, otherwise the
// system's code page (what the 8-bit entries really deliver).
std::wstring ExeName(const char* exeFile) {
  const size_t length = strnlen(exeFile, MAX_PATH);
  std::wstring name = text::FromUtf8(exeFile, length);
  if (name.find(wchar_t(0xFFFD)) == std::wstring::npos) return name;
  int n = MultiByteToWideChar(CP_ACP, 0, exeFile, static_cast<int>(length), nullptr, 0);
  name.assign(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, exeFile, static_cast<int>(length), &name[0], n);
  return name;
}

// NT systems report the file name, 9x systems the full path: both count.
bool NameMatches(const char* exeFile, const std::wstring& target) {
  const std::wstring name = ExeName(exeFile);
  return text::EqualsNoCase(name, target) || text::EqualsNoCase(text::FilePart(name), target);
}

namespace {

// Every running process but this one whose executable name is `target`
// (lower case, trimmed); with `all`, every one.
std::vector<DWORD> ProcessesMatching(const std::wstring& target, bool all) {
  std::vector<DWORD> found;
  ScopedLibrary kernel(LoadSystemLibrary(L"Kernel32.dll"));
  if (!kernel.get()) return found;
  auto snapshot = Entry<SnapshotFn>(kernel.get(), "CreateToolhelp32Snapshot");
  auto first = Entry<WalkFn>(kernel.get(), "Process32First");
  auto next = Entry<WalkFn>(kernel.get(), "Process32Next");
  if (!snapshot || !first || !next) return found;
  // CreateToolhelp32Snapshot reports failure as INVALID_HANDLE_VALUE; a
  // null handle is refused as well.
  ScopedHandle processes(snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes.valid()) return found;
  tagPROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(processes.get(), &entry); more; more = next(processes.get(), &entry)) {
    // Never the process that is running the task (an installer named like
    // the program it replaces would end itself half-way).
    if (entry.th32ProcessID == GetCurrentProcessId()) continue;
    if (all || NameMatches(entry.szExeFile, target)) found.push_back(entry.th32ProcessID);
  }
  return found;
}

}  // namespace

// Every running process but this one whose executable name is `processName`
// (without regard to case and surrounding blanks); none for "".
std::vector<DWORD> ProcessesNamed(const std::wstring& processName) {
  const std::wstring target = text::Trim(text::Lower(processName));
  return target.empty() ? std::vector<DWORD>() : ProcessesMatching(target, false);
}

}  // namespace

std::wstring ProgramOfProcess(DWORD processId) {
  using QueryImage = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
  static auto query = reinterpret_cast<QueryImage>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
  if (query) {
    constexpr DWORD kQueryLimited = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION
    ScopedHandle process(OpenProcess(kQueryLimited, FALSE, processId));
    if (!process.valid()) process = ScopedHandle(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = MAX_PATH * 2;
    if (process.valid() && query(process.get(), 0, path, &n)) return std::wstring(path, n);
  }
  // Older systems: the program is the first module of the process.
  ScopedHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  if (modules.valid() && Module32FirstW(modules.get(), &module)) return module.szExePath;
  return std::wstring();
}

int KillTask(const std::wstring& processName) {
  int result = 0;
  for (DWORD pid : ProcessesNamed(processName)) result = KillProcess(pid);
  return result;
}

int KillProgramAt(const std::wstring& programPath) {
  const std::wstring target = GuardFormHere(programPath);
  int ended = 0;
  for (DWORD pid : ProcessesNamed(text::FilePart(programPath))) {
    const std::wstring image = ProgramOfProcess(pid);
    if (!image.empty() && GuardFormHere(image) == target) ended += KillProcess(pid);
  }
  return ended;
}

int KillProcess(DWORD processId) {
  ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process.valid()) return 0;
  return TerminateProcess(process.get(), 1) ? 1 : 0;
}

std::vector<DWORD> ProcessesRunningFrom(const std::wstring& folder) {
  const std::wstring inside = text::WithBackslash(GuardFormHere(folder));
  std::vector<DWORD> found;
  for (DWORD pid : ProcessesMatching(std::wstring(), true)) {
    const std::wstring image = ProgramOfProcess(pid);
    if (!image.empty() && text::StartsWith(GuardFormHere(image), inside)) found.push_back(pid);
  }
  return found;
}

namespace {
BOOL CALLBACK AskToClose(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}
}  // namespace

bool CloseProcess(DWORD processId) {
  ScopedHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
  if (!process.valid()) return false;
  // Its windows are asked to close first, as a user would; a program that
  // is still running after a few seconds is ended.
  EnumWindows(AskToClose, static_cast<LPARAM>(processId));
  if (WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0) return true;
  return TerminateProcess(process.get(), 1) && WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
}
