// Finish: the ticked options, the uninstaller, and the end of the run.
#pragma once

[[noreturn]] void Finish();
