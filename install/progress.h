// How an installation ends when it does not complete: a confirmed Cancel
// or a failure rolls it back and ends the run.
#pragma once

#include "install/install_state.h"

// How an installation ended, and the one place where a run that is not
// going on ends: a cancelled or failed installation is rolled back there
// (a failure, a payload that could not be unpacked whole, is reported
// first: title Key0, error icon), the work folder is deleted and the
// process ends. kInstalled returns.
enum class InstallResult { kInstalled, kCancelled, kFailed };
void EndInstallation(InstallResult result, InstallRun& run);

// Undoes what the installation did so far: the registry values and keys,
// associations, services and servers its tasks recorded (as the removal
// undoes them), then the files and folders of its journal: the files it
// created go, files and folders it replaced or removed come back, the
// folders it created go when empty, last change first, and the folders it
// changed get their times back. Nothing else is touched.
int Rollback(InstallState& state);

// From now on every end of the process takes this installation back
// (Rollback, then the work folder goes; see SetUnfinishedWork).
void RollBackAtEveryEnd(InstallState& state);
