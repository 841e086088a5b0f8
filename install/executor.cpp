#include "install/executor.h"

#include "common/prelude.h"

#include <shellapi.h>

#include <cmath>

#include "common/files.h"
#include "common/log.h"
#include "common/quiet_run.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/shared/associations.h"
#include "install/shared/download.h"
#include "common/journal.h"
#include "install/file_tasks.h"
#include "install/held_files.h"
#include "install/install_record.h"
#include "install/install_state.h"
#include "install/shared/path_guard.h"
#include "install/path_rules.h"
#include "install/shared/registry.h"
#include "install/registry_journal.h"
#include "install/shared/services.h"
#include "install/shortcuts.h"
#include "install/shared/system_tasks.h"
#include "install/task_line.h"
#include "script/integer.h"
#include "script/localization.h"
#include "script/token_rules.h"
#include "script/tokens.h"
#include "startup/os_version.h"
#include "common/outcome.h"
#include "install/shared/program_start.h"
#include "startup/process.h"

namespace {

// What one task has to work with.
struct Task {
  const TaskFields& field;
  const std::wstring& line;  // after expansion
  const std::wstring& name;
  InstallRun& run;
  bool forUser;  // a program the user chose to start: with the user's rights
};

void Status(const Task& t, int key) { t.run.progress.Status(Text(key)); }
void Note(const Task& t, const Record& record) { t.run.state.installRecord.push_back({t.name, record}); }

// The bar follows a download, and one pending window event is handled so
// that Cancel can be pressed: 1 (stop) once the user confirmed it.
int DownloadProgress(ProgressSink& progress, const std::wstring&, float percent) {
  progress.Percent(static_cast<int>(std::lround(percent)));
  return progress.CancelConfirmed() ? 1 : 0;
}

// What a task came to, for the log.
enum class Result { kDone, kFailed, kNotRun, kRefused };
Result Outcome(bool done) { return done ? Result::kDone : Result::kFailed; }

bool ServiceCapable() {
  const int os = Process().osVersion;
  return os == kOsNt4 || os >= kOs2000;
}

Result Run(const Task& t) {
  if (ReadInteger(t.field[4]) != 1 || t.field[5].empty()) return Result::kNotRun;
  Status(t, 71);
  ProgramStart start{t.field[5], t.field[6], ProgramFolderOf(t.field[5]), StartWay::kShell};
  start.show = ReadInteger(t.field[3]) == 1 ? SW_HIDE : SW_SHOW;
  start.wait = ReadInteger(t.field[2]) == 1;
  // The user's own program, not waited for, starts with the user's rights
  // (without a process to follow) where the setup runs elevated.
  start.asUser = t.forUser;
  HANDLE process = nullptr;
  const Started started = StartProgram(start, &process);
  if (process) t.run.state.journal.files.StartedProcess(process);  // a rollback waits for it to let go of files
  return Outcome(started == Started::kByDesktop || started == Started::kProcess);
}

DWORD RegistryType(const std::wstring& name) {
  if (name == L"REG_SZ") return REG_SZ;
  if (name == L"REG_DWORD") return REG_DWORD;
  return 0;
}

Result RegAddValue(const Task& t) {
  // A type the task cannot write writes nothing: nothing to record, so the
  // removal never deletes a value of that name that was there before.
  if (!RegistryType(t.field[6])) return Result::kNotRun;
  t.run.state.journal.registry.BeforeValue(RootFromName(t.field[2]), t.field[5], t.field[3]);
  if (!RegistrySetValue(RootFromName(t.field[2]), t.field[5], t.field[3], t.field[4], RegistryType(t.field[6]), L""))
    return Result::kFailed;
  Note(t, RegistryRecord(t.line));
  Status(t, 72);
  return Result::kDone;
}

Result RegAddKey(const Task& t) {
  t.run.state.journal.registry.BeforeKey(RootFromName(t.field[2]), t.field[5]);
  if (!RegistryCreateKey(RootFromName(t.field[2]), t.field[5], L"")) return Result::kFailed;
  Note(t, RegistryRecord(t.line));
  Status(t, 73);
  return Result::kDone;
}

Result RegDelValue(const Task& t) {
  Status(t, 74);
  t.run.state.journal.registry.BeforeValue(RootFromName(t.field[2]), t.field[5], t.field[3]);
  return Outcome(RegistryDeleteValue(RootFromName(t.field[2]), t.field[5], t.field[3], L"") != 0);
}

Result RegDelKey(const Task& t) {
  Status(t, 75);
  t.run.state.journal.registry.BeforeTree(RootFromName(t.field[2]), t.field[5], false);  // only a key without sub-keys goes
  return Outcome(RegistryDeleteKey(RootFromName(t.field[2]), t.field[5], L"") != 0);
}

// Field 2 names the folder by location index, field 3 the file.
std::wstring LinkPath(const Task& t, const wchar_t* extension) {
  const std::wstring& name = t.field[3];
  return TokenFolder(ReadInteger(t.field[2]), t.run.state.Folders()) +
         (text::EndsWithNoCase(name, extension) ? name : name + extension);
}

Result NormalLink(const Task& t) {
  if (t.field[5] != L"0") return Result::kNotRun;  // offered on the finish page instead
  const std::wstring path = LinkPath(t, L".lnk");
  const std::wstring& target = t.field[4];
  if (!t.run.state.journal.files.WriteThrough(path, [&] {
        return CreateShortcut(target, path, L"", t.field[7], ProgramFolderOf(target), SW_SHOWNORMAL, 0, target,
                              ReadInteger(t.field[6])) != 0;
      }))
    return Result::kFailed;
  Status(t, 76);
  Note(t, PathRecord(RecordKind::kLink, path));
  return Result::kDone;
}

Result InternetLink(const Task& t) {
  if (t.field[5] != L"0") return Result::kNotRun;
  const std::wstring path = LinkPath(t, L".url");
  if (!t.run.state.journal.files.WriteThrough(path, [&] { return CreateInternetLink(t.field[4], path) != 0; }))
    return Result::kFailed;
  Note(t, PathRecord(RecordKind::kLink, path));
  Status(t, 77);
  return Result::kDone;
}

// A file task acts only on an absolute path that names no root and no
// well-known folder: a relative one would depend on the current folder.
Result DeleteOneFile(const Task& t) {
  if (t.field[2].empty()) return Result::kNotRun;
  Status(t, 78);
  if (!IsDeletableFilePath(t.run.state.guard, t.field[2])) return Result::kRefused;
  // Kept aside until the installation completes; a read-only file stays,
  // as a deletion would leave it.
  const DWORD a = GetFileAttributesW(t.field[2].c_str());
  return Outcome(a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_READONLY) &&
                 t.run.state.journal.files.Remove(t.field[2]));
}

// A file written over by a copy or a move is kept aside until the
// installation completes, so that a Cancel or a failure can put it back.
Result CopyThroughJournal(InstallRun& run, const std::wstring& source, const std::wstring& destination) {
  // A stream or a device is never read as the source either.
  if (source.empty() || HasStreamOrDeviceSyntax(source) || !IsDeletableFilePath(run.state.guard, destination))
    return Result::kRefused;
  std::wstring target = destination;
  for (;;) {
    if (run.state.journal.files.WriteThrough(target, [&] { return CopyFileOver(source, target); })) break;
    // A target another program holds is asked about, as a payload file is.
    if (target != destination || !PathExists(destination) || !IsHeldError(WhyNotMovable(destination)))
      return Result::kFailed;
    const WriteAnswer answer = AnswerWriteFailure(run, destination, WhyNotMovable(destination));
    if (answer == WriteAnswer::kStop) return Result::kFailed;
    if (answer == WriteAnswer::kAtRestart) target = destination + L".~new";
  }
  if (target != destination &&
      !MoveFileExW(target.c_str(), destination.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
    return Result::kFailed;
  return Result::kDone;
}

Result MoveOneFile(const Task& t) {
  Status(t, 79);
  if (!IsDeletableFilePath(t.run.state.guard, t.field[2])) return Result::kRefused;
  const Result copied = CopyThroughJournal(t.run, t.field[2], t.field[3]);
  // The source is kept aside too, instead of being deleted at once.
  if (copied == Result::kDone) t.run.state.journal.files.Remove(t.field[2]);
  return copied;
}

Result CopyOneFile(const Task& t) {
  Status(t, 80);
  const Result copied = CopyThroughJournal(t.run, t.field[2], t.field[3]);
  if (copied == Result::kDone) Note(t, PathRecord(RecordKind::kCopy, t.field[3]));
  return copied;
}

Result MakeFolder(const Task& t) {
  Status(t, 81);
  const std::wstring path = text::WithBackslash(t.field[2]);
  // A path the folder task would have to shorten names another folder than
  // the one written: refused, so that the record and the disk never differ.
  if (text::TrimRight(path, L" /\\").size() > kMaxFolderTaskPath || HasStreamOrDeviceSyntax(path))
    return Result::kRefused;
  t.run.state.journal.files.Touching(FolderTaskPath(path));
  if (!CreateFolder(path)) return Result::kFailed;
  t.run.state.journal.files.MadeFolder(path);  // a Cancel or failure takes it away again
  Note(t, PathRecord(RecordKind::kFolder, path));
  return Result::kDone;
}

// Never an empty, relative, root or well-known folder (a guard the
// removal shares), and never a path that would have to be shortened.
Result RemoveFolder(const Task& t) {
  Status(t, 82);
  const std::wstring folder = text::WithBackslash(t.field[2]);
  if (folder.size() > kMaxFolderTaskPath || IsProtectedFolder(t.run.state.guard, folder)) return Result::kRefused;
  int flags = (t.field[3] == L"1" ? kDeleteRecursive : 0) | (t.field[4] == L"1" ? kDeleteForce : 0);
  return Outcome(DeleteFolder(folder, L"", flags, &t.run.state.journal.files));
}

Result Associate(const Task& t) {
  Status(t, 83);
  const std::wstring icon = t.field[4] + L"," + t.field[5];
  // Without a program file name the keys would be the class trees' own
  // (HKEY_CLASSES_ROOT\Applications itself).
  if (text::Trim(ProgramFileOf(t.field[4]), L" ").empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeAssociation(t.field[2], ProgramFileOf(t.field[4]));
  if (!AssociateExtension(t.field[2], t.field[3], t.field[4], icon)) return Result::kFailed;
  Note(t, AssociationRecord(ProgramFileOf(t.field[4]), t.field[2]));
  return Result::kDone;
}

Result Disassociate(const Task& t) {
  Status(t, 84);
  if (t.field[2].empty() || t.field[3].empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeAssociation(t.field[2], t.field[3]);
  RemoveAssociation(t.field[2], t.field[3]);
  return Result::kDone;
}

Result ServiceCall(const Task& t, int (*operation)(const std::wstring&), int statusKey) {
  if (!ServiceCapable() || t.field[2].empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeService(t.field[2]);
  const int result = operation(t.field[2]);
  Status(t, statusKey);
  return Outcome(result != 0);
}

Result StartService(const Task& t) { return ServiceCall(t, ServiceStart, 85); }
Result StopService(const Task& t) { return ServiceCall(t, ServiceStop, 87); }
Result RemoveService(const Task& t) {
  ServiceCall(t, ServiceRemove, 88);  // reports nothing of its own
  return ServiceCapable() && !t.field[2].empty() ? Result::kDone : Result::kNotRun;
}

Result InstallService(const Task& t) {
  if (!ServiceCapable()) return Result::kNotRun;
  const std::wstring& type = t.field[6];
  int startType = type.size() == 1 && type[0] >= L'0' && type[0] <= L'4' ? type[0] - L'0' : 0;
  if (t.field[2].empty() || t.field[3].empty() || t.field[4].empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeService(t.field[2]);
  t.run.state.journal.registry.BeforeValue(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\" + t.field[2],
                                L"Description");  // written over when the service exists
  if (!ServiceInstall(t.field[2], t.field[3], t.field[4], t.field[5], startType, t.run.progress))
    return Result::kFailed;
  Note(t, ServiceRecord(t.field[2]));
  Status(t, 86);
  return Result::kDone;
}

Result RegisterFile(const Task& t) {
  if (t.field[2].empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeServer(t.field[2], true);
  const int started = RegisterServer(t.field[2], 1);
  Note(t, PathRecord(RecordKind::kServer, t.field[2]));  // whatever the registration's result
  Status(t, 89);
  return Outcome(started != 0);
}

Result UnregisterFile(const Task& t) {
  if (t.field[2].empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeServer(t.field[2], false);
  const int started = RegisterServer(t.field[2], 0);
  Status(t, 90);
  return Outcome(started != 0);
}

Result Download(const Task& t) {
  const std::wstring& address = t.field[2];
  const std::wstring savePath = CollapseBackslashes(t.field[3]);
  if (address.empty() || savePath.empty()) return Result::kNotRun;
  ProgressSink& progress = t.run.progress;
  progress.Status(Text(91) + L" (" + address + L")");
  // A download may take long: Cancel is offered while it runs (the task
  // phase keeps it off otherwise). A cancelled download leaves nothing.
  progress.OfferCancel(true);
  // Through the journal: a Cancel later takes the file away again, and an
  // earlier file of that name comes back.
  const bool done =
      IsDeletableFilePath(t.run.state.guard, savePath) && t.run.state.journal.files.WriteThrough(savePath, [&] {
        return DownloadFile(savePath, address, progress, DownloadProgress) != 0;
      });
  progress.OfferCancel(false);
  return Outcome(done);
}

Result Font(const Task& t) {
  if (t.field[2].empty() || t.field[3].empty()) return Result::kNotRun;
  t.run.state.journal.registry.BeforeValue(HKEY_LOCAL_MACHINE, FontsRegistryKey(), t.field[2]);
  if (!InstallFont(t.field[2], t.field[3], &t.run.state.journal.files)) return Result::kFailed;
  t.run.state.journal.registry.AddedFont(t.field[3]);  // taken out of the running system again by a rollback
  return Result::kDone;
}

// An unattended run never restarts the computer: the need is reported by
// its exit code.
Result Restart(const Task&) {
  if (ui::Quiet()) {
    NoteOutcome(kRestartNeeded);
    return Result::kNotRun;
  }
  Reboot(0);
  return Result::kDone;
}

struct Kind {
  const wchar_t* keyword;
  Result (*run)(const Task&);
};

// Keywords are compared exactly, case included. KILLTASK is not here: the
// install procedure stops those programs before it unpacks anything.
constexpr Kind kKinds[] = {
    {keyword::kRun, Run},
    {keyword::kRegAddValue, RegAddValue},
    {keyword::kRegAddKey, RegAddKey},
    {keyword::kRegDelValue, RegDelValue},
    {keyword::kRegDelKey, RegDelKey},
    {keyword::kNormalLink, NormalLink},
    {keyword::kInternetLink, InternetLink},
    {keyword::kDeleteFile, DeleteOneFile},
    {keyword::kMoveFile, MoveOneFile},
    {keyword::kCopyFile, CopyOneFile},
    {keyword::kCreateFolder, MakeFolder},
    {keyword::kDeleteFolder, RemoveFolder},
    {keyword::kAssociate, Associate},
    {keyword::kDisassociate, Disassociate},
    {keyword::kStartService, StartService},
    {keyword::kInstallService, InstallService},
    {keyword::kStopService, StopService},
    {keyword::kRemoveService, RemoveService},
    {keyword::kRegisterServer, RegisterFile},
    {keyword::kUnregisterServer, UnregisterFile},
    {keyword::kDownloadFile, Download},
    {keyword::kInstallFont, Font},
    {keyword::kRestart, Restart},
};

const wchar_t* ResultText(Result r) {
  switch (r) {
    case Result::kDone: return L"done";
    case Result::kFailed: return L"failed";
    case Result::kNotRun: return L"not run";
    case Result::kRefused: return L"refused (the path is not one a task may change)";
  }
  return L"";
}

}  // namespace

int ExecuteTask(const std::wstring& taskLine, const std::wstring& taskName, InstallRun& run, bool forUser) {
  if (!taskLine.empty()) {
    // Every field is expanded before the line is split: a token may stand anywhere.
    const std::wstring line = ExpandTokens(taskLine, run.state.Folders());
    const TaskFields fields(line);
    const wchar_t* result = L"nothing to do (no task of this keyword)";
    for (const Kind& kind : kKinds) {
      if (fields[1] == kind.keyword) {
        result = ResultText(kind.run(Task{fields, line, taskName, run, forUser}));
        break;
      }
    }
    LogLine(L"task " + taskName + L": " + line + L": " + result);
  }
  Sleep(5);
  return 1;
}
