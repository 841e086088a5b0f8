#include "startup/process.h"

#include "common/fatal_end.h"
#include "common/files.h"
#include "common/heap.h"
#include "common/log.h"
#include "common/text.h"
#include "common/toolkit.h"
#include "common/outcome.h"

ProcessState& Process() {
  static ProcessState* state = new ProcessState;
  return *state;
}

void CleanUp(int mode) {
  ProcessState& p = Process();
  if (!p.workFolder.empty()) DeleteTree(p.workFolder);
  if (mode == 0) EndPlain();
}

void RemoveWorkFolder() { CleanUp(1); }

void EndPlain() {
  UndoUnfinishedWork();
  const Outcome outcome = CurrentOutcome();
  LogLine(std::wstring(L"end: ") + OutcomeText(outcome) + L" (exit code " + text::Decimal(ExitCode()) + L")");
  CloseLog();
  ui::Shutdown();
  DestroyPrivateHeap();
  ExitProcess(static_cast<UINT>(ExitCode()));
}
