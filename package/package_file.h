// Opening the running package and the checks that come before any copy.
#pragma once

#include <cstdint>

#include "common/prelude.h"
#include "package/trailer.h"

// Opens the package for reading and finds its archives by the trailer, at
// the file's end or, in a signed package, before the certificate table
// (package/trailer.h). Every failure shows its message and ends the process
// without clean-up (no work folder exists).
HANDLE OpenOwnPackage(PackageLayout* layout);

// Ends the process with the "not enough free space" message unless the drive
// of the user's temporary folder has at least `needed` bytes free to the user.
void RequireFreeSpace(int64_t needed);

// Progress of a cancellable copy: moves the bar and handles at most one
// pending window event; when it is a click on the cancel button that the
// user confirms, it stops the copy (returns true), and the copy's caller
// ends the run.
struct CopyWatch {
  int progressBar;
  int cancelButton;
};
void WatchCopy(const CopyWatch& watch);
bool CopyProgressReport(int percent);
// True once the user confirmed the cancel of a copy.
bool CopyCancelled();
