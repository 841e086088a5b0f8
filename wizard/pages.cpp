// Showing a page and setting the buttons for it.
#include "common/toolkit.h"
#include "wizard/controls.h"
#include "wizard/navigation.h"
#include "wizard/wizard_state.h"

void ShowPage(WizardState& w, int page) {
  for (int i = 0; i < 7; ++i) ui::Show(kPageContainers[i], i == page);
  switch (page) {
    case kWelcomePage:
      ui::Enable(kNextButton, true);
      ui::Enable(kPreviousButton, false);
      break;
    case kLicensePage:
      ui::Enable(kNextButton, ui::IsChecked(kLicenseBox));
      ui::Enable(kPreviousButton, true);
      break;
    case kReadMePage:
    case kDestinationPage:
    case kGroupPage:
      ui::Enable(kPreviousButton, true);
      break;
    case kInstallPage:
      ui::Enable(kPreviousButton, true);
      SetFocus(ui::Control(kInstallText));
      break;
    case kFinishPage:
      ui::Show(kNextButton, false);
      ui::Show(kPreviousButton, false);
      ui::Show(kCancelButton, false);
      ui::Show(kFinishButton, true);
      break;
    default:
      break;
  }
  ui::SetDialogButtons(w.window, page == kFinishPage ? kFinishButton : kNextButton, kCancelButton);
  w.page = page;
  // The keyboard starts on the page's first control that takes it, or on
  // the default button (the installation page keeps its own focus).
  if (page != kInstallPage) {
    HWND container = ui::Control(kPageContainers[page]);
    HWND first = container ? GetNextDlgTabItem(container, nullptr, FALSE) : nullptr;
    if (!first || !IsChild(container, first))
      first = ui::Control(page == kFinishPage ? kFinishButton : kNextButton);
    if (first && IsWindowEnabled(first)) SetFocus(first);
  }
}
