// What the wizard does for each control event.
#pragma once

#include "wizard/wizard_state.h"

// Handles one control event of the wizard window.
void HandleWizardEvent(WizardState& w, int control);
