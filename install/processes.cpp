// Stopping running programs by executable name.
#include "common/prelude.h"

#include <tlhelp32.h>

#include <cstring>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
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

}  // namespace

int KillTask(const std::wstring& processName) {
  const std::wstring target = text::Trim(text::Lower(processName));
  ScopedLibrary kernel(LoadSystemLibrary(L"Kernel32.dll"));
  if (!kernel.get()) return 0;
  auto snapshot = Entry<SnapshotFn>(kernel.get(), "CreateToolhelp32Snapshot");
  auto first = Entry<WalkFn>(kernel.get(), "Process32First");
  auto next = Entry<WalkFn>(kernel.get(), "Process32Next");
  if (!snapshot || !first || !next) return 0;
  // CreateToolhelp32Snapshot reports failure as INVALID_HANDLE_VALUE; a
  // null handle is refused as well.
  ScopedHandle processes(snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes.valid()) return 0;
  int result = 0;
  tagPROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(processes.get(), &entry); more; more = next(processes.get(), &entry)) {
    // Never the process that is running the task (an installer named like
    // the program it replaces would end itself half-way).
    if (entry.th32ProcessID == GetCurrentProcessId()) continue;
    if (NameMatches(entry.szExeFile, target)) result = KillProcess(entry.th32ProcessID);
  }
  return result;
}

int KillProcess(DWORD processId) {
  ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process.valid()) return 0;
  return TerminateProcess(process.get(), 1) ? 1 : 0;
}
