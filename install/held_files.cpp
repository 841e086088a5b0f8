#include "install/held_files.h"

#include <vector>

#include "common/log.h"
#include "common/message_box.h"
#include "common/outcome.h"
#include "common/quiet_run.h"
#include "common/system_api.h"
#include "common/text.h"
#include "install/install_state.h"
#include "install/shared/system_tasks.h"
#include "script/localization.h"
#include "startup/process.h"

namespace {

// The system's reason for an error code, in its own language.
std::wstring Reason(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring reason = n && buffer ? text::TrimRight(std::wstring(buffer, n), L" \r\n") : std::wstring();
  if (buffer) LocalFree(buffer);
  return reason.empty() ? L"error " + text::DecimalUnsigned(error) : reason;
}

// Where the fallback looks for the holding programs: the install folder
// for its files, else the file's own folder.
std::wstring FolderOfPrograms(const std::wstring& path, const std::wstring& install) {
  return !install.empty() && text::StartsWith(text::Lower(path), text::Lower(install)) ? install
                                                                                       : text::FolderPart(path);
}

// The programs holding the file, one a line: the Restart Manager's names,
// else the programs running from the file's folder.
std::wstring HolderNames(PathGuard& guard, const std::wstring& path, const std::wstring& install) {
  std::wstring names;
  for (const HoldingProgram& p : ProgramsHolding(path)) names += L"\r\n" + p.name;
  if (names.empty())
    for (DWORD pid : ProcessesRunningFrom(guard, FolderOfPrograms(path, install)))
      names += L"\r\n" + ProgramOfProcess(pid);
  return names;
}

}  // namespace

bool IsHeldError(unsigned long error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

bool CloseHoldingPrograms(PathGuard& guard, const std::wstring& path, const std::wstring& installFolder) {
  // The Restart Manager is asked only where it names the programs (some
  // systems answer every call with success and close nothing).
  if (!ProgramsHolding(path).empty() && CloseProgramsHolding(path)) {
    LogLine(L"closed the programs holding " + path + L" through the Restart Manager");
    return true;
  }
  // Without the Restart Manager (or where it closes nothing): the programs
  // that run from the file's folder, the product's own earlier programs.
  bool closed = false;
  for (DWORD pid : ProcessesRunningFrom(guard, FolderOfPrograms(path, installFolder))) {
    const std::wstring program = ProgramOfProcess(pid);
    if (CloseProcess(pid)) {
      closed = true;
      LogLine(L"closed " + program + L", which held " + path);
    }
  }
  return closed;
}

WriteAnswer AnswerWriteFailure(InstallRun& run, const std::wstring& path, unsigned long error) {
  const std::wstring& install = run.state.installFolder;
  if (!IsHeldError(error)) {
    LogLine(L"cannot write " + path + L": " + Reason(error));
    const std::wstring text =
        Text(101) + L"\r\n\r\n" + path + L"\r\n\r\n" + Reason(error) + L"\r\n\r\n" + Text(102);
    if (!ui::Quiet() && run.progress.Message(text, Text(0), MB_RETRYCANCEL | ui::kErrorIcon) == IDRETRY)
      return WriteAnswer::kRetry;
    NoteOutcome(kFailed);
    run.progress.GiveUp();
    return WriteAnswer::kStop;
  }
  LogLine(L"held by a program: " + path);
  if (ui::Quiet()) {
    // Closed once; a file still held after that waits for the restart too.
    static std::wstring closedFor;
    if (Process().invocation.closeApplications && closedFor != path) {
      closedFor = path;
      if (CloseHoldingPrograms(run.state.guard, path, install)) return WriteAnswer::kRetry;
    }
    LogLine(L"the new " + path + L" takes its place at the next restart");
    NoteOutcome(kRestartNeeded);
    return WriteAnswer::kAtRestart;
  }
  const std::wstring names = HolderNames(run.state.guard, path, install);
  const std::wstring question = Text(98) + L"\r\n\r\n" + path + (names.empty() ? L"" : L"\r\n\r\n" + Text(99) + names) +
                                L"\r\n\r\n" + Text(100);
  switch (run.progress.Message(question, Text(97), MB_YESNOCANCEL | ui::kWarningIcon)) {
    case IDYES:
      CloseHoldingPrograms(run.state.guard, path, install);
      return WriteAnswer::kRetry;
    case IDNO:
      return WriteAnswer::kRetry;
    default:
      NoteOutcome(kCancelled);
      run.progress.GiveUp();
      return WriteAnswer::kStop;
  }
}
