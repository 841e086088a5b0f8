#include "wizard/install_page.h"

#include "common/message_box.h"
#include "common/outcome.h"
#include "common/toolkit.h"
#include "script/localization.h"
#include "startup/process.h"
#include "wizard/controls.h"

InstallPageProgress::InstallPageProgress() : ProgressWindow(kStatusLine, kProgressBar, kCancelButton) {}

void InstallPageProgress::OfferCancel(bool offered) {
  HWND cancel = ui::Control(kCancelButton);
  if (!offered) ui::Enable(kCancelButton, false);
  else if (cancel && !IsWindowEnabled(cancel) && IsWindowVisible(cancel)) ui::Enable(kCancelButton, true);
}

bool InstallPageProgress::ConfirmCancel() {
  if (ui::Message(Text(66), Text(65), MB_YESNO | MB_ICONSTOP) != IDYES) return false;
  NoteOutcome(kCancelled);
  return true;
}
