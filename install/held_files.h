// A payload file or a task's target that cannot be written: a program
// holding it is named and, if the user (or /CLOSEAPPLICATIONS) wants,
// closed; an unattended run otherwise lets the next restart put the new file
// in place. Any other reason is named with the system's own words.
#pragma once

#include <string>

#include "package/extract.h"

// What the unpacking asks when a file cannot be written (ExtractOptions).
WriteAnswer AnswerWriteFailure(const std::wstring& path, unsigned long error);

// True once the user cancelled at such a question: the installation is
// taken back as after a confirmed Cancel.
bool CancelledAtWriteFailure();

// True for the system's errors that mean another program holds the file.
bool IsHeldError(unsigned long error);

// Closes the programs holding `path`: through the Restart Manager where the
// system has it, else the programs running from the file's folder. True
// when some program was closed.
bool CloseHoldingPrograms(const std::wstring& path);
