#include "install/executor.h"

#include "common/prelude.h"

#include <shellapi.h>

#include "common/text.h"
#include "common/toolkit.h"
#include "install/associations.h"
#include "install/download.h"
#include "common/journal.h"
#include "install/file_tasks.h"
#include "install/install_record.h"
#include "install/install_state.h"
#include "install/path_guard.h"
#include "install/progress.h"
#include "install/registry.h"
#include "install/services.h"
#include "install/shortcuts.h"
#include "install/system_tasks.h"
#include "install/task_line.h"
#include "script/integer.h"
#include "script/localization.h"
#include "script/token_rules.h"
#include "script/tokens.h"
#include "startup/os_version.h"
#include "startup/process.h"
#include "wizard/controls.h"

namespace {

// What one task has to work with.
struct Task {
  const TaskFields& field;
  const std::wstring& line;  // after expansion
  const std::wstring& name;
};

void Status(int key) { ui::SetText(kStatusLine, Text(key)); }
void Note(const Task& t, const Record& record) { Installation().installRecord.push_back({t.name, record}); }

bool ServiceCapable() {
  const int os = Process().osVersion;
  return os == kOsNt4 || os >= kOs2000;
}

void Run(const Task& t) {
  if (ReadInteger(t.field[4]) != 1 || t.field[5].empty()) return;
  Status(71);
  const std::wstring folder = ProgramFolderOf(t.field[5]);
  SHELLEXECUTEINFOW sei = {};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS;
  sei.lpFile = t.field[5].c_str();
  sei.lpParameters = t.field[6].c_str();
  sei.lpDirectory = folder.c_str();
  sei.nShow = ReadInteger(t.field[3]) == 1 ? SW_HIDE : SW_SHOW;
  ShellExecuteExW(&sei);
  if (!sei.hProcess) return;
  if (ReadInteger(t.field[2]) == 1) WaitForSingleObject(sei.hProcess, INFINITE);
  CloseHandle(sei.hProcess);
}

DWORD RegistryType(const std::wstring& name) {
  if (name == L"REG_SZ") return REG_SZ;
  if (name == L"REG_DWORD") return REG_DWORD;
  return 0;
}

void RegAddValue(const Task& t) {
  if (!RegistrySetValue(RootFromName(t.field[2]), t.field[5], t.field[3], t.field[4], RegistryType(t.field[6]), L""))
    return;
  Note(t, RegistryRecord(t.line));
  Status(72);
}

void RegAddKey(const Task& t) {
  if (!RegistryCreateKey(RootFromName(t.field[2]), t.field[5], L"")) return;
  Note(t, RegistryRecord(t.line));
  Status(73);
}

void RegDelValue(const Task& t) {
  Status(74);
  RegistryDeleteValue(RootFromName(t.field[2]), t.field[5], t.field[3], L"");
}

void RegDelKey(const Task& t) {
  Status(75);
  RegistryDeleteKey(RootFromName(t.field[2]), t.field[5], L"");
}

// Field 2 names the folder by location index, field 3 the file.
std::wstring LinkPath(const Task& t, const wchar_t* extension) {
  const std::wstring& name = t.field[3];
  return TokenFolder(ReadInteger(t.field[2])) + (text::EndsWithNoCase(name, extension) ? name : name + extension);
}

void NormalLink(const Task& t) {
  if (t.field[5] != L"0") return;  // offered on the finish page instead
  const std::wstring path = LinkPath(t, L".lnk");
  const std::wstring& target = t.field[4];
  if (!InstallJournal().WriteThrough(path, [&] {
        return CreateShortcut(target, path, L"", t.field[7], ProgramFolderOf(target), SW_SHOWNORMAL, 0, target,
                              ReadInteger(t.field[6])) != 0;
      }))
    return;
  Status(76);
  Note(t, PathRecord(RecordKind::kLink, path));
}

void InternetLink(const Task& t) {
  if (t.field[5] != L"0") return;
  const std::wstring path = LinkPath(t, L".url");
  if (!InstallJournal().WriteThrough(path, [&] { return CreateInternetLink(t.field[4], path) != 0; })) return;
  Note(t, PathRecord(RecordKind::kLink, path));
  Status(77);
}

// A file task acts only on an absolute path that names no root and no
// well-known folder: a relative one would depend on the current folder.
void DeleteOneFile(const Task& t) {
  if (t.field[2].empty()) return;
  Status(78);
  if (IsDeletableFilePath(t.field[2])) DeleteFileW(t.field[2].c_str());
}

// A file written over by a copy or a move is kept aside until the
// installation completes, so that a Cancel or a failure can put it back.
bool CopyThroughJournal(const std::wstring& source, const std::wstring& destination) {
  if (source.empty() || !IsDeletableFilePath(destination)) return false;
  return InstallJournal().WriteThrough(destination, [&] { return CopyFileOver(source, destination); });
}

void MoveOneFile(const Task& t) {
  Status(79);
  // The source is kept aside too, instead of being deleted at once.
  if (IsDeletableFilePath(t.field[2]) && CopyThroughJournal(t.field[2], t.field[3])) InstallJournal().Remove(t.field[2]);
}

void CopyOneFile(const Task& t) {
  Status(80);
  if (CopyThroughJournal(t.field[2], t.field[3])) Note(t, PathRecord(RecordKind::kCopy, t.field[3]));
}

void MakeFolder(const Task& t) {
  Status(81);
  const std::wstring path = text::WithBackslash(t.field[2]);
  if (CreateFolder(path)) Note(t, PathRecord(RecordKind::kFolder, path));
}

// Never an empty, relative, root or well-known folder (a guard the
// removal shares), and never a path that would have to be shortened.
void RemoveFolder(const Task& t) {
  Status(82);
  const std::wstring folder = text::WithBackslash(t.field[2]);
  if (folder.size() > kMaxFolderTaskPath || IsProtectedFolder(folder)) return;
  int flags = (t.field[3] == L"1" ? kDeleteRecursive : 0) | (t.field[4] == L"1" ? kDeleteForce : 0);
  DeleteFolder(folder, L"", flags);
}

void Associate(const Task& t) {
  Status(83);
  const std::wstring icon = t.field[4] + L"," + t.field[5];
  if (AssociateExtension(t.field[2], t.field[3], t.field[4], icon))
    Note(t, AssociationRecord(ProgramFileOf(t.field[4]), t.field[2]));
}

void Disassociate(const Task& t) {
  Status(84);
  if (!t.field[2].empty() && !t.field[3].empty()) RemoveAssociation(t.field[2], t.field[3]);
}

void ServiceCall(const Task& t, int (*operation)(const std::wstring&), int statusKey) {
  if (!ServiceCapable() || t.field[2].empty()) return;
  operation(t.field[2]);
  Status(statusKey);
}

void StartService(const Task& t) { ServiceCall(t, ServiceStart, 85); }
void StopService(const Task& t) { ServiceCall(t, ServiceStop, 87); }
void RemoveService(const Task& t) { ServiceCall(t, ServiceRemove, 88); }

void InstallService(const Task& t) {
  if (!ServiceCapable()) return;
  const std::wstring& type = t.field[6];
  int startType = type.size() == 1 && type[0] >= L'0' && type[0] <= L'4' ? type[0] - L'0' : 0;
  if (t.field[2].empty() || t.field[3].empty() || t.field[4].empty()) return;
  if (!ServiceInstall(t.field[2], t.field[3], t.field[4], t.field[5], startType)) return;
  Note(t, ServiceRecord(t.field[2]));
  Status(86);
}

void RegisterFile(const Task& t) {
  if (t.field[2].empty()) return;
  RegisterServer(t.field[2], 1);
  Note(t, PathRecord(RecordKind::kServer, t.field[2]));  // whatever the registration's result
  Status(89);
}

void UnregisterFile(const Task& t) {
  if (t.field[2].empty()) return;
  RegisterServer(t.field[2], 0);
  Status(90);
}

void Download(const Task& t) {
  const std::wstring& address = t.field[2];
  const std::wstring savePath = CollapseBackslashes(t.field[3]);
  if (address.empty() || savePath.empty()) return;
  ui::SetText(kStatusLine, Text(91) + L" (" + address + L")");
  DownloadFile(savePath, address, DownloadProgress);
}

void Font(const Task& t) {
  if (!t.field[2].empty() && !t.field[3].empty()) InstallFont(t.field[2], t.field[3]);
}

void Restart(const Task&) { Reboot(0); }

struct Kind {
  const wchar_t* keyword;
  void (*run)(const Task&);
};

// Keywords are compared exactly, case included. KILLTASK is not here: the
// install procedure stops those programs before it unpacks anything.
constexpr Kind kKinds[] = {
    {L"RUN", Run},
    {L"REGADDVALUE", RegAddValue},
    {L"REGADDKEY", RegAddKey},
    {L"REGDELVALUE", RegDelValue},
    {L"REGDELKEY", RegDelKey},
    {L"NORMALLINK", NormalLink},
    {L"INTERNETLINK", InternetLink},
    {L"DELETEFILE", DeleteOneFile},
    {L"MOVEFILE", MoveOneFile},
    {L"COPYFILE", CopyOneFile},
    {L"CREATEFOLDER", MakeFolder},
    {L"DELETEFOLDER", RemoveFolder},
    {L"ASSOCIATEEXTENSION", Associate},
    {L"DISASSOCIATEEXTENSION", Disassociate},
    {L"STARTSERVICE", StartService},
    {L"INSTALLSERVICE", InstallService},
    {L"STOPSERVICE", StopService},
    {L"REMOVESERVICE", RemoveService},
    {L"REGISTERSERVER", RegisterFile},
    {L"UNREGISTERSERVER", UnregisterFile},
    {L"DOWNLOADFILE", Download},
    {L"INSTALLFONT", Font},
    {L"!REBOOT_I", Restart},
};

}  // namespace

int ExecuteTask(const std::wstring& taskLine, const std::wstring& taskName) {
  if (!taskLine.empty()) {
    // Every field is expanded before the line is split: a token may stand anywhere.
    const std::wstring line = ExpandTokens(taskLine);
    const TaskFields fields(line);
    for (const Kind& kind : kKinds) {
      if (fields[1] == kind.keyword) {
        kind.run(Task{fields, line, taskName});
        break;
      }
    }
  }
  Sleep(5);
  return 1;
}
