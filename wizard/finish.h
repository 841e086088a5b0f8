// Finish: the ticked options, the uninstaller, and the end of the run.
#pragma once

#include <vector>

#include "install/install_state.h"
#include "wizard/finish_options.h"
#include "wizard/wizard_state.h"

// The Finish button: the options left ticked, then CompleteInstallation.
[[noreturn]] void Finish(WizardState& w);

// The end of a completed installation: the work folder goes, the chosen
// finish options run, the uninstaller, its data and the uninstall entry
// are written, the files the installation replaced are let go, and the
// run ends.
[[noreturn]] void CompleteInstallation(InstallRun& run, const std::vector<const FinishOption*>& chosen);
