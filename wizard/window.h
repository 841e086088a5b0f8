// The wizard window with all its pages and controls.
#pragma once

// Creates the window (hidden) and every control; false when any of them
// cannot be created.
bool BuildWizardWindow();
// Puts the texts, documents, images, lists and space figures into the
// controls, and hides what the settings leave out.
void FillWizardControls();
// Rewrites the available and required space texts.
void RefreshSpaceTexts();
