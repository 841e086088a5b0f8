#include "wizard/finish.h"

#include "common/prelude.h"
#include <commctrl.h>
#include <shlobj.h>

#include "common/journal.h"
#include "common/toolkit.h"
#include "install/executor.h"
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

void AnnounceAssociations() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

}  // namespace

void Finish() {
  CleanUp(1);
  AnnounceAssociations();
  const WizardState& w = Wizard();
  for (size_t i = 0; i < w.options.size(); ++i)
    if (Ticked(w.optionItems[i])) ExecuteTask(ExpandTokens(w.options[i].line), w.options[i].taskName);
  WriteUninstallInfo();
  // The installation is complete: the files it replaced are not needed again.
  InstallJournal().Commit();
  AnnounceAssociations();
  EndPlain();
}
