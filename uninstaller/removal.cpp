#include "uninstaller/removal.h"

#include "common/prelude.h"
#include <shlobj.h>

#include <algorithm>

#include "common/text.h"
#include "common/toolkit.h"
#include "install/registry.h"
#include "install/system_tasks.h"
#include "install/task_line.h"
#include "uninstaller/folders.h"
#include "uninstaller/paths.h"
#include "uninstaller/programs.h"
#include "uninstaller/progress_window.h"
#include "uninstaller/undo.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct LaterProgram {
  std::wstring program, parameters;
};

// Starts the programs that run before the removal; returns those that run
// after it.
std::vector<LaterProgram> RunUninstallTasks(const std::vector<TaskEntry>& tasks) {
  std::vector<LaterProgram> later;
  if (!tasks.empty()) AdvanceProgress();
  for (const TaskEntry& task : tasks) {
    const TaskFields f(task.line);
    if (f[1] == L"RUN") {
      if (f[2] == L"1") StartProgram(f[4], f[5]);
      if (f[3] == L"1") later.push_back({f[4], f[5]});
    } else if (f[1] == L"LAUNCHBROWSER") {
      LaunchBrowser(f[2]);
    }
  }
  return later;
}

void DeleteFiles(const std::vector<std::wstring>& files, const std::vector<std::wstring>& skip) {
  for (const std::wstring& path : files) {
    if (path.empty()) continue;
    AdvanceProgress();
    const std::wstring extension = text::Lower(ExtensionOf(path));
    if (std::find(skip.begin(), skip.end(), extension) != skip.end()) continue;
    // A running program cannot be deleted: every process of its name ends first.
    if (extension == L"exe") KillTask(text::FilePart(path));
    DeleteFileW(path.c_str());
  }
}

}  // namespace

void RunRemoval(const UninstallData& data, std::vector<std::wstring> files) {
  const int steps = static_cast<int>(data.uninstallTasks.size() + data.installRecord.size() + files.size()) + 2;
  OpenProgress(data.texts[kProgressText], data.texts[kCancelButton], steps);

  const std::vector<LaterProgram> later = RunUninstallTasks(data.uninstallTasks);

  std::vector<FolderEntry> folders;
  for (const TaskEntry& entry : data.installRecord) {
    AdvanceProgress();
    UndoRecord(entry.line, &files, &folders);
  }
  const bool installFolderProtected = IsProtectedFolder(data.installPath);
  if (!installFolderProtected) folders.push_back(MakeFolderEntry(data.installPath));

  DeleteFiles(files, SkipList(data.skipExtensions));

  SetCurrentDirectoryW(text::FolderPart(OwnPath()).c_str());
  RemoveFolders(folders, data.installPath, installFolderProtected, data.installPathCreated);

  for (const LaterProgram& program : later) StartProgram(program.program, program.parameters);
  CloseProgress();

  // Without a program name the key would be the Uninstall key itself.
  if (!data.appName.empty()) RegistryDeleteKey(HKEY_LOCAL_MACHINE, kUninstallKey + data.appName, L"");
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);

  if (data.rebootRequired == 1) {
    if (ui::Message(data.texts[kRestartText], data.texts[kRestartTitle], MB_YESNO | MB_ICONQUESTION) == IDYES)
      Reboot(0);
  } else {
    ui::Message(data.texts[kSuccessText], data.texts[kSuccessTitle], ui::kInformationIcon);
  }
}
