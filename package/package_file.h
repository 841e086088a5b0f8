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

// Progress of a cancellable copy: moves the bar, handles at most one pending
// window event and, when it is a click on the cancel button that the user
// confirms, closes the two files and ends the run (`cleanUp`: through
// CleanUp(0); otherwise without clean-up).
struct CopyWatch {
  int progressBar;
  int cancelButton;
  HANDLE source;
  HANDLE destination;
  bool cleanUp;
};
void WatchCopy(const CopyWatch& watch);
void CopyProgressReport(int percent);
