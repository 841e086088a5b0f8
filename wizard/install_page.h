// The installation's progress as the wizard shows it: the installation
// page's status line and bar, its Cancel button (a click asks first), and
// message boxes. An unattended run reports to the same: a passive run's
// window numbers its status line and bar as the page does, and a quiet
// run has no window (its messages answer themselves: see ui::Message).
#pragma once

#include "common/progress_window.h"

class InstallPageProgress final : public ProgressWindow {
 public:
  InstallPageProgress();
  // Cancel, shown but kept off meanwhile, is offered while a task takes
  // long; off again, it stays off.
  void OfferCancel(bool offered) override;

 private:
  bool ConfirmCancel() override;
};
