// Stopping running programs by executable name.
#include "common/prelude.h"

#include <vector>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/shared/path_guard.h"
#include "install/shared/system_tasks.h"

namespace {

// NT systems report the file name, 9x systems the full path: both count.
bool NameMatches(const std::wstring& name, const std::wstring& target) {
  return text::EqualsNoCase(name, target) || text::EqualsNoCase(text::FilePart(name), target);
}

namespace {

// Every running process but this one whose executable name is `target`
// (lower case, trimmed); with `all`, every one.
std::vector<DWORD> ProcessesMatching(const std::wstring& target, bool all) {
  std::vector<DWORD> found;
  for (const RunningProcess& process : RunningProcesses()) {
    // Never the process that is running the task (an installer named like
    // the program it replaces would end itself half-way).
    if (process.id == GetCurrentProcessId()) continue;
    if (all || NameMatches(process.exeFile, target)) found.push_back(process.id);
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

std::wstring ProgramOfProcess(DWORD processId) { return ProgramPathOf(processId); }

int KillTask(const std::wstring& processName) {
  int result = 0;
  for (DWORD pid : ProcessesNamed(processName)) result = KillProcess(pid);
  return result;
}

int KillProgramAt(PathGuard& guard, const std::wstring& programPath) {
  const std::wstring target = GuardFormHere(guard, programPath);
  int ended = 0;
  for (DWORD pid : ProcessesNamed(text::FilePart(programPath))) {
    const std::wstring image = ProgramOfProcess(pid);
    if (!image.empty() && GuardFormHere(guard, image) == target) ended += KillProcess(pid);
  }
  return ended;
}

int KillProcess(DWORD processId) {
  ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process.valid()) return 0;
  return TerminateProcess(process.get(), 1) ? 1 : 0;
}

std::vector<DWORD> ProcessesRunningFrom(PathGuard& guard, const std::wstring& folder) {
  const std::wstring inside = text::WithBackslash(GuardFormHere(guard, folder));
  std::vector<DWORD> found;
  for (DWORD pid : ProcessesMatching(std::wstring(), true)) {
    const std::wstring image = ProgramOfProcess(pid);
    if (!image.empty() && text::StartsWith(GuardFormHere(guard, image), inside)) found.push_back(pid);
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
