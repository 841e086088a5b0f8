// Starting what the user asked for after the installation (the finish
// page's programs, web addresses) with the signed-in user's rights.
#pragma once

#include "common/prelude.h"

#include <shellapi.h>

// Starts `info` as the signed-in user, unelevated, through the desktop
// shell's own process, where this process runs elevated and the caller asks
// for no process handle. False, with nothing started, where that is not
// possible (no shell window, an older system, not elevated, any failure on
// the way), and never in an unattended run (the shell may show an error box).
bool StartThroughDesktopShell(const SHELLEXECUTEINFOW& info);

// Starts `info` through the desktop shell as above, else by ShellExecuteExW
// as this process (in an unattended run with SEE_MASK_FLAG_NO_UI: no error
// box). Logs which way it went. True when it was started.
bool StartForUser(SHELLEXECUTEINFOW* info);
