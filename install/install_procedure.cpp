#include "install/install_procedure.h"

#include "common/toolkit.h"
#include "wizard/controls.h"
#include "wizard/navigation.h"
#include "wizard/wizard_state.h"

int InstallProcedure() {
  ShowPage(kInstallPage);
  ui::Enable(kNextButton, false);
  ui::Enable(kPreviousButton, false);
  return 1;
}
