// What the wizard does for each control event.
#pragma once

// Handles one control event of the wizard window.
void HandleWizardEvent(int control);
