// How a run ended. An unattended run (/S) exits with this code, so that
// deployment tools can tell what happened; an interactive run always exits
// with 0. The codes are those installers on Windows commonly report.
#pragma once

enum Outcome : int {
  kSucceeded = 0,
  kRestartNeeded = 3010,     // succeeded; a restart completes it
  kCancelled = 1602,         // the user stopped it
  kFailed = 1603,            // a fatal error; nothing was installed
  kAnotherRunning = 1618,    // another installation is in progress
  kBadCommandLine = 1639,    // the arguments were not understood
};

// Notes the end. A failure or cancel noted once is kept: a later success
// (the clean-up) does not overwrite it.
void NoteOutcome(Outcome outcome);
Outcome CurrentOutcome();
// The exit code of the process: the outcome in a quiet run, else 0.
int ExitCode();
// The outcome as words, for the log.
const wchar_t* OutcomeText(Outcome outcome);
