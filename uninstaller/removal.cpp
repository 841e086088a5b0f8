#include "uninstaller/removal.h"

#include "common/prelude.h"
#include <shlobj.h>

#include <algorithm>

#include "common/log.h"
#include "common/message_box.h"
#include "common/outcome.h"
#include "common/pending_renames.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "common/system_api.h"
#include "install/shared/path_guard.h"
#include "install/path_rules.h"
#include "install/shared/system_tasks.h"
#include "install/task_line.h"
#include "uninstaller/folders.h"
#include "uninstaller/paths.h"
#include "uninstaller/programs.h"
#include "uninstaller/progress_window.h"
#include "install/shared/undo.h"
#include "install/shared/uninstall_entry.h"

namespace {

struct LaterProgram {
  std::wstring program, parameters;
};

// Starts the programs that run before the removal; returns those that run
// after it.
std::vector<LaterProgram> RunUninstallTasks(const std::vector<TaskEntry>& tasks, RemovalProgress& progress) {
  std::vector<LaterProgram> later;
  if (!tasks.empty()) progress.Advance();
  for (const TaskEntry& task : tasks) {
    const TaskFields f(task.line);
    if (f[1] == keyword::kRun) {
      if (f[2] == L"1") StartTaskProgram(f[4], f[5]);
      if (f[3] == L"1") later.push_back({f[4], f[5]});
    } else if (f[1] == keyword::kLaunchBrowser) {
      // A removal without questions is unseen: no web page either.
      if (ui::Quiet())
        LogLine(L"task " + task.name + L": web page " + f[2] + L" not opened (a removal without questions)");
      else
        LaunchBrowser(f[2]);
    }
  }
  return later;
}

// `ownFolder` is the install folder in guard form, or empty when the guard
// protects it. `installedUninstaller` may be running: it waits for this
// copy in a removal without questions, and is never ended. True when a file
// in use was left for the next restart to delete.
bool DeleteFiles(const std::vector<std::wstring>& files, const std::vector<std::wstring>& skip,
                 const std::wstring& ownFolder, const std::wstring& installFolder,
                 const std::wstring& installedUninstaller, RemovalProgress& progress, PathGuard& guard) {
  const std::wstring base = text::WithBackslash(installFolder);
  std::vector<std::wstring> clean;
  bool atRestart = false;
  for (const std::wstring& path : files) {
    if (path.empty()) continue;
    progress.Advance();
    // Whatever the data says: never through a relative path, a root or a
    // folder the guard protects, and never through a link put in place of
    // what the installation made (it would reach another folder's files).
    if (!IsDeletableFilePath(guard, path)) continue;
    const bool inside = path.size() > base.size() && text::EqualsNoCase(path.substr(0, base.size()), base);
    if (inside ? ReachedThroughLink(base, path, &clean) : IsLink(path)) continue;
    const std::wstring extension = text::Lower(ExtensionOf(path));
    if (std::find(skip.begin(), skip.end(), extension) != skip.end()) continue;
    // A running program cannot be deleted: the processes running that very
    // file end first, when it lies in the product's own folder.
    if (extension == L"exe" && !ownFolder.empty() && ContainsGuardForm(ownFolder, GuardFormHere(guard, path)) &&
        GuardFormHere(guard, path) != GuardFormHere(guard, installedUninstaller))
      KillProgramAt(guard, path);
    if (DeleteFileW(path.c_str())) {
      ForgetRestartOperationsOn(path);  // a staged newer copy would bring it back
      continue;
    }
    // A file another program holds (a running program's image answers "access
    // denied") goes at the next restart.
    const DWORD error = GetLastError();
    const DWORD a = GetFileAttributesW(path.c_str());
    // (A folder named in the list answers "access denied" too: it is no file in use.)
    const bool file = a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    const bool held = file && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                               (error == ERROR_ACCESS_DENIED && !(a & FILE_ATTRIBUTE_READONLY)));
    // The installed uninstaller may be waiting for this copy: it goes once
    // that has ended (RemoveInstalledUninstaller), not at a restart.
    if (held && GuardFormHere(guard, path) != GuardFormHere(guard, installedUninstaller) &&
        MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
      atRestart = true;
  }
  return atRestart;
}

}  // namespace

void RunRemoval(const RemovalData& removal, std::vector<std::wstring> files, const std::wstring& installedUninstaller,
                PathGuard& guard) {
  const UninstallContents& data = removal.contents;
  const int steps = static_cast<int>(data.uninstallTasks.size() + data.installRecord.size() + files.size()) + 2;
  RemovalProgress progress(removal.texts[kProgressText], removal.texts[kCancelButton], steps);

  const std::vector<LaterProgram> later = RunUninstallTasks(data.uninstallTasks, progress);

  std::vector<FolderEntry> folders;
  for (const RecordEntry& entry : data.installRecord) {
    progress.Advance();
    UndoRecord(entry.record, &files, &folders);
  }
  const bool installFolderProtected = IsProtectedFolder(guard, data.installPath);
  if (!installFolderProtected) folders.push_back(MakeFolderEntry(data.installPath));
  // Folder entries of the payload (an earlier version's install folder
  // among them, after an upgrade into another folder) go with the folders:
  // removed deepest first, when empty.
  for (const std::wstring& path : files)
    if (!path.empty() && path.back() == L'\\') folders.push_back(MakeFolderEntry(path));

  const bool filesAtRestart =
      DeleteFiles(files, SkipList(data.skipExtensions),
                  installFolderProtected ? L"" : GuardFormHere(guard, data.installPath), data.installPath,
                  installedUninstaller, progress, guard);

  SetCurrentDirectoryW(text::FolderPart(OwnPath()).c_str());
  RemoveFolders(folders, data.installPath, installFolderProtected, data.installPathCreated, guard);

  for (const LaterProgram& program : later) StartTaskProgram(program.program, program.parameters);
  progress.Close();

  DeleteUninstallEntry(data.appName);
  AnnounceAssociationChange();

  if (data.rebootRequired == 1 || filesAtRestart) {
    // A removal without questions leaves the restart to its caller.
    if (ui::Quiet()) NoteOutcome(kRestartNeeded);
    const int answer =
        progress.Message(removal.texts[kRestartText], removal.texts[kRestartTitle], MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES) Reboot(0);
  } else {
    progress.Message(removal.texts[kSuccessText], removal.texts[kSuccessTitle], ui::kInformationIcon);
  }
}

void RemoveInstalledUninstaller(const RemovalData& removal, const std::wstring& installedUninstaller,
                                PathGuard& guard) {
  const UninstallContents& data = removal.contents;
  if (IsDeletableFilePath(guard, installedUninstaller)) DeleteFileW(installedUninstaller.c_str());
  const bool installFolderProtected = IsProtectedFolder(guard, data.installPath);
  RemoveFolders({}, data.installPath, installFolderProtected, data.installPathCreated, guard);
}
