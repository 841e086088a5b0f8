#include "common/outcome.h"

#include "common/quiet_run.h"

namespace {
Outcome g_outcome = kSucceeded;
}

void NoteOutcome(Outcome outcome) {
  if (g_outcome == kSucceeded || g_outcome == kRestartNeeded) g_outcome = outcome;
}

Outcome CurrentOutcome() { return g_outcome; }

int ExitCode() { return ui::Quiet() ? g_outcome : 0; }

const wchar_t* OutcomeText(Outcome outcome) {
  switch (outcome) {
    case kSucceeded: return L"succeeded";
    case kRestartNeeded: return L"succeeded; a restart is needed to complete it";
    case kCancelled: return L"cancelled";
    case kFailed: return L"failed";
    case kAnotherRunning: return L"refused: another installation is in progress";
    case kBadCommandLine: return L"refused: the command line was not understood";
  }
  return L"";
}
