// The task executor: carries out one task line.
#pragma once

#include <string>

#include "install/install_state.h"

// Expands the line, splits it into fields and carries out the task its
// keyword names, reporting to the run's sink; appends what the uninstaller
// must undo to the run's install record under `taskName`; a program the
// user chose on the finish page (`forUser`) starts with the user's rights.
// Always returns 1.
int ExecuteTask(const std::wstring& taskLine, const std::wstring& taskName, InstallRun& run, bool forUser = false);

// Called after each install task. It does nothing: it is the place where
// the test builds step in (tests/helpers/end_after_task.cpp).
void AfterTask(const std::wstring& taskName);
