// A payload file or a task's target that cannot be written: a program
// holding it is named and, if the user (or /CLOSEAPPLICATIONS) wants,
// closed; an unattended run otherwise lets the next restart put the new file
// in place. Any other reason is named with the system's own words.
#pragma once

#include <string>

#include "install/install_state.h"
#include "package/extract.h"

// What the unpacking asks, through the run's sink, when a file cannot be
// written (ExtractOptions). An answer that stops gives the run up (the
// sink's Cancelled): the installation is taken back as after a confirmed
// Cancel.
WriteAnswer AnswerWriteFailure(InstallRun& run, const std::wstring& path, unsigned long error);

// True for the system's errors that mean another program holds the file.
bool IsHeldError(unsigned long error);

// Closes the programs holding `path`: through the Restart Manager where the
// system has it, else the programs running from the install folder (for a
// file in it) or the file's folder. True when some program was closed.
bool CloseHoldingPrograms(PathGuard& guard, const std::wstring& path, const std::wstring& installFolder);
