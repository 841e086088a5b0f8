#include "uninstaller/handover.h"

#include "common/prelude.h"

#include <cstdlib>

#include "common/handles.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/shared/path_guard.h"
#include "install/shared/program_start.h"
#include "install/shared/system_tasks.h"

namespace {

constexpr DWORD kStarterWaitMs = 30000;

// The process id of the program that started this one; 0 when unknown.
DWORD StarterId() {
  for (const RunningProcess& process : RunningProcesses())
    if (process.id == GetCurrentProcessId()) return process.parentId;
  return 0;
}

}  // namespace

bool RunCopyForOutcome(const std::wstring& program, const std::wstring& parameters, Outcome* outcome) {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return false;
  // Only the write end goes to the copy: the read end is kept as a copy
  // that is not inherited.
  HANDLE own = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), readEnd, GetCurrentProcess(), &own, 0, FALSE,
                       DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE))
    own = readEnd;
  ScopedHandle reader(own), writer(writeEnd);

  ProgramStart copy{program, parameters, L"", StartWay::kFile, nullptr, kProgramChooses};
  copy.output = writer.get();
  if (StartProgram(copy) == Started::kNot) return false;
  // The copy holds the only write end now: the pipe ends with it.
  writer.Close();

  std::string said;
  char buffer[32];
  DWORD got = 0;
  while (said.size() < 16 && ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    said.append(buffer, got);
  long code = -1;
  if (!said.empty() && said.size() < 16 && said.find_first_not_of("0123456789") == std::string::npos)
    code = std::strtol(said.c_str(), nullptr, 10);
  switch (code) {
    case kSucceeded:
    case kRestartNeeded:
    case kCancelled:
    case kFailed:
    case kAnotherRunning:
    case kBadCommandLine:
      *outcome = static_cast<Outcome>(code);
      break;
    default:
      *outcome = kFailed;
  }
  return true;
}

void HandBackOutcome(Outcome outcome) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  const std::string code = text::ToUtf8(text::Decimal(outcome));
  DWORD written = 0;
  WriteFile(out, code.data(), static_cast<DWORD>(code.size()), &written, nullptr);
  CloseHandle(out);
  SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
}

void WaitForStarterEnd(const std::wstring& installedUninstaller, PathGuard& guard) {
  const DWORD starter = StarterId();
  if (starter == 0) return;
  ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, starter));
  // The id may since belong to another program: only the installed
  // uninstaller is waited for.
  if (!process.valid() || GuardFormHere(guard, ProgramOfProcess(starter)) != GuardFormHere(guard, installedUninstaller))
    return;
  WaitForSingleObject(process.get(), kStarterWaitMs);
}
