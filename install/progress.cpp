#include "install/progress.h"

#include "common/fatal_end.h"
#include "common/files.h"
#include "common/journal.h"
#include "common/log.h"
#include "common/message_box.h"
#include "common/outcome.h"
#include "common/prelude.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "install/install_state.h"
#include "install/messages.h"
#include "install/registry_journal.h"
#include "package/extract.h"
#include "script/localization.h"
#include "startup/process.h"

namespace {

// The installation under way, for an end of the process in its middle.
InstallState* g_underway = nullptr;

void RollBackUnfinished() {
  if (g_underway) Rollback(*g_underway);
  RemoveWorkFolder();
}

}  // namespace

void EndInstallation(InstallResult result, InstallRun& run) {
  if (result == InstallResult::kInstalled) return;
  if (result == InstallResult::kFailed) {
    NoteOutcome(kFailed);
    run.progress.Message(messages::kNotUnpacked, Text(0), ui::kErrorIcon);
  }
  Rollback(run.state);
  CleanUp(0);
  EndPlain();
}

void RollBackAtEveryEnd(InstallState& state) {
  g_underway = &state;
  SetUnfinishedWork(RollBackUnfinished);
}

int Rollback(InstallState& state) {
  SetUnfinishedWork(RemoveWorkFolder);  // taken back once, whatever ends the run now
  LetGoOfFolders();  // an end in the middle of the unpacking
  state.journal.RollBack();
  state.installRecord.clear();
  state.installedFiles.Clear();
  return 1;
}
