#include "startup/process.h"

#include "common/files.h"
#include "common/heap.h"
#include "common/toolkit.h"

ProcessState& Process() {
  static ProcessState* state = new ProcessState;
  return *state;
}

void CleanUp(int mode) {
  ProcessState& p = Process();
  if (!p.workFolder.empty()) DeleteTree(p.workFolder);
  if (mode == 0) EndPlain();
}

void EndPlain() {
  ui::Shutdown();
  DestroyPrivateHeap();
  ExitProcess(0);
}
