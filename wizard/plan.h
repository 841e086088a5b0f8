// The install plan as the wizard makes it, and as an unattended run takes
// it from the package's defaults.
#pragma once

#include <string>

#include "install/install_plan.h"
#include "wizard/wizard_state.h"

// The destination the wizard offers: the setup script's DefaultPath
// (tokens expanded), or the Program Files folder + the program's name;
// always ending with "\".
std::wstring DefaultDestination();
// The group the wizard offers: the Start menu's Programs folder + the
// program's name + "\".
std::wstring DefaultGroup();

// From the wizard's pages, when the user confirms the installation.
InstallPlan PlanFromWizard(const WizardState& w);
// For an unattended run: the defaults, with the install folder from the
// command line when it names one.
InstallPlan DefaultPlan(const WizardState& w, const std::wstring& folder);
