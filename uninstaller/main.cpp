// The uninstaller. It is written beside the installed product and removes
// it again, in two stages: started without parameters it hands over to a
// copy of itself in the temporary folder (first_stage.cpp); the copy,
// started with the installed data path and the installed uninstaller path,
// asks for confirmation and runs the removal (removal.cpp).
#include "common/prelude.h"

#include "common/heap.h"
#include "common/log.h"
#include "common/message_box.h"
#include "common/outcome.h"
#include "common/quiet_run.h"
#include "common/system_api.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/shared/admin_test.h"
#include "install/shared/digest_book.h"
#include "install/shared/path_guard.h"
#include "startup/os_version.h"
#include "uninstaller/arguments.h"
#include "uninstaller/data.h"
#include "uninstaller/data_check.h"
#include "uninstaller/first_stage.h"
#include "uninstaller/handover.h"
#include "uninstaller/messages.h"
#include "uninstaller/paths.h"
#include "uninstaller/programs.h"
#include "uninstaller/removal.h"

namespace {

// Exits with 0, or in a removal without questions with the outcome's code.
[[noreturn]] void End() {
  LogLine(std::wstring(L"end: ") + OutcomeText(CurrentOutcome()) + L" (exit code " + text::Decimal(ExitCode()) + L")");
  CloseLog();
  ui::Shutdown();
  DestroyPrivateHeap();
  ExitProcess(static_cast<UINT>(ExitCode()));
}

// The copy in the temporary folder: P1 the installed data file, P2 the
// installed uninstaller.
void RunSecondStage(const std::wstring& installedData, const std::wstring& installedUninstaller) {
  const std::wstring self = OwnPath();
  const std::wstring dataPath = WithExtension(self, L"dat");
  RemovalData data;
  if (!ReadRemovalData(dataPath, &data)) {
    NoteOutcome(kFailed);
    ui::Message(uninstall_text::kScriptMissing + dataPath + uninstall_text::kScriptMissingEnd,
                uninstall_text::kErrorTitle, ui::kErrorIcon);
    return;
  }
  // Everything is in memory now: the temporary copy of the data goes, also
  // when the removal runs, so that nothing of it stays in the temporary folder.
  DeleteFileW(dataPath.c_str());
  PathGuard guard;  // what keeps the deletions away from the system's own folders, for the whole stage
  // Data changed since the installation could name any file: nothing is
  // removed, the entry stays.
  const std::wstring bookName = DigestBookName(guard, installedData);
  const std::wstring booked = ReadDigestBookEntry(bookName);
  if ((!booked.empty() && booked != data.digest) || !DataMatchesItsEntries(data, installedUninstaller, guard)) {
    NoteOutcome(kFailed);
    ui::Message(uninstall_text::kDataChanged + installedData + uninstall_text::kDataChangedEnd,
                uninstall_text::kErrorTitle, ui::kErrorIcon);
    if (ui::Quiet()) HandBackOutcome(CurrentOutcome());
    DeleteWhenEnded(self);
    return;
  }
  // A removal without questions needs no consent.
  if (!ui::Quiet() &&
      ui::Message(data.texts[kConfirmText], data.texts[kConfirmTitle], MB_YESNO | MB_ICONQUESTION) != IDYES) {
    DeleteWhenEnded(self);
    return;
  }
  std::vector<std::wstring> files = data.contents.files;
  files.push_back(installedData);
  files.push_back(installedUninstaller);
  RunRemoval(data, files, installedUninstaller, guard);
  EraseDigestBookEntry(bookName);
  if (ui::Quiet()) {
    // The installed uninstaller waits for the outcome and ends with it;
    // only then can its file and the install folder go.
    HandBackOutcome(CurrentOutcome());
    WaitForStarterEnd(installedUninstaller, guard);
    RemoveInstalledUninstaller(data, installedUninstaller, guard);
  }
  DeleteWhenEnded(self);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  RestrictDllSearchPath();
  PrivateHeap();
  ui::Init(instance);
  const UninstallerArguments arguments = ReadUninstallerArguments(GetCommandLineW(), OwnPath());
  ui::SetQuiet(arguments.silent);
  // The copy writes the log; the first stage hands the file on to it.
  if (arguments.secondStage && !arguments.log.empty() && OpenLog(arguments.log))
    LogLine(L"removal started: " + std::wstring(GetCommandLineW()));
  if (LacksAdministratorRights(CurrentOsVersion())) {
    NoteOutcome(kFailed);
    ui::Message(uninstall_text::kNeedAdministrator, uninstall_text::kErrorTitle, ui::kErrorIcon);
    End();
  }
  // None: the installed uninstaller. Two (each in double quotes): the copy.
  if (arguments.secondStage)
    RunSecondStage(arguments.dataPath, arguments.uninstallerPath);
  else
    RunFirstStage(arguments.log);
  End();
}
