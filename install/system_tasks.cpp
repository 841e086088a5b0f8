// Registering COM servers with the system's regsvr32.exe, and the program
// start with waiting that the registration uses.
#include "install/system_tasks.h"

#include <shellapi.h>
#include <shlobj.h>

#include "common/event_queue.h"
#include "common/handles.h"
#include "common/prelude.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "common/system_api.h"
#include "script/shell_folders.h"
#include "startup/os_version.h"

namespace {

// Where regsvr32.exe lives: NT 4.0, 98 and Me are expected in their usual
// folders on the desktop's drive; every other system names its own.
std::wstring ServerToolFolder() {
  const int os = CurrentOsVersion();
  if (os == kOsNt4) return text::WithBackslash(DrivePrefix() + L"WINNT\\System32\\");
  if (os == kOs98 || os == kOsMe) return text::WithBackslash(DrivePrefix() + L"WINDOWS\\System32\\");
  return text::WithBackslash(ShellFolder(CSIDL_SYSTEM));
}

void WaitIfAsked(HANDLE process, int flags) {
  if ((flags & 1) && process) ui::WaitServing(process, INFINITE);  // the windows keep answering
}

}  // namespace

int RegisterServer(const std::wstring& filePath, int registerFlag) {
  if (registerFlag != 0 && registerFlag != 1) return 0;
  const std::wstring switches = registerFlag == 1 ? L"/s" : L"/u /s";
  return RunAndWait(ServerToolFolder() + L"regsvr32.exe", switches + L" \"" + filePath + L"\"", L"", 1);
}

int RunAndWait(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder, int flags) {
  std::wstring commandLine = text::StartsWith(program, L"\"") ? program : L"\"" + program + L"\"";
  if (!parameters.empty()) commandLine += L" " + parameters;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION created = {};
  if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &created)) {
    CloseHandle(created.hThread);
    ScopedHandle process(created.hProcess);
    WaitIfAsked(process.get(), flags);
    return 1;
  }
  // Not a program that CreateProcess can start (a document, for instance):
  // the shell opens it with whatever it associates with it.
  const std::wstring directory = folder.empty() ? text::FolderPart(program) : folder;
  SHELLEXECUTEINFOW shell = {};
  shell.cbSize = sizeof shell;
  // An unattended run shows no window, not even the shell's error box.
  shell.fMask = SEE_MASK_NOCLOSEPROCESS | (ui::Quiet() ? SEE_MASK_FLAG_NO_UI : 0);
  shell.lpVerb = L"Open";
  shell.lpFile = program.c_str();
  shell.lpParameters = parameters.c_str();
  shell.lpDirectory = directory.c_str();
  shell.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteInfo(&shell)) return 0;
  // No process handle when the shell handed the file to a running program.
  ScopedHandle process(shell.hProcess);
  WaitIfAsked(process.get(), flags);
  return 1;
}
