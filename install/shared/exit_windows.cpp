#include "install/shared/system_tasks.h"

BOOL RequestExitWindows(UINT flags) { return ExitWindowsEx(flags, 0); }
