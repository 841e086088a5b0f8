// Whether the run shows windows. A quiet run (an unattended one) shows no
// window of any kind: no wizard, no message box. A passive run is a quiet
// run that shows its progress: the progress window opens, everything else
// stays quiet.
#pragma once

namespace ui {

void SetQuiet(bool quiet, bool passive = false);
bool Quiet();
// A quiet run that shows its progress window.
bool Passive();

}  // namespace ui
