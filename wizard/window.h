// The wizard window with all its pages and controls.
#pragma once

// Creates the window (hidden) and every control; false when any of them
// cannot be created.
bool BuildWizardWindow();
// Puts the texts, documents, images, lists and space figures into the
// controls, and hides what the settings leave out.
void FillWizardControls();
// A passive run's window instead of the wizard: the title, the status line
// and the progress bar of the installation, and no button.
void OpenPassiveProgress();
// Rewrites the available and required space texts.
void RefreshSpaceTexts();
