// A removal without questions (/S) reports its outcome through the installed
// uninstaller that its caller started. That program cannot delete itself
// while it runs, so the copy in the temporary folder hands the outcome back
// on its standard output, waits until the installed uninstaller has ended
// with it, and then deletes its file.
#pragma once

#include <string>

#include "common/outcome.h"
#include "install/shared/path_guard.h"

// Starts the copy with a pipe as its standard output and waits until the
// copy closes it: the outcome is the decimal code the copy wrote, a failure
// when it wrote none (it crashed). False when the copy could not start.
bool RunCopyForOutcome(const std::wstring& program, const std::wstring& parameters, Outcome* outcome);

// Writes the outcome's code to the standard output and closes it.
void HandBackOutcome(Outcome outcome);

// Waits, at most half a minute, until the process that started this one
// has ended, when that process runs the installed uninstaller.
void WaitForStarterEnd(const std::wstring& installedUninstaller, PathGuard& guard);
