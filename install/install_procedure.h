// The installation itself: runs when the user confirms it in the wizard.
#pragma once

#include "install/install_plan.h"

// Creates the program group, unpacks the payload into the install folder
// and runs the install tasks, as the plan says, showing its progress on the
// installation page (when there is a window). Returns 1; a failure or a confirmed Cancel ends
// the run.
int InstallProcedure(const InstallPlan& plan);
