#include "wizard/finish.h"

#include "common/prelude.h"
#include <commctrl.h>
#include <shlobj.h>

#include "common/fatal_end.h"
#include "common/system_api.h"
#include "common/toolkit.h"
#include "install/executor.h"
#include "install/install_state.h"
#include "install/uninstall_writer.h"
#include "script/tokens.h"
#include "startup/process.h"
#include "wizard/controls.h"
#include "wizard/wizard_state.h"

namespace {

bool Ticked(void* item) {
  HWND tree = ui::Control(kFinishOptions);
  LRESULT state = SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK);
  return (state >> 12) == 2;
}

void AnnounceAssociations() { AnnounceAssociationChange(); }

}  // namespace

void Finish(WizardState& w) {
  std::vector<const FinishOption*> chosen;
  for (size_t i = 0; i < w.options.size(); ++i)
    if (Ticked(w.optionItems[i])) chosen.push_back(&w.options[i]);
  CompleteInstallation(w.run, chosen);
}

void CompleteInstallation(InstallRun& run, const std::vector<const FinishOption*>& chosen) {
  CleanUp(1);
  AnnounceAssociations();
  for (const FinishOption* option : chosen) ExecuteTask(option->line, option->taskName, run, true);
  WriteUninstallInfo(run.state);
  // The installation is complete: the files it replaced are not needed again.
  run.state.journal.Commit();
  RestartClosedPrograms();  // those the Restart Manager closed that asked for it
  SetUnfinishedWork(RemoveWorkFolder);  // nothing is taken back any more
  AnnounceAssociations();
  EndPlain();
}
