// The first stage: the uninstaller started from the install folder copies
// itself and its data file into the temporary folder and starts the copy,
// so that the removal can delete the installed uninstaller.
#pragma once

#include <string>

// Shows the failure message when the copies or the start fail. Returns when
// done; the caller ends the process. A non-empty `log` is handed on to the
// copy (/LOG=), which writes it.
void RunFirstStage(const std::wstring& log);
