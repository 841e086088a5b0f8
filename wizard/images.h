// The wizard's pictures: the package's two bitmaps, the five page headers
// drawn from the header bitmap, the etched separator and the white page.
#pragma once

#include "wizard/wizard_state.h"

// Loads and draws them into the wizard state; a bitmap that cannot be
// loaded shows Key11 or Key12 and ends the run.
void PrepareImages(WizardState& w);
// Draws the headers and the separator for the wizard window's DPI and
// shows them.
void ShowDrawnImages(int dpi);
