#include "wizard/gates.h"

#include "common/prelude.h"
#include <shellapi.h>
#include <shlobj.h>

#include "common/message_box.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "script/localization.h"
#include "script/settings.h"
#include "script/shared/shell_folders.h"
#include "startup/os_version.h"
#include "startup/process.h"
#include "common/outcome.h"
#include "install/shared/program_start.h"
#include "wizard/framework.h"
#include "wizard/fatal.h"

namespace {

// The permission flag of the script that governs this OS version number,
// or null for systems the flags do not name.
const std::wstring* PermissionFlag(int os) {
  const SetupSettings& s = Settings();
  switch (os) {
    case kOsNt4: return &s.allowWNt;
    case kOs98: return &s.allowW98;
    case kOsMe: return &s.allowWMe;
    case kOs2000: return &s.allowW2k;
    case kOsXp: return &s.allowWXp;
    case kOs2003:
    case kOsVistaWorkstation: return &s.allowWV;
    default: return nullptr;
  }
}

bool FrameworkInstalled(const std::wstring& version) {
  const std::wstring folder = text::WithBackslash(ShellFolder(CSIDL_WINDOWS)) + L"Microsoft.NET\\Framework\\";
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder + L"*.*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && FrameworkFolderMatches(fd.cFileName, version)) found = true;
  } while (!found && FindNextFileW(find, &fd));
  FindClose(find);
  return found;
}

}  // namespace

void ApplyOperatingSystemGate() {
  const int os = Process().osVersion;
  if (os == kOs95 || os == kOsNt3) EndWithKey(4);
  const std::wstring* flag = PermissionFlag(os);
  if (flag && IsFlag(*flag, L"0")) EndWithKey(5);
}

void ApplyFrameworkGate() {
  const std::wstring version = RequiredFramework(Settings().dotNet);
  if (version.empty() || FrameworkInstalled(version)) return;
  NoteOutcome(kFailed);
  ui::Message(Text(6) + L" " + version + L".", Text(0), ui::kErrorIcon);
  const std::wstring address = DependencyAddress(Settings().dependencyPage);
  // Not in an unattended run: it opens no window of any kind.
  if (!address.empty() && !ui::Quiet()) {
    ProgramStart page{address, L"", L"", StartWay::kShell, L"open"};
    page.asUser = true;
    StartProgram(page);
  }
  CleanUp(0);
  EndPlain();
}
