// The wizard's pictures and fonts: the package's two bitmaps, the five page
// headers drawn from the header bitmap, the etched separator, the white
// page, the built-in images and the four fonts.
#pragma once

#include "wizard/wizard_state.h"

// Makes, loads and draws them into the wizard state; a bitmap that cannot
// be loaded shows Key11 or Key12 and ends the run.
void PrepareImages(WizardState& w);
// Draws the headers and the separator for the wizard window's DPI and
// shows them.
void ShowDrawnImages(int dpi);
