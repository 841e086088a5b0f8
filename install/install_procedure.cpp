#include "install/install_procedure.h"

#include <cmath>

#include "common/fatal_end.h"
#include "common/files.h"
#include "common/journal.h"
#include "common/log.h"
#include "common/text.h"
#include "install/executor.h"
#include "install/file_tasks.h"
#include "install/held_files.h"
#include "install/install_record.h"
#include "install/install_state.h"
#include "install/messages.h"
#include "install/progress.h"
#include "install/shortcuts.h"
#include "install/shared/system_tasks.h"
#include "install/task_line.h"
#include "install/upgrade.h"
#include "package/extract.h"
#include "package/package.h"
#include "script/localization.h"
#include "script/settings.h"
#include "startup/process.h"

namespace {

int Percent(float percent) { return static_cast<int>(std::lround(percent)); }

// What the unpacking reports of each entry: the bar and the status line
// move, the file joins the installed files, and one pending window event
// is handled, so that Cancel can be pressed. Returns 1 (stop) once the user
// confirmed Cancel: the extraction stops and closes the payload copy first,
// so that the clean-up can delete it.
int ExtractionProgress(void* context, const std::wstring& entryName, float percent) {
  InstallRun& run = *static_cast<InstallRun*>(context);
  if (!entryName.empty()) {
    // The bar and the status line are repainted at most every 40 ms: drawn
    // for every small file, they took more time than the unpacking.
    static DWORD shown = 0;
    const DWORD now = GetTickCount();
    if (now - shown >= 40 || percent >= 100.0f) {
      shown = now;
      run.progress.Percent(Percent(percent));
      run.progress.Status(Text(92) + L" " + text::FilePart(entryName));
    }
    const std::wstring path = run.state.installFolder + entryName;
    run.state.installedFiles.Append(path.data(), path.size() * sizeof(wchar_t));
    LogLine(L"unpacked " + path);
  }
  return run.progress.CancelConfirmed() ? 1 : 0;
}

WriteAnswer AnswerForUnpacking(void* context, const std::wstring& path, unsigned long error) {
  return AnswerWriteFailure(*static_cast<InstallRun*>(context), path, error);
}

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
void CreateProgramGroup(InstallState& s, ProgressSink& progress) {
  const SetupSettings& settings = Settings();
  FileJournal& journal = s.journal.files;
  progress.Status(messages::kCreatingGroups);
  // A group's name longer than a folder task takes makes the folder under
  // its shortened name: that is the one a failed run takes back and the
  // removal removes.
  const std::wstring made = text::WithBackslash(FolderTaskPath(s.groupFolder));
  journal.Touching(made);
  if (CreateFolder(s.groupFolder)) journal.MadeFolder(made);
  s.installRecord.push_back({L"AutoStartMenuGroup", PathRecord(RecordKind::kFolder, made)});
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
void StopListedPrograms(const std::vector<TaskEntry>& tasks) {
  for (const TaskEntry& task : tasks) {
    TaskFields f(task.line);
    if (f[1] != keyword::kKillTask) continue;
    for (const std::wstring& piece : text::Split(f[2], L',')) {
      const std::wstring name = text::Trim(piece, L" ");
      if (!name.empty()) LogLine(L"stopping the programs named " + name + L": " + text::Decimal(KillTask(name)));
    }
  }
}

// False when a task was cancelled (a download).
bool RunTasks(const std::vector<TaskEntry>& tasks, InstallRun& run) {
  const size_t count = tasks.size();
  if (!count) return true;
  run.progress.OfferCancel(false);
  for (size_t i = 0; i < count; ++i) {
    run.progress.Percent(static_cast<int>(i * 100 / count));
    ExecuteTask(tasks[i].line, tasks[i].name, run);
    if (run.progress.Cancelled()) return false;
    AfterTask(tasks[i].name);
  }
  return true;
}

}  // namespace

InstallResult InstallProcedure(const InstallPlan& plan, InstallRun& run) {
  InstallState& s = run.state;
  // Names are formed by appending to the folder: a folder without its
  // trailing backslash must not put the uninstaller beside it.
  s.installFolder = text::WithBackslash(plan.installFolder);
  s.groupFolder = text::WithBackslash(plan.groupFolder);
  s.payloadBytes = plan.payloadBytes;
  // The lists that grow with the files are kept in the work folder.
  s.installedFiles.KeepIn(Process().workFolder);
  s.journal.files.KeepEntriesIn(Process().workFolder);
  RollBackAtEveryEnd(s);  // from here on, any end of the run takes back what is done
  s.installFolderCreated = IsNewOrEmpty(s.installFolder);
  ChooseUninstallerNames(s);
  LogLine(L"install folder: " + s.installFolder + (s.installFolderCreated ? L" (new or empty)" : L" (holds files)"));
  NoteEarlierVersion();
  run.progress.Status(messages::kPreparing);
  if (plan.createGroup) {
    LogLine(L"program group: " + s.groupFolder);
    CreateProgramGroup(s, run.progress);
  }
  StopListedPrograms(plan.tasks);
  // Every file of the payload is written whole, or the installation stops
  // and puts back what it changed: an installation that is missing files
  // is never registered.
  ExtractOptions unpack;
  unpack.journal = &s.journal.files;
  unpack.stopAtFailure = true;
  // What the archive may write is bounded by each entry's own stated size
  // (checked against its data) and by the free space of the install
  // folder's volume. The statistics file is only the wizard's figure:
  // packages from other tools state less than they hold.
  const uint64_t space = FreeBytesFor(s.installFolder);
  unpack.byteLimit = space == kNoFreeSpaceFigure ? kNoByteLimit : space;
  // A file that cannot be written is not a damaged package: the user (or
  // the unattended run's rule) decides.
  unpack.onWriteFailure = AnswerForUnpacking;
  unpack.onEntry = ExtractionProgress;
  unpack.context = &run;
  const ExtractResult unpacked = ExtractArchiveWith(Paths().payloadCopy, s.installFolder, unpack);
  if (run.progress.Cancelled()) return InstallResult::kCancelled;
  LogLine(L"unpacked " + text::Decimal(unpacked.written) + L" files" +
          (unpacked.failed ? L"; " + text::Decimal(unpacked.failed) + L" entries could not be unpacked" : L""));
  if (!unpacked.opened || unpacked.failed) return InstallResult::kFailed;
  // The uninstall entry's size: what was unpacked, where the statistics said less.
  if (unpacked.bytes > s.payloadBytes) s.payloadBytes = unpacked.bytes;
  run.progress.Percent(0);
  DeleteFileW(Paths().payloadCopy.c_str());
  return RunTasks(plan.tasks, run) ? InstallResult::kInstalled : InstallResult::kCancelled;
}
