// Registering COM servers with the system's regsvr32.exe, and the program
// start with waiting that the registration uses.
#include "install/shared/system_tasks.h"

#include <shlobj.h>

#include "common/prelude.h"
#include "common/text.h"
#include "install/shared/program_start.h"
#include "script/shared/shell_folders.h"
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

}  // namespace

int RegisterServer(const std::wstring& filePath, int registerFlag) {
  if (registerFlag != 0 && registerFlag != 1) return 0;
  const std::wstring switches = registerFlag == 1 ? L"/s" : L"/u /s";
  return RunAndWait(ServerToolFolder() + L"regsvr32.exe", switches + L" \"" + filePath + L"\"", L"", 1);
}

int RunAndWait(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder, int flags) {
  ProgramStart start{program, parameters, folder};
  start.wait = (flags & 1) != 0;
  return StartProgram(start) != Started::kNot;
}
