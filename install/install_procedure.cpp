#include "install/install_procedure.h"

#include "common/files.h"
#include "common/journal.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/executor.h"
#include "install/file_tasks.h"
#include "install/install_record.h"
#include "install/install_state.h"
#include "install/messages.h"
#include "install/progress.h"
#include "install/shortcuts.h"
#include "install/system_tasks.h"
#include "install/task_line.h"
#include "package/extract.h"
#include "package/package.h"
#include "script/settings.h"
#include "wizard/controls.h"
#include "wizard/navigation.h"
#include "wizard/wizard_state.h"

namespace {

// The first n for which neither "Uninst<n>.exe" nor "Uninst<n>.dat" exists.
void ChooseUninstallerNames(InstallState& s) {
  for (unsigned n = 0;; ++n) {
    const std::wstring stem = s.installFolder + L"Uninst" + text::DecimalUnsigned(n);
    if (!PathExists(stem + L".exe") && !PathExists(stem + L".dat")) {
      s.uninstallerPath = stem + L".exe";
      s.uninstallDataPath = stem + L".dat";
      return;
    }
  }
}

// A folder that does not exist or holds nothing: the installation makes it its own.
bool IsNewOrEmpty(const std::wstring& folder) {
  if (!PathExists(text::TrimRight(folder, L"\\"))) return true;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((text::WithBackslash(folder) + L"*.*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return false;  // there, but not readable: not the product's own
  bool empty = true;
  do {
    const std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") empty = false;
  } while (empty && FindNextFileW(find, &fd));
  FindClose(find);
  return empty;
}

// The group and its links go through the installation's journal: a Cancel
// takes them away again.
void CreateProgramGroup(InstallState& s) {
  const SetupSettings& settings = Settings();
  FileJournal& journal = InstallJournal();
  ui::SetText(kStatusLine, messages::kCreatingGroups);
  s.groupFolder = text::WithBackslash(ui::GetText(kGroupField));
  if (CreateFolder(s.groupFolder)) journal.MadeFolder(s.groupFolder);
  s.installRecord.push_back({L"AutoStartMenuGroup", PathRecord(RecordKind::kFolder, s.groupFolder)});
  if (settings.createInternetLink == 1 && !settings.website.empty()) {
    const std::wstring link = s.groupFolder + L"Website.url";
    if (journal.WriteThrough(link, [&] { return CreateInternetLink(settings.website, link) != 0; }))
      s.installRecord.push_back({L"AutoStartMenuInternetLink", PathRecord(RecordKind::kLink, link)});
  }
  if (settings.createUninstallLink == 1) {
    // The uninstaller itself is written only when the wizard finishes.
    const std::wstring link = s.groupFolder + L"Uninstall.lnk";
    if (journal.WriteThrough(link, [&] {
          return CreateShortcut(s.uninstallerPath, link, L"", L"", s.installFolder, 0, 0, s.uninstallerPath, 0) != 0;
        }))
      s.installRecord.push_back({L"AutoStartMenuUninstallLink", PathRecord(RecordKind::kLink, link)});
  }
}

// Programs named by KILLTASK lines are stopped before any file is unpacked.
void StopListedPrograms() {
  for (const TaskEntry& task : Settings().installTasks) {
    TaskFields f(task.line);
    if (f[1] != L"KILLTASK") continue;
    for (const std::wstring& piece : text::Split(f[2], L',')) {
      const std::wstring name = text::Trim(piece, L" ");
      if (!name.empty()) KillTask(name);
    }
  }
}

void RunTasks() {
  const std::vector<TaskEntry>& tasks = Settings().installTasks;
  const size_t count = tasks.size();
  if (!count) return;
  ui::Enable(kCancelButton, false);
  for (size_t i = 0; i < count; ++i) {
    ui::SetProgress(kProgressBar, static_cast<int>(i * 100 / count));
    ExecuteTask(tasks[i].line, tasks[i].name);
  }
}

}  // namespace

int InstallProcedure() {
  ShowPage(kInstallPage);
  ui::Enable(kNextButton, false);
  ui::Enable(kPreviousButton, false);
  InstallState& s = Installation();
  // Names are formed by appending to the folder: a field edited by hand
  // without its trailing backslash must not put the uninstaller beside it.
  s.installFolder = text::WithBackslash(ui::GetText(kDestinationField));
  s.installFolderCreated = IsNewOrEmpty(s.installFolder);
  ChooseUninstallerNames(s);
  ui::SetText(kStatusLine, messages::kPreparing);
  SetExtractionCallback(ExtractionProgress);
  if (Settings().createStartMenuGroup == 1) CreateProgramGroup(s);
  StopListedPrograms();
  // Every file of the payload is written whole, or the installation stops
  // and puts back what it changed: an installation that is missing files
  // is never registered.
  ExtractOptions unpack;
  unpack.journal = &InstallJournal();
  unpack.stopAtFailure = true;
  unpack.byteLimit = Wizard().required;
  const ExtractResult unpacked = ExtractArchiveWith(Paths().payloadCopy, s.installFolder, unpack);
  if (InstallationCancelled()) EndCancelledInstallation();
  if (!unpacked.opened || unpacked.failed) EndFailedInstallation(messages::kNotUnpacked);
  ui::SetProgress(kProgressBar, 0);
  DeleteFileW(Paths().payloadCopy.c_str());
  RunTasks();
  return 1;
}
