// The installation itself: runs when the user confirms it in the wizard.
#pragma once

#include "install/install_plan.h"
#include "install/install_state.h"
#include "install/progress.h"

// Creates the program group, unpacks the payload into the install folder
// and runs the install tasks, as the plan says, reporting its progress to
// the run's sink; the run's state (empty before) is what it did. Nothing
// ends the run here: a confirmed Cancel or a payload that cannot be
// unpacked whole is returned to the caller, which ends the run through
// EndInstallation.
InstallResult InstallProcedure(const InstallPlan& plan, InstallRun& run);
