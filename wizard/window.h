// The wizard window with all its pages and controls.
#pragma once

#include "wizard/wizard_state.h"

// Creates the window (hidden) and every control; false when any of them
// cannot be created.
bool BuildWizardWindow(WizardState& w);
// Puts the texts, documents, images, lists and space figures into the
// controls, and hides what the settings leave out.
void FillWizardControls(WizardState& w);
// A passive run's window instead of the wizard: the title, the status line
// and the progress bar of the installation, and no button.
void OpenPassiveProgress(const WizardState& w);
// Rewrites the available and required space texts.
void RefreshSpaceTexts(const WizardState& w);
