// Registering COM servers, starting programs and waiting, fonts, stopping
// running programs by name, and the restart.
#pragma once

#include <string>
#include <vector>

#include "common/prelude.h"

class FileJournal;
struct PathGuard;

// Runs the system folder's regsvr32.exe with "/s" (register, flag 1) or
// "/u /s" (flag 0) and the quoted path, and waits. The result of RunAndWait;
// 0 for any other flag.
int RegisterServer(const std::wstring& filePath, int registerFlag);
// Starts the program by its command line (StartWay::kCommand) with the
// parameters in the folder (none when empty); flag 1 waits until it ends.
// Non-zero when started.
int RunAndWait(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder, int flags);
// Adds the font, copies it into the Fonts folder, announces the change and
// writes the Fonts registry value. 1 when the registry entry was written.
// With a journal, the copy is written through it.
int InstallFont(const std::wstring& fontName, const std::wstring& fontFile, FileJournal* journal = nullptr);
// The key of the Fonts registry values of this system.
const wchar_t* FontsRegistryKey();
// Terminates every running process whose executable name is `processName`
// (without regard to case and surrounding blanks). 1 when the last matching
// process was terminated, 0 when none matched or the last termination failed.
int KillTask(const std::wstring& processName);
int KillProcess(DWORD processId);
// Terminates the running processes whose program is that very file (its
// full path, as the system reports it); the number ended.
int KillProgramAt(PathGuard& guard, const std::wstring& programPath);
// The processes (but this one) whose program lies in `folder` or below it.
std::vector<DWORD> ProcessesRunningFrom(PathGuard& guard, const std::wstring& folder);
// Asks the process's windows to close, then ends it if it still runs; true
// once it has ended.
bool CloseProcess(DWORD processId);
// The full path of a process's program; empty when it cannot be asked.
std::wstring ProgramOfProcess(DWORD processId);
// Requests a restart (forced when `force` is not 0). Returns 0.
int Reboot(int force);
// 0 success, 1 token not opened, 2 privilege not found, 3 privilege not
// enabled, 4 the request failed.
int ExitSystem(UINT flags);

// The one call that really restarts the machine. Tests link a recorder in
// its place.
BOOL RequestExitWindows(UINT flags);
